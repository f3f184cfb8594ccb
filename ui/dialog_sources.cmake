# The auxiliary dialogs, the hyperlink and the help lookup.
set(VELLUMIO_DIALOG_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/about_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/help_launcher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/help_missing_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hyperlink.cpp
  ${CMAKE_CURRENT_LIST_DIR}/memory_size_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/please_wait_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/save_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resources/dialogs.qrc
)
