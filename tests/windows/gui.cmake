# The Win32 front end under Wine on a virtual X display (Xvfb): its view
# against real controls, and the program end to end with a pty on COM1.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(gui_test_driver ${CMAKE_CURRENT_LIST_DIR}/gui/gui_test.py)

add_executable(gui_view_tests gui/DisplayByteMapTest.cpp gui/MainDialogViewTest.cpp)
target_compile_options(gui_view_tests PRIVATE ${quorvant_warnings})
target_link_libraries(gui_view_tests PRIVATE quorvant_gui GTest::gtest_main)
add_test(NAME gui_view_tests
  COMMAND ${Python3_EXECUTABLE} ${gui_test_driver} windows $<TARGET_FILE:window_probe>
          $<TARGET_FILE:gui_view_tests>)
set_tests_properties(gui_view_tests PROPERTIES TIMEOUT 120)

# Reads the running window's controls from another process.
add_executable(window_probe gui/WindowProbe.cpp)
target_compile_options(window_probe PRIVATE ${quorvant_warnings})

add_test(NAME gui_end_to_end
  COMMAND ${Python3_EXECUTABLE} ${gui_test_driver} end-to-end $<TARGET_FILE:quorvant>
          $<TARGET_FILE:window_probe>)
set_tests_properties(gui_end_to_end PROPERTIES TIMEOUT 240)
