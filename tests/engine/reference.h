// An independent exhaustive minimax over plain arrays, written from the
// rules rather than from the engine, to check the engine's search against.
#pragma once

#include <array>
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
    int h = p.b[13];
    for (int i = 7; i <= 12; ++i)
        h += p.b[i];
    return h;
}

inline int row_sum(const Pos& p, int first)
{
    int s = 0;
    for (int i = first; i < first + 6; ++i)
        s += p.b[i];
    return s;
}

// Plays `bin`; returns true when the move ended the game as the move rules
// report it (only after an extra turn or a capture).
inline bool play(Pos& p, int bin, bool empty_caps)
{
    const bool bottom = bin < 6;
    // The 13 bins the mover sows into, in order.
    std::array<int, 13> ring{};
    int k = 0;
    for (int i = 0; i < 14; ++i)
        if (i != (bottom ? 13 : 6))
            ring[k++] = i;
    int start = 0;
    while (ring[start] != bin)
        ++start;

    const int stones = p.b[bin];
    p.b[bin] = 0;
    for (int s = 1; s <= stones; ++s)
        ++p.b[ring[(start + s) % 13]];
    const int last = ring[(start + stones) % 13];
    const int own_store = bottom ? 6 : 13;
    p.level += 1;
    p.turn = bottom ? 13 : 6;

    if (last == own_store) {
        p.turn = own_store;
    } else {
        const bool own_row = bottom ? (last <= 5) : (last >= 7 && last <= 12);
        const int facing = 12 - last;
        if (!own_row || p.b[last] != 1 || (p.b[facing] == 0 && !empty_caps))
            return false;
        p.b[own_store] += 1 + p.b[facing];
        p.b[last] = 0;
        p.b[facing] = 0;
    }
    return row_sum(p, 0) == 0 || row_sum(p, 7) == 0;
}

struct Search {
    bool empty_caps = false;
    long allocations = 0; // nodes the engine would make, in its order
    long fail_at = -1;    // this allocation fails (out of memory), if >= 0

    // Minimax value; for the searched node, `best` receives the best moves
    // in increasing bin order.
    int value(const Pos& p, int limit, std::vector<int>* best = nullptr)
    {
        const int first = p.turn - 6;
        std::vector<std::pair<int, int>> scored; // (bin, value)
        for (int bin = first; bin < first + 6; ++bin) {
            if (p.b[bin] == 0)
                continue;
            if (allocations++ == fail_at)
                break;
            Pos c = p;
            const bool over = play(c, bin, empty_caps);
            const int v = (!over && c.level < limit) ? value(c, limit) : top_total(c);
            scored.push_back({bin, v});
        }
        if (scored.empty())
            return top_total(p);
        int v = scored[0].second;
        for (auto [bin, s] : scored)
            v = (p.turn == 6) ? std::min(v, s) : std::max(v, s);
        if (best)
            for (auto [bin, s] : scored)
                if (s == v)
                    best->push_back(bin);
        return v;
    }
};

} // namespace ref
