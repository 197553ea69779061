# The main window's core on fakes: start-up, poll cycle, buttons, keys, close.
quorvant_add_test(window_core_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TerminalWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PollTickTest.cpp
  LABELS window)
