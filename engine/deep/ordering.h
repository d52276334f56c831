// The deep search's move order: the likeliest best move first, from the
// table's hint, the moves' own shape (extra turns, captures), the killers
// and the history of the thread's search. Only the order depends on it;
// every move is still searched. Inline: the search calls it at every inner
// node.
#pragma once

#include <climits>

#include "engine/deep/search.h"

namespace deep {

// Puts `move` with `key` into the first n places of the two arrays, which
// stay ordered with the keys for which before(key, other) holds first;
// equal keys keep the order they came in.
template <typename before_fn>
inline void insert_sorted(int* keys, int* moves, int n, int key, int move, before_fn before)
{
    int k = n;
    while (k > 0 && before(key, keys[k - 1])) {
        keys[k] = keys[k - 1];
        moves[k] = moves[k - 1];
        --k;
    }
    keys[k] = key;
    moves[k] = move;
}

// Fills `moves` with the side's moves, the likeliest best first: the table's
// move, moves ending in the own store (the one nearest the store first, so
// it leaves the others' counts alone), captures by their size, this depth's
// killers, then by how often each bin refuted the opponent.
[[gnu::noinline]] inline int deep_search::order(const padded_board& p, int hint, int r, int* moves) const
{
    const int32_t* b = p.b;
    const int first = first_bin(p.turn);
    const int8_t* killer = r < KILLER_DEPTHS ? killer_[r] : nullptr;
    int score[6];
    int n = 0;
    for (int i = first; i < first + 6; ++i) {
        const int s = b[i];
        if (s <= 0)
            continue;
        const int to_store = p.turn - i;
        int sc = history_[i];
        if (i == hint) {
            sc = INT_MAX;
        } else if (s == to_store) {
            sc = (1 << 29) + i;
        } else if (s < to_store && b[i + s] == 0 && b[opposite[i + s]] > 0) {
            sc = (1 << 28) + b[opposite[i + s]];
        } else if (s == 13) { // a lap ends in the emptied bin and captures
            sc = (1 << 28) + b[opposite[i]] + 1;
        } else if (killer && killer[0] == i) {
            sc = (1 << 27) + 1;
        } else if (killer && killer[1] == i) {
            sc = 1 << 27;
        }
        insert_sorted(score, moves, n++, sc, i, [](int a, int b) { return a > b; });
    }
    return n;
}

} // namespace deep
