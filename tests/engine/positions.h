// Helpers for engine tests: positions as one short literal, the reference's
// view of a node, and a fixture that restores the options and checks leaks.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <vector>

#include "engine/deep_search.h"
#include "engine/engine.h"
#include "engine/node_alloc.h"
#include "game/options.h"
#include "tests/engine/reference.h"

// Bins 0..13 in sowing order: bottom row left to right, bottom store, top row
// right to left, top store.
using Bins = std::array<int, 14>;

inline node position(const Bins& bins, int turn, int level = 0)
{
    node n{};
    std::copy(bins.begin(), bins.end(), n.bins);
    n.turn = turn;
    n.level = level;
    calc_h(&n);
    return n;
}

inline Bins bins_of(const node* n)
{
    Bins b;
    std::copy(n->bins, n->bins + 14, b.begin());
    return b;
}

inline ref::Pos to_ref(const node& n)
{
    return {bins_of(&n), n.turn, n.level};
}

inline std::vector<int> child_moves(const node* n)
{
    std::vector<int> moves;
    for (const node* c = n->first_child; c; c = c->next_sibling)
        moves.push_back(c->move);
    return moves;
}

class EngineTest : public ::testing::Test {
protected:
    int empty_caps = g_allow_empty_caps, random_moves = g_random_moves, stones = g_num_stones;
    long live_before = node_alloc_live();
    void TearDown() override
    {
        g_allow_empty_caps = empty_caps;
        g_random_moves = random_moves;
        g_num_stones = stones;
        node_alloc_fail(-1, 0);
        search_stop_clear();
        deep_threads_force(0);
        EXPECT_EQ(node_alloc_live(), live_before) << "nodes leaked";
    }
};
