// One thread's deep search: alpha-beta over the padded board with move
// ordering, the table and iterative deepening, finding the node tree
// search's value and best moves. A deep_search holds one thread's state
// (counters, killers, history); several may share one table and one
// split_share. The search is in search.cpp, the table look-up and store in
// probe.h, the move order in ordering.h, the helper loop in threads.cpp.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>

#include "engine/deep/board.h"
#include "engine/deep/split.h"
#include "engine/deep/table.h"

namespace deep {

// Moves that refuted the opponent, remembered per remaining depth.
constexpr int KILLER_DEPTHS = 64;

// A search result, read by the fail-soft rules: at or below the window it is
// an upper bound, at or above a lower bound, inside it the exact value.
// `settled`: it holds at every greater depth as well, because no line it
// rests on was cut off by the depth.
struct outcome {
    int v;
    bool settled;
};

// What the root must find: the value and the best move played without random
// moves (the farthest from the store), every best move, or the exact value of
// every move (move_values).
enum class root_want { farthest_best, all_ties, all_values };

class deep_search {
public:
    // `quit`: set when the search is no longer wanted (the calling thread
    // has its answer). `want`: what the root must find. `share`: the work
    // shared with helper threads, if any; `helper`: this is one of them.
    deep_search(bool empty_caps, int total, bool bounded, table_bucket* table, uint32_t gen,
                uint8_t search_age, const std::atomic<bool>* quit, root_want want, split_share* share,
                bool helper)
        : caps_(empty_caps), total_(total), bounded_(bounded), table_(table), gen_(gen),
          search_age_(search_age), quit_(quit), want_(want), share_(share), helper_(helper)
    {
        std::memset(killer_, -1, sizeof killer_);
    }

    // Searches the root to remaining depth d (at least 1): the exact value of
    // every move that can tie the best (of the farthest best move only, or of
    // every move, as `want` says), a bound for the others. False when the
    // search was abandoned.
    bool root(const padded_board& p, int d);
    // A helper thread's work, until quit: the moves the calling thread
    // offers.
    void help();

    // After root(): the best value, the best moves (for farthest_best only
    // the farthest from the store), and whether that answer holds at every
    // greater depth; by bin, what each root move's search returned.
    int best = 0;
    int ties[6] = {};
    int nties = 0;
    bool settled = false;
    int root_value[14] = {};

    long long nodes = 0, probes = 0, hits = 0;
    bool stopped = false;

private:
    outcome search(const padded_board& p, int r, int alpha, int beta);
    void probe(const padded_board& p, int r, probe_result& q);
    outcome child_value(const padded_board& p, int m, int r, int alpha, int beta);
    outcome last_ply(const padded_board& p, int alpha, int beta);
    int order(const padded_board& p, int hint, int r, int* moves) const;
    void store(table_bucket* bucket, uint64_t k0, uint32_t k1, int r, int lo, bool lo_settled, int hi,
               bool hi_settled, int move);

    const bool caps_;
    const int total_;
    const bool bounded_; // no bin is negative, so the stores bound every value
    table_bucket* const table_;
    const uint32_t gen_;
    const uint8_t search_age_;
    const std::atomic<bool>* const quit_;
    const root_want want_;
    split_share* const share_;
    // The calling thread's offer of one node, withdrawn when the node is done.
    struct offer_guard {
        deep_search* s;
        uint64_t id = 0;
        void open(const padded_board& p, int r, const int* moves, int n, bool root, int bound, int move = 0)
        {
            s->share_->open(p, r, moves, n, root, s->age_, bound, move);
            s->offered_ = true;
            id = s->share_->offer();
        }
        ~offer_guard()
        {
            if (id) {
                s->share_->close();
                s->offered_ = false;
            }
        }
    };
    const bool helper_;    // a helper thread's search
    uint64_t helping_ = 0; // the offer a helper works on; it stops when that one ends
    bool offered_ = false; // the calling thread has a node on offer
    uint8_t age_ = 0;      // of the iteration
    unsigned poll_ = 0;
    int history_[14] = {};
    int8_t killer_[KILLER_DEPTHS][2]; // -1: none

    int root_moves_[6] = {};
    int nroot_ = 0;
};

// The window a root move after the first is searched with, given the best
// value and move so far: only a move that can reach the best needs its exact
// value, so the window ends one short of the best on the losing side and is
// open on the other; a result that reaches the best is exact and one that
// does not is a bound that proves it. Without random moves only the
// farthest of the best moves (the lowest bin) is played, so a nearer one
// needs its value only when it beats the best. For all_values every move
// is searched with the whole window.
inline void root_window(bool top, root_want want, int best, int best_move, int m, int* alpha, int* beta)
{
    if (want == root_want::all_values) {
        *alpha = -INF;
        *beta = INF;
        return;
    }
    const int need = want == root_want::all_ties || m < best_move ? 1 : 0;
    *alpha = top ? best - need : -INF;
    *beta = top ? INF : best + need;
}

// Iterative deepening to remaining depth r: each iteration leaves in the
// table the moves that order the next. Steps of two: a depth and the one
// after it favour opposite sides, and the moves that were best two levels
// shallower order the next iteration better than the last one's. True when
// the answer is found (at depth r, or settled: no depth cut it off).
bool deepen(deep_search& s, const padded_board& p, int r, int* reached);

} // namespace deep
