# The core's cost per poll tick with a full tick's worth of received bytes.
find_package(benchmark REQUIRED)
add_executable(core_tick_bench ${CMAKE_CURRENT_LIST_DIR}/CoreTickBench.cpp)
target_compile_options(core_tick_bench PRIVATE ${quorvant_warnings})
target_link_libraries(core_tick_bench PRIVATE quorvant_core benchmark::benchmark_main)
