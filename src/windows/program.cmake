# Placeholder program until the window exists: proves the build.
add_executable(quorvant placeholder_main.cpp)
set_target_properties(quorvant PROPERTIES WIN32_EXECUTABLE OFF)
target_link_libraries(quorvant PRIVATE quorvant_platform)
target_compile_options(quorvant PRIVATE ${quorvant_warnings})
