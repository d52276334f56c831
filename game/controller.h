// The game controller: the game record, every move, the computer's turn on a worker thread, and the end of a
// game.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>

#include "game/play.h" // the game's decisions (computer_plays, ...), which this adapter acts on

struct node;
struct game_record;

// Posted to the main window: the computer is to move / its search has ended
// (the chosen bin, or the search's negative result, in lParam). Both carry
// in wParam the number of the request they answer: a message whose number is
// not the latest request's is stale (from before a New Game, or from an
// abandoned search) and is dropped.
constexpr UINT WM_COMPUTER_MOVE = WM_USER + 100;
constexpr UINT WM_COMPUTER_MOVED = WM_USER + 101;

// The running computer search thread, or INVALID_HANDLE_VALUE (-1) when none
// runs. Written only on the user interface thread.
extern HANDLE g_thread;

// The one call that plays the move sound; PlaySoundA in the program. A test
// may point it elsewhere to count the sounds.
extern BOOL(WINAPI* g_play_sound)(LPCSTR sound, HMODULE module, DWORD flags);

// The one call that starts the computer's search thread; CreateThread in the
// program. A test may point it elsewhere to make it fail or to hold the
// thread before it runs.
extern decltype(&CreateThread) g_create_thread;

// The last step of the main window's creation: allocates the root, sets up
// the opening position and the stone lists, paints them and asks the user to
// start a game. Returns 0, or -2 when the root cannot be allocated; then
// g_root and g_current stay null and there is no game for anything to touch.
int init_game(HWND hwnd);

// Frees the game played so far, everything below the root; the root stays.
// Does nothing without a root.
void free_game();

// Plays `bin` for the side to move on `current` (always g_current), which
// then designates the new position: animation, status, History line, sound,
// end test and result, then the turn handed on. Returns 0 when the game goes
// on; -3 when the move was refused ("ERROR: could not make move", nothing
// else changes) or ended the game.
int make_move(HWND hwnd, node*& current, int bin);

// Menu command New Game: abandons a running search, deals a new game and
// hands the first turn on.
void new_game(HWND hwnd);

// Opens a record read by read_record as the game: a running search or hint
// is abandoned, the board shows the last position (stones dealt afresh and
// sown by the moves, without animation), the History lists every move, undo
// goes back move by move, and the turn is handed on as after a move. The
// record's empty-capture rule holds for this game; the player's own comes
// back with New Game. False, with the game as it was, when memory runs out.
bool open_game(HWND hwnd, const game_record& record);

// Show Move Values: while on, in a person's turn each bin of the side to
// move shows its move's value against the best at the Difficulty
// (g_bin_values), found quietly on the search thread; any change of the
// position takes them away at once, and they are found anew.
extern bool g_show_values;
// V and the menu item: the values on or off, with the item's check mark.
void toggle_values(HWND hwnd);
// Starts finding the values when they are on, it is a person's turn and
// nothing else is searched or asked.
void want_values(HWND hwnd);
// The values search's result: `count` moves in its thread's table.
void show_values(HWND hwnd, int count);
// Takes the values off the bins.
void clear_values(HWND hwnd);
// The values found again, at the Difficulty as it is now (after Options OK).
void refresh_values(HWND hwnd);

// The Game menu's record commands (game/record_commands.cpp): the game on
// show saved in a file or put on the clipboard as a record; a record opened
// from a file or pasted, all or nothing. Each tells in a box owned by the
// main window what went wrong, naming the file or the clipboard and the line.
void save_game(HWND hwnd);
void open_game_file(HWND hwnd);
void copy_game(HWND hwnd);
void paste_game(HWND hwnd);
// The one call that writes a saved game's bytes; WriteFile in the program.
// A test may make it fail, to see that the old file stays whole.
extern decltype(&WriteFile) g_write_file;
// What Save and Open do with the file the dialog gave.
void save_game_as(HWND hwnd, const std::string& path);
void open_game_path(HWND hwnd, const std::string& path);

// WM_COMPUTER_MOVE: starts the search thread for request `request` with the
// busy cursor. A stale request, or one while a search still runs, is dropped.
// When no thread can be made the game waits for a click, which may play the
// computer's side, or for New Game.
void start_computer_move(HWND hwnd, WPARAM request);

// WM_COMPUTER_MOVED: plays the search's result `bin` unless it is stale.
void computer_moved(HWND hwnd, WPARAM request, LPARAM bin);

// The worker thread's body: one search on the position, depth and settings
// copied when it was ordered; posts the result and ends.
DWORD WINAPI comp_move_thread(LPVOID unused);

// WM_SETCURSOR: the busy cursor while a search runs, else the cursor is left
// as it is. Returns the procedure's result, 0.
LRESULT game_cursor();

// WM_LBUTTONUP on the board: plays the bin of the side to move under the
// point. Ignored while the computer is thinking.
void click_board(LPARAM point);

// Stops a running search and waits for its thread to end; returns at once
// when none runs. Its result is never applied.
void abandon_search();

// A bin chosen by a click or a key: played for the side to move, unless the
// computer is thinking; a hint being looked for gives way. -1 does nothing.
void play_bin(int bin);
// True while the computer looks for its own move (not for a hint).
bool computer_thinking();
// Whether `bin` can be played now, the same answer for a click, a key and a
// screen reader: playable at the current position while the computer does
// not think. Keys also need a person's turn, as they saw it.
bool playable_now(int bin);
// True when the position now current was on show at `time` (a message time):
// a key pressed earlier was meant for a position before it.
bool shown_by(DWORD time);

// Takes back the last move, or against the computer everything back to the
// person's previous turn, abandoning a search first. Nothing is animated;
// board, status, History and tips show that earlier moment again. Does
// nothing when the person has had no turn before, or with no person playing.
void undo_move(HWND hwnd);
// Plays the moves taken back again, animated as they were played (under the
// empty-capture rule of that moment), up to the next turn of a person; a new
// move drops them. Ignored while the computer thinks.
void redo_move(HWND hwnd);
// On a person's turn, looks for the computer's choice for that side on the
// search thread; a click, a key that plays, New Game or a take-back abandons
// it. The answer is framed for two seconds and named in status part 0.
void ask_hint(HWND hwnd);
// The found hint's bin (or the search's negative result) on show.
void show_hint(HWND hwnd, int bin);
// WM_TIMER of the main window: the hint's frame goes when its time is up.
void game_timer(HWND hwnd, WPARAM timer);

// Keyboard play, WM_KEYDOWN of the main window: the digits 1 to 6 (and the
// number pad's) play the side to move's bin in that screen column, Left and
// Right move the focus frame over that side's non-empty bins, Enter and
// Space play the framed bin, H asks for a hint, Ctrl+Z and Ctrl+Y take a
// move back and play it again. The keys that play do so only on a person's
// turn and when pressed after it began (the message's time); else they do
// nothing. True when the key was one of these.
bool game_key(HWND hwnd, WPARAM key, bool ctrl);
// The Game menu's commands: Undo, Redo and Hint do what Ctrl+Z, Ctrl+Y and H
// do; the pace items set the animation's pace, mark it and save it at once
// (a box owned by the main window says so when it cannot be saved). False
// for any other command.
bool game_command(HWND hwnd, UINT id);
// Puts the menu's radio mark on the current pace.
void show_pace(HWND hwnd);
// A mouse click hides the focus frame until a key is used again.
void hide_focus(HWND hwnd);
// Puts the focus frame, if shown, on the focused column's bin of the side to
// move (the next non-empty one to the right when that is empty); none while
// the computer is to move.
void place_focus(HWND hwnd);

// The Options dialog (resource IDD_OPTIONS), run with no owner so the game
// goes on while it is open. OK stores the fields in the option globals and
// rewrites the settings file; Cancel, Esc and the close box change nothing.
INT_PTR CALLBACK options_dlg_proc(HWND dlg, UINT msg, WPARAM wparam, LPARAM lparam);
