// The application shell: program handles, the main window and its status bar.
#pragma once

#include <windows.h>

extern HINSTANCE g_hinst;      // the program's module; every resource load uses it
extern HWND g_hwnd_main;       // the main window
extern HCURSOR g_saved_cursor; // shown again when the computer's move arrives
extern HCURSOR g_busy_cursor;  // the application-starting cursor, while the computer thinks
extern HWND g_status_bar;      // null until created; control id IDC_STATUS_BAR

// Widths of the five status parts in percent of the main window's outer width.
// Part 0 is the message line; parts 1..4 show score, level, value, side to move.
constexpr int status_part_count = 5;
extern const int status_part_percents[status_part_count];

// Creates the status bar into g_status_bar and hides it until it is laid out.
void create_status_bar(HWND hwnd);
// Height of the status bar in pixels (creating it first if need be); 0 without one.
int status_bar_height(HWND hwnd);
// Places the status bar at the bottom, divides it into `count` parts (at most
// 25; the last one runs to the right end) and shows it.
void size_status_bar(HWND hwnd, int count, const int* percents);
// Gives the status bar the system's status font for `dpi` (a window moved
// to a monitor of another DPI); keeps its font where the system cannot tell.
void set_status_bar_dpi(int dpi);
// Writes `text` into status part `part`; does nothing when hwnd is null or
// there is no status bar.
void set_status_text(HWND hwnd, int part, const char* text);
// Shows `text` in part 0 for a while (a long task's progress) without
// forgetting the message; null puts the message back, including one set
// meanwhile.
void show_status_progress(HWND hwnd, const char* text);

// Connects the game's session to the main window `hwnd` (shell/game_view.cpp):
// the board, the status bar, the History list, the sound and the result box.
void connect_game_view(HWND hwnd);
// The one call that plays the move sound; PlaySoundA in the program. A test
// may point it elsewhere to count the sounds.
extern BOOL(WINAPI* g_play_sound)(LPCSTR sound, HMODULE module, DWORD flags);

LRESULT CALLBACK main_wnd_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

// Start-up without the message loop, so a test can make the real window.
// register_main_class stores the instance in g_hinst, initialises the common
// controls and registers the class; it returns 0 when registration fails.
int register_main_class(HINSTANCE hinst);
// Creates the main window into g_hwnd_main (the creation handler runs inside),
// then shows it with `show` and paints it. Returns the window, or null.
HWND create_main_window(int show);
// Exit code of a program whose window class cannot be registered.
constexpr int exit_no_class = 1;
// The whole program, as WinMain runs it: registers the class, makes the
// window and runs the message loop. Returns the exit code: the quit
// message's, exit_no_class when the class cannot be registered,
// ERROR_BAD_ENVIRONMENT (10) when the window cannot be made.
int run_program(HINSTANCE hinst, int show);
