# The communication component's back ends: serial, parallel, USB and network.
set(VELLUMIO_COMPONENT_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/communication_component.cpp
  ${CMAKE_CURRENT_LIST_DIR}/download_transfer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/event_relay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fd_channel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/network_printer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/parallel_port.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_lists.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/termios_api.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unsolicited_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/usb_printer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wake_event.cpp
  ${CMAKE_CURRENT_LIST_DIR}/worker_control.cpp
)
