// A plain recursive minimax on a stack board: what the engine's node tree is
// measured against. Same moves, same end test, same leaves, same values.
#include "bench/yardstick.h"

#include "engine/engine.h"
#include "game/options.h"

namespace {

const int facing_bin[14] = {12, 11, 10, 9, 8, 7, 13, 5, 4, 3, 2, 1, 0, 6};

int top_total(const board& b)
{
    return b[7] + b[8] + b[9] + b[10] + b[11] + b[12] + b[TOP_STORE];
}

// Sows `bin` on `b`. Sets `turn` to the side to move next and returns 1 when
// an extra turn or a capture has emptied a row, else 0.
int sow(board& b, int bin, int& turn, int total)
{
    const bool bottom = bin < BOTTOM_STORE;
    const int skip = bottom ? TOP_STORE : BOTTOM_STORE;
    int s = b[bin];
    b[bin] = 0;
    int p = bin;
    while (s-- > 0) {
        if (++p == skip)
            ++p;
        if (p > TOP_STORE)
            p = 0;
        ++b[p];
    }
    turn = bottom ? TOP_STORE : BOTTOM_STORE;
    if (p == BOTTOM_STORE || p == TOP_STORE) {
        turn = p;
    } else {
        const bool own_row = bottom ? p < BOTTOM_STORE : (p > BOTTOM_STORE && p < TOP_STORE);
        const int f = facing_bin[p];
        if (!own_row || b[p] != 1 || (b[f] <= 0 && !g_allow_empty_caps))
            return 0;
        b[bottom ? BOTTOM_STORE : TOP_STORE] += 1 + b[f];
        b[p] = 0;
        b[f] = 0;
    }
    const int h = top_total(b);
    return (b[BOTTOM_STORE] + h >= total || h <= b[TOP_STORE]) ? 1 : 0;
}

} // namespace

int yardstick::search(const board& b, int turn, int level)
{
    const int first = first_bin(turn);
    const bool minimise = turn == BOTTOM_STORE;
    bool any = false;
    int best = 0;
    for (int bin = first; bin < first + 6; ++bin) {
        if (b[bin] <= 0)
            continue;
        board c = b;
        int next;
        ++nodes;
        const int over = sow(c, bin, next, total);
        const int v = (!over && level + 1 < limit) ? search(c, next, level + 1) : top_total(c);
        if (!any || (minimise ? v < best : v > best))
            best = v;
        any = true;
    }
    return any ? best : top_total(b);
}

yardstick_result yardstick_search(const board& b, int turn, int level, int depth)
{
    yardstick y;
    y.limit = level + depth;
    for (int x : b)
        y.total += x;
    const int v = y.search(b, turn, level);
    return {v, y.nodes};
}
