# Two window cores over one pty pair: the test stream end to end through the
# termios device.
quorvant_add_test(window_pty
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TerminalWindowPtyTest.cpp
  LIBS quorvant_platform util
  LABELS pty)
