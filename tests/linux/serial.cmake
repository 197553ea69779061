# The termios device, the Linux port names and the channel over them, all on
# pty pairs the tests make themselves; never a serial device of this machine.
quorvant_add_test(serial_pty
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TermiosCommDeviceTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TermiosLineTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LinuxPortNamesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SerialPortPtyTest.cpp
  LIBS quorvant_platform util
  LABELS pty)
