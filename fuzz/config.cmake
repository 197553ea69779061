# libFuzzer targets for the outside bytes the configuration reads: the setup
# file, and file names and paths. Each runs briefly from a copy of its seed
# corpus in ctest; fuzz/README.md shows a longer run.
function(quorvant_config_fuzzer name source)
  add_executable(${name}_fuzzer ${CMAKE_CURRENT_LIST_DIR}/${source})
  target_compile_options(${name}_fuzzer PRIVATE ${quorvant_warnings})
  target_link_libraries(${name}_fuzzer PRIVATE quorvant_core)
  target_link_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/corpus/${name})
  file(COPY ${CMAKE_CURRENT_LIST_DIR}/corpus/${name}/ DESTINATION ${corpus})
  add_test(NAME fuzz_${name}
           COMMAND ${name}_fuzzer -max_total_time=5 -rss_limit_mb=2048 ${corpus})
  set_tests_properties(fuzz_${name} PROPERTIES TIMEOUT 120 LABELS config)
endfunction()

quorvant_config_fuzzer(setup_reader SetupReaderFuzz.cpp)
quorvant_config_fuzzer(file_extension FileExtensionFuzz.cpp)
