# Bytes per second through the serial channel on a pty pair, to show that the
# channel is never what limits the terminal.
find_package(benchmark REQUIRED)
add_executable(quorvant_bench_serial ${CMAKE_CURRENT_LIST_DIR}/SerialChannelBench.cpp)
target_include_directories(quorvant_bench_serial PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
target_compile_options(quorvant_bench_serial PRIVATE ${quorvant_warnings})
target_link_libraries(quorvant_bench_serial PRIVATE quorvant_platform benchmark::benchmark util)
