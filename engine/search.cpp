// The computer's move search: exhaustive minimax to a level limit, keeping
// only the best moves below each node, and the per-thread random source.
#include "engine/engine.h"

#include <atomic>
#include <climits>
#include <cstdio>

#include "game/options.h"

static std::atomic<bool> g_stop{false};

void search_stop_request() { g_stop.store(true, std::memory_order_relaxed); }
void search_stop_clear() { g_stop.store(false, std::memory_order_relaxed); }
bool search_stop_requested() { return g_stop.load(std::memory_order_relaxed); }

static void free_children(node* n) {
    while (n->first_child) free_node(n->first_child);
}

int gen_nodes(node* n, int limit) {
    if (!n || limit < 0 || (n->turn != 6 && n->turn != 13)) {
        std::puts("gen_nodes: bad args");
        return -1;
    }
    // An abandoned search leaves what it built; get_comp_move frees it.
    if (g_stop.load(std::memory_order_relaxed)) return 0;

    const int first = n->turn - 6;
    for (int b = first; b < first + 6; ++b) {
        if (n->bins[b] <= 0) continue;
        node* child;
        const int r = gen_node(n, b, &child);
        if (r < 0) break;  // out of memory: make do with the children so far
        if (r == 0 && child->level < limit)
            gen_nodes(child, limit);
        else
            calc_h(child);
    }

    node* c = n->first_child;
    if (!c) {
        calc_h(n);
        return 0;
    }

    int best = c->h;
    if (n->turn == 6) {
        for (c = c->next_sibling; c; c = c->next_sibling)
            if (c->h < best) best = c->h;
    } else {
        for (c = c->next_sibling; c; c = c->next_sibling)
            if (c->h > best) best = c->h;
    }
    n->h = best;

    // Keep only the children that reach the value, in their order.
    node** link = &n->first_child;
    while (node* child = *link) {
        if (child->h == best) {
            link = &child->next_sibling;
        } else {
            // Unlink here (O(1)) so free_node need not search the list.
            *link = child->next_sibling;
            child->parent = nullptr;
            free_node(child);
        }
    }
    return 0;
}

int get_comp_move(node* n, int depth) {
    if (!n) {
        std::puts("get_comp_move: bad args");
        return -1;
    }
    free_children(n);

    // A huge depth must not overflow the level limit.
    long long limit = static_cast<long long>(n->level) + depth;
    if (limit > INT_MAX) limit = INT_MAX;
    if (limit < INT_MIN) limit = INT_MIN;
    gen_nodes(n, static_cast<int>(limit));

    if (g_stop.load(std::memory_order_relaxed)) {
        free_children(n);
        calc_h(n);
        return -2;
    }
    node* chosen = n->first_child;
    if (!chosen) return -2;

    if (!g_random_moves) {
        while (chosen->next_sibling) chosen = chosen->next_sibling;
    } else {
        const int k = next_random() % 6;
        for (int i = 0; i < k; ++i)
            chosen = chosen->next_sibling ? chosen->next_sibling : n->first_child;
    }
    const int move = chosen->move;
    free_children(n);
    return move;
}

int next_random() {
    thread_local uint32_t state = 1;
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}
