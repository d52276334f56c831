// Whether every line of play from a position ends the game within a number
// of moves, the `exact` of move_values, found on the padded board without
// making nodes. It keeps the longest line from each position walked, so that
// the lines of one move's child that meet another's are walked once.
#pragma once

#include <cstdint>

#include "engine/deep/board.h"

namespace deep {

class line_check {
public:
    // `keyed`: no bin is negative and the stones in play fit 7 bits per bin,
    // so positions can be kept; otherwise every line is walked. One
    // line_check serves any walks under its rule: a line's length does not
    // depend on the top store, the one bin the keys leave out.
    line_check(bool empty_caps, bool keyed);
    ~line_check();
    line_check(const line_check&) = delete;
    line_check& operator=(const line_check&) = delete;

    // True when every line from p ends the game within r moves: after an
    // extra turn or a capture that empties a row, or where the side to move
    // has no stones. False when a stop was requested (see `stopped`).
    bool ends_within(const padded_board& p, int r) { return longest(p, r) <= r; }
    bool stopped = false;

private:
    // The longest line from p when it is at most r moves; r + 1 when one is
    // longer.
    int longest(const padded_board& p, int r);

    struct entry {
        uint64_t k0;
        uint32_t k1; // 0: empty
        int32_t longest;
    };
    entry* find(const padded_board& p, uint64_t& k0, uint32_t& k1);

    const bool caps_;
    entry* kept_ = nullptr; // null: keeps nothing
    unsigned poll_ = 0;
};

} // namespace deep
