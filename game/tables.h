// The endgame tables the exact search reads, one a rule: kept in the player's local application data folder,
// built there on first need on a thread of their own, with the progress in the status bar.
#pragma once

#include <windows.h>

#include "engine/exact/endgame.h"

// Posted by the table's thread to the main window: how far the build got (wParam: percent), and that the
// thread has ended (wParam: 1 with a table, 0 without).
constexpr UINT WM_TABLE_PROGRESS = WM_USER + 102;
constexpr UINT WM_TABLE_BUILT = WM_USER + 103;

// The stones in play the tables hold: ENDGAME_STONES in the program. A test sets fewer, as a full table
// takes seconds to build.
extern int g_endgame_stones;

// The table for the rule when it is ready; null while it is read or built, and when it could not be had
// (the exact search then runs without it). The first call for a rule starts reading or building it.
const endgame_table* endgame_for(bool empty_caps);
// WM_TABLE_PROGRESS and WM_TABLE_BUILT: the progress shown; at the end the status message put back and
// the table kept.
void table_progress(HWND hwnd, int percent);
void table_built(HWND hwnd, bool ok);
// Shutdown: a build under way is cancelled and waited for.
void end_tables();
