# The application's side of the printer link: settings, connecting, and the
# receiver of the component's events.
set(VELLUMIO_APPLICATION_LINK_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/comm_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printer_connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/comm_event_sink.cpp
)
