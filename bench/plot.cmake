# plot benchmarks
add_executable(bench_grafik bench_grafik.cpp)
target_link_libraries(bench_grafik PRIVATE torvplot benchmark::benchmark)
