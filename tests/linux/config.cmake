# The Linux process-information hooks and the setup file on Linux devices.
add_executable(config_process_probe ${CMAKE_CURRENT_LIST_DIR}/ProcessInfoProbe.cpp)
target_link_libraries(config_process_probe PRIVATE quorvant_platform)
target_compile_options(config_process_probe PRIVATE ${quorvant_warnings})

quorvant_add_test(linux_config_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ProcessInfoTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SetupFileDeviceTest.cpp
  LIBS quorvant_platform
  LABELS config)
target_compile_definitions(linux_config_tests PRIVATE
  QUORVANT_PROBE_PATH="$<TARGET_FILE:config_process_probe>")
add_dependencies(linux_config_tests config_process_probe)
