// The deep search's helper threads: how many a search runs, starting them
// (each with its own deep_search on the shared table, searching what the
// calling thread offers) and joining them, and the helper loop itself. A
// thread that cannot start leaves the search one helper fewer, never
// without an answer. Relies on the table and the split_share outliving the
// helpers, and on `quit` being set before they are joined.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "engine/deep/search.h"
#include "engine/deep_search.h"

namespace deep {

// Search threads: the machine's, or fewer by WKIVARI_SEARCH_THREADS, or
// what a test forces.
int search_threads();

struct helper {
    std::thread t;
    std::optional<deep_search> s;
};

// Starts up to want - 1 helpers into `helpers`, each searching with the
// calling thread's settings; fewer when memory or a thread start fails.
void start_helpers(std::vector<helper>& helpers, int want, bool caps, int total, bool bounded,
                   table_bucket* table, uint32_t gen, uint8_t age, const std::atomic<bool>* quit,
                   root_want find, split_share* share);
// After `quit` is set: joins the helpers, adds their counters to `st` and
// releases them.
void join_helpers(std::vector<helper>& helpers, deep_stats& st);

} // namespace deep
