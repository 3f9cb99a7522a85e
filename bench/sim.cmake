# sim benchmarks
