// The Win32 side of the game: the session's screen, the computer's worker thread and its messages, the
// hint's timer, the cursors, the keys and the Game menu's commands, and the record commands' files and
// clipboard. The game's own decisions are in game/session.
#pragma once

#include <windows.h>

#include <string>

struct node;
struct game_record;

// Posted to the main window: the computer is to move / its search has ended
// (the chosen bin, or the search's negative result, in lParam). Both carry
// in wParam the number of the request they answer: a message whose number is
// not the latest request's is stale (from before a New Game, or from an
// abandoned search) and is dropped.
constexpr UINT WM_COMPUTER_MOVE = WM_USER + 100;
constexpr UINT WM_COMPUTER_MOVED = WM_USER + 101;

// The running search thread, or INVALID_HANDLE_VALUE (-1) when none runs.
// Written only on the user interface thread.
extern HANDLE g_thread;

// The one call that starts the search thread; CreateThread in the program.
// A test may point it elsewhere to make it fail or to hold the thread.
extern decltype(&CreateThread) g_create_thread;
// The one call that writes a saved game's bytes; WriteFile in the program.
// A test may make it fail, to see that the old file stays whole.
extern decltype(&WriteFile) g_write_file;

// The last step of the main window's creation: connects the session to the
// window, allocates the root, sets up the opening position and the stone
// lists, paints them and asks the user to start a game. 0, or -2 when the
// root cannot be allocated: g_root and g_current then stay null.
int init_game(HWND hwnd);
// Frees the game played so far, everything below the root; the root stays.
void free_game();
// Plays `bin` for the side to move on `current` (always g_current), which
// then designates the new position (session_play). 0 when the game goes on;
// -3 when the move was refused or ended the game.
int make_move(HWND hwnd, node*& current, int bin);
// Menu command New Game: abandons a running search, deals a new game and
// hands the first turn on.
void new_game(HWND hwnd);
// Opens a record read by read_record as the game (session_open).
bool open_game(HWND hwnd, const game_record& record);

// The session's screen entries that the controller keeps (shell/game_view
// hands them on): a position came on show (the keys' clock), the search
// thread started (false when none can be) and stopped (waiting for it), the
// busy cursor on and off, the hint's timer set and killed.
void game_shown();
bool start_search_thread();
void stop_search_thread();
void set_busy_cursor(bool on);
void set_hint_timer(bool on);

// WM_COMPUTER_MOVE: starts the search thread for `request` with the busy
// cursor, unless the request is stale or a search runs. When no thread can
// be made the game waits for a click, which may play the computer's side.
void start_computer_move(HWND hwnd, WPARAM request);
// WM_COMPUTER_MOVED: the search's result, unless it is stale.
void computer_moved(HWND hwnd, WPARAM request, LPARAM result);
// The worker thread's body: one search of g_order; posts the result and ends.
DWORD WINAPI comp_move_thread(LPVOID unused);
// Stops a running search and waits for its thread to end; returns at once
// when none runs. Its result is never applied.
void abandon_search();
// WM_SETCURSOR: the busy cursor while the computer or a hint search runs.
LRESULT game_cursor();
// WM_LBUTTONUP on the board: plays the bin of the side to move under the point.
void click_board(LPARAM point);
// WM_TIMER of the main window: the hint's frame goes when its time is up.
void game_timer(HWND hwnd, WPARAM timer);

// The Game menu's commands: Undo, Redo, Hint, the paces (marked and saved at
// once; a box owned by the main window says when that fails), the record
// commands and Show Move Values (checked while on). False for any other id.
bool game_command(HWND hwnd, UINT id);
// WM_KEYDOWN of the main window: the digits 1 to 6 (and the number pad's),
// Left, Right, Enter, Space and H (game/session's keyboard rules), and the
// keys of the Game menu's commands: Ctrl+Z, Ctrl+Y, Ctrl+O, Ctrl+S, Ctrl+C,
// Ctrl+V and V. True when the key was one of these.
bool game_key(HWND hwnd, WPARAM key, bool ctrl);
// The count of positions the session had shown by message time `time`: a
// key's, for the session's rule that a key acts on the position it was
// typed on.
unsigned positions_seen_by(DWORD time);
// Puts the menu's radio mark on the current pace.
void show_pace(HWND hwnd);

// The Game menu's record commands (game/record_commands.cpp): the game on
// show saved in a file or put on the clipboard as a record; a record opened
// from a file or pasted, all or nothing. Each tells in a box owned by the
// main window what went wrong, naming the file or the clipboard and the line.
void save_game(HWND hwnd);
void open_game_file(HWND hwnd);
void copy_game(HWND hwnd);
void paste_game(HWND hwnd);
// What Save and Open do with the file the dialog gave.
void save_game_as(HWND hwnd, const std::string& path);
void open_game_path(HWND hwnd, const std::string& path);

// The Options dialog (resource IDD_OPTIONS), run with no owner so the game
// goes on while it is open. OK stores the fields in the option globals and
// rewrites the settings file; Cancel, Esc and the close box change nothing.
INT_PTR CALLBACK options_dlg_proc(HWND dlg, UINT msg, WPARAM wparam, LPARAM lparam);
