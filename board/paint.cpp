// The board's art, its painting from the stone lists, repaints and the hit test.
#include "board/board.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/engine.h"
#include "game/session.h"
#include "resources/resource.h"
#include "shell/shell.h"

int g_bin_w = 0;
int g_bin_h = 0;

HBITMAP g_board_bitmaps[3] = {};
HIMAGELIST g_stone_images = nullptr;

RECT bin_cell(int bin)
{
    if (bin < 0 || bin > 13)
        return RECT{};
    const int w = g_bin_w, h = g_bin_h, left = column_of(bin) * w, top = row_of(bin) * h;
    return {left, top, left + w, side_of(bin) < 0 ? 2 * h : top + h};
}

namespace {

// The art drawn for one DPI: the board in the slots of g_board_bitmaps, the
// stones in the order of their colours (blue, green, red, white, yellow).
struct art_set {
    int dpi;
    int board[3];
    int stones[5];
};
const art_set art_sets[] = {
    {96,
     {IDB_BOARD_TOP, IDB_BOARD_BOTTOM, IDB_BOARD_STORE},
     {IDB_STONE_BLUE, IDB_STONE_GREEN, IDB_STONE_RED, IDB_STONE_WHITE, IDB_STONE_YELLOW}},
    {144,
     {IDB_BOARD_TOP_150, IDB_BOARD_BOTTOM_150, IDB_BOARD_STORE_150},
     {IDB_STONE_BLUE_150, IDB_STONE_GREEN_150, IDB_STONE_RED_150, IDB_STONE_WHITE_150, IDB_STONE_YELLOW_150}},
    {192,
     {IDB_BOARD_TOP_200, IDB_BOARD_BOTTOM_200, IDB_BOARD_STORE_200},
     {IDB_STONE_BLUE_200, IDB_STONE_GREEN_200, IDB_STONE_RED_200, IDB_STONE_WHITE_200, IDB_STONE_YELLOW_200}},
};

// Halfway between two sets the larger is taken: shrinking loses less than enlarging.
const art_set& nearest_art(int dpi)
{
    const art_set* best = &art_sets[0];
    for (const art_set& set : art_sets)
        if (std::abs(set.dpi - dpi) <= std::abs(best->dpi - dpi))
            best = &set;
    return *best;
}

// A rounded frame `inset` pixels inside a bin's cell, `width` pixels wide.
void draw_frame(HDC dc, int bin, int inset, int width, COLORREF colour)
{
    const RECT cell = bin_cell(bin);
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    if (!pen)
        return;
    HGDIOBJ old_pen = SelectObject(dc, pen);
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    const int a = inset + width / 2, b = inset + (width + 1) / 2; // the pen is centred on the outline
    const int round = scaled(18);
    RoundRect(dc, cell.left + a, cell.top + a, cell.right - b + 1, cell.bottom - b + 1, round, round);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(pen);
}

// Draws with a solid pen and brush selected, then puts the DC's own back;
// nothing when either cannot be made.
template <class Draw> void with_pen_and_brush(HDC dc, int width, COLORREF line, COLORREF fill, Draw draw)
{
    HPEN pen = CreatePen(PS_SOLID, width, line);
    HBRUSH brush = CreateSolidBrush(fill);
    if (pen && brush) {
        HGDIOBJ old_pen = SelectObject(dc, pen);
        HGDIOBJ old_brush = SelectObject(dc, brush);
        draw();
        SelectObject(dc, old_brush);
        SelectObject(dc, old_pen);
    }
    if (pen)
        DeleteObject(pen);
    if (brush)
        DeleteObject(brush);
}

// The last move's mark: a small red triangle at the middle of the cell's
// edge on the mover's side, pointing into the bin, unlike the frames round it.
void draw_last_move_mark(HDC dc, int bin)
{
    const RECT cell = bin_cell(bin);
    const int x = (cell.left + cell.right) / 2, half = scaled(8), depth = scaled(9);
    const bool bottom = side_of(bin) == BOTTOM_STORE;
    const int edge = bottom ? cell.bottom - scaled(3) : cell.top + scaled(2);
    const int tip = bottom ? edge - depth : edge + depth;
    const POINT points[3] = {{x - half, edge}, {x + half, edge}, {x, tip}};
    with_pen_and_brush(dc, scaled(1), RGB(96, 0, 0), RGB(220, 32, 32), [&] { Polygon(dc, points, 3); });
}

// A move's value in a small label at the middle of the cell's edge away from
// the mover: green for the best, dark red for the rest; a proven result in
// blue, the best with a thicker edge.
void draw_value(HDC dc, int bin, const char* text, bool best, bool proven)
{
    HFONT font =
        CreateFontA(-scaled(11), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Tahoma");
    HGDIOBJ old_font = font ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    const int length = static_cast<int>(std::strlen(text));
    GetTextExtentPoint32A(dc, text, length, &size);
    const RECT cell = bin_cell(bin);
    const int pad = scaled(4), w = size.cx + 2 * pad, h = size.cy + scaled(2);
    const int left = (cell.left + cell.right - w) / 2;
    const int top = side_of(bin) == BOTTOM_STORE ? cell.top + scaled(3) : cell.bottom - scaled(3) - h;
    const COLORREF colour = proven ? RGB(0, 60, 200) : best ? RGB(0, 110, 0) : RGB(150, 0, 0);
    with_pen_and_brush(dc, proven && best ? scaled(2) : 1, colour, RGB(255, 252, 232),
                       [&] { RoundRect(dc, left, top, left + w, top + h, scaled(8), scaled(8)); });
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    TextOutA(dc, left + pad, top + scaled(1), text, length);
    if (old_font)
        SelectObject(dc, old_font);
    if (font)
        DeleteObject(font);
}

bool bitmap_size(HBITMAP bmp, int* w, int* h)
{
    BITMAP info;
    if (!bmp || GetObjectW(bmp, sizeof info, &info) != sizeof info)
        return false;
    *w = info.bmWidth;
    *h = info.bmHeight;
    return true;
}

void add_stone_image(HBITMAP bmp)
{
    if (!bmp)
        return;
    ImageList_AddMasked(g_stone_images, bmp, RGB(0, 0, 0));
    DeleteObject(bmp);
}

HBITMAP load_bitmap(int id)
{
    return LoadBitmapW(g_hinst, MAKEINTRESOURCEW(id));
}

// `bmp` itself when it is w x h already, else a copy of it that size in its
// place: smoothed for the wood, by nearest pixels for a stone, whose black
// must stay its mask. Kept as it is when no copy can be made.
HBITMAP resampled(HBITMAP bmp, int w, int h, bool smooth)
{
    int bw = 0, bh = 0;
    if (!bitmap_size(bmp, &bw, &bh) || (bw == w && bh == h) || w <= 0 || h <= 0)
        return bmp;
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    HBITMAP copy = screen ? CreateCompatibleBitmap(screen, w, h) : nullptr;
    if (from && to && copy) {
        HGDIOBJ old_from = SelectObject(from, bmp), old_to = SelectObject(to, copy);
        SetStretchBltMode(to, smooth ? HALFTONE : COLORONCOLOR);
        SetBrushOrgEx(to, 0, 0, nullptr); // HALFTONE asks for it
        StretchBlt(to, 0, 0, w, h, from, 0, 0, bw, bh, SRCCOPY);
        SelectObject(from, old_from);
        SelectObject(to, old_to);
    } else if (copy) {
        DeleteObject(copy);
        copy = nullptr;
    }
    if (from)
        DeleteDC(from);
    if (to)
        DeleteDC(to);
    if (screen)
        ReleaseDC(nullptr, screen);
    if (!copy)
        return bmp;
    DeleteObject(bmp);
    return copy;
}

} // namespace

void load_board_art(HWND hwnd, int dpi)
{
    release_board_art(); // a second load must not leak the first
    g_dpi = usable_dpi(dpi > 0 ? dpi : window_dpi(hwnd));
    const art_set& art = nearest_art(g_dpi);
    const auto fit = [&art](int length) { return MulDiv(length, g_dpi, art.dpi); };
    for (int slot = 0; slot < 3; ++slot)
        g_board_bitmaps[slot] = load_bitmap(art.board[slot]);
    // Without the top-row bitmap the cell size stays as it was.
    int w = 0, h = 0;
    if (bitmap_size(g_board_bitmaps[0], &w, &h)) {
        g_bin_w = fit(w);
        g_bin_h = fit(h);
    }
    // The store is two cells tall whatever the rounding of a resampled one.
    for (int slot = 0; slot < 3; ++slot)
        g_board_bitmaps[slot] =
            resampled(g_board_bitmaps[slot], g_bin_w, slot == 2 ? 2 * g_bin_h : g_bin_h, true);

    HBITMAP first = load_bitmap(art.stones[0]);
    int sw = 0, sh = 0;
    if (bitmap_size(first, &sw, &sh)) {
        sw = fit(sw);
        sh = fit(sh);
        g_stone_images = ImageList_Create(sw, sh, ILC_MASK | ILC_COLOR4, 5, 1);
        if (g_stone_images) {
            add_stone_image(resampled(first, sw, sh, false));
            for (int i = 1; i < 5; ++i)
                add_stone_image(resampled(load_bitmap(art.stones[i]), sw, sh, false));
        }
    }
    if (!g_stone_images && first)
        DeleteObject(first);

    if (!hwnd)
        return;
    const int width = 2 * (metric_for_dpi(SM_CXFIXEDFRAME, g_dpi) + 4 * g_bin_w);
    const int height = 2 * (metric_for_dpi(SM_CYFIXEDFRAME, g_dpi) + g_bin_h) + status_bar_height(hwnd) +
                       metric_for_dpi(SM_CYMENU, g_dpi) + metric_for_dpi(SM_CYCAPTION, g_dpi);
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void release_board_art()
{
    for (HBITMAP& bmp : g_board_bitmaps) {
        if (bmp)
            DeleteObject(bmp);
        bmp = nullptr;
    }
    if (g_stone_images)
        ImageList_Destroy(g_stone_images);
    g_stone_images = nullptr;
}

int draw_stone(HDC dc, HIMAGELIST images, int colour, int x, int y)
{
    if (!images)
        return 0;
    return ImageList_Draw(images, colour, dc, x, y, ILD_TRANSPARENT);
}

void paint_board(HWND hwnd, HIMAGELIST images)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc)
        return;
    const int w = g_bin_w, h = g_bin_h;

    // Each bitmap is selected once and copied to every cell it covers. A
    // bitmap that did not load leaves its cells a plain grey instead of
    // whatever the memory DC would hold.
    struct cells {
        int slot, count, x0, dx, y, width, height;
    };
    const cells plan[3] = {
        {2, 2, 0, 7 * w, 0, w, 2 * h}, // the stores, columns 0 and 7
        {0, 6, w, w, 0, w, h},         // the top row
        {1, 6, w, w, h, w, h},         // the bottom row
    };
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ before = nullptr;
    for (const cells& c : plan) {
        HBITMAP bmp = g_board_bitmaps[c.slot];
        if (bmp && mem) {
            HGDIOBJ prev = SelectObject(mem, bmp);
            if (!before)
                before = prev;
        }
        for (int i = 0; i < c.count; ++i) {
            const int x = c.x0 + i * c.dx;
            if (bmp && mem) {
                BitBlt(dc, x, c.y, c.width, c.height, mem, 0, 0, SRCCOPY);
            } else {
                const RECT r{x, c.y, x + c.width, c.y + c.height};
                FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
            }
        }
    }

    for (int bin = 0; bin < 14; ++bin) {
        const bool store = is_side(bin); // a store's index is its side's
        const int m = std::min(bin_count(bin), store ? 29 : 15);
        if (m < 1)
            continue;
        const POINT* row = store ? store_layout[m - 1] : pit_layout[m - 1];
        const RECT cell = bin_cell(bin);
        for (int k = 0; k < m; ++k)
            draw_stone(dc, images, g_stones[bin][k], cell.left + scaled(row[k].x - 3),
                       cell.top + scaled(row[k].y - 9));
    }

    // The hint outside the focus, so that both show on one bin.
    if (g_hint_bin >= 0)
        draw_frame(dc, g_hint_bin, scaled(1), scaled(4), RGB(255, 196, 0));
    if (g_focus_bin >= 0)
        draw_frame(dc, g_focus_bin, scaled(6), scaled(2), RGB(32, 48, 160));
    if (g_last_move_bin >= 0)
        draw_last_move_mark(dc, g_last_move_bin);
    // Each move's value while Show Move Values shows them, small on its bin.
    for (int bin = 0; bin < 14; ++bin) {
        char label[8];
        value_label(bin, label);
        if (label[0] != 0)
            draw_value(dc, bin, label, g_bin_values[bin].loss == 0, g_bin_values[bin].proven);
    }

    if (mem) {
        if (before)
            SelectObject(mem, before);
        DeleteDC(mem);
    }
    EndPaint(hwnd, &ps);
}

// A null window would make InvalidateRect repaint every window on the desktop.
void redraw_board(HWND hwnd)
{
    if (!hwnd)
        return;
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
}

void invalidate_bin(HWND hwnd, int bin)
{
    if (!hwnd || bin < 0 || bin > 13)
        return;
    const RECT cell = bin_cell(bin);
    InvalidateRect(hwnd, &cell, FALSE);
    UpdateWindow(hwnd);
}

void repaint_bins(HWND hwnd, const bool (&changed)[14])
{
    if (!hwnd)
        return;
    for (int bin = 0; bin < 14; ++bin) {
        if (changed[bin]) {
            const RECT cell = bin_cell(bin);
            InvalidateRect(hwnd, &cell, FALSE);
        }
    }
    UpdateWindow(hwnd);
}

void set_frame(HWND hwnd, int& frame, int bin)
{
    if (bin < 0 || bin > 13)
        bin = -1;
    if (frame == bin)
        return;
    const int left = frame;
    frame = bin;
    invalidate_bin(hwnd, left);
    invalidate_bin(hwnd, bin);
    if (&frame == &g_focus_bin && bin >= 0 && hwnd)
        NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd, OBJID_CLIENT, bin + 1);
}

void notify_counts(HWND hwnd, const int (&before)[14], const int (&after)[14])
{
    for (int bin = 0; bin < 14; ++bin)
        if (before[bin] != after[bin] && hwnd)
            NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd, OBJID_CLIENT, bin + 1);
}

int hit_bin(int x, int y, int turn)
{
    const int w = g_bin_w, h = g_bin_h;
    if (w <= 0 || h <= 0)
        return -1; // no art, no board
    if (x < w || x >= 7 * w)
        return -1;
    if (y < 0 || y >= 2 * h)
        return -1; // above the board or on the status bar
    const int bin = bin_at(x / w, y / h);
    return side_of(bin) == turn ? bin : -1;
}
