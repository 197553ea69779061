# GoogleTest is built from Debian's sources so that the native and the
# mingw-w64 build use the same framework.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
if(NOT TARGET gtest)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

# Shared test doubles and helpers (fake devices, pty pairs, recording views).
add_library(quorvant_test_support INTERFACE)
target_include_directories(quorvant_test_support INTERFACE ${PROJECT_SOURCE_DIR}/tests/support)

# Every test is named <area>_<kind>; the kind says what the test needs and
# becomes its label, so that one kind can be run with `ctest -L <kind>`.
set(quorvant_test_kinds unit os pty qt e2e wine fuzz style)

# quorvant_add_test(<area>_<kind> SOURCES a.cpp b.cpp [LIBS x y] [LABELS l] [TIMEOUT s])
# One executable, one ctest entry; cross builds run it under Wine through the
# toolchain's emulator.
function(quorvant_add_test name)
  cmake_parse_arguments(arg "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  string(REGEX MATCH "_([a-z]+)$" kind_suffix ${name})
  set(kind ${CMAKE_MATCH_1})
  if(NOT kind IN_LIST quorvant_test_kinds)
    message(FATAL_ERROR "test ${name}: the name must end in _<kind>, one of ${quorvant_test_kinds}")
  endif()
  add_executable(${name} ${arg_SOURCES})
  target_compile_options(${name} PRIVATE ${quorvant_warnings})
  target_link_libraries(${name} PRIVATE quorvant_core quorvant_test_support ${arg_LIBS} GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${arg_TIMEOUT} LABELS "${kind};${arg_LABELS}")
endfunction()
