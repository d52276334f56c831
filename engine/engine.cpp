// Move rules and the game record: setting up a position, sowing, extra
// turns, captures, the end test, and freeing subtrees.
#include "engine/engine.h"

#include <cstdio>

#include "game/options.h"

const int opposite[14] = {12, 11, 10, 9, 8, 7, 13, 5, 4, 3, 2, 1, 0, 6};

const char* const bin_label[14] = {"1", "2", "3", "4", "5", "6", "Player 2",
                                   "6", "5", "4", "3", "2", "1", "Player 1"};

node* g_root = nullptr;
node* g_current = nullptr;

static bool is_side(int turn) { return turn == 6 || turn == 13; }

// A playing bin of the side `turn`: 0..5 for the bottom side, 7..12 for the top.
static bool owns_bin(int turn, int bin) {
    return is_side(turn) && bin >= turn - 6 && bin < turn;
}

int init_node(node* n, int turn, int stones) {
    if (!n || !is_side(turn) || stones < 1 || stones > 8) {
        std::puts("init_node: bad args");
        return -1;
    }
    *n = node{};
    for (int& b : n->bins) b = stones;
    n->bins[6] = 0;
    n->bins[13] = 0;
    n->turn = turn;
    calc_h(n);
    return 0;
}

int calc_h(node* n) {
    if (!n) {
        std::puts("calc_h: bad args");
        return -1;
    }
    const int32_t* b = n->bins;
    n->h = b[13] + b[7] + b[8] + b[9] + b[10] + b[11] + b[12];
    return 0;
}

int stone_total(const node* n) {
    int total = 0;
    for (int b : n->bins) total += b;
    return total;
}

int game_over(const node* n) {
    const int total = stone_total(n);
    return (n->bins[6] + n->h >= total || n->h <= n->bins[13]) ? 1 : 0;
}

int do_move(node* n, int bin) {
    const bool bottom = bin < 6;
    const int skip = bottom ? 13 : 6;  // the other side's store
    int32_t* b = n->bins;

    int s = b[bin];
    b[bin] = 0;
    int p = bin;
    while (s-- > 0) {
        if (++p == skip) ++p;
        if (p > 13) p = 0;
        ++b[p];
    }

    if (p == 6 || p == 13) {
        n->turn = p;  // last stone in the mover's own store: move again
    } else {
        const bool own_row = bottom ? p < 6 : (p > 6 && p < 13);
        const int facing = opposite[p];
        if (!own_row || b[p] != 1 || (b[facing] <= 0 && !g_allow_empty_caps)) return 0;
        b[bottom ? 6 : 13] += 1 + b[facing];
        b[p] = 0;
        b[facing] = 0;
    }
    calc_h(n);
    return game_over(n);
}

int gen_node(node* parent, int bin, node** out) {
    if (!parent || !out || !owns_bin(parent->turn, bin)) {
        std::puts("gen_node: bad args");
        return -1;
    }
    node* n = new_node();
    if (!n) {
        std::puts("gen_node: out of memory");
        return -2;
    }
    n->parent = parent;
    n->first_child = nullptr;
    n->next_sibling = parent->first_child;
    for (int i = 0; i < 14; ++i) n->bins[i] = parent->bins[i];
    n->h = 0;  // set by whoever made the child, before it is read
    n->level = parent->level + 1;
    n->move = bin;
    n->turn = opposite[parent->turn];
    parent->first_child = n;
    const int result = do_move(n, bin);
    *out = n;
    return result;
}

int free_node(node* n) {
    if (!n) {
        std::puts("free_node: bad args");
        return -1;
    }
    if (node* p = n->parent) {
        if (p->first_child == n) {
            p->first_child = n->next_sibling;
        } else {
            for (node* c = p->first_child; c; c = c->next_sibling) {
                if (c->next_sibling == n) {
                    c->next_sibling = n->next_sibling;
                    break;
                }
            }
        }
    }
    // Iterative post-order walk: a game path can be long, so no recursion.
    // Always taking the head child makes each unlink O(1).
    node* cur = n;
    for (;;) {
        while (cur->first_child) cur = cur->first_child;
        if (cur == n) break;
        node* up = cur->parent;
        up->first_child = cur->next_sibling;
        delete_node(cur);
        cur = up;
    }
    delete_node(n);
    return 0;
}
