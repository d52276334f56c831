// Inside the engine, its tests and benchmarks: the two searches behind
// get_comp_move, each callable at any depth, the deep search's counters, and
// its test seam.
#pragma once

#include "engine/engine.h"

// get_comp_move with the node tree search, whatever the depth.
int tree_comp_move(node* n, int depth, search_settings settings = current_search_settings());
// move_values with the node tree search, whatever the depth (out of node
// memory, it hands over to the deep search).
int tree_move_values(const node* n, int depth, search_settings settings, move_value (&out)[6]);

// What one deep search did.
struct deep_stats {
    long long nodes = 0;   // moves made (one per gen_node call the tree search would make), all threads
    int threads = 0;       // threads that searched
    long long probes = 0;  // table look-ups
    long long hits = 0;    // look-ups that found bounds for that position at that depth
    bool table = false;    // the search had its table (deep enough for one, and allocated)
    int depth_reached = 0; // the last iteration that finished
    bool settled = false;  // no line the result rests on was cut off by the depth
};

// get_comp_move with the deep search, whatever the depth: the same move, the
// same value in the node's h, the same refusals. Fills `stats` if given.
int deep_comp_move(node* n, int depth, deep_stats* stats = nullptr,
                   search_settings settings = current_search_settings());
// move_values with the deep search, whatever the depth: the same values and
// the same exact flags.
int deep_move_values(const node* n, int depth, search_settings settings, move_value (&out)[6]);

// The deep search runs on every hardware thread (with its table; without
// one, on this thread alone). The environment variable
// WKIVARI_SEARCH_THREADS, a decimal number read as each search starts, may
// lower that count for tests and benchmarks; other values are ignored.

// Its table keeps the entries of one search for the next, while the rules
// and the stones in play stay the same. deep_table_clear forgets them, so
// that the next search starts cold.
void deep_table_clear();

// Test seams: while set, the deep search cannot allocate its table and
// searches without one; it uses exactly n threads (0: as above); the next n
// thread starts fail.
void deep_table_fail(bool fail);
void deep_threads_force(int n);
void deep_thread_fail(int n);
