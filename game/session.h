// The game's session apart from the window: the game on show and its flow (New Game, a move and the
// hand-over, opening a record, undo, redo), what a search is ordered for and what its result means, when a
// hint or the move values may be looked for, the values as numbers, the keys' rules and the one rule for a
// bin that can be played now. Plain C++, tested natively; what it needs of the screen it asks through
// g_view, which the Win32 controller fills.
#pragma once

#include "engine/engine.h"
#include "engine/exact/solver.h"
#include "game/play.h"

struct game_record;

// What the session asks of the screen. Each entry is set before the session
// is used; a test sets its own to record the calls.
struct session_view {
    void (*animate)(int bin, bool empty_caps); // sows the move's stones on the board, step by step
    void (*counts_changed)(const int (&before)[14], const int (&after)[14]); // tells a screen reader
    void (*redraw)();                                                        // the whole board
    void (*repaint)(const bool (&bins)[14]);                                 // the bins marked
    void (*value_changed)(int bin);           // a bin's value came or went (a screen reader)
    void (*frame)(int& frame, int bin);       // moves g_focus_bin, g_hint_bin or g_last_move_bin
    void (*message)(const char* text);        // status part 0
    void (*position)(const node* n);          // status parts 1 to 4 from n; null empties them
    void (*history_add)(const char* line);    // to an open History list
    void (*history_clear)();                  // the History list emptied
    void (*history_show)();                   // the History list shows the game path anew
    void (*sound)();                          // the move sound
    void (*result)(const char* text);         // the result box; returns when it is answered
    void (*shown)();                          // a new position is on show (keys typed before are stale)
    void (*ask_computer)(request_id request); // the computer is to move: queued, started later
    bool (*start_search)();                   // runs g_order on a worker; false when none can start
    void (*stop_search)();                    // stops the worker and waits for it to end
    void (*busy)(bool on);                    // the busy cursor, or the cursor before it
    void (*hint_timer)(bool on);              // the hint's frame goes when the timer is up
};
extern session_view g_view;

// Frames over a bin, each on one bin or -1: the keyboard's focus, the
// computer's hint; and the mark on the bin the last move was sown from.
extern int g_focus_bin;
extern int g_hint_bin;
extern int g_last_move_bin;

// What a search is ordered for, copied when it starts: the worker reads
// nothing the user may change meanwhile, and the session writes none of it
// again until the worker has ended.
// An exact search follows a values search: the moves' true results, found within a budget.
enum class search_kind { move, hint, values, review, exact };
struct search_order {
    node* position; // a copy of the current position, without links: the game path stays whole
    int depth;
    search_settings settings;
    request_id request;
    search_kind kind;
};
extern search_order g_order;
// The values a values search found; written by its worker before it reports.
extern move_value g_found_values[6];
// The margins an exact search proved (its result: how many); written by its worker before it reports.
extern exact_move g_found_exact[6];
// A worker runs g_order.
extern bool g_searching;

// False from the start of the program until the first New Game: the opening
// then shows no position in the status bar.
extern bool g_started;

// The game on show. session_init sets up the root and the opening, 0; -2
// when the root cannot be made (there is then no game to touch).
int session_init();
// Frees everything below the root.
void session_free_game();
// New Game: a running search abandoned, the game dealt anew from the options, the first turn handed on.
void session_new_game();
// Plays `bin` for the side to move at `current` (g_current), which then
// designates the new position: animation, status, History, sound, end test
// and result, then the turn handed on. 0 while the game goes on; -3 when the
// move was refused (the message says so) or ended the game.
int session_play(node*& current, int bin);
// A bin chosen by a click or a key: played unless the computer thinks; a
// hint or values search gives way.
void session_play_bin(int bin);
// Opens a record read by read_record as the game, all or nothing: false,
// the game as it was, when memory runs out.
bool session_open(const game_record& record);
// Ctrl+Z and Ctrl+Y: back to the person's previous turn; the moves taken
// back played again up to the next turn of a person.
void session_undo();
void session_redo();
// Puts the board on `n`, a position on the game's line, as undo does.
void session_go_to(node* n);

// The computer's turn: the request posted by the hand-over starts the search
// when it is still the one wanted and nothing runs. True when it started.
bool session_computer_turn(request_id request);
// Whether a search's result for `request` is the one the running search
// was ordered for (else it is stale and dropped).
bool session_result_wanted(request_id request);
// The running search's result, its worker ended: a move played, a hint
// shown, or `result` values shown (g_found_values).
void session_search_done(int result);
// Stops a running search and forgets its result.
void session_abandon();
// The computer looks for its own move (not for a hint, nor for values).
bool session_thinking();
// Whether `bin` can be played now, the same for a click, a key and a screen
// reader: playable at the current position while the computer does not think.
bool playable_now(int bin);

// The hint and the values belong to the position on show: a new position
// takes both off.
void session_end_aids();
// Starts finding the values when they are on, it is a person's turn and
// nothing else is searched or asked.
void session_want_values();

// H: on a person's turn, the computer's choice for that side is looked for;
// found, it is framed and named until the timer is up (session_hint_over).
void session_ask_hint();
void session_hint_over();

// Show Move Values: while on, in a person's turn each bin of the side to
// move shows its move's value, found quietly by a values search; any change
// of the position takes them off, and they are found anew.
extern bool g_show_values;
// V: on or off; the new state.
bool session_toggle_values();
// Found again at the Difficulty as it is now (after Options OK).
void session_refresh_values();

// Once the values are shown, a position with at most PROVEN_MOST_STONES
// (game/review.h) stones in play is searched to the game's end for at most
// the budget; proven, the moves' true results replace the values.
constexpr int PROVEN_BUDGET_MS = 1500;

// One bin's move value while Show Move Values shows it.
struct bin_value {
    bool shown = false;
    int loss = 0;        // stones worse than the best move for the mover; 0 for the best
    bool exact = false;  // the game's true result: every line below the move ends within the search
    bool proven = false; // `result` shows instead: proven by the exact search
    int result = 0;      // the game's final lead for the mover with this move and best play after
};
extern bin_value g_bin_values[14];
// Keeps the values move_values found at `n` (`count` of them, the search's
// result) for the bins they name, each against the best for the side to
// move: the top side's highest h or the bottom side's lowest. Marks in
// `changed` the bins that now show a value; nothing for a count of 0 or less.
void keep_values(const node* n, const move_value* values, int count, bool (&changed)[14]);
// Keeps the moves' true results an exact search proved at `n` (`count` of
// them): the mover's store lead plus each move's margin; the best is the
// highest. Marks in `changed` the bins it sets; nothing for a count of 0 or less.
void keep_proven(const node* n, const exact_move* moves, int count, bool (&changed)[14]);
// Takes every value off; marks in `changed` the bins that showed one.
void drop_values(bool (&changed)[14]);
// Whether any bin shows a value.
bool values_shown();
// A bin's value as the board labels it: "0" for the best, "-2" for two
// stones worse, "=" before a value that is the game's result; a proven
// result "=+3", "=0", "=-2"; empty when the bin shows none.
void value_label(int bin, char (&text)[8]);
// What a screen reader is told of it: "Value: -2", "Value: 0, best",
// "Result: wins by 3", "Result: draw, best"; empty when the bin shows none.
void value_description(int bin, char (&text)[32]);

// Keyboard play. Each position put on show is counted; a key that plays
// carries the count of positions shown when it was typed (`seen`) and acts
// only on the position its player saw, and only on a person's turn.
extern unsigned g_positions_shown;
enum class key_intent {
    play_column, // the bin of the side to move in screen column `column` (1 to 6)
    focus_left,  // the focus frame to the previous non-empty bin, wrapping round
    focus_right, // to the next
    play_focus,  // the framed bin (Enter, Space); the first press only shows the frame
    hint,        // H
};
void session_key(key_intent intent, int column, unsigned seen);
// A mouse click hides the focus frame until a key is used again.
void session_hide_focus();
// Puts the focus frame, if shown, on the focused column's bin of the side to
// move (the next non-empty one to the right when that is empty).
void session_place_focus();
