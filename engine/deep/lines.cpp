// The walk of every line from a position to the depth asked, stopping at the
// first that outlasts it; see lines.h.
#include "engine/deep/lines.h"

#include <algorithm>
#include <cstdlib>

#include "engine/engine.h"
#include "engine/moves.h"

namespace deep {

namespace {

// 2 MB: enough for the endgames at the deepest Difficulty, where every line
// ends and all of them must be walked; a position that falls out is walked
// again, never wrongly.
constexpr std::size_t KEPT = std::size_t{1} << 17;

} // namespace

line_check::line_check(bool empty_caps, bool keyed) : caps_(empty_caps)
{
    // calloc: most walks touch few of its pages, and zeroed memory is empty.
    if (keyed)
        kept_ = static_cast<entry*>(std::calloc(KEPT, sizeof(entry)));
}

line_check::~line_check()
{
    std::free(kept_);
}

line_check::entry* line_check::find(const padded_board& p, uint64_t& k0, uint32_t& k1)
{
    // The stones in play are the same throughout, so bin 13 follows from the others.
    k0 = 0;
    for (int i = 0; i < 9; ++i)
        k0 |= static_cast<uint64_t>(p.b[i]) << (7 * i);
    k1 = static_cast<uint32_t>(p.b[9]) | static_cast<uint32_t>(p.b[10]) << 7 |
         static_cast<uint32_t>(p.b[11]) << 14 | static_cast<uint32_t>(p.b[12]) << 21 |
         static_cast<uint32_t>(p.turn == TOP_STORE) << 28 | 1u << 29;
    const uint64_t x = (k0 ^ static_cast<uint64_t>(k1) << 40 ^ k1) * 0x9E3779B97F4A7C15ULL;
    return &kept_[(x >> 40) & (KEPT - 1)];
}

int line_check::longest(const padded_board& p, int r)
{
    if (moves::row_empty(p.b, first_bin(p.turn)))
        return 0;
    if (r <= 0)
        return 1;
    if ((++poll_ & 1023) == 0 && search_stop_requested())
        stopped = true;
    if (stopped)
        return r + 1;

    uint64_t k0 = 0;
    uint32_t k1 = 0;
    entry* e = kept_ ? find(p, k0, k1) : nullptr;
    if (e && e->k1 == k1 && e->k0 == k0)
        return std::min(e->longest, r + 1);

    int most = 0;
    const int first = first_bin(p.turn);
    for (int m = first; m < first + 6 && most <= r; ++m) {
        if (p.b[m] <= 0)
            continue;
        padded_board c = p;
        const moves::sow_end end = sow_fast(c, m, caps_);
        int len = 1;
        if (end == moves::SOW_PLAIN || !moves::is_over(c.b, moves::top_total(c.b))) {
            c.turn = end == moves::SOW_EXTRA_TURN ? p.turn : other_side(p.turn);
            len += longest(c, r - 1);
        }
        most = std::max(most, len);
    }
    if (stopped)
        return r + 1;
    // Only a walk that finished knows the longest line; one cut short is
    // found again at once, down the line that outlasted the depth.
    if (e && most <= r)
        *e = {k0, k1, most};
    return std::min(most, r + 1);
}

} // namespace deep
