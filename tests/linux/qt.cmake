# The Qt front end: its views on the offscreen platform (with a recorder and
# with the real window logic on a pty), and the real program end to end under
# Xvfb, driven through a pty and xdotool.
if(NOT TARGET quorvant_qt)
  return()
endif()

find_package(Qt6 REQUIRED COMPONENTS Test)

quorvant_add_test(view_qt
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/QtMainViewTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtKeyFilterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtWindowPtyTest.cpp
  LIBS quorvant_qt Qt6::Test util
  LABELS qt)
set_tests_properties(view_qt PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

find_program(QUORVANT_PYTHON3 NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT QUORVANT_PYTHON3)
  find_program(QUORVANT_PYTHON3 NAMES python3 REQUIRED)
endif()
add_test(NAME quorvant_qt_e2e
  COMMAND ${QUORVANT_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/qt_e2e.py $<TARGET_FILE:quorvant>)
set_tests_properties(quorvant_qt_e2e PROPERTIES TIMEOUT 180 LABELS "qt;e2e")
