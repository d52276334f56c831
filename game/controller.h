// The game controller: the game record's set-up and release on the main window.
#pragma once

#include <windows.h>

// Posted to the main window: the computer is to move / its search has ended
// (the chosen bin, or the search's negative result, in lParam).
constexpr UINT WM_COMPUTER_MOVE = WM_USER + 100;
constexpr UINT WM_COMPUTER_MOVED = WM_USER + 101;

// The last step of the main window's creation: allocates the root, sets up
// the opening position and the stone lists, paints them and asks the user to
// start a game. Returns 0, or -2 when the root cannot be allocated; then
// g_root and g_current stay null and there is no game for anything to touch.
int init_game(HWND hwnd);

// Frees the game played so far, everything below the root; the root stays.
// Does nothing without a root.
void free_game();
