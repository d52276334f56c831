// Move rules and the game record: setting up a position, sowing, extra
// turns, captures, the end test, and freeing subtrees.
#include "engine/engine.h"

#include <cstdio>

#include "engine/moves.h"
#include "game/options.h"

const int opposite[14] = {12, 11, 10, 9, 8, 7, 13, 5, 4, 3, 2, 1, 0, 6};

// Each bin is named by its screen column: a playing bin by its number, a
// store (columns 0 and 7) by its side.
const std::array<const char*, 14> bin_label = [] {
    const char* const column_label[8] = {"Player 1", "1", "2", "3", "4", "5", "6", "Player 2"};
    std::array<const char*, 14> label{};
    for (int bin = 0; bin < 14; ++bin)
        label[bin] = column_label[column_of(bin)];
    return label;
}();

node* g_root = nullptr;
node* g_current = nullptr;

// A playing bin of the side `turn`: 0..5 for the bottom side, 7..12 for the top.
static bool owns_bin(int turn, int bin)
{
    return is_side(turn) && side_of(bin) == turn;
}

void format_history_line(const node* n, char (&line)[80])
{
    snprintf(line, sizeof line, "%s: %s", bin_label[n->parent->turn], bin_label[n->move]);
}

int init_node(node* n, int turn, int stones)
{
    if (!n || !is_side(turn) || stones < MIN_STONES || stones > MAX_STONES) {
        std::puts("init_node: bad args");
        return -1;
    }
    *n = node{};
    for (int& b : n->bins)
        b = stones;
    n->bins[BOTTOM_STORE] = 0;
    n->bins[TOP_STORE] = 0;
    n->turn = turn;
    moves::set_h(n);
    return 0;
}

int calc_h(node* n)
{
    if (!n) {
        std::puts("calc_h: bad args");
        return -1;
    }
    moves::set_h(n);
    return 0;
}

int stone_total(const node* n)
{
    int total = 0;
    for (int b : n->bins)
        total += b;
    return total;
}

int game_over(const node* n)
{
    return moves::is_over(n) ? 1 : 0;
}

int do_move(node* n, int bin)
{
    return do_move(n, bin, g_allow_empty_caps != 0);
}

int do_move(node* n, int bin, bool empty_caps)
{
    return moves::sow(n, bin, empty_caps);
}

int gen_node(node* parent, int bin, node** out)
{
    if (!parent || !out || !owns_bin(parent->turn, bin)) {
        std::puts("gen_node: bad args");
        return -1;
    }
    return moves::make_child(parent, bin, out, node_pool::t_cache, g_allow_empty_caps != 0);
}

int free_node(node* n)
{
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
    node_pool::per_thread* cache = node_pool::t_cache;
    node* cur = n;
    for (;;) {
        while (cur->first_child)
            cur = cur->first_child;
        if (cur == n)
            break;
        node* up = cur->parent;
        up->first_child = cur->next_sibling;
        node_pool::release_in(cache, cur);
        cur = up;
    }
    node_pool::release_in(cache, n);
    return 0;
}
