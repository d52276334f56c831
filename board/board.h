// The board view: cell geometry, art, painting, hit test and the sowing animation of the stone lists.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "game/stone_lists.h"

// Cell size in pixels at the board's DPI, taken from the top-row bitmap when
// the art is loaded. The board is 8 columns by 2 rows of cells; the stores
// fill columns 0 and 7.
extern int g_bin_w;
extern int g_bin_h;

// The DPI the board is drawn for (96 is 100 %). Every length of the board
// at 96 DPI is drawn scaled(length) long.
extern int g_dpi;
int scaled(int length);
// `dpi` when it is one Windows could set (48 to 480), else 96.
int usable_dpi(int dpi);
// The window's DPI (the system's where the system has no DPI per window).
int window_dpi(HWND hwnd);
// GetSystemMetrics for a window at `dpi`, where the system can tell it.
int metric_for_dpi(int index, int dpi);
// The system's fonts and sizes for `dpi`; false where the system cannot tell.
bool nonclient_metrics_for_dpi(int dpi, NONCLIENTMETRICSW* metrics);

// Board art: slot 0 the top-row cell, 1 the bottom-row cell, 2 a store column.
extern HBITMAP g_board_bitmaps[3];

// One image per stone colour (0 blue, 1 green, 2 red, 3 white, 4 yellow).
extern HIMAGELIST g_stone_images;

// Where stones sit in a cell, relative to its top-left corner: row n - 1
// holds the n points used when a bin shows n stones (a playing bin shows at
// most 15, a store at most 29). A stone at (x, y) is drawn with its top-left
// corner at (x - 3, y - 9). All at 96 DPI: they are drawn scaled.
extern const POINT pit_layout[15][15];
extern const POINT store_layout[29][29];

// Loads the board bitmaps and the stone image list for `dpi` (0: the
// window's), sets g_dpi, g_bin_w and g_bin_h and sizes the main window to a
// client area of 8 by 2 cells plus the status bar. The art drawn for the
// nearest of 96, 144 and 192 DPI is used, resampled only for a DPI between.
// Part of the main window's WM_CREATE and WM_DPICHANGED handling.
void load_board_art(HWND hwnd, int dpi = 0);
// Deletes what load_board_art made and nulls the handles; safe to call twice.
void release_board_art();

// WM_PAINT handling of the main window.
void paint_board(HWND hwnd, HIMAGELIST images);
// Draws stone image `colour` with its top-left corner at (x, y). Returns
// ImageList_Draw's result, or 0 (drawing nothing) without an image list.
int draw_stone(HDC dc, HIMAGELIST images, int colour, int x, int y);
// Repaint the whole board, or one bin's cell, before returning.
void redraw_board(HWND hwnd);
void invalidate_bin(HWND hwnd, int bin);
// The playing bin of side `turn` (6 bottom, 13 top) under client point (x, y),
// or -1 when the point selects no bin of that side.
int hit_bin(int x, int y, int turn);
// The client rectangle of a bin 0..13 (a store's spans both rows); empty for any other number.
RECT bin_cell(int bin);
// Tells screen readers which bins' counts differ between `before` and
// `after` (EVENT_OBJECT_VALUECHANGE, child bin + 1).
void notify_counts(HWND hwnd, const int (&before)[14], const int (&after)[14]);

// Moves `frame` (game/session's g_focus_bin, g_hint_bin or g_last_move_bin) to `bin` (-1
// hides it) and repaints the cells it leaves and enters. The focus frame
// coming to a bin tells screen readers (EVENT_OBJECT_FOCUS, child bin + 1).
void set_frame(HWND hwnd, int& frame, int bin);

// Replays the move from `bin` on the stone lists (sow_stones), repainting each changed
// bin after a pause of g_anim_pause_ms. Does nothing unless `bin` is a
// non-empty playing bin. At the Fast pace the pause is a quarter as long;
// at the Instant pace there is none, and the changed bins are repainted
// once, at the end. The first form captures by the option's rule, the
// second by the empty-capture rule given (a move played again is shown as
// the record has it, whatever the option says now).
void animate_move(HWND hwnd, int bin);
void animate_move(HWND hwnd, int bin, bool empty_caps);
// Repaints, in one paint, the cells of the bins marked in `changed`.
void repaint_bins(HWND hwnd, const bool (&changed)[14]);
// The animation's pause per step at the Normal pace, in milliseconds; tests set it to 0.
extern int g_anim_pause_ms;
// The one call that pauses a step; anim_pause in the program. A test may
// point it elsewhere to record the pauses.
extern void (*g_pause_step)(int ms);
// Waits `ms` milliseconds handling only paints and messages sent by other
// threads: input and posted messages wait for after the move.
void anim_pause(int ms);
// True inside anim_pause: a message handled now arrived in the middle of a move.
bool anim_pausing();
