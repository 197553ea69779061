# Two window cores over one pty pair: the test stream end to end through the
# termios device.
quorvant_add_test(linux_window_pty_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TerminalWindowPtyTest.cpp
  LIBS quorvant_platform util
  LABELS pty)
