// The deep search's table of positions already searched: its entries and
// buckets, the bucket locks, and the lease by which a search gets a table
// (the one kept between searches, or one of its own). An entry is a whole
// board, the side to move and a remaining depth, with bounds on the value
// and the move that found them; a bucket's entries count only for the
// generation it was written in. Relies on boards whose bins fit 7 bits
// (MAX_TABLE_STONES). The look-up and the store are deep_search's, in
// probe.h.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

#include "engine/deep/board.h"

namespace deep {

// The table: buckets of three entries, one cache line each. An entry holds
// its whole board, so a hit is never another position; the remaining depth
// must match as well, because a position's value depends on how deep it is
// searched. 4 MB: a smaller table loses entries the search needs again, a
// larger one costs more in cache misses than it saves (bench/NOTES.md).
constexpr std::size_t BUCKETS = std::size_t{1} << 16;
// Nodes nearer the depth limit than this are cheaper to search again than
// to look up, and storing them would push out the deep entries whose moves
// order the next iteration.
constexpr int TABLE_MIN_DEPTH = 6;
constexpr int MAX_TABLE_DEPTH = (1 << 16) - 1;
// A board whose stones in play fit in 7 bits fits an entry in every bin,
// for the whole search.
constexpr int MAX_TABLE_STONES = 127;

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

// One search's use of a table: the kept one if it is free, else its own,
// else none (table null).
class table_lease {
public:
    // The kept table's entries stay only when found with the same
    // empty-capture rule and the same stones in play.
    table_lease(bool caps, int total);
    ~table_lease();
    table_lease(const table_lease&) = delete;
    table_lease& operator=(const table_lease&) = delete;

    table_bucket* table = nullptr;
    uint32_t gen = 1;
    uint8_t age = 0;

private:
    bool kept_ = false;
    void* own_ = nullptr;
};

} // namespace deep
