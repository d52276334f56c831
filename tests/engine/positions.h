// Helpers for engine tests: positions written as one short literal, and
// reading a node's child list.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/node_alloc.h"
#include "game/options.h"

// Bins 0..13 in sowing order: bottom row left to right, bottom store, top row
// right to left, top store.
using Bins = std::array<int, 14>;

inline node position(const Bins& bins, int turn, int level = 0) {
    node n{};
    for (int i = 0; i < 14; ++i) n.bins[i] = bins[i];
    n.turn = turn;
    n.level = level;
    calc_h(&n);
    return n;
}

inline Bins bins_of(const node* n) {
    Bins b{};
    for (int i = 0; i < 14; ++i) b[i] = n->bins[i];
    return b;
}

inline std::vector<int> child_moves(const node* n) {
    std::vector<int> moves;
    for (const node* c = n->first_child; c; c = c->next_sibling) moves.push_back(c->move);
    return moves;
}

// Restores the options the engine reads and frees a test's nodes.
struct OptionsGuard {
    int empty_caps = g_allow_empty_caps;
    int random_moves = g_random_moves;
    int stones = g_num_stones;
    ~OptionsGuard() {
        g_allow_empty_caps = empty_caps;
        g_random_moves = random_moves;
        g_num_stones = stones;
        node_alloc_fail(-1, 0);
        search_stop_clear();
    }
};
