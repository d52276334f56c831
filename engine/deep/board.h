// The deep search's board: the bins and the side to move padded to one cache
// line, and sowing on it by table. sow_fast leaves the board exactly as
// moves::sow_bins does, the last stone judged by the same moves::last_stone;
// only the way the stones are laid differs. It relies on next_place for the
// sowing path.
#pragma once

#include <cstdint>

#include "engine/engine.h"
#include "engine/moves.h"

namespace deep {

constexpr int INF = 1 << 20; // beyond every value a position can have

// The board padded to 16 values, so that a move is whole-vector adds.
struct alignas(64) padded_board {
    int32_t b[14];
    int32_t turn;
    int32_t pad;
};

// Sowing by table: what `s` stones sown from a bin add to each place is a
// whole lap (s / 13 on each of the mover's 13 places) plus one on each of
// the next s % 13 places. steps[bin][q] holds those q places and
// last[bin][q] the place of the last stone; lap[side] the 13 places.
struct sow_tables {
    alignas(64) int32_t steps[14][13][16] = {};
    alignas(64) int32_t lap[2][16] = {};
    int8_t last[14][13] = {};

    sow_tables()
    {
        for (int bin = 0; bin < 14; ++bin) {
            last[bin][0] = static_cast<int8_t>(bin);
            int p = bin;
            for (int q = 1; q < 13; ++q) {
                p = next_place(bin, p);
                for (int i = 0; i < 16; ++i)
                    steps[bin][q][i] = steps[bin][q - 1][i];
                steps[bin][q][p] = 1;
                last[bin][q] = static_cast<int8_t>(p);
            }
        }
        for (int i = 0; i < 14; ++i) {
            lap[0][i] = i != TOP_STORE;
            lap[1][i] = i != BOTTOM_STORE;
        }
    }
};
inline const sow_tables SOW_TABLES;

// moves::sow_bins on a padded board, for the search's inner loop: the same
// last-stone rule, the stones laid by table instead of one by one.
inline moves::sow_end sow_fast(padded_board& c, int bin, bool empty_caps)
{
    const bool bottom = bin < BOTTOM_STORE;
    const int s = c.b[bin];
    c.b[bin] = 0;
    int q = s, laps = 0;
    if (s >= 13) {
        laps = s / 13;
        q = s - 13 * laps;
    }
    const int32_t* step = SOW_TABLES.steps[bin][q];
    int32_t* b = c.b;
    if (laps == 0) {
        for (int i = 0; i < 16; ++i)
            b[i] += step[i];
    } else {
        const int32_t* lap = SOW_TABLES.lap[bottom ? 0 : 1];
        for (int i = 0; i < 16; ++i)
            b[i] += step[i] + laps * lap[i];
    }
    return moves::last_stone(b, bin, SOW_TABLES.last[bin][q], empty_caps);
}

} // namespace deep
