// Reviewing a game: every move judged by the values of its position's moves
// at a depth (the stones it gave away against the best, and the mark that
// earns), each side's tally, and the texts the review shows and the record
// keeps. Plain C++: the analysis is meant for a worker thread; it reads only
// the positions it is given and calls the engine's move_values.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/exact/solver.h"

// What a move's loss makes of it: 1-2 stones an inaccuracy, 3-5 a mistake,
// 6 or more a blunder.
enum class review_mark { none, inaccuracy, mistake, blunder };
review_mark mark_of(int loss);
// "inaccuracy", "mistake", "blunder"; "" for none.
const char* mark_name(review_mark mark);

struct reviewed_move {
    int mover = 0;      // the side that moved: BOTTOM_STORE or TOP_STORE
    int bin = -1;       // the bin sown
    int best = -1;      // the lowest-numbered best bin at the depth
    int loss = 0;       // stones worse than the best for the mover; 0 for a best move
    bool exact = false; // the played move's value is the game's true result
    int lead = 0;       // the position after the move at the depth: Player 2's stones less Player 1's
};

// Judges the move `bin` played at `n` by the `count` values move_values
// found at `n`. False, and `out` untouched, when they do not hold the move.
bool judge_move(const node* n, int bin, const move_value* values, int count, reviewed_move& out);

// The values review_game and the session's worker judge a position by:
// move_values at the depth; then, given a solver, when the position has at
// most `most_stones` stones in play and every move's true result is proven
// within `budget_ms`, those results instead (each move's h the top side's
// final total, exact). The result as move_values gives it.
int review_values(const node* n, int depth, search_settings settings, exact_solver* solver,
                  const endgame_table* table, int most_stones, int budget_ms, const std::atomic<bool>* stop,
                  move_value (&out)[6]);

// Reviews `moves` (the bins sown, in order) from the opening `start` (whose
// bins and turn are read) at `depth` under `settings`, appending to `out`.
// Stops between positions when `stop` is set (it may be null), and when a
// move is not legal or a search is refused or stopped. `progress` (may be
// null) hears (moves done, moves) after each move. Returns the moves judged.
using review_progress = void (*)(void* context, int done, int total);
// Given a solver (and the endgame table, which may be null), positions are
// judged by review_values with the bounds below.
int review_game(const node* start, const std::vector<int>& moves, int depth, search_settings settings,
                const std::atomic<bool>* stop, review_progress progress, void* context,
                std::vector<reviewed_move>& out, exact_solver* solver = nullptr,
                const endgame_table* table = nullptr);
// The stones in the twelve playing bins.
int stones_in_play(const node* n);
// Proven results are looked for in positions with at most this many stones
// in play, on the bins and in the review; the review gives each position
// this long (a 60-move game stays within seconds).
constexpr int PROVEN_MOST_STONES = 34;
constexpr int REVIEW_PROVEN_BUDGET_MS = 250;

// One side's tally: its moves reviewed, their marks and the stones lost.
struct review_tally {
    int moves = 0, inaccuracies = 0, mistakes = 0, blunders = 0, lost = 0;
};
// [0] Player 2 (the bottom side), [1] Player 1 (the top side).
void tally_review(const std::vector<reviewed_move>& moves, review_tally (&out)[2]);

// The move's line for the graph's hover and the list, numbered from 1:
// "12. Player 1: 4, lost 3, best 2", or "3. Player 2: 1, best" for a best move.
std::string review_move_text(int number, const reviewed_move& m);
// The comment a saved record keeps after the move: "-3, best 2", or "0".
std::string review_comment(const reviewed_move& m);

// The review of the game on show, kept by the session. Its positions are
// searched one at a time by the session's own worker (search_kind::review)
// whenever no other search runs or is asked for: the computer's move, a hint
// or the move values each take the worker first, and the review goes on
// after them. New Game, Open and Paste abandon it.
struct review_view {
    void (*changed)(); // a move was judged, or the review started anew
    void (*ended)();   // abandoned with the game it reviewed
};
// Set by the review window; null entries are skipped.
extern review_view g_review_view;

struct review_state {
    bool on = false;                   // a review is open
    bool stopped = false;              // cancelled: no more moves are judged
    bool moved_off = false;            // the game no longer holds the reviewed moves
    int depth = 0;                     // the review depth
    std::vector<node> positions;       // the positions moved from, first the opening (copies, no links)
    std::vector<int> moves;            // the bin sown from each
    std::vector<bool> rules;           // the empty-capture rule each move was sown under
    std::vector<reviewed_move> judged; // the moves judged so far, in order
};
extern review_state g_review;

// Reviews the game on show from its opening to its last move (the moves
// taken back included) at `depth` (clamped to 0..MAX_SEARCH_DEPTH), starting
// over; false when there is no move to review.
bool review_begin(int depth);
// The review window closed: the review and its search end, and the worker
// is free for the game again.
void review_close();
// New Game, Open or Paste: the review ends with the game it reviewed.
void review_end();
// Cancel: no more moves are judged; those judged stay.
void review_stop();
// Whether every move has been judged.
bool review_complete();
// Whether the game still holds the reviewed moves: playing on from a jump
// drops those after it, and the review then tells of another game.
bool review_follows_game();
// A move was played: the review's window hears of it when that dropped
// reviewed moves.
void review_game_moved();
// Starts the next position's search when the review wants one and nothing
// else runs or is asked for.
void review_continue();
// The session's worker ended a review search with `result` values in
// g_found_values: the move is judged and the next position searched.
void review_searched(int result);
// Puts the board on the position after move `index` (0 for the first move;
// -1: the opening) as undo and redo would: on a person's turn (a position
// where the computer is to move gives way to the person's turn before it),
// with History, the status and the last move's mark following. The moves
// after it become the redo line. False, changing nothing, when that position
// is no longer on the game's line (the game went another way), in a game the
// computer plays alone, or while the computer thinks.
bool review_jump(int index);
// The comments a saved record keeps for the moves from the opening to
// `current`, when the review is complete and that game is the one reviewed;
// else none.
std::vector<std::string> review_comments(const node* current);
