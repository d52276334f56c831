// The yardstick for the search benchmarks: the same minimax over the same
// tree as get_comp_move, on a plain 14-integer board with no allocation.
#pragma once

#include <array>

using board = std::array<int, 14>;

struct yardstick {
    int limit = 0;       // absolute level limit, as in gen_nodes
    int total = 0;       // stones in play; no move changes it
    long long nodes = 0; // moves made, one per gen_node call of the engine

    // The minimax value of `b` with `turn` to move at `level`. The position
    // itself is always expanded; its children only while below the limit.
    int search(const board& b, int turn, int level);
};

// The value get_comp_move backs up into its node, and the number of nodes it
// makes on the way.
struct yardstick_result {
    int value;
    long long nodes;
};
yardstick_result yardstick_search(const board& b, int turn, int level, int depth);
