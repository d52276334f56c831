// Inside the endgame table and the exact solver: a position seen from the
// side to move, one move on it under the game's own end test, and the rank
// of a position among those with the same stones in play.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/engine.h"

namespace exact {

// The twelve playing bins from the side to move: 0..5 its own row and 6..11
// the other side's, each row in sowing order. The stores are left out: what
// the side to move can still win depends only on these. Each side's view of
// the board is the same rule, so one view serves both sides.
struct board {
    uint8_t b[12];
};

// The mover sows round a ring of 13 places: its row (ring 0..5), its store
// (ring 6) and the other row (ring 7..12, bins 6..11); the other store is
// skipped.
constexpr int STORE_PLACE = 6;

inline int row_sum(const board& p, int first)
{
    return p.b[first] + p.b[first + 1] + p.b[first + 2] + p.b[first + 3] + p.b[first + 4] + p.b[first + 5];
}

inline int stones_of(const board& p)
{
    return row_sum(p, 0) + row_sum(p, 6);
}

// The board the other side sees.
inline board swapped(const board& p)
{
    board s;
    std::memcpy(s.b, p.b + 6, 6);
    std::memcpy(s.b + 6, p.b, 6);
    return s;
}

// The view of the side to move of a node's playing bins.
inline board from_bins(const int32_t* bins, int turn)
{
    const int own = first_bin(turn), other = first_bin(other_side(turn));
    board p;
    for (int i = 0; i < 6; ++i) {
        p.b[i] = static_cast<uint8_t>(bins[own + i]);
        p.b[6 + i] = static_cast<uint8_t>(bins[other + i]);
    }
    return p;
}

// What one move did: the stones it took out of play into the mover's store
// (sown into it, and a capture), and how play goes on.
enum move_kind { MOVE_PASSES, MOVE_AGAIN, MOVE_ENDS };
struct move_outcome {
    int gain;
    move_kind kind;
    int final_margin; // MOVE_ENDS: the mover's margin over the stones in play before the move
};

// Plays own bin `bin` (holding stones) on `p` as do_move does, then the end
// test the controller makes after every move: when either row is empty the
// game is over and each row's stones go to its owner. `p` is left as the
// mover sees it.
inline move_outcome play(board& p, int bin, bool empty_caps)
{
    const int s = p.b[bin];
    p.b[bin] = 0;
    int gain = 0;
    if (s >= 13) { // whole laps: one stone in each of the 13 places
        const int laps = s / 13;
        for (uint8_t& x : p.b)
            x = static_cast<uint8_t>(x + laps);
        gain += laps;
    }
    int place = bin;
    for (int q = s % 13; q > 0; --q) {
        place = place == 12 ? 0 : place + 1;
        if (place == STORE_PLACE)
            ++gain;
        else
            ++p.b[place < STORE_PLACE ? place : place - 1];
    }
    move_kind kind = MOVE_PASSES;
    if (place == STORE_PLACE) {
        kind = MOVE_AGAIN;
    } else if (place < STORE_PLACE && p.b[place] == 1 && (p.b[11 - place] > 0 || empty_caps)) {
        gain += 1 + p.b[11 - place]; // the facing bin of own bin i is 11 - i
        p.b[place] = 0;
        p.b[11 - place] = 0;
    }
    const int own = row_sum(p, 0), other = row_sum(p, 6);
    if (own == 0 || other == 0)
        return {gain, MOVE_ENDS, gain + own - other};
    return {gain, kind, 0};
}

// Binomial coefficients for the ranks: C(n, r) for n < 160, r <= 12.
struct binomials {
    uint64_t c[160][13] = {};
    binomials()
    {
        for (int n = 0; n < 160; ++n) {
            c[n][0] = 1;
            for (int r = 1; r <= 12 && r <= n; ++r)
                c[n][r] = c[n - 1][r - 1] + (r < n ? c[n - 1][r] : 0);
        }
    }
};
inline const binomials BINOMIALS;

// Positions with exactly k stones in twelve bins (stars and bars).
inline uint64_t layer_size(int k)
{
    return BINOMIALS.c[k + 11][11];
}
// Positions with fewer than k stones: where layer k starts.
inline uint64_t layer_start(int k)
{
    return BINOMIALS.c[k + 11][12];
}

// The rank of `p` among the positions with its k stones, in lexicographic
// order of its bins: before it come, for each bin i, those that agree on
// bins 0..i-1 and hold fewer stones in bin i. Those with r stones left for
// m bins and fewer than c in the first of them number
// C(r+m-1, m-1) - C(r-c+m-1, m-1); for the endgame table's sizes that is
// one look-up per bin, in `fewer`.
struct rank_table {
    static constexpr int MAX = 24;             // stones in play it ranks; MAX_ENDGAME_STONES
    uint32_t fewer[11][MAX + 1][MAX + 1] = {}; // [bin][stones left][stones in the bin]
    rank_table()
    {
        for (int i = 0; i < 11; ++i)
            for (int r = 0; r <= MAX; ++r)
                for (int c = 0; c <= r; ++c)
                    fewer[i][r][c] = static_cast<uint32_t>(BINOMIALS.c[r + 11 - i][11 - i] -
                                                           BINOMIALS.c[r - c + 11 - i][11 - i]);
    }
};
inline const rank_table RANKS;

// The rank of a position with k <= rank_table::MAX stones.
inline uint64_t rank_in_layer(const board& p, int k)
{
    uint64_t rank = 0;
    int r = k;
    for (int i = 0; i < 11; ++i) {
        rank += RANKS.fewer[i][r][p.b[i]];
        r -= p.b[i];
    }
    return rank;
}

// The test seam of exact_memory_fail (endgame.h): true while the table's and
// the solver's allocations are to fail.
bool memory_failing();

} // namespace exact
