#!/bin/sh
# Builds the native benchmarks and runs them, ending with the summary table.
# Extra arguments go to the benchmark, e.g. --benchmark_filter='/(opening|mid_a)/',
# --deep_give_up=200 to measure deep searches that take minutes, or
# --settle=3600 to search the 4-stone opening until its value is final.
#
# bench/run.sh set [ARGS] instead times the computer's move over the set of
# positions players meet (kivari_set_bench), e.g. --depths=19,20,21 --threads=1;
# its options are listed at the top of bench/set_bench.cpp.
#
# bench/run.sh values [ARGS] times the values of every move (move_values) over
# the same set at Difficulty 10, 15 and 19 (kivari_set_bench --values).
#
# bench/run.sh signature prints the searches' signature (bench/NOTES.md).
#
# bench/run.sh review [ARGS] times Review Game over 60-move games at Difficulty
# 15 and 19 (kivari_review_bench; its options at the top of review_bench.cpp).
#
# bench/run.sh exact [ARGS] times the endgame table's build and solves the
# openings and the benchmark set exactly (kivari_exact_bench --set); add
# --four=3600 for the 4-stone opening with empty captures, --cache=DIR to keep
# the tables between runs; its options are listed at the top of
# bench/exact_bench.cpp.
set -e
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
if [ "$1" = set ]; then
    shift
    cmake --build --preset native --target kivari_set_bench
    exec build/native/bench/kivari_set_bench "$@"
fi
if [ "$1" = values ]; then
    shift
    cmake --build --preset native --target kivari_set_bench
    exec build/native/bench/kivari_set_bench --values --depths=10,15,19 "$@"
fi
if [ "$1" = exact ]; then
    shift
    cmake --build --preset native --target kivari_exact_bench
    exec build/native/bench/kivari_exact_bench --set "$@"
fi
if [ "$1" = review ]; then
    shift
    cmake --build --preset native --target kivari_review_bench
    exec build/native/bench/kivari_review_bench "$@"
fi
if [ "$1" = signature ]; then
    cmake --build --preset native --target kivari_signature
    exec build/native/bench/kivari_signature
fi
cmake --build --preset native --target kivari_bench
# Medians of five runs: the machine is shared, and small depths are noisy.
exec build/native/bench/kivari_bench --summary --benchmark_repetitions=5 "$@"
