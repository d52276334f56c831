#!/bin/sh
# Builds the native benchmarks and runs them, ending with the summary table.
# Extra arguments go to the benchmark, e.g. --benchmark_filter='/(opening|mid_a)/',
# --deep_give_up=200 to measure deep searches that take minutes, or
# --settle=3600 to search the 4-stone opening until its value is final.
set -e
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target kivari_bench
# Medians of five runs: the machine is shared, and small depths are noisy.
exec build/native/bench/kivari_bench --summary --benchmark_repetitions=5 "$@"
