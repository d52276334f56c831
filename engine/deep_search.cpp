// The deep search's entry point: deep_comp_move checks its arguments as the
// tree search does, leases the table, starts the helper threads, deepens to
// the depth asked and reports the move as get_comp_move would choose it
// among the best. The same move, value and refusals as the node tree search,
// whatever the threads. deep_move_values runs the same search for the value
// of every move. The table's seams are in deep/table.cpp, the threads' in
// deep/threads.cpp.
#include "engine/deep_search.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "engine/deep/lines.h"
#include "engine/deep/search.h"
#include "engine/deep/split.h"
#include "engine/deep/table.h"
#include "engine/deep/threads.h"
#include "engine/moves.h"

using deep::deep_search;
using deep::helper;
using deep::line_check;
using deep::MAX_TABLE_STONES;
using deep::padded_board;
using deep::root_want;
using deep::search_threads;
using deep::split_share;
using deep::table_bucket;
using deep::table_lease;
using deep::TABLE_MIN_DEPTH;
using moves::row_empty;

namespace {

// The level limit as the tree search computes it; negative when refused.
long long level_limit(const node* n, int depth)
{
    const long long limit = std::clamp<long long>(static_cast<long long>(n->level) + depth, INT_MIN, INT_MAX);
    return is_side(n->turn) ? limit : -1;
}

// The deep search of p to remaining depth r, with the table and the helper
// threads where it gets them. `answer` reads the calling thread's search
// once it has found what `want` asks; false when it was abandoned.
template <typename answer_fn>
bool run_deep(const padded_board& p, int r, bool caps, root_want want, deep_stats& st, answer_fn answer)
{
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
    const int threads = table ? search_threads() : 1;
    std::vector<helper> helpers;
    start_helpers(helpers, threads, caps, total, bounded, table, gen, age, &quit, want, &share);

    deep_search s(caps, total, bounded, table, gen, age, &quit, want, helpers.empty() ? nullptr : &share,
                  false);
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
    if (!done || search_stop_requested())
        return false;
    answer(s);
    return true;
}

} // namespace

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

    const long long limit = level_limit(n, depth);
    if (limit < 0) {
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
    const bool random_moves = settings.random_moves;
    bool is_best[14] = {};
    if (!run_deep(p, r, settings.empty_caps, random_moves ? root_want::all_ties : root_want::farthest_best,
                  st, [&](const deep_search& s) {
                      n->h = s.best;
                      for (int i = 0; i < s.nties; ++i)
                          is_best[s.ties[i]] = true;
                  })) {
        calc_h(n);
        return -2;
    }

    // The best moves as the tree search leaves its children: highest bin first.
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

int deep_move_values(const node* n, int depth, search_settings settings, move_value (&out)[6])
{
    const long long limit = n ? level_limit(n, depth) : -1;
    if (limit < 0) {
        std::puts("move_values: bad args");
        return -1;
    }
    const int r = static_cast<int>(std::clamp<long long>(limit - n->level, 1, INT_MAX));
    padded_board p{};
    std::memcpy(p.b, n->bins, sizeof p.b);
    p.turn = n->turn;
    const bool caps = settings.empty_caps;
    deep_stats st;
    int value[14] = {};
    if (!row_empty(p.b, first_bin(p.turn)) &&
        !run_deep(p, r, caps, root_want::all_values, st,
                  [&](const deep_search& s) { std::memcpy(value, s.root_value, sizeof value); }))
        return -2;

    // A settled search may have stopped short of r; the lines below are walked to r all the same.
    int total = 0;
    bool keyed = true;
    for (int x : p.b) {
        total += x;
        keyed = keyed && x >= 0;
    }
    line_check lines(caps, keyed && total <= MAX_TABLE_STONES);
    int count = 0;
    const int first = first_bin(p.turn);
    for (int b = first; b < first + 6; ++b) {
        if (p.b[b] <= 0)
            continue;
        padded_board c = p;
        const moves::sow_end end = deep::sow_fast(c, b, caps);
        bool exact = end != moves::SOW_PLAIN && moves::is_over(c.b, moves::top_total(c.b));
        if (!exact) {
            c.turn = end == moves::SOW_EXTRA_TURN ? p.turn : other_side(p.turn);
            exact = lines.ends_within(c, r - 1);
        }
        out[count++] = {b, value[b], exact};
    }
    return search_stop_requested() ? -2 : count;
}
