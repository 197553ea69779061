# The Linux desktop program: Qt 6 Widgets views over the core, the key
# translation through libxkbcommon-x11, and main(). Everything but main() goes
# into quorvant_qt so that the offscreen tests can drive the same views.
if(NOT QUORVANT_GUI)
  return()
endif()

find_package(Qt6 REQUIRED COMPONENTS Widgets)
find_package(PkgConfig REQUIRED)
pkg_check_modules(quorvant_xkb REQUIRED IMPORTED_TARGET xkbcommon xkbcommon-x11 xcb)

set(qt_dir ${CMAKE_CURRENT_SOURCE_DIR}/qt)
add_library(quorvant_qt STATIC
  ${qt_dir}/AppIcon.cpp
  ${qt_dir}/AppKeyFilter.cpp
  ${qt_dir}/Cp1252.cpp
  ${qt_dir}/DialogUnits.cpp
  ${qt_dir}/DisplayMirror.cpp
  ${qt_dir}/FixedGermanLayout.cpp
  ${qt_dir}/KeyTranslator.cpp
  ${qt_dir}/LocalTimeSource.cpp
  ${qt_dir}/PcKeyTable.cpp
  ${qt_dir}/QtDesktop.cpp
  ${qt_dir}/QtMainView.cpp
  ${qt_dir}/QtWindowHost.cpp
  ${qt_dir}/XkbLayout.cpp
)
target_include_directories(quorvant_qt PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(quorvant_qt PUBLIC quorvant_platform Qt6::Widgets PkgConfig::quorvant_xkb)
target_compile_options(quorvant_qt PRIVATE ${quorvant_warnings})

add_executable(quorvant ${qt_dir}/main.cpp)
target_link_libraries(quorvant PRIVATE quorvant_qt)
target_compile_options(quorvant PRIVATE ${quorvant_warnings})
