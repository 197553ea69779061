# The Windows program: the Win32 front end of the core, one static .exe.
enable_language(RC)

# The front end's translation code, apart from the entry point so that tests
# can link it.
add_library(quorvant_gui STATIC
  gui/DialogTemplate.cpp
  gui/DisplayByteMap.cpp
  gui/LocalTimeSource.cpp
  gui/MainDialogView.cpp
  gui/MainWindowHost.cpp
  gui/MessageBoxDesktop.cpp
  gui/Win32Keys.cpp)
target_include_directories(quorvant_gui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/gui)
target_link_libraries(quorvant_gui PUBLIC quorvant_platform comctl32 gdi32 user32)
target_compile_options(quorvant_gui PRIVATE ${quorvant_warnings})

add_executable(quorvant WIN32 gui/WinMain.cpp gui/quorvant.rc)
target_link_libraries(quorvant PRIVATE quorvant_gui)
target_compile_options(quorvant PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${quorvant_warnings}>)
set_source_files_properties(gui/quorvant.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_CURRENT_SOURCE_DIR}/gui/quorvant.manifest;${CMAKE_CURRENT_SOURCE_DIR}/gui/images/quorvant.ico")
