// The deep search: the same value and the same best moves as the node tree
// search, found by alpha-beta over a plain board with move ordering, a table
// of positions already searched and iterative deepening, so that depths the
// tree search cannot reach answer at once.
#include "engine/deep_search.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/moves.h"
#include "game/options.h"

namespace {

std::atomic<bool> g_table_fail{false};

constexpr int INF = 1 << 20; // beyond every value a position can have

// The table: buckets of three entries, one cache line each. An entry holds
// its whole board, so a hit is never another position; the remaining depth
// must match as well, because a position's value depends on how deep it is
// searched. 4 MB: a sixteenth of it made up to twice the nodes, and four
// times as much made as many nodes, slower (more cache misses), with one
// thread and with two.
constexpr std::size_t BUCKETS = std::size_t{1} << 16;
// Nodes nearer the depth limit than this are cheaper to search again than
// to look up, and storing them would push out the deep entries whose moves
// order the next iteration.
constexpr int TABLE_MIN_DEPTH = 6;
constexpr int MAX_TABLE_DEPTH = (1 << 16) - 1;
// A board whose stones in play fit in 7 bits fits an entry in every bin,
// for the whole search.
constexpr int MAX_TABLE_STONES = 127;
// Moves that refuted the opponent, remembered per remaining depth.
constexpr int KILLER_DEPTHS = 64;
// Nodes nearer the depth limit than this are not offered to helper threads:
// their moves are searched sooner than a helper could take them, and below
// the table's depths what a helper found would not be kept.
constexpr int SPLIT_MIN_DEPTH = TABLE_MIN_DEPTH + 2;

struct table_entry {
    uint32_t k0lo, k0hi, k1; // bins 0..8, bins 9..12 with the side to move; k1 0: empty
    uint32_t depth_age;      // remaining depth (16 bits), iteration (8) and search (8) that wrote it
    int8_t lo, hi;           // the value lies in [lo, hi]
    int8_t move;             // the best (or refuting) move, -1 none
    uint8_t settled;         // bit 0: lo holds at every greater depth too; bit 1: hi does
};

// The generation that wrote a bucket's entries (another generation's count as
// empty) and, in the top bit, the lock that keeps one thread's reads and
// writes of the entries whole while helper threads share the table.
constexpr uint32_t LOCKED = 1u << 31;

struct alignas(64) table_bucket {
    table_entry e[3];
    uint32_t gen_lock; // only ever used atomically: zeroed memory is an empty bucket
};

inline std::atomic_ref<uint32_t> lock_word(table_bucket* b)
{
    return std::atomic_ref<uint32_t>(b->gen_lock);
}

// Locks a bucket and returns its generation. Two threads rarely want the same
// one of 65,536 buckets, and then only for a few reads.
inline uint32_t lock_bucket(table_bucket* b)
{
    for (;;) {
        uint32_t v = lock_word(b).load(std::memory_order_relaxed);
        if (!(v & LOCKED) && lock_word(b).compare_exchange_weak(v, v | LOCKED, std::memory_order_acquire))
            return v;
        std::this_thread::yield(); // the holder may be waiting for this core
    }
}
inline void unlock_bucket(table_bucket* b, uint32_t gen)
{
    lock_word(b).store(gen, std::memory_order_release);
}

// The table kept for the whole run. The program makes one search at a time,
// so one table allocated once serves them all, and its entries carry over
// from one move of a game to the next: an entry is a position with its
// remaining depth, so it stays exact as long as the rules and the number of
// stones are the same. A search that finds it in use allocates a table of
// its own for the call.
struct kept_table {
    std::atomic<bool> busy{false};
    void* raw = nullptr; // null until a search first needs it
    table_bucket* table = nullptr;
    uint32_t gen = 0;  // of the entries it holds; 0 in new memory
    bool caps = false; // the empty-capture rule they were found with
    int total = -1;    // stones in play: bin 13 is not in the key
    uint8_t age = 0;   // searches so far, which the entries are stamped with
};
kept_table g_kept;
std::atomic<bool> g_clear_kept{false};

// Zeroed memory for a table, aligned to its buckets; null without memory.
table_bucket* alloc_table(void** raw)
{
    // calloc: pages the search never reaches cost nothing.
    *raw = std::calloc(BUCKETS * sizeof(table_bucket) + alignof(table_bucket), 1);
    if (!*raw)
        return nullptr;
    const auto addr = reinterpret_cast<std::uintptr_t>(*raw);
    return reinterpret_cast<table_bucket*>((addr + alignof(table_bucket) - 1) &
                                           ~(std::uintptr_t{alignof(table_bucket)} - 1));
}

// One search's use of a table: the kept one if it is free, else its own,
// else none.
class table_lease {
public:
    table_lease(bool caps, int total)
    {
        if (g_table_fail.load(std::memory_order_relaxed))
            return;
        if (!g_kept.busy.exchange(true, std::memory_order_acquire)) {
            if (!g_kept.table)
                g_kept.table = alloc_table(&g_kept.raw);
            if (g_kept.table) {
                if (g_clear_kept.exchange(false) || g_kept.gen == 0 || caps != g_kept.caps ||
                    total != g_kept.total) {
                    if (++g_kept.gen == LOCKED) { // the stamps ran out: clear them once
                        for (std::size_t i = 0; i < BUCKETS; ++i)
                            lock_word(&g_kept.table[i]).store(0, std::memory_order_relaxed);
                        g_kept.gen = 1;
                    }
                    g_kept.caps = caps;
                    g_kept.total = total;
                }
                table = g_kept.table;
                gen = g_kept.gen;
                age = g_kept.age;
                kept_ = true;
                return;
            }
            g_kept.busy.store(false, std::memory_order_release);
        }
        table = alloc_table(&own_);
    }
    ~table_lease()
    {
        if (kept_) {
            g_kept.age = static_cast<uint8_t>(age + 1);
            g_kept.busy.store(false, std::memory_order_release);
        } else {
            std::free(own_);
        }
    }
    table_lease(const table_lease&) = delete;
    table_lease& operator=(const table_lease&) = delete;

    table_bucket* table = nullptr;
    uint32_t gen = 1;
    uint8_t age = 0;

private:
    bool kept_ = false;
    void* own_ = nullptr;
};

// The board padded to 16 values, so that a move is whole-vector adds.
struct alignas(64) padded_board {
    int32_t b[14];
    int32_t turn;
    int32_t pad;
};

// Sowing by table: what `s` stones sown from a bin add to each place is a
// whole lap (s / 13 on each of the mover's 13 places) plus one on each of
// the next s % 13 places. steps[bin][q] holds those q places and
// last[bin][q] the place of the last stone; lap[side] the 13 places.
struct sow_tables {
    alignas(64) int32_t steps[14][13][16] = {};
    alignas(64) int32_t lap[2][16] = {};
    int8_t last[14][13] = {};

    sow_tables()
    {
        for (int bin = 0; bin < 14; ++bin) {
            last[bin][0] = static_cast<int8_t>(bin);
            int p = bin;
            for (int q = 1; q < 13; ++q) {
                p = next_place(bin, p);
                for (int i = 0; i < 16; ++i)
                    steps[bin][q][i] = steps[bin][q - 1][i];
                steps[bin][q][p] = 1;
                last[bin][q] = static_cast<int8_t>(p);
            }
        }
        for (int i = 0; i < 14; ++i) {
            lap[0][i] = i != TOP_STORE;
            lap[1][i] = i != BOTTOM_STORE;
        }
    }
};
const sow_tables SOW_TABLES;

// moves::sow_bins on a padded board, for the search's inner loop: the same
// last-stone rule, the stones laid by table instead of one by one.
inline moves::sow_end sow_fast(padded_board& c, int bin, bool empty_caps)
{
    const bool bottom = bin < BOTTOM_STORE;
    const int s = c.b[bin];
    c.b[bin] = 0;
    int q = s, laps = 0;
    if (s >= 13) {
        laps = s / 13;
        q = s - 13 * laps;
    }
    const int32_t* step = SOW_TABLES.steps[bin][q];
    int32_t* b = c.b;
    if (laps == 0) {
        for (int i = 0; i < 16; ++i)
            b[i] += step[i];
    } else {
        const int32_t* lap = SOW_TABLES.lap[bottom ? 0 : 1];
        for (int i = 0; i < 16; ++i)
            b[i] += step[i] + laps * lap[i];
    }
    return moves::last_stone(b, bin, SOW_TABLES.last[bin][q], empty_caps);
}

// A search result, read by the fail-soft rules: at or below the window it is
// an upper bound, at or above a lower bound, inside it the exact value.
// `settled`: it holds at every greater depth as well, because no line it
// rests on was cut off by the depth.
struct outcome {
    int v;
    bool settled;
};

using moves::is_over;
using moves::row_empty;
using moves::top_total;

inline uint64_t mix(uint64_t x)
{
    x ^= x >> 31;
    x *= 0x7fb5d329728ea185ULL;
    x ^= x >> 27;
    x *= 0x81dadef4bc2dd44dULL;
    x ^= x >> 33;
    return x;
}

// Stones of the sowing window [a, b] of places that fall in [lo, hi].
inline int overlap(int a, int b, int lo, int hi)
{
    const int n = std::min(b, hi) - std::max(a, lo) + 1;
    return n > 0 ? n : 0;
}

// Puts `move` with `key` into the first n places of the two arrays, which
// stay ordered with the keys for which before(key, other) holds first;
// equal keys keep the order they came in.
template <typename before_fn>
inline void insert_sorted(int* keys, int* moves, int n, int key, int move, before_fn before)
{
    int k = n;
    while (k > 0 && before(key, keys[k - 1])) {
        keys[k] = keys[k - 1];
        moves[k] = moves[k - 1];
        --k;
    }
    keys[k] = key;
    moves[k] = move;
}

// What the table knows of a position at a remaining depth: the value lies
// in [lo, hi] (found: the entries told more than the stores do), and the
// move to try first.
struct probe_result {
    table_bucket* bucket = nullptr;
    uint64_t k0 = 0;
    uint32_t k1 = 0;
    int lo = -INF, hi = INF;
    bool lo_settled = false, hi_settled = false, found = false;
    int hint = -1;
};

// Splitting the work with helper threads. The calling thread searches
// every node itself, but when it has searched the first move of a node on
// its main line (the root, or a node searched with an open window), the
// node's other moves, which it will only test against that first value,
// are offered to helpers: they claim moves from the far end and search
// them with the window the calling thread will use, so what they find is in
// the table when it comes to those moves (it takes the claimed ones last).
// One node is offered at a time: the calling thread offers none while it
// searches under an offered one. Each word carries the offer's number, so
// a helper never acts on an offer that has ended.
class split_share {
public:
    // Offers node `p` at remaining depth r, whose moves are `moves`; place
    // 0 is taken. `root`: the windows are the root's. `bound` and `move`:
    // the first window, as set_bound takes them.
    void open(const padded_board& p, int r, const int* moves, int n, bool root, uint8_t age, int bound,
              int move)
    {
        const uint64_t id = seq_.load(std::memory_order_relaxed) + 1; // even: open
        // No offer is open (the number is odd): a helper that sees any of
        // the words below then sees the number change.
        std::atomic_thread_fence(std::memory_order_release);
        uint64_t w0 = 0, w1 = 0;
        for (int i = 0; i < 8; ++i)
            w0 |= static_cast<uint64_t>(p.b[i]) << (8 * i);
        for (int i = 8; i < 14; ++i)
            w1 |= static_cast<uint64_t>(p.b[i]) << (8 * (i - 8));
        w1 |= static_cast<uint64_t>(p.turn == TOP_STORE) << 48 | static_cast<uint64_t>(root) << 49 |
              static_cast<uint64_t>(age) << 56;
        uint64_t shape = static_cast<uint64_t>(static_cast<uint32_t>(r)) << 32 | static_cast<uint64_t>(n);
        for (int k = 0; k < n; ++k)
            shape |= static_cast<uint64_t>(moves[k]) << (4 + 4 * k);
        board0_.store(w0, std::memory_order_relaxed);
        board1_.store(w1, std::memory_order_relaxed);
        shape_.store(shape, std::memory_order_relaxed);
        taken_.store(id << 32 | 1, std::memory_order_relaxed);
        // The window before the offer shows, so that a helper that claims a
        // move always finds it.
        window_.store(window_word(id, bound, move), std::memory_order_relaxed);
        seq_.store(id, std::memory_order_release);
    }
    void close() { seq_.store(seq_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }
    // The window of the offered node as it is now: the bound the other
    // moves are tested against (alpha for the top side, beta for the
    // bottom); at the root the best value and the best move.
    void set_bound(int v, int move = 0)
    {
        window_.store(window_word(seq_.load(std::memory_order_relaxed), v, move), std::memory_order_release);
    }
    // Place k of offer `id`; false when someone has it or the offer ended.
    bool claim(uint64_t id, int k)
    {
        const uint64_t bit = uint64_t{1} << k;
        uint64_t v = taken_.load(std::memory_order_relaxed);
        while (v >> 32 == low32(id) && !(v & bit)) {
            if (taken_.compare_exchange_weak(v, v | bit, std::memory_order_relaxed))
                return true;
        }
        return false;
    }
    uint64_t offer() const { return seq_.load(std::memory_order_relaxed); }
    // The place the calling thread is searching in the offered node.
    void set_current(int k)
    {
        current_.store(offer() << 32 | static_cast<uint64_t>(k), std::memory_order_relaxed);
    }
    int current(uint64_t id) const
    {
        const uint64_t c = current_.load(std::memory_order_relaxed);
        return c >> 32 == low32(id) ? static_cast<int>(c & 0xFF) : -1;
    }

    struct view {
        uint64_t id;
        padded_board p;
        int r, n;
        int moves[6];
        bool root;
        uint8_t age; // of the iteration
    };
    // The node offered now; false when none is.
    bool read(view& v) const
    {
        const uint64_t id = seq_.load(std::memory_order_acquire);
        if (id & 1)
            return false;
        const uint64_t w0 = board0_.load(std::memory_order_relaxed);
        const uint64_t w1 = board1_.load(std::memory_order_relaxed);
        const uint64_t shape = shape_.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (seq_.load(std::memory_order_relaxed) != id)
            return false;
        v.id = id;
        v.p = padded_board{};
        for (int i = 0; i < 8; ++i)
            v.p.b[i] = static_cast<int32_t>(w0 >> (8 * i) & 0xFF);
        for (int i = 8; i < 14; ++i)
            v.p.b[i] = static_cast<int32_t>(w1 >> (8 * (i - 8)) & 0xFF);
        v.p.turn = (w1 >> 48 & 1) ? TOP_STORE : BOTTOM_STORE;
        v.root = (w1 >> 49) & 1;
        v.age = static_cast<uint8_t>(w1 >> 56);
        v.r = static_cast<int>(shape >> 32);
        v.n = static_cast<int>(shape & 0xF);
        for (int k = 0; k < v.n; ++k)
            v.moves[k] = static_cast<int>(shape >> (4 + 4 * k) & 0xF);
        return true;
    }
    // The bound of offer `id` and, at the root, the best move.
    bool bound(uint64_t id, int* v, int* move) const
    {
        const uint64_t w = window_.load(std::memory_order_acquire);
        if (w >> 32 != low32(id))
            return false;
        const uint32_t x = static_cast<uint32_t>(w) & 0xFFFFFF;
        *v = static_cast<int>(x << 8) >> 8; // 24 bits, signed
        *move = static_cast<int>(w >> 24 & 0xFF);
        return true;
    }

private:
    // The words below carry the offer's number in their top half. (After
    // 2^32 offers an old claim could pass for a new one: a helper would
    // then search a move twice or not at all, never wrongly.)
    static uint64_t low32(uint64_t id) { return id & 0xFFFFFFFF; }
    static uint64_t window_word(uint64_t id, int v, int move)
    {
        return id << 32 | static_cast<uint64_t>(static_cast<uint8_t>(move)) << 24 |
               (static_cast<uint32_t>(v) & 0xFFFFFF);
    }
    std::atomic<uint64_t> seq_{1}; // odd: no offer
    std::atomic<uint64_t> board0_{0}, board1_{0}, shape_{0}, taken_{0}, window_{0}, current_{0};
};

class deep_search {
public:
    // `quit`: set when the search is no longer wanted (the calling thread
    // has its answer). `all_ties`: every best root move is wanted, not only
    // the one played without random moves. `share`: the work shared with
    // helper threads, if any; `helper`: this is one of them.
    deep_search(bool empty_caps, int total, bool bounded, table_bucket* table, uint32_t gen,
                uint8_t search_age, const std::atomic<bool>* quit, bool all_ties, split_share* share,
                bool helper)
        : caps_(empty_caps), total_(total), bounded_(bounded), table_(table), gen_(gen),
          search_age_(search_age), quit_(quit), all_ties_(all_ties), share_(share), helper_(helper)
    {
        std::memset(killer_, -1, sizeof killer_);
    }

    // Searches the root to remaining depth d (at least 1): the exact value of
    // every move that can tie the best (without all_ties, of the farthest
    // best move), a bound for the others. False when the search was
    // abandoned.
    bool root(const padded_board& p, int d);
    // A helper thread's work, until quit: the moves the calling thread
    // offers.
    void help();

    // After root(): the best value, the best moves (without all_ties, only
    // the farthest from the store), and whether that answer holds at every
    // greater depth.
    int best = 0;
    int ties[6] = {};
    int nties = 0;
    bool settled = false;

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
    const bool all_ties_;
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

// Plays move m from p and values the child: a move that ended the game and a
// child at the depth limit are leaves; any other child is searched.
inline outcome deep_search::child_value(const padded_board& p, int m, int r, int alpha, int beta)
{
    padded_board c = p;
    ++nodes;
    const int other = other_side(p.turn);
    const moves::sow_end end = sow_fast(c, m, caps_);
    if (end == moves::SOW_PLAIN) {
        c.turn = other;
    } else {
        const int h = top_total(c.b);
        if (is_over(c.b, h))
            return {h, true};
        c.turn = end == moves::SOW_EXTRA_TURN ? p.turn : other;
    }
    if (r <= 1) {
        // A side with no stones would make no move at any greater depth.
        return {top_total(c.b), row_empty(c.b, first_bin(c.turn))};
    }
    return search(c, r - 1, alpha, beta);
}

// The value of a node one move above the depth limit, whose moves are all
// leaves: each move is valued by counting where its stones fall along the
// sowing path, and the capture rule is applied to those counts, without
// sowing it on a copy (the one place the rules are restated, for speed: the
// deepest level is most of the search). Boards with no negative bin only.
//
// The mover sows over 13 places, numbered here from its own row: its bins
// 0..5, its store 6, the other side's bins 7..12 in sowing order. Own place
// t faces place 12 - t.
outcome deep_search::last_ply(const padded_board& p, int alpha, int beta)
{
    const int32_t* b = p.b;
    const bool top = p.turn == TOP_STORE;
    const int own = first_bin(p.turn);
    const int other = top ? 0 : 7;
    const int own_sum = b[own] + b[own + 1] + b[own + 2] + b[own + 3] + b[own + 4] + b[own + 5];
    const int other_sum = b[other] + b[other + 1] + b[other + 2] + b[other + 3] + b[other + 4] + b[other + 5];
    const int h = top_total(b);

    int best = top ? -INF : INF;
    bool all_settled = true;
    for (int j = 0; j < 6; ++j) {
        const int s = b[own + j];
        if (s <= 0)
            continue;
        ++nodes;
        // Whole laps put a stone on every place; the rest fall on places
        // j+1 .. j+q, wrapping past place 12.
        const int laps = s / 13, q = s % 13;
        int own_land = 6 * laps, other_land = 6 * laps;
        if (q > 0) {
            const int end = j + q;
            own_land += overlap(j + 1, std::min(end, 12), 0, 5);
            other_land += overlap(j + 1, std::min(end, 12), 7, 12);
            if (end > 12)
                own_land += overlap(0, end - 13, 0, 5);
        }
        auto landed = [&](int t) { // stones this move drops on place t
            int d = t - j;
            if (d <= 0)
                d += 13;
            return laps + (d <= q ? 1 : 0);
        };

        // Stones that cross to the other row leave the mover's total.
        int own_after = own_sum - s + own_land;
        int other_after = other_sum + other_land;
        int v = top ? h - other_land : h + other_land;
        const int last = (j + s) % 13;
        bool scored = last == 6; // in the own store: an extra turn
        if (last < 6) {
            const int at = (last == j ? 0 : b[own + last]) + landed(last);
            const int f = 12 - last;
            const int facing = b[top ? f - 7 : f] + landed(f);
            if (at == 1 && (facing > 0 || caps_)) {
                own_after -= 1;
                other_after -= facing;
                v += top ? facing : -facing;
                scored = true;
            }
        }
        // After an extra turn or a capture the game is over when a row is
        // empty. After a plain move the other side moves, and with no
        // stones it has no move at any depth.
        const bool settled = scored ? (own_after <= 0 || other_after <= 0) : other_after <= 0;

        if (top ? v > best : v < best) {
            best = v;
            if (top ? best >= beta : best <= alpha)
                return {best, settled};
        }
        all_settled = all_settled && settled;
    }
    return {best, all_settled};
}

// Fills `moves` with the side's moves, the likeliest best first: the table's
// move, moves ending in the own store (the one nearest the store first, so
// it leaves the others' counts alone), captures by their size, this depth's
// killers, then by how often each bin refuted the opponent.
int deep_search::order(const padded_board& p, int hint, int r, int* moves) const
{
    const int32_t* b = p.b;
    const int first = first_bin(p.turn);
    const int8_t* killer = r < KILLER_DEPTHS ? killer_[r] : nullptr;
    int score[6];
    int n = 0;
    for (int i = first; i < first + 6; ++i) {
        const int s = b[i];
        if (s <= 0)
            continue;
        const int to_store = p.turn - i;
        int sc = history_[i];
        if (i == hint) {
            sc = INT_MAX;
        } else if (s == to_store) {
            sc = (1 << 29) + i;
        } else if (s < to_store && b[i + s] == 0 && b[opposite[i + s]] > 0) {
            sc = (1 << 28) + b[opposite[i + s]];
        } else if (s == 13) { // a lap ends in the emptied bin and captures
            sc = (1 << 28) + b[opposite[i]] + 1;
        } else if (killer && killer[0] == i) {
            sc = (1 << 27) + 1;
        } else if (killer && killer[1] == i) {
            sc = 1 << 27;
        }
        insert_sorted(score, moves, n++, sc, i, [](int a, int b) { return a > b; });
    }
    return n;
}

outcome deep_search::search(const padded_board& p, int r, int alpha, int beta)
{
    if ((++poll_ & 255) == 0 && (search_stop_requested() || quit_->load(std::memory_order_relaxed) ||
                                 (helping_ && share_->offer() != helping_)))
        stopped = true;
    if (stopped)
        return {0, false};

    const int32_t* b = p.b;
    const bool top = p.turn == TOP_STORE;
    if (row_empty(b, first_bin(p.turn)))
        return {top_total(b), true};

    // Stores never lose stones: the top side ends with at least its store,
    // and at most what is not in the bottom side's store.
    if (bounded_) {
        const int low = b[TOP_STORE], high = total_ - b[BOTTOM_STORE];
        if (low >= beta)
            return {low, true};
        if (high <= alpha)
            return {high, true};
        if (r == 1)
            return last_ply(p, alpha, beta);
    }

    probe_result q;
    int hint = -1;
    bool window_settled = true;
    if (table_ && r >= TABLE_MIN_DEPTH && r <= MAX_TABLE_DEPTH) {
        probe(p, r, q);
        hint = q.hint;
        if (q.found) {
            if (q.lo >= beta)
                return {q.lo, q.lo_settled};
            if (q.hi <= alpha)
                return {q.hi, q.hi_settled};
            if (q.lo == q.hi)
                return {q.lo, q.lo_settled && q.hi_settled};
            if (q.lo > alpha) {
                alpha = q.lo;
                window_settled = q.lo_settled;
            }
            if (q.hi < beta) {
                beta = q.hi;
                window_settled = window_settled && q.hi_settled;
            }
        }
    }

    int moves[6];
    const int n = order(p, hint, r, moves);
    const int a0 = alpha, b0 = beta;
    int best = top ? -INF : INF;
    int best_move = -1;
    bool settled = true;
    // On the main line the moves after the first are offered to helpers;
    // the ones they took come last.
    const bool may_offer = share_ && !helper_ && !offered_ && r >= SPLIT_MIN_DEPTH && n > 1;
    offer_guard offer{may_offer ? this : nullptr};
    int later[6];
    int nlater = 0;
    for (int i = 0; i < n + nlater; ++i) {
        const int k = i < n ? i : later[i - n];
        if (i == 1 && may_offer && beta - alpha > 1)
            offer.open(p, r, moves, n, false, top ? alpha : beta);
        if (offer.id && i > 0 && i < n && !share_->claim(offer.id, k)) {
            later[nlater++] = k;
            continue;
        }
        if (offer.id)
            share_->set_current(k);
        const int m = moves[k];
        outcome o;
        if (i == 0) {
            o = child_value(p, m, r, alpha, beta);
        } else if (top) {
            // The first move is likely the best: the others are only tested
            // against it, and searched in full when they beat it.
            o = child_value(p, m, r, alpha, alpha + 1);
            if (!stopped && o.v > alpha && o.v < beta)
                o = child_value(p, m, r, alpha, beta);
        } else {
            o = child_value(p, m, r, beta - 1, beta);
            if (!stopped && o.v < beta && o.v > alpha)
                o = child_value(p, m, r, alpha, beta);
        }
        if (stopped)
            return {0, false};

        if (top ? o.v > best : o.v < best) {
            best = o.v;
            best_move = m;
        }
        if (top ? best >= beta : best <= alpha) {
            // A refutation rests on this one move alone.
            settled = o.settled;
            if (r < KILLER_DEPTHS && killer_[r][0] != m) {
                killer_[r][1] = killer_[r][0];
                killer_[r][0] = static_cast<int8_t>(m);
            }
            history_[m] += r < 1000 ? r * r : 1000000;
            if (history_[m] > (1 << 26))
                for (int& h : history_)
                    h >>= 1;
            break;
        }
        settled = settled && o.settled;
        if (top)
            alpha = std::max(alpha, best);
        else
            beta = std::min(beta, best);
        if (offer.id)
            share_->set_bound(top ? alpha : beta);
    }
    // A value just outside a window the table narrowed is exact only with
    // the table's bound.
    settled = settled && window_settled;

    if (q.bucket) {
        // A side of the window the search did not settle keeps the bound
        // the stores give, which holds at every depth.
        int lo = b[TOP_STORE], hi = total_ - b[BOTTOM_STORE];
        bool lo_settled = true, hi_settled = true;
        if (best > a0) {
            lo = best;
            lo_settled = settled;
        }
        if (best < b0) {
            hi = best;
            hi_settled = settled;
        }
        store(q.bucket, q.k0, q.k1, r, lo, lo_settled, hi, hi_settled, best > a0 ? best_move : -1);
    }
    return {best, settled};
}

void deep_search::probe(const padded_board& p, int r, probe_result& q)
{
    const int32_t* b = p.b;
    for (int i = 0; i < 9; ++i)
        q.k0 |= static_cast<uint64_t>(b[i]) << (7 * i);
    q.k1 = static_cast<uint32_t>(b[9]) | static_cast<uint32_t>(b[10]) << 7 |
           static_cast<uint32_t>(b[11]) << 14 | static_cast<uint32_t>(b[12]) << 21 |
           static_cast<uint32_t>(p.turn == TOP_STORE) << 28 | 1u << 29;
    q.bucket = &table_[mix(q.k0 ^ (static_cast<uint64_t>(q.k1) << 35) ^ q.k1) & (BUCKETS - 1)];
    ++probes;

    int hint_depth = -1;
    const uint32_t gen = lock_bucket(q.bucket);
    const int nentries = gen == gen_ ? 3 : 0; // another generation's entries count as empty
    for (int i = 0; i < nentries; ++i) {
        const table_entry& e = q.bucket->e[i];
        if (e.k1 != q.k1 || e.k0lo != static_cast<uint32_t>(q.k0) ||
            e.k0hi != static_cast<uint32_t>(q.k0 >> 32))
            continue;
        const int d = static_cast<int>(e.depth_age & 0xFFFF);
        // The move of this depth's search, else of the deepest one.
        if (e.move >= 0 && (d == r || (hint_depth != r && d > hint_depth))) {
            q.hint = e.move;
            hint_depth = d;
        }
        // Bounds found at this depth hold here; settled ones from a
        // shallower search hold at every greater depth.
        const bool lo_ok = d == r || (d < r && (e.settled & 1));
        const bool hi_ok = d == r || (d < r && (e.settled & 2));
        if (lo_ok && e.lo >= q.lo) {
            q.lo_settled = (e.lo == q.lo && q.lo_settled) || (e.settled & 1);
            q.lo = e.lo;
            q.found = q.found || d == r || q.lo > b[TOP_STORE];
        }
        if (hi_ok && e.hi <= q.hi) {
            q.hi_settled = (e.hi == q.hi && q.hi_settled) || (e.settled & 2);
            q.hi = e.hi;
            q.found = q.found || d == r || q.hi < total_ - b[BOTTOM_STORE];
        }
    }
    unlock_bucket(q.bucket, gen);
    hits += q.found;
}

void deep_search::store(table_bucket* bucket, uint64_t k0, uint32_t k1, int r, int lo, bool lo_settled,
                        int hi, bool hi_settled, int move)
{
    const uint32_t k0lo = static_cast<uint32_t>(k0), k0hi = static_cast<uint32_t>(k0 >> 32);
    const uint32_t depth_age = static_cast<uint32_t>(r) | static_cast<uint32_t>(age_) << 16 |
                               static_cast<uint32_t>(search_age_) << 24;
    struct unlock_at_end {
        table_bucket* b;
        uint32_t gen;
        ~unlock_at_end() { unlock_bucket(b, gen); }
    } lock{bucket, gen_};
    if (lock_bucket(bucket) != gen_) {
        for (table_entry& e : bucket->e)
            e.k1 = 0;
    }
    table_entry* slot = nullptr;
    for (table_entry& e : bucket->e) {
        if (e.k1 != k1 || e.k0lo != k0lo || e.k0hi != k0hi)
            continue;
        if (static_cast<int>(e.depth_age & 0xFFFF) == r) {
            // The old and the new bounds both hold: keep the narrower of each.
            if (lo > e.lo) {
                e.lo = static_cast<int8_t>(lo);
                e.settled = static_cast<uint8_t>((e.settled & ~1u) | (lo_settled ? 1u : 0u));
            } else if (lo == e.lo && lo_settled) {
                e.settled |= 1;
            }
            if (hi < e.hi) {
                e.hi = static_cast<int8_t>(hi);
                e.settled = static_cast<uint8_t>((e.settled & ~2u) | (hi_settled ? 2u : 0u));
            } else if (hi == e.hi && hi_settled) {
                e.settled |= 2;
            }
            if (move >= 0)
                e.move = static_cast<int8_t>(move);
            e.depth_age = depth_age;
            return;
        }
        slot = &e; // the same position at another depth: the newer search replaces it
    }
    if (slot) {
        if (move < 0)
            move = slot->move;
    } else {
        // An empty entry, else one of an earlier search, else the
        // shallowest, of an earlier iteration first: a deep entry saves the
        // most work, and its move orders the next iteration, which has not
        // come to it yet.
        long worst = LONG_MAX;
        for (table_entry& e : bucket->e) {
            const long worth = e.k1 == 0 ? -1
                                         : ((e.depth_age >> 24) == search_age_ ? 1L << 20 : 0) +
                                               2 * static_cast<long>(e.depth_age & 0xFFFF) +
                                               ((e.depth_age >> 16 & 0xFF) == age_ ? 1 : 0);
            if (worth < worst) {
                worst = worth;
                slot = &e;
            }
        }
    }
    slot->k0lo = k0lo;
    slot->k0hi = k0hi;
    slot->k1 = k1;
    slot->depth_age = depth_age;
    slot->lo = static_cast<int8_t>(lo);
    slot->hi = static_cast<int8_t>(hi);
    slot->move = static_cast<int8_t>(move);
    slot->settled = static_cast<uint8_t>((lo_settled ? 1u : 0u) | (hi_settled ? 2u : 0u));
}

// The window a root move after the first is searched with, given the best
// value and move so far: only a move that can reach the best needs its exact
// value, so the window ends one short of the best on the losing side and is
// open on the other; a result that reaches the best is exact and one that
// does not is a bound that proves it. Without random moves only the
// farthest of the best moves (the lowest bin) is played, so a nearer one
// needs its value only when it beats the best.
inline void root_window(bool top, bool all_ties, int best, int best_move, int m, int* alpha, int* beta)
{
    const int need = all_ties || m < best_move ? 1 : 0;
    *alpha = top ? best - need : -INF;
    *beta = top ? INF : best + need;
}

bool deep_search::root(const padded_board& p, int d)
{
    age_ = static_cast<uint8_t>(d);
    const bool top = p.turn == TOP_STORE;
    if (nroot_ == 0)
        nroot_ = order(p, -1, KILLER_DEPTHS, root_moves_);

    int value[6];
    best = top ? -INF : INF;
    nties = 0;
    settled = true;
    // Moves a helper took are searched last, when their values are likely
    // in the table.
    int later[6];
    int nlater = 0;
    offer_guard offer{share_ ? this : nullptr};
    for (int i = 0; i < nroot_ + nlater; ++i) {
        const int k = i < nroot_ ? i : later[i - nroot_];
        if (i == 1 && offer.s)
            offer.open(p, d, root_moves_, nroot_, true, best, ties[0]);
        if (offer.id && i > 0 && i < nroot_ && !share_->claim(offer.id, k)) {
            later[nlater++] = k;
            continue;
        }
        if (offer.id)
            share_->set_current(k);
        const int m = root_moves_[k];
        int alpha = -INF, beta = INF;
        if (nties > 0)
            root_window(top, all_ties_, best, ties[0], m, &alpha, &beta);
        const outcome o = child_value(p, m, d, alpha, beta);
        if (stopped)
            return false;
        value[k] = o.v;
        settled = settled && o.settled;
        if (nties == 0 || (top ? o.v > best : o.v < best)) {
            best = o.v;
            nties = 0;
        }
        if (o.v == best) {
            if (all_ties_ || nties == 0)
                ties[nties++] = m;
            else if (m < ties[0])
                ties[0] = m;
        }
        if (offer.id)
            share_->set_bound(best, ties[0]);
    }

    // The next iteration tries the best moves first.
    for (int k = 1; k < nroot_; ++k)
        insert_sorted(value, root_moves_, k, value[k], root_moves_[k],
                      [top](int a, int b) { return top ? a > b : a < b; });
    return true;
}

void deep_search::help()
{
    uint64_t working = 0; // the offer worked on
    int next = 0;         // the next place to try to claim in it
    int alongside = -1;   // the place last searched alongside the calling thread
    split_share::view v;
    while (!quit_->load(std::memory_order_relaxed) && !search_stop_requested()) {
        if (!share_->read(v)) {
            std::this_thread::yield();
            continue;
        }
        if (v.id != working) {
            working = v.id;
            next = v.n - 1;
            alongside = -1;
        }
        int k = -1;
        for (; next > 0 && k < 0; --next) {
            if (share_->claim(v.id, next))
                k = next;
        }
        if (k < 0) {
            // Nothing left to take: search the calling thread's move with it,
            // through the table.
            const int c = share_->current(v.id);
            if (c <= 0 || c == alongside) {
                std::this_thread::yield();
                continue;
            }
            k = alongside = c;
        }
        int bound = 0, move = 0;
        if (!share_->bound(v.id, &bound, &move))
            continue;
        helping_ = v.id;
        age_ = v.age;
        stopped = false;
        const bool top = v.p.turn == TOP_STORE;
        int alpha = bound - 1, beta = bound + 1;
        if (v.root)
            root_window(top, all_ties_, bound, move, v.moves[k], &alpha, &beta);
        else if (top)
            alpha = bound;
        else
            beta = bound;
        child_value(v.p, v.moves[k], v.r, alpha, beta);
    }
    helping_ = 0;
}

// Iterative deepening to remaining depth r: each iteration leaves in the
// table the moves that order the next. Steps of two: a depth and the one
// after it favour opposite sides, and the moves that were best two levels
// shallower order the next iteration better than the last one's. True when
// the answer is found (at depth r, or settled: no depth cut it off).
bool deepen(deep_search& s, const padded_board& p, int r, int* reached)
{
    for (int d = 2 - r % 2;; d = d < r - 2 ? d + 2 : r) {
        if (!s.root(p, d))
            return false;
        *reached = d;
        if (d == r || s.settled)
            return true;
    }
}

// Search threads: the machine's, or fewer by WKIVARI_SEARCH_THREADS, or
// what a test forces.
std::atomic<int> g_threads_forced{0};
std::atomic<int> g_thread_fail{0};

int search_threads()
{
    if (const int forced = g_threads_forced.load(std::memory_order_relaxed); forced > 0)
        return forced;
    const int machine = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const char* env = std::getenv("WKIVARI_SEARCH_THREADS");
    if (!env)
        return machine;
    char* end = nullptr;
    const long n = std::strtol(env, &end, 10);
    return end != env && *end == '\0' && n >= 1 ? static_cast<int>(std::min<long>(n, machine)) : machine;
}

} // namespace

void deep_threads_force(int n)
{
    g_threads_forced.store(n, std::memory_order_relaxed);
}

void deep_thread_fail(int n)
{
    g_thread_fail.store(n, std::memory_order_relaxed);
}

void deep_table_clear()
{
    g_clear_kept.store(true);
}

void deep_table_fail(bool fail)
{
    g_table_fail.store(fail, std::memory_order_relaxed);
}

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
    struct helper {
        std::thread t;
        std::optional<deep_search> s;
    };
    const int want = table ? search_threads() : 1;
    std::vector<helper> helpers;
    try {
        helpers.reserve(static_cast<std::size_t>(want - 1));
    } catch (const std::bad_alloc&) {
    }
    for (int i = 1; i < want && helpers.size() < helpers.capacity(); ++i) {
        helper& h = helpers.emplace_back();
        h.s.emplace(caps, total, bounded, table, gen, age, &quit, random_moves, &share, true);
        try {
            if (g_thread_fail.load(std::memory_order_relaxed) > 0 && g_thread_fail.fetch_sub(1) > 0)
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            h.t = std::thread([&s = *h.s] { s.help(); });
        } catch (const std::system_error&) { // one thread fewer
            helpers.pop_back();
        }
    }

    deep_search s(caps, total, bounded, table, gen, age, &quit, random_moves,
                  helpers.empty() ? nullptr : &share, false);
    const bool done = deepen(s, p, r, &st.depth_reached);
    quit.store(true, std::memory_order_relaxed);
    st.threads = 1 + static_cast<int>(helpers.size());
    st.nodes = s.nodes;
    st.probes = s.probes;
    st.hits = s.hits;
    for (helper& h : helpers) {
        h.t.join();
        st.nodes += h.s->nodes;
        st.probes += h.s->probes;
        st.hits += h.s->hits;
    }
    helpers.clear();
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
