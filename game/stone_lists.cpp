// The stone lists that give every stone its colour, sowing on them, and
// their snapshots per move.
#include "game/stone_lists.h"

#include <vector>

#include "engine/engine.h"

// Every list starts empty, so a paint before the first deal shows no stones.
#define EMPTY_LIST                                                                                           \
    {                                                                                                        \
        -1                                                                                                   \
    }
int g_stones[14][140] = {EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST,
                         EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST, EMPTY_LIST};
#undef EMPTY_LIST

namespace {

// The last entry is always left for the end marker.
constexpr int max_stones = 139;

// The lists after each move of the game path, by level; moves taken back
// keep theirs until a new move drops them.
std::vector<std::string> s_kept;

void append_stone(int bin, int colour)
{
    const int n = bin_count(bin);
    if (n >= max_stones)
        return; // cannot happen with at most 96 stones in play
    g_stones[bin][n] = colour;
    g_stones[bin][n + 1] = -1;
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
    if (stones < MIN_STONES || stones > MAX_STONES)
        return -1;
    for (int bin = 0; bin < 14; ++bin) {
        int* list = g_stones[bin];
        if (bin == BOTTOM_STORE || bin == TOP_STORE) {
            list[0] = -1;
            continue;
        }
        for (int k = 0; k < stones; ++k)
            list[k] = next_random() % 5;
        list[stones] = -1;
    }
    return 0;
}

void sow_stones(int bin, bool empty_caps, const std::function<void()>& wait,
                const std::function<void(int bin)>& changed)
{
    const int side = side_of(bin);
    if (side < 0)
        return;
    const int n = bin_count(bin);
    if (n < 1)
        return;

    // The engine plays the move on the lists' counts; the stones then follow
    // its sowing path, and its rules tell whether the last one captured.
    node played{};
    for (int b = 0; b < 14; ++b)
        played.bins[b] = bin_count(b);
    played.turn = side;
    do_move(&played, bin, empty_caps);

    int picked[140];
    for (int k = 0; k < n; ++k)
        picked[k] = g_stones[bin][k];
    g_stones[bin][0] = -1;
    changed(bin);

    int pos = bin;
    for (int k = 1; k <= n; ++k) {
        wait();
        pos = next_place(bin, pos);
        append_stone(pos, picked[n - k]); // the stone picked up last goes first
        changed(pos);
    }

    // A last stone in a playing bin that the move left empty captured: it
    // goes to the mover's store, followed by the facing bin's stones.
    if (pos == BOTTOM_STORE || pos == TOP_STORE || played.bins[pos] != 0)
        return;
    const int facing = opposite[pos];
    wait();
    append_stone(side, g_stones[pos][0]);
    for (int k = 0, m = bin_count(facing); k < m; ++k)
        append_stone(side, g_stones[facing][k]);
    g_stones[pos][0] = -1;
    g_stones[facing][0] = -1;
    changed(pos);
    changed(facing);
    changed(side);
}

std::string pack_stones()
{
    std::string packed;
    for (int bin = 0; bin < 14; ++bin) {
        for (int k = 0, n = bin_count(bin); k < n; ++k)
            packed += static_cast<char>(g_stones[bin][k]);
        packed += static_cast<char>(-1);
    }
    return packed;
}

bool unpack_stones(const std::string& packed)
{
    // Checked whole before anything changes: fourteen lists of colours that fit.
    int ends = 0, n = 0;
    for (const signed char c : packed) {
        if (c == -1)
            ++ends, n = 0;
        else if (c < 0 || c > 4 || ++n > max_stones)
            return false;
    }
    if (ends != 14 || static_cast<signed char>(packed.back()) != -1)
        return false;
    int bin = 0, k = 0;
    for (const signed char c : packed) {
        g_stones[bin][k] = c;
        k = c == -1 ? (++bin, 0) : k + 1;
    }
    return true;
}

void keep_opening_lists()
{
    s_kept.assign(1, pack_stones());
}

void keep_lists(int level)
{
    if (level < 0)
        return;
    s_kept.resize(static_cast<size_t>(level));
    s_kept.push_back(pack_stones());
}

bool restore_lists(int level)
{
    return level >= 0 && static_cast<size_t>(level) < s_kept.size() && unpack_stones(s_kept[level]);
}
