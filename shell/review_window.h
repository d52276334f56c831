// The Review window: the game's moves judged at a depth, as a graph of the
// lead after each move with the mistakes marked, and as a list a screen
// reader reads; a click, or Left/Right/Home/End on the graph, puts the board
// on that move's position. Modeless, owned by the main window.
#pragma once

#include <windows.h>

// Control ids inside the Review window.
constexpr int IDC_REVIEW_DEPTH = 100;    // the depth's edit field, with its up-down control (101)
constexpr int IDC_REVIEW_SPIN = 101;     //
constexpr int IDC_REVIEW_START = 102;    // "&Review": starts over at the depth shown
constexpr int IDC_REVIEW_PROGRESS = 103; // moves judged of the moves
constexpr int IDC_REVIEW_CANCEL = 104;   // stops judging
constexpr int IDC_REVIEW_GRAPH = 105;    // the graph
constexpr int IDC_REVIEW_MOVE = 106;     // the line naming the move under the mouse, or the chosen one
constexpr int IDC_REVIEW_LIST = 107;     // every judged move
constexpr int IDC_REVIEW_SUMMARY = 108;  // each side's marks and average loss
constexpr int IDC_REVIEW_LABEL = 109;    // "Depth:"

// The open Review window, or null.
extern HWND g_review_wnd;

// Opens the Review window over `owner` (or brings it to the front) and
// reviews the game on show at the Difficulty. Returns the window, or null.
HWND show_review(HWND owner);
