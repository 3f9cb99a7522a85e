# sim benchmarks
add_executable(bench_runs bench_runs.cpp ${CMAKE_SOURCE_DIR}/tests/support/runfixtures.cpp)
target_include_directories(bench_runs PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_runs PRIVATE torvcore benchmark::benchmark_main)
