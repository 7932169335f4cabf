# (no benchmarks yet)
