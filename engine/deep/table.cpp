// The deep search's table in use: the one table kept for the whole run and
// leased to one search at a time (its entries carry over while the rules
// and the stones in play stay the same), and a table of the search's own
// when the kept one is busy. The look-up and the store are in probe.h.
#include "engine/deep/table.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "engine/deep/search.h"
#include "engine/deep_search.h"

namespace deep {

namespace {

std::atomic<bool> g_table_fail{false};

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

} // namespace

table_lease::table_lease(bool caps, int total)
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

table_lease::~table_lease()
{
    if (kept_) {
        g_kept.age = static_cast<uint8_t>(age + 1);
        g_kept.busy.store(false, std::memory_order_release);
    } else {
        std::free(own_);
    }
}

} // namespace deep

void deep_table_clear()
{
    deep::g_clear_kept.store(true);
}

void deep_table_fail(bool fail)
{
    deep::g_table_fail.store(fail, std::memory_order_relaxed);
}
