// The deep search's entry point: deep_comp_move checks its arguments as the
// tree search does, leases the table, starts the helper threads, deepens to
// the depth asked and reports the move as get_comp_move would choose it
// among the best. The same move, value and refusals as the node tree search,
// whatever the threads. The table's seams are in deep/table.cpp, the
// threads' in deep/threads.cpp.
#include "engine/deep_search.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "engine/deep/search.h"
#include "engine/deep/split.h"
#include "engine/deep/table.h"
#include "engine/deep/threads.h"
#include "engine/moves.h"

using deep::deep_search;
using deep::helper;
using deep::MAX_TABLE_STONES;
using deep::padded_board;
using deep::search_threads;
using deep::split_share;
using deep::table_bucket;
using deep::table_lease;
using deep::TABLE_MIN_DEPTH;
using moves::row_empty;

int deep_comp_move(node* n, int depth, deep_stats* stats, search_settings settings)
{
    deep_stats local;
    deep_stats& st = stats ? *stats : local;
    st = deep_stats{};
    if (!n) {
        std::puts("get_comp_move: bad args");
        return -1;
    }
    while (n->first_child)
        free_node(n->first_child);

    // The level limit as the tree search computes it, refused alike.
    const long long limit = std::clamp<long long>(static_cast<long long>(n->level) + depth, INT_MIN, INT_MAX);
    if (limit < 0 || !is_side(n->turn)) {
        std::puts("gen_nodes: bad args");
        if (search_stop_requested())
            calc_h(n);
        return -2;
    }
    // The searched node is always expanded: its moves are scored at least
    // one move deep.
    const int r = static_cast<int>(std::clamp<long long>(limit - n->level, 1, INT_MAX));

    padded_board p{};
    std::memcpy(p.b, n->bins, sizeof p.b);
    p.turn = n->turn;
    if (row_empty(p.b, first_bin(p.turn))) {
        moves::set_h(n);
        return -2;
    }

    // Read once: the whole search plays by one set of rules.
    const bool caps = settings.empty_caps;
    const bool random_moves = settings.random_moves;
    int total = 0;
    bool bounded = true;
    for (int x : p.b) {
        total += x;
        bounded = bounded && x >= 0;
    }
    // Moves neither make nor destroy stones, so a board that fits the
    // table's entries here fits them throughout. A shallow search never
    // reaches the depths where the table is used.
    std::optional<table_lease> lease;
    if (bounded && total <= MAX_TABLE_STONES && r >= TABLE_MIN_DEPTH)
        lease.emplace(caps, total);
    table_bucket* const table = lease ? lease->table : nullptr;
    const uint32_t gen = lease ? lease->gen : 0;
    const uint8_t age = lease ? lease->age : 0;

    // Helper threads search the moves this thread offers before it comes to
    // them, through the shared table; what they find there spares this
    // thread work. Only this thread's answer counts, and every entry holds
    // for its position and depth whoever wrote it, so the answer is the one
    // thread's. Without a table they could not help.
    std::atomic<bool> quit{false};
    split_share share;
    const int want = table ? search_threads() : 1;
    std::vector<helper> helpers;
    start_helpers(helpers, want, caps, total, bounded, table, gen, age, &quit, random_moves, &share);

    deep_search s(caps, total, bounded, table, gen, age, &quit, random_moves,
                  helpers.empty() ? nullptr : &share, false);
    const bool done = deepen(s, p, r, &st.depth_reached);
    quit.store(true, std::memory_order_relaxed);
    st.threads = 1 + static_cast<int>(helpers.size());
    st.nodes = s.nodes;
    st.probes = s.probes;
    st.hits = s.hits;
    join_helpers(helpers, st);
    lease.reset();

    st.table = table != nullptr;
    st.settled = done && s.settled;
    if (!done || search_stop_requested()) {
        calc_h(n);
        return -2;
    }

    n->h = s.best;
    // The best moves as the tree search leaves its children: highest bin first.
    bool is_best[14] = {};
    for (int i = 0; i < s.nties; ++i)
        is_best[s.ties[i]] = true;
    int best[6];
    int m = 0;
    for (int b = 12; b >= 0; --b)
        if (is_best[b])
            best[m++] = b;
    if (!random_moves)
        return best[m - 1];
    const int k = next_random() % 6;
    return best[k % m];
}
