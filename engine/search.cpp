// The computer's move search: exhaustive minimax to a level limit, keeping
// only the best moves below each node; the same search for the value of
// every move; the choice between it and the deep search; and the per-thread
// random source.
#include "engine/engine.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>

#include "engine/deep_search.h"
#include "engine/moves.h"
#include "game/options.h"

static std::atomic<bool> g_stop{false};

void search_stop_request()
{
    g_stop.store(true, std::memory_order_relaxed);
}
void search_stop_clear()
{
    g_stop.store(false, std::memory_order_relaxed);
}
bool search_stop_requested()
{
    return g_stop.load(std::memory_order_relaxed);
}

static void free_children(node* n)
{
    while (n->first_child)
        free_node(n->first_child);
}

// Frees a chain of unlinked siblings with their subtrees.
static void release_list(node* c, node_pool::per_thread* cache)
{
    while (c) {
        node* next = c->next_sibling;
        moves::release_unlinked(c, cache);
        c = next;
    }
}

// What the search for move values notes besides the values: a line cut off
// by the level limit (a leaf whose side to move still has stones), and a
// child it could not make.
struct line_watch {
    bool cut = false;
    bool out_of_memory = false;
};

// gen_nodes below its argument checks; `watched`: noting into *w.
template <bool watched>
static void expand(node* n, int limit, node_pool::per_thread* cache, bool empty_caps, line_watch* w)
{
    // An abandoned search leaves what it built; get_comp_move frees it.
    if (g_stop.load(std::memory_order_relaxed))
        return;

    // Children are made in increasing bin order and each is searched
    // completely before the next. A child that falls short of the best so
    // far is freed at once (and one that beats it frees the others), which
    // leaves exactly the ties for the best value, newest first, as backing
    // up first and pruning afterwards would, with less memory live.
    const bool minimise = n->turn == BOTTOM_STORE;
    const bool leaves = n->level >= limit - 1; // the children reach the limit
    const int first = first_bin(n->turn);
    for (int b = first; b < first + 6; ++b) {
        if (n->bins[b] <= 0)
            continue;
        node* child;
        const int r = moves::make_child(n, b, &child, cache, empty_caps);
        if (r < 0) { // out of memory: make do with the children so far
            if constexpr (watched)
                w->out_of_memory = true;
            break;
        }
        if (r == 0) { // a move that ended the game has its h already
            if (leaves) {
                moves::set_h(child);
                if constexpr (watched)
                    w->cut = w->cut || !moves::row_empty(child->bins, first_bin(child->turn));
            } else {
                expand<watched>(child, limit, cache, empty_caps, w);
                if (g_stop.load(std::memory_order_relaxed))
                    return;
            }
        }

        node* older = child->next_sibling;
        if (!older)
            continue;
        const int v = child->h, best = older->h;
        if (v == best)
            continue;
        if (minimise ? v < best : v > best) {
            child->next_sibling = nullptr;
            release_list(older, cache);
        } else {
            n->first_child = older;
            moves::release_unlinked(child, cache);
        }
    }

    if (!n->first_child)
        moves::set_h(n);
    else
        n->h = n->first_child->h;
}

int gen_nodes(node* n, int limit)
{
    if (!n || limit < 0 || !is_side(n->turn)) {
        std::puts("gen_nodes: bad args");
        return -1;
    }
    // Read once: an Options dialog confirmed meanwhile changes the next
    // search, not this one.
    expand<false>(n, limit, node_pool::thread_cache(), g_allow_empty_caps != 0, nullptr);
    return 0;
}

search_settings current_search_settings()
{
    return {g_allow_empty_caps != 0, g_random_moves != 0};
}

int get_comp_move(node* n, int depth)
{
    return get_comp_move(n, depth, current_search_settings());
}

int get_comp_move(node* n, int depth, search_settings settings)
{
    return depth <= TREE_SEARCH_DEPTH ? tree_comp_move(n, depth, settings)
                                      : deep_comp_move(n, depth, nullptr, settings);
}

int tree_comp_move(node* n, int depth, search_settings settings)
{
    if (!n) {
        std::puts("get_comp_move: bad args");
        return -1;
    }
    free_children(n);
    const bool random_moves = settings.random_moves;

    // A huge depth must not overflow the level limit.
    long long limit = static_cast<long long>(n->level) + depth;
    if (limit > INT_MAX)
        limit = INT_MAX;
    if (limit < INT_MIN)
        limit = INT_MIN;
    if (limit >= 0 && is_side(n->turn))
        expand<false>(n, static_cast<int>(limit), node_pool::thread_cache(), settings.empty_caps, nullptr);
    else
        gen_nodes(n, static_cast<int>(limit)); // refuses it, as the direct call would

    if (g_stop.load(std::memory_order_relaxed)) {
        free_children(n);
        calc_h(n);
        return -2;
    }
    node* chosen = n->first_child;
    if (!chosen)
        return -2;

    if (!random_moves) {
        while (chosen->next_sibling)
            chosen = chosen->next_sibling;
    } else {
        const int k = next_random() % 6;
        for (int i = 0; i < k; ++i)
            chosen = chosen->next_sibling ? chosen->next_sibling : n->first_child;
    }
    const int move = chosen->move;
    free_children(n);
    return move;
}

int move_values(const node* n, int depth, search_settings settings, move_value (&out)[6])
{
    return depth <= TREE_SEARCH_DEPTH ? tree_move_values(n, depth, settings, out)
                                      : deep_move_values(n, depth, settings, out);
}

int tree_move_values(const node* n, int depth, search_settings settings, move_value (&out)[6])
{
    const long long limit =
        n ? std::clamp<long long>(static_cast<long long>(n->level) + depth, INT_MIN, INT_MAX) : -1;
    if (limit < 0 || !is_side(n->turn)) {
        std::puts("move_values: bad args");
        return -1;
    }
    // Each child is made on the stack from a copy of n, searched as expand
    // searches it, valued and freed before the next.
    node root = *n;
    root.parent = root.first_child = root.next_sibling = nullptr;
    const bool leaves = root.level >= limit - 1;
    node_pool::per_thread* cache = node_pool::thread_cache();
    line_watch w;
    int count = 0;
    const int first = first_bin(root.turn);
    for (int b = first; b < first + 6; ++b) {
        if (root.bins[b] <= 0)
            continue;
        node c = root;
        c.level = root.level + 1;
        c.move = b;
        c.turn = other_side(root.turn);
        w.cut = false;
        if (moves::sow(&c, b, settings.empty_caps) == 0) {
            if (leaves) {
                moves::set_h(&c);
                w.cut = !moves::row_empty(c.bins, first_bin(c.turn));
            } else {
                expand<true>(&c, static_cast<int>(limit), cache, settings.empty_caps, &w);
                free_children(&c);
            }
        }
        out[count++] = {b, c.h, !w.cut};
    }
    if (g_stop.load(std::memory_order_relaxed))
        return -2;
    // Values from a tree that lacks lines would be wrong: the deep search needs no nodes.
    return w.out_of_memory ? deep_move_values(n, depth, settings, out) : count;
}

int next_random()
{
    thread_local uint32_t state = 1;
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}
