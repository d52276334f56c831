// The exact solver: the true result of a position and of each of its moves,
// found by a search to the game's end within a time budget.
//
// Contract.
// - Values are margins as the endgame table defines them (endgame.h): the
//   stones in play that the side to move at the position ends the game with,
//   less the other side's, with best play by both; the stores take no part.
//   A move's margin is the same view, the side to move at the position
//   (the one who plays the move), counting what the move itself puts in its
//   store. The final totals are the stores plus the shares, so the side to
//   move wins when its store lead plus the margin is above 0.
// - The rules are the game's as the controller applies them: the end test
//   after every move, the stones left in a row counted for its owner; the
//   empty-capture rule is the caller's argument.
// - The search reads the endgame table (when given, and built for the same
//   rule) at positions with N stones in play or fewer, and keeps its own
//   table of proven bounds in the solver record. Entries stay valid from one
//   call to the next under the same rule; a call under the other rule
//   clears them first.
// - Results: 0..6 moves (0 for a position whose game is over), or
//   EXACT_BAD_ARGS (null, turn not 6 or 13, a negative bin or more than
//   EXACT_MAX_STONES stones in play), EXACT_NO_MEMORY (the solver's table
//   could not be had; std::bad_alloc never escapes), EXACT_NOT_PROVEN (the
//   budget ran out or `stop` was set: nothing written to the outputs).
// - Thread safety: one solver record serves one thread at a time; the node
//   and the endgame table are only read. Run it on a worker thread with the
//   UI thread reading nothing of the record; set `stop` from any thread to
//   end it early.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/engine.h"
#include "engine/exact/endgame.h"

constexpr int EXACT_BAD_ARGS = -1;
constexpr int EXACT_NO_MEMORY = -2;
constexpr int EXACT_NOT_PROVEN = -3;

// Margins go in int8 entries.
constexpr int EXACT_MAX_STONES = 127;

// One entry of the solver's own table: a position as the side to move sees
// it (as in the endgame table; all zero: empty), the interval its margin is
// proven to lie in, a log2 of the work that proved it (the entry to keep)
// and the best move found, as the side's bin 0..5.
struct exact_entry {
    uint8_t bins[12];
    int8_t lo, hi;
    uint8_t work;
    int8_t move;
};

struct exact_solver {
    std::vector<exact_entry> entries; // buckets of EXACT_BUCKET entries
    int rule = -1;                    // the empty-capture rule the entries hold, -1 none yet
    long long nodes = 0;              // positions searched by the last call
};
constexpr int EXACT_BUCKET = 4;

// The margin of one legal move.
struct exact_move {
    int bin;    // the bin sown, as in node::bins
    int margin; // the mover's margin with this move and best play after
};

// Gives the solver a table of about `megabytes` (at least 1), fewer if that
// much cannot be had: 0, or EXACT_NO_MEMORY when not even 1 MB can.
int exact_solver_init(exact_solver& s, int megabytes);
// Forgets every entry.
void exact_solver_clear(exact_solver& s);

// The margin of the side to move at `n` (its bins and turn are read, nothing
// else) and of each legal move in increasing bin order (the shape of
// move_values). `table` may be null; budget_ms < 0 means no budget. An
// uninitialised solver gets a 64 MB table first.
int exact_move_values(exact_solver& s, const node* n, bool empty_caps, const endgame_table* table,
                      int budget_ms, const std::atomic<bool>* stop, exact_move (&out)[6], int& margin);

// The margin of the side to move at `n` alone, which is cheaper than every
// move's. 0 when proven (lo == hi == the margin); EXACT_NOT_PROVEN with the
// interval proven so far in [lo, hi] (for benchmarks: the best bound a
// budget reaches); the other results as above.
int exact_position_value(exact_solver& s, const node* n, bool empty_caps, const endgame_table* table,
                         int budget_ms, const std::atomic<bool>* stop, int& lo, int& hi);
