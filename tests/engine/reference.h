// An independent exhaustive minimax over plain arrays, written from the
// rules rather than from the engine, to check the engine's search against.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace ref {

struct Pos {
    std::array<int, 14> b{};
    int turn = 6;
    int level = 0;
};

// Value of a position: the top side's store plus its row.
inline int top_total(const Pos& p)
{
    return p.b[13] + p.b[7] + p.b[8] + p.b[9] + p.b[10] + p.b[11] + p.b[12];
}

inline int row_sum(const Pos& p, int first)
{
    return p.b[first] + p.b[first + 1] + p.b[first + 2] + p.b[first + 3] + p.b[first + 4] + p.b[first + 5];
}

// Plays `bin`; returns true when the move ended the game as the move rules
// report it (only after an extra turn or a capture).
inline bool play(Pos& p, int bin, bool empty_caps)
{
    const bool bottom = bin < 6;
    const int own_store = bottom ? 6 : 13, stones = p.b[bin];
    // Stone k lands k places on in the ring of the 13 places the mover sows.
    int ring[13], n = 0;
    for (int i = bin + 1; i <= bin + 14; ++i)
        if (i % 14 != (bottom ? 13 : 6))
            ring[n++] = i % 14;
    p.b[bin] = 0;
    for (int k = 0; k < stones; ++k)
        ++p.b[ring[k % 13]];
    const int last = ring[(stones + 12) % 13];
    p.level += 1;
    p.turn = last == own_store ? own_store : bottom ? 13 : 6;
    if (last != own_store) {
        const int facing = 12 - last;
        if ((last < 6) != bottom || p.b[last] != 1 || (p.b[facing] == 0 && !empty_caps))
            return false;
        p.b[own_store] += 1 + p.b[facing];
        p.b[last] = p.b[facing] = 0;
    }
    return row_sum(p, 0) == 0 || row_sum(p, 7) == 0;
}

struct search {
    bool empty_caps = false;
    long allocations = 0; // nodes the engine would make, in its order
    long fail_at = -1;    // this allocation fails (out of memory), if >= 0

    // Minimax value; for the searched node, `best` receives the best moves
    // in increasing bin order.
    int value(const Pos& p, int limit, std::vector<int>* best = nullptr)
    {
        std::pair<int, int> scored[6]; // (bin, value)
        int n = 0;
        for (int bin = p.turn - 6; bin < p.turn; ++bin) {
            if (p.b[bin] == 0)
                continue;
            if (allocations++ == fail_at)
                break;
            Pos c = p;
            const bool over = play(c, bin, empty_caps);
            scored[n++] = {bin, !over && c.level < limit ? value(c, limit) : top_total(c)};
        }
        int v = n == 0 ? top_total(p) : scored[0].second;
        for (int i = 0; i < n; ++i)
            v = p.turn == 6 ? std::min(v, scored[i].second) : std::max(v, scored[i].second);
        for (int i = 0; i < n; ++i)
            if (best && scored[i].second == v)
                best->push_back(scored[i].first);
        return v;
    }

    // True when no line from p reaches the level limit with a move left.
    bool ends(const Pos& p, int limit)
    {
        for (int bin = p.turn - 6; bin < p.turn; ++bin) {
            Pos c = p;
            if (p.b[bin] != 0 && (p.level >= limit || (!play(c, bin, empty_caps) && !ends(c, limit))))
                return false;
        }
        return true;
    }
};

// The game as the controller plays it: the end test after every move, the
// stones left in a row counted for its owner. A full-depth minimax of the
// stones in play that the top side ends with, the top side maximising and
// the bottom side minimising; remembered per position, as only the playing
// bins and the side to move decide it. For up to 15 stones in a bin.
struct to_the_end {
    bool empty_caps = false;
    // Open addressing on the position (4 bits a bin, then the side), with
    // the share plus one in the top byte; 0: a free slot.
    std::vector<uint64_t> known = std::vector<uint64_t>(std::size_t{1} << 23);

    int top_share(const Pos& p)
    {
        if (row_sum(p, 0) == 0 || row_sum(p, 7) == 0)
            return row_sum(p, 7);
        uint64_t key = p.turn == 13;
        for (int bin : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12})
            key = key << 4 | static_cast<uint64_t>(p.b[bin]);
        std::size_t at = (key * 0x9e3779b97f4a7c15ull) >> 41;
        for (; known[at] != 0; at = (at + 1) % known.size())
            if ((known[at] & ((uint64_t{1} << 56) - 1)) == key)
                return static_cast<int>(known[at] >> 56) - 1;
        int best = p.turn == 13 ? -1 : 1 << 20;
        for (int bin = p.turn - 6; bin < p.turn; ++bin)
            if (p.b[bin] != 0)
                best = p.turn == 13 ? std::max(best, move_share(p, bin)) : std::min(best, move_share(p, bin));
        while (known[at] != 0) // the moves' positions may have taken the slot
            at = (at + 1) % known.size();
        known[at] = key | static_cast<uint64_t>(best + 1) << 56;
        return best;
    }

    // The top side's share of p's stones in play after `bin` and best play.
    int move_share(const Pos& p, int bin)
    {
        Pos c = p;
        c.b[6] = c.b[13] = 0;
        play(c, bin, empty_caps);
        const int won = c.b[13];
        c.b[6] = c.b[13] = 0;
        return won + top_share(c);
    }

    // The same as the side to move's margin: its share less the other's.
    int margin(const Pos& p, int share)
    {
        const int top_margin = 2 * share - row_sum(p, 0) - row_sum(p, 7);
        return p.turn == 13 ? top_margin : -top_margin;
    }
};

} // namespace ref
