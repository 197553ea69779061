# How the project registers its tests, for the test build and the fuzz build
# alike.

# The system's interpreter rather than a pyenv shim earlier in PATH: the test
# scripts need only the standard library, and a shim may pick another version.
# A build of the program alone (scripts/run.sh) needs no interpreter.
set(Python3_ROOT_DIR /usr)
if(QUORVANT_TESTS OR QUORVANT_BENCH OR QUORVANT_FUZZ)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
endif()

# Shared test doubles and helpers (fake devices, clocks, message sinks, pty
# pairs, scratch folders), for the tests, the fuzzers and the benchmarks.
add_library(quorvant_test_support INTERFACE)
target_include_directories(quorvant_test_support INTERFACE ${PROJECT_SOURCE_DIR}/tests/support)

# Every test is named <area>_<kind>. The kind says what the test needs, and is
# its label, so that `ctest -L <kind>` runs one kind:
#   unit   the core (or a library) on fakes      os     processes and devices of the OS
#   pty    serial code on pty pairs              qt     Qt views, offscreen
#   e2e    the program itself on a display       wine   Win32 code needing Wine's devices or windows
#   fuzz   libFuzzer smoke runs                  style  the layout of the tree
set(quorvant_test_kinds unit os pty qt e2e wine fuzz style)

# quorvant_add_test(<area>_<kind>
#   [SOURCES file...]   build an executable named like the test from these,
#                       with GoogleTest's main unless OWN_MAIN
#   [OWN_MAIN]          the sources bring main() (libFuzzer)
#   [LIBS lib...]       linked besides quorvant_core
#   [SCRIPT file.py]    the test is this Python script (path from the calling
#                       folder), run by python3, instead of the executable
#   [COMMAND cmd...]    the test is this command instead
#   [ARGS arg...]       arguments of the executable, script or command
#   [ENVIRONMENT VAR=value...]
#   [TIMEOUT seconds])  120 unless given
# An executable test of a cross build runs under Wine through the toolchain's
# emulator; a script starts its Windows programs itself.
function(quorvant_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "OWN_MAIN" "SCRIPT;TIMEOUT"
                        "SOURCES;LIBS;COMMAND;ARGS;ENVIRONMENT")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "test ${name}: unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  string(REGEX MATCH "_([a-z0-9]+)$" kind_suffix "${name}")
  set(kind "${CMAKE_MATCH_1}")
  if(NOT kind IN_LIST quorvant_test_kinds)
    message(FATAL_ERROR "test ${name}: the name must end in _<kind>, one of ${quorvant_test_kinds}")
  endif()

  if(arg_SOURCES)
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE quorvant_core quorvant_test_support quorvant_warnings
                                          ${arg_LIBS})
    if(NOT arg_OWN_MAIN)
      target_link_libraries(${name} PRIVATE GTest::gmock GTest::gtest_main)
    endif()
  endif()

  if(arg_SCRIPT)
    cmake_path(ABSOLUTE_PATH arg_SCRIPT BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
    set(command ${Python3_EXECUTABLE} ${arg_SCRIPT})
  elseif(arg_COMMAND)
    set(command ${arg_COMMAND})
  elseif(arg_SOURCES)
    set(command ${name})
  else()
    message(FATAL_ERROR "test ${name}: SOURCES, SCRIPT or COMMAND is needed")
  endif()
  add_test(NAME ${name} COMMAND ${command} ${arg_ARGS})

  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${arg_TIMEOUT} LABELS ${kind})
  if(arg_ENVIRONMENT)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${arg_ENVIRONMENT}")
  endif()
endfunction()
