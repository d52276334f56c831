// The History and About dialogs, and the placing of every dialog over the main window.
#pragma once

#include <windows.h>

// The History dialog while one is open, else null.
extern HWND g_hist_dlg;

// Appends `text` to the History list of dialog `dlg` and scrolls it into
// view; does nothing when `dlg` is null or has no History list.
void history_add(HWND dlg, const char* text);
// Empties the History list of dialog `dlg`; does nothing when `dlg` is null
// or has no History list.
void history_clear(HWND dlg);
// Lists the game path anew in dialog `dlg`, as when it opens; does nothing
// when `dlg` is null.
void history_show_game(HWND dlg);

// Centres `dlg` over `owner`, pulled back onto the screen at the left/top
// (0) and the right/bottom edges (screen size minus dialog size).
void center_dialog(HWND dlg, HWND owner);
// Sizes a just-created tool window to `width` x `height` (already scaled to
// its DPI), no larger than its monitor's work area, and centres it over
// `owner` when there is one.
void fit_and_center(HWND hwnd, int width, int height, HWND owner);

INT_PTR CALLBACK history_dlg_proc(HWND dlg, UINT msg, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK about_dlg_proc(HWND dlg, UINT msg, WPARAM wparam, LPARAM lparam);
