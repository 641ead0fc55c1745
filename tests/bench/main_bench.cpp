// The benchmarks' entry point, shared by every *_bench.cpp.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
