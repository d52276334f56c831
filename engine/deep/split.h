// The offer protocol between the calling thread of a deep search and its
// helper threads: one node at a time on offer, its moves claimed one by one,
// the window the calling thread tests them with, and the move it searches
// now. Lock-free words that each carry the offer's number, so a helper that
// reads an ended offer finds out and acts on nothing of it. Relies on boards
// whose bins fit 8 bits and on at most six moves.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/deep/board.h"
#include "engine/deep/table.h"

namespace deep {

// Nodes nearer the depth limit than this are not offered to helper threads:
// their moves are searched sooner than a helper could take them, and below
// the table's depths what a helper found would not be kept.
constexpr int SPLIT_MIN_DEPTH = TABLE_MIN_DEPTH + 2;

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

} // namespace deep
