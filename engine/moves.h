// Inside the engine only: the move rules as inline functions, shared by the
// public calls and the search's inner loop.
#pragma once

#include <cstdio>
#include <cstring>

#include "engine/engine.h"
#include "engine/node_pool.h"

namespace moves {

// The top side's total: its store and its row.
inline int top_total(const int32_t* b)
{
    return b[TOP_STORE] + b[7] + b[8] + b[9] + b[10] + b[11] + b[12];
}

inline bool row_empty(const int32_t* b, int first)
{
    return b[first] <= 0 && b[first + 1] <= 0 && b[first + 2] <= 0 && b[first + 3] <= 0 &&
           b[first + 4] <= 0 && b[first + 5] <= 0;
}

inline void set_h(node* n)
{
    n->h = top_total(n->bins);
}

// The end test on a node whose h is current: with the stones in play taken
// from the board, the bottom row is empty when its store and the top side's
// total account for all of them; the top row when h is all in store 13.
inline bool is_over(const node* n)
{
    return n->bins[BOTTOM_STORE] + n->h >= stone_total(n) || n->h <= n->bins[TOP_STORE];
}

// The same test for the searches' inner loops, on a board whose top total
// is h: no stones left in the bottom row, or all of h in the top store.
inline bool is_over(const int32_t* b, int h)
{
    return b[0] + b[1] + b[2] + b[3] + b[4] + b[5] <= 0 || h <= b[TOP_STORE];
}

// How a sowing ended: the last stone in a bin that takes nothing, in the
// mover's own store, or in an own empty bin that captured.
enum sow_end { SOW_PLAIN, SOW_EXTRA_TURN, SOW_CAPTURE };

// The capture rule: what the last stone of a sowing from `bin` earns where it
// fell, at place `p` of the sown board `b`: an extra turn in the own store, a
// capture in an own bin it found empty. Makes the capture.
inline sow_end last_stone(int32_t* b, int bin, int p, bool empty_caps)
{
    const bool bottom = bin < BOTTOM_STORE;
    if (p == BOTTOM_STORE || p == TOP_STORE)
        return SOW_EXTRA_TURN; // the path skips the other store: this is the mover's own
    const int facing = opposite[p];
    if ((p < BOTTOM_STORE) != bottom || b[p] != 1 || (b[facing] <= 0 && !empty_caps))
        return SOW_PLAIN;
    b[bottom ? BOTTOM_STORE : TOP_STORE] += 1 + b[facing];
    b[p] = 0;
    b[facing] = 0;
    return SOW_CAPTURE;
}

// Sows `bin` on the board `b` along the sowing path, with the capture that
// the last stone earns. The deep search lays the same stones by table.
inline sow_end sow_bins(int32_t* b, int bin, bool empty_caps)
{
    int s = b[bin];
    b[bin] = 0;
    int p = bin;
    while (s-- > 0)
        ++b[p = next_place(bin, p)];
    return last_stone(b, bin, p, empty_caps);
}

// Sows `bin` on `n`: 0 when the game goes on, 1 when an extra turn or a
// capture ended it. After a plain move h is left for the caller. A search
// passes the empty-capture setting it was ordered with.
inline int sow(node* n, int bin, bool empty_caps)
{
    const sow_end end = sow_bins(n->bins, bin, empty_caps);
    if (end == SOW_PLAIN)
        return 0;
    if (end == SOW_EXTRA_TURN)
        n->turn = side_of(bin); // the mover moves again
    set_h(n);
    return is_over(n->bins, n->h) ? 1 : 0;
}

// gen_node without the argument checks: the search only passes playing bins
// of the side to move.
inline int make_child(node* parent, int bin, node** out, node_pool::per_thread* cache, bool empty_caps)
{
    node* n = node_pool::alloc_in(cache);
    if (!n) {
        std::puts("gen_node: out of memory");
        return -2;
    }
    n->parent = parent;
    n->first_child = nullptr;
    n->next_sibling = parent->first_child;
    std::memcpy(n->bins, parent->bins, sizeof n->bins);
    n->h = 0; // set by whoever made the child, before it is read
    n->level = parent->level + 1;
    n->move = bin;
    n->turn = other_side(parent->turn);
    parent->first_child = n;
    const int result = sow(n, bin, empty_caps);
    *out = n;
    return result;
}

// Releases a childless node or, through free_node, one with a subtree; the
// node is already unlinked from its parent.
inline void release_unlinked(node* c, node_pool::per_thread* cache)
{
    if (c->first_child) {
        c->parent = nullptr;
        c->next_sibling = nullptr;
        free_node(c);
    } else {
        node_pool::release_in(cache, c);
    }
}

} // namespace moves
