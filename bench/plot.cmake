# plot benchmarks
