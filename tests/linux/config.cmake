# The Linux process-information hooks and the setup file on Linux devices.
add_executable(config_process_probe ${CMAKE_CURRENT_LIST_DIR}/ProcessInfoProbe.cpp)
target_link_libraries(config_process_probe PRIVATE quorvant_platform)
target_compile_options(config_process_probe PRIVATE ${quorvant_warnings})

quorvant_add_test(config_os
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ProcessInfoTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SetupFileDeviceTest.cpp
  LIBS quorvant_platform
  LABELS config)
target_compile_definitions(config_os PRIVATE
  QUORVANT_PROBE_PATH="$<TARGET_FILE:config_process_probe>")
add_dependencies(config_os config_process_probe)
