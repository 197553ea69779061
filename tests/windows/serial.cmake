# The Win32 serial device and port names on a pty that Wine shows as a
# registered COM port. serve_com_port.py plays the far end of the line, so the
# executable is registered through it rather than run on its own.
find_program(QUORVANT_PYTHON3 python3)
add_executable(win32_serial_test Win32SerialTest.cpp Win32PortNamesTest.cpp)
target_compile_options(win32_serial_test PRIVATE ${quorvant_warnings})
target_link_libraries(win32_serial_test PRIVATE quorvant_platform quorvant_test_support
                      GTest::gtest_main)
if(QUORVANT_PYTHON3)
  # COM20 must be registered in the prefix ctest runs with (scripts/test.sh
  # does so); a port nobody else uses, as the test drops and replaces its line.
  add_test(NAME win32_serial
           COMMAND ${QUORVANT_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/serve_com_port.py --port 20 --
                   ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:win32_serial_test>)
  set_tests_properties(win32_serial PROPERTIES TIMEOUT 180 LABELS "serial;wine")
else()
  message(WARNING "python3 not found: the Win32 serial test is not registered")
endif()
