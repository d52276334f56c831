// deep_search's look-up in the table and its store, inline: the search
// calls them at every node, from search.cpp only. Promises: a probe
// reports only bounds that hold for that board, side to move and remaining
// depth; a store keeps the narrowest bounds known. Relies on the caller
// holding a lease on the table (table.h) for as long as it searches.
#pragma once

#include <cstdint>

#include "engine/deep/search.h"
#include "engine/deep/table.h"

namespace deep {

namespace {

// The bucket of a key: the bits mixed so that boards a move apart spread
// over the whole table.
inline uint64_t mix(uint64_t x)
{
    x ^= x >> 31;
    x *= 0x7fb5d329728ea185ULL;
    x ^= x >> 27;
    x *= 0x81dadef4bc2dd44dULL;
    x ^= x >> 33;
    return x;
}

} // namespace

[[gnu::always_inline]] inline void deep_search::probe(const padded_board& p, int r, probe_result& q)
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

[[gnu::always_inline]] inline void deep_search::store(table_bucket* bucket, uint64_t k0, uint32_t k1, int r,
                                                      int lo, bool lo_settled, int hi, bool hi_settled,
                                                      int move)
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

} // namespace deep
