// The exact solver: MTD(f) over a null-window alpha-beta search to the
// game's end, with a table of proven bounds and the endgame table below N.
#include "engine/exact/solver.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <new>

#include "engine/exact/board.h"

namespace {

using steady = std::chrono::steady_clock;

// The clock and the stop flag are read once per this many positions: often
// enough to stop within a millisecond, rarely enough to cost nothing.
constexpr long long POLL_EVERY = 4096;
constexpr int DEFAULT_MEGABYTES = 64;

struct search {
    exact_solver& s;
    std::size_t bucket_mask;
    const int8_t* table; // the endgame table's margins, or null
    int table_stones;    // its N; -1 without one
    bool empty_caps;
    bool has_deadline;
    steady::time_point deadline;
    const std::atomic<bool>* stop;
    long long nodes = 0;
    bool aborted = false;
};

uint64_t hash_of(const exact::board& p)
{
    uint64_t a = 0;
    uint32_t b = 0;
    std::memcpy(&a, p.b, 8);
    std::memcpy(&b, p.b + 8, 4);
    uint64_t h = a * 0x9e3779b97f4a7c15ull ^ (b + 0x632be59bd9b4e019ull) * 0xc2b2ae3d27d4eb4full;
    h ^= h >> 31;
    h *= 0xbf58476d1ce4e5b9ull;
    return h ^ (h >> 29);
}

exact_entry* bucket_of(search& sr, const exact::board& p)
{
    return &sr.s.entries[(hash_of(p) & sr.bucket_mask) * EXACT_BUCKET];
}

exact_entry* find(search& sr, const exact::board& p)
{
    exact_entry* e = bucket_of(sr, p);
    for (int i = 0; i < EXACT_BUCKET; ++i)
        if (std::memcmp(e[i].bins, p.b, 12) == 0)
            return &e[i];
    return nullptr;
}

// Keeps what a search proved: the entry of the same position narrowed, or
// else the bucket's entry that took the least work to prove replaced.
void store(search& sr, const exact::board& p, int lo, int hi, int move, long long work)
{
    exact_entry* e = bucket_of(sr, p);
    exact_entry* slot = &e[0];
    for (int i = 0; i < EXACT_BUCKET; ++i) {
        if (std::memcmp(e[i].bins, p.b, 12) == 0) {
            slot = &e[i];
            lo = std::max(lo, static_cast<int>(slot->lo));
            hi = std::min(hi, static_cast<int>(slot->hi));
            break;
        }
        if (e[i].work < slot->work)
            slot = &e[i];
    }
    std::memcpy(slot->bins, p.b, 12);
    slot->lo = static_cast<int8_t>(lo);
    slot->hi = static_cast<int8_t>(hi);
    slot->work = static_cast<uint8_t>(std::max<int>(slot->work, std::bit_width(static_cast<uint64_t>(work))));
    slot->move = static_cast<int8_t>(move);
}

void poll(search& sr)
{
    if ((sr.stop && sr.stop->load(std::memory_order_relaxed)) ||
        (sr.has_deadline && steady::now() >= sr.deadline))
        sr.aborted = true;
}

int table_margin(const search& sr, const exact::board& p, int k)
{
    return sr.table[exact::layer_start(k) + exact::rank_in_layer(p, k)];
}

int negamax(search& sr, const exact::board& p, int k, int alpha, int beta);

// The margin of a position whose game goes on, by the endgame table when it
// holds the position, else searched (fail-soft, as negamax).
int value(search& sr, const exact::board& p, int k, int alpha, int beta)
{
    return k <= sr.table_stones ? table_margin(sr, p, k) : negamax(sr, p, k, alpha, beta);
}

struct child {
    exact::board c;
    exact::move_outcome o;
    int bin;
    int order;
};

// Moves that end the game cost nothing to value, so they go first; then the
// move that proved this position before, extra turns, captures, and the
// bins nearest the store.
int order_of(const exact::move_outcome& o, int bin, int remembered)
{
    if (o.kind == exact::MOVE_ENDS)
        return 3000 + o.final_margin;
    if (bin == remembered)
        return 2000;
    if (o.kind == exact::MOVE_AGAIN)
        return 1000 + o.gain;
    return 100 * o.gain + bin;
}

// The margin of `p` (k stones in play, both rows holding stones) as a
// fail-soft alpha-beta: a result at or below alpha is an upper bound, at or
// above beta a lower bound, in between exact.
int negamax(search& sr, const exact::board& p, int k, int alpha, int beta)
{
    if ((sr.nodes++ & (POLL_EVERY - 1)) == 0)
        poll(sr);
    if (sr.aborted)
        return 0;
    int lo = -k, hi = k, remembered = -1;
    if (const exact_entry* e = find(sr, p)) {
        lo = std::max(lo, static_cast<int>(e->lo));
        hi = std::min(hi, static_cast<int>(e->hi));
        remembered = e->move;
    }
    if (lo >= beta || lo == hi)
        return lo;
    if (hi <= alpha)
        return hi;
    const int a0 = std::max(alpha, lo), b0 = std::min(beta, hi);
    child kids[6];
    int n = 0;
    for (int bin = 0; bin < 6; ++bin) {
        if (p.b[bin] == 0)
            continue;
        child& ch = kids[n++];
        ch.c = p;
        ch.o = exact::play(ch.c, bin, sr.empty_caps);
        ch.bin = bin;
        ch.order = order_of(ch.o, bin, remembered);
    }
    for (int i = 1; i < n; ++i) // insertion sort: six at most
        for (int j = i; j > 0 && kids[j].order > kids[j - 1].order; --j)
            std::swap(kids[j], kids[j - 1]);
    const long long nodes_before = sr.nodes;
    int a = a0, best = -EXACT_MAX_STONES - 1, best_move = -1;
    for (int i = 0; i < n && a < b0; ++i) {
        const child& ch = kids[i];
        const int g = ch.o.gain;
        int v = ch.o.final_margin;
        if (ch.o.kind == exact::MOVE_AGAIN)
            v = g + value(sr, ch.c, k - g, a - g, b0 - g);
        else if (ch.o.kind == exact::MOVE_PASSES)
            v = g - value(sr, exact::swapped(ch.c), k - g, g - b0, g - a);
        if (sr.aborted)
            return 0;
        if (v > best) {
            best = v;
            best_move = ch.bin;
        }
        a = std::max(a, best);
    }
    if (best <= a0)
        hi = std::min(hi, best);
    else if (best >= b0)
        lo = std::max(lo, best);
    else
        lo = hi = best;
    store(sr, p, lo, hi, best_move, sr.nodes - nodes_before);
    return best;
}

// MTD(f): null-window searches that close in on the margin of `p` (a game
// that goes on), starting at `guess`. False when the search was stopped,
// with the interval proven so far in [lo, hi].
bool prove(search& sr, const exact::board& p, int k, int guess, int& lo, int& hi)
{
    lo = -k;
    hi = k;
    if (k <= sr.table_stones) {
        lo = hi = table_margin(sr, p, k);
        return true;
    }
    int g = std::clamp(guess, lo, hi);
    while (lo < hi) {
        const int beta = g == lo ? g + 1 : g;
        const int v = negamax(sr, p, k, beta - 1, beta);
        if (sr.aborted)
            return false;
        if (v < beta)
            hi = std::min(hi, v);
        else
            lo = std::max(lo, v);
        g = std::clamp(v, lo, hi);
    }
    return true;
}

// Checks the arguments and readies the solver and the search; 0 or an
// EXACT_* result.
int start(exact_solver& s, const node* n, bool empty_caps, const endgame_table* table, int budget_ms,
          const std::atomic<bool>* stop, search& sr, exact::board& p, int& k)
{
    if (!n || !is_side(n->turn))
        return EXACT_BAD_ARGS;
    k = 0;
    for (int i = 0; i < 14; ++i) {
        if (i == BOTTOM_STORE || i == TOP_STORE)
            continue;
        if (n->bins[i] < 0)
            return EXACT_BAD_ARGS;
        k += n->bins[i];
        if (k > EXACT_MAX_STONES)
            return EXACT_BAD_ARGS;
    }
    if (s.entries.empty() && exact_solver_init(s, DEFAULT_MEGABYTES) != 0)
        return EXACT_NO_MEMORY;
    if (s.rule != (empty_caps ? 1 : 0)) {
        exact_solver_clear(s);
        s.rule = empty_caps ? 1 : 0;
    }
    p = exact::from_bins(n->bins, n->turn);
    sr.bucket_mask = s.entries.size() / EXACT_BUCKET - 1;
    if (table && endgame_max_stones(*table) >= 0 && endgame_empty_caps(*table) == empty_caps) {
        sr.table = reinterpret_cast<const int8_t*>(table->image.data() + ENDGAME_HEADER_SIZE);
        sr.table_stones = endgame_max_stones(*table);
    }
    sr.empty_caps = empty_caps;
    sr.has_deadline = budget_ms >= 0;
    sr.deadline = steady::now() + std::chrono::milliseconds(std::max(budget_ms, 0));
    sr.stop = stop;
    return 0;
}

search blank_search(exact_solver& s)
{
    return search{s, 0, nullptr, -1, false, false, {}, nullptr};
}

} // namespace

int exact_solver_init(exact_solver& s, int megabytes)
{
    std::vector<exact_entry>().swap(s.entries);
    s.rule = -1;
    // Whole buckets, a power of two of them, so a hash picks one by mask.
    const std::size_t wanted = std::size_t(std::max(megabytes, 1)) << 20;
    std::size_t buckets = std::bit_floor(wanted / (sizeof(exact_entry) * EXACT_BUCKET));
    const std::size_t least = (std::size_t{1} << 20) / (sizeof(exact_entry) * EXACT_BUCKET);
    for (; buckets >= least; buckets /= 2) {
        try {
            if (exact::memory_failing())
                throw std::bad_alloc();
            s.entries.assign(buckets * EXACT_BUCKET, exact_entry{});
            return 0;
        } catch (const std::bad_alloc&) {
        }
    }
    return EXACT_NO_MEMORY;
}

void exact_solver_clear(exact_solver& s)
{
    std::fill(s.entries.begin(), s.entries.end(), exact_entry{});
    s.rule = -1;
}

int exact_position_value(exact_solver& s, const node* n, bool empty_caps, const endgame_table* table,
                         int budget_ms, const std::atomic<bool>* stop, int& lo, int& hi)
{
    search sr = blank_search(s);
    exact::board p;
    int k = 0;
    const int result = start(s, n, empty_caps, table, budget_ms, stop, sr, p, k);
    if (result != 0)
        return result;
    const int own = exact::row_sum(p, 0), other = exact::row_sum(p, 6);
    bool proven = true;
    if (own == 0 || other == 0)
        lo = hi = own - other;
    else
        proven = prove(sr, p, k, 0, lo, hi);
    s.nodes = sr.nodes;
    return proven ? 0 : EXACT_NOT_PROVEN;
}

int exact_move_values(exact_solver& s, const node* n, bool empty_caps, const endgame_table* table,
                      int budget_ms, const std::atomic<bool>* stop, exact_move (&out)[6], int& margin)
{
    search sr = blank_search(s);
    exact::board p;
    int k = 0;
    const int result = start(s, n, empty_caps, table, budget_ms, stop, sr, p, k);
    if (result != 0)
        return result;
    exact_move found[6];
    int count = 0, best = exact::row_sum(p, 0) - exact::row_sum(p, 6);
    const bool over = exact::row_sum(p, 0) == 0 || exact::row_sum(p, 6) == 0;
    for (int bin = 0; bin < 6 && !over; ++bin) {
        if (p.b[bin] == 0)
            continue;
        exact::board c = p;
        const exact::move_outcome o = exact::play(c, bin, empty_caps);
        int m = o.final_margin, lo = 0, hi = 0;
        // Guess the child's margin from the best move so far.
        const int guess = count == 0 ? 0 : best;
        if (o.kind == exact::MOVE_AGAIN) {
            if (!prove(sr, c, k - o.gain, guess - o.gain, lo, hi))
                break;
            m = o.gain + lo;
        } else if (o.kind == exact::MOVE_PASSES) {
            if (!prove(sr, exact::swapped(c), k - o.gain, o.gain - guess, lo, hi))
                break;
            m = o.gain - lo;
        }
        best = count == 0 ? m : std::max(best, m);
        found[count++] = {first_bin(n->turn) + bin, m};
    }
    s.nodes = sr.nodes;
    if (sr.aborted)
        return EXACT_NOT_PROVEN;
    std::copy(found, found + count, out);
    margin = best;
    return count;
}
