// Helpers for engine tests: positions written as one short literal, reading
// a node's child list, and abandoning a running search.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "engine/node_alloc.h"
#include "game/options.h"

// Bins 0..13 in sowing order: bottom row left to right, bottom store, top row
// right to left, top store.
using Bins = std::array<int, 14>;

inline node position(const Bins& bins, int turn, int level = 0)
{
    node n{};
    for (int i = 0; i < 14; ++i)
        n.bins[i] = bins[i];
    n.turn = turn;
    n.level = level;
    calc_h(&n);
    return n;
}

inline Bins bins_of(const node* n)
{
    Bins b{};
    for (int i = 0; i < 14; ++i)
        b[i] = n->bins[i];
    return b;
}

inline std::vector<int> child_moves(const node* n)
{
    std::vector<int> moves;
    for (const node* c = n->first_child; c; c = c->next_sibling)
        moves.push_back(c->move);
    return moves;
}

// Restores the options the engine reads and frees a test's nodes.
struct OptionsGuard {
    int empty_caps = g_allow_empty_caps;
    int random_moves = g_random_moves;
    int stones = g_num_stones;
    ~OptionsGuard()
    {
        g_allow_empty_caps = empty_caps;
        g_random_moves = random_moves;
        g_num_stones = stones;
        node_alloc_fail(-1, 0);
        search_stop_clear();
    }
};

// Runs `search` on another thread, asks it to stop once it has run for a
// while, and gives its result.
template <typename Search> int abandoned_search(Search search)
{
    std::atomic<bool> started{false};
    int result = 0;
    std::thread t([&] {
        started = true;
        result = search();
    });
    while (!started)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    search_stop_request();
    t.join();
    return result;
}
