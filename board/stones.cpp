// The stone lists that give every stone its colour, and the sowing animation on them.
#include "board/board.h"

#include "engine/engine.h"
#include "game/options.h"

// Every list starts empty, so a paint before the first deal shows no stones.
#define EMPTY_LIST                                                                                           \
    {                                                                                                        \
        -1                                                                                                   \
    }
int g_stones[14][140] = {EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST,
                         EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST};
#undef EMPTY_LIST

int g_anim_pause_ms = 400;

namespace {

// The last entry is always left for the end marker.
constexpr int max_stones = 139;

void append_stone(int bin, int colour)
{
    const int n = bin_count(bin);
    if (n >= max_stones)
        return; // cannot happen with at most 96 stones in play
    g_stones[bin][n] = colour;
    g_stones[bin][n + 1] = -1;
}

void pause()
{
    anim_pause(g_anim_pause_ms);
}

} // namespace

int bin_count(int bin)
{
    if (bin < 0 || bin > 13)
        return -1;
    int n = 0;
    while (n < max_stones && g_stones[bin][n] != -1)
        ++n;
    return n;
}

int init_stones(int stones)
{
    if (stones < 1 || stones > 8)
        return -1;
    for (int bin = 0; bin < 14; ++bin) {
        int* list = g_stones[bin];
        if (bin == 6 || bin == 13) {
            list[0] = -1;
            continue;
        }
        for (int k = 0; k < stones; ++k)
            list[k] = next_random() % 5;
        list[stones] = -1;
    }
    return 0;
}

void animate_move(HWND hwnd, int bin)
{
    if (bin < 0 || bin > 12 || bin == 6)
        return;
    const int n = bin_count(bin);
    if (n < 1)
        return;

    int picked[140];
    for (int k = 0; k < n; ++k)
        picked[k] = g_stones[bin][k];
    g_stones[bin][0] = -1;
    invalidate_bin(hwnd, bin);

    const bool bottom = bin < 6;
    const int skip = bottom ? 13 : 6; // the opponent's store
    int pos = bin;
    for (int k = 1; k <= n; ++k) {
        pause();
        if (++pos == skip)
            ++pos;
        if (pos > 13)
            pos = 0;
        append_stone(pos, picked[n - k]); // the stone picked up last goes first
        invalidate_bin(hwnd, pos);
    }

    // A last stone alone in an own bin takes the facing bin's stones.
    if (pos == 6 || pos == 13 || bin_count(pos) != 1)
        return;
    const int facing = opposite[pos];
    if (bin_count(facing) < 1 && !g_allow_empty_caps)
        return;
    int store;
    if (bottom && pos < 6)
        store = 6;
    else if (!bottom && pos > 6)
        store = 13;
    else
        return; // landed in the opponent's row

    pause();
    append_stone(store, g_stones[pos][0]);
    for (int k = 0, m = bin_count(facing); k < m; ++k)
        append_stone(store, g_stones[facing][k]);
    g_stones[pos][0] = -1;
    g_stones[facing][0] = -1;
    invalidate_bin(hwnd, pos);
    invalidate_bin(hwnd, facing);
    invalidate_bin(hwnd, store);
}
