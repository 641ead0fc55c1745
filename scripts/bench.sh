#!/usr/bin/env bash
# Builds the native preset's benchmarks and runs them; extra arguments go to
# the benchmark program (for example --benchmark_filter=Tick).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
cmake --preset native >/dev/null
cmake --build --preset native --target pondlet_bench -j "$JOBS"
exec build/native/tests/bench/pondlet_bench "$@"
