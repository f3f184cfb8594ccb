# The tab pages.
set(VELLUMIO_PAGE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/communication_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialog_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_info_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/spin_button.cpp
)
