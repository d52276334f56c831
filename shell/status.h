// Status bar texts of the current position and the board's stone-count tooltips.
#pragma once

#include <windows.h>

struct node;

// Writes status parts 1..4 (score, level, heuristic value, side to move) from
// position `n`; part 0, the message line, is left alone. Does nothing for a
// null node.
void update_status(HWND hwnd, node* n);

// Creates the tooltip control with one tool per board cell (16 tools, id
// column + 8 x row). Returns the control, or null when it or one of its
// tools could not be made; the tools added before a failure still work.
HWND create_tooltips(HWND hwnd);
// Moves the tools onto the cells after the cell size changed (a new DPI).
void place_tooltips(HWND hwnd);

// The last tip's text; the control reads it after tooltip_text returns.
extern char g_tip_text[80];

// Answers one TTN_NEEDTEXT request (`hdr` is the NMTTDISPINFOA). Writes
// nothing while the Tooltips option is off. Always returns 1.
LRESULT tooltip_text(HWND hwnd, WPARAM wparam, LPARAM hdr);
