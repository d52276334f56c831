// The board view on the real main window: hit test, painted pixels, the sowing animation, a long sowing.
#include "board/board.h"

#include "engine/engine.h"
#include "game/options.h"
#include "game/session.h"
#include "resources/resource.h"
#include "tests/win32/harness.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

const ULONGLONG wait_limit_ms = 20000;

namespace {

// Lists of these sizes; bin b's k-th stone has colour (b + k) mod 5.
void deal(const std::array<int, 14>& counts)
{
    for (int b = 0; b < 14; ++b)
        for (int k = 0; k <= counts[b]; ++k)
            g_stones[b][k] = k < counts[b] ? (b + k) % 5 : -1;
}

// The window as a move to a monitor of `dpi` leaves it.
void move_to_dpi(HWND hwnd, int dpi)
{
    RECT place{40, 30, 60, 50};
    SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&place));
}

// At 96 DPI and after moves to 144 and 192: cells of the 96-DPI size scaled, the edges of the playing
// bins, and each cell's tip.
TEST_F(MainWindow, HitTestEdgesAtEachScale)
{
    ASSERT_NO_FATAL_FAILURE(open());
    const int w96 = g_bin_w, h96 = g_bin_h, top = TOP_STORE, bottom = BOTTOM_STORE;
    for (const int dpi : {96, 144, 192}) {
        move_to_dpi(hwnd_, dpi);
        const int w = MulDiv(w96, dpi, 96), h = MulDiv(h96, dpi, 96);
        ASSERT_TRUE(g_bin_w == w && g_bin_h == h) << dpi;
        // clang-format off
        const int rows[][4] = {{w, 0, top, 12}, {7 * w - 1, h - 1, top, 7}, {w, h, bottom, 0},
            {7 * w - 1, 2 * h - 1, bottom, 5}, {w - 1, 10, top, -1}, {7 * w, 10, top, -1}, {w - 1, h, bottom, -1},
            {7 * w, 2 * h - 1, bottom, -1}, {3 * w, 10, bottom, -1}, {3 * w, h, top, -1},
            {3 * w, 2 * h, bottom, -1}}; // the status bar
        // clang-format on
        for (const auto& r : rows)
            EXPECT_EQ(hit_bin(r[0], r[1], r[2]), r[3])
                << r[0] << "," << r[1] << " turn " << r[2] << " at " << dpi;
        const HWND tips = find_window(
            [](HWND w) { return class_name(w) == TOOLTIPS_CLASSA && GetWindow(w, GW_OWNER) == g_hwnd_main; });
        for (int tool = 0; tool < 16; ++tool) {
            TTHITTESTINFOA hit{hwnd_, {tool % 8 * w + w - 2, tool / 8 * h + h - 2}, {TTTOOLINFOA_V2_SIZE}};
            EXPECT_TRUE(SendMessageA(tips, TTM_HITTESTA, 0, reinterpret_cast<LPARAM>(&hit)) &&
                        hit.ti.uId == static_cast<UINT_PTR>(tool))
                << tool << " at " << dpi;
        }
    }
}

// The window opens laid out for the display's DPI: 96 in the test prefix, WKIVARI_TEST_DPI in a run that
// sets Wine's own. Cells are the 96-DPI art's scaled, and the client area holds the 8 by 2 cells and the
// status bar exactly, so the frame's sizes are the system's at that DPI.
TEST_F(MainWindow, OpensSizedForTheDisplaysDpi)
{
    const char* const wanted = std::getenv("WKIVARI_TEST_DPI");
    const int dpi = wanted != nullptr ? std::atoi(wanted) : 96;
    ASSERT_NO_FATAL_FAILURE(open());
    BITMAP art{};
    const HBITMAP top = LoadBitmapA(g_hinst, MAKEINTRESOURCEA(IDB_BOARD_TOP));
    GetObjectA(top, sizeof art, &art);
    DeleteObject(top);
    EXPECT_EQ(g_dpi, dpi);
    EXPECT_TRUE(g_bin_w == MulDiv(art.bmWidth, dpi, 96) && g_bin_h == MulDiv(art.bmHeight, dpi, 96));
    RECT client{}, bar{};
    GetClientRect(hwnd_, &client);
    GetWindowRect(g_status_bar, &bar);
    EXPECT_EQ(client.right, 8 * g_bin_w);
    EXPECT_EQ(client.bottom, 2 * g_bin_h + bar.bottom - bar.top);
}

// True when every opaque pixel of stone image `colour` shows with its top-left corner at (x, y) of `dc`.
bool stone_at(HDC dc, int colour, int x, int y)
{
    int w = 0, h = 0;
    ImageList_GetIconSize(g_stone_images, &w, &h);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP canvas = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ old = SelectObject(mem, canvas);
    ImageList_Draw(g_stone_images, colour, mem, 0, 0, ILD_TRANSPARENT); // on black, the transparent colour
    bool shown = true;
    for (int i = 0; i < w * h; ++i)
        shown = shown && (GetPixel(mem, i % w, i / w) == 0 ||
                          GetPixel(mem, i % w, i / w) == GetPixel(dc, x + i % w, y + i / w));
    SelectObject(mem, old);
    DeleteObject(canvas);
    DeleteDC(mem);
    return shown;
}

// Single stones in both rows and a store; of 21 stones in a bin and 41 in a store, the last one shown
// (the 15th, the 29th) lies on top; the last move's mark. At 96 and 192 DPI, at the points scaled.
TEST_F(MainWindow, StonesArePaintedInTheirCellsAtTheirPoints)
{
    ASSERT_NO_FATAL_FAILURE(open());
    int sw = 0, sh = 0;
    ImageList_GetIconSize(g_stone_images, &sw, &sh);
    for (const int dpi : {96, 192}) {
        move_to_dpi(hwnd_, dpi);
        const auto at_dpi = [dpi](int length) { return MulDiv(length, dpi, 96); };
        int w = 0, h = 0;
        ImageList_GetIconSize(g_stone_images, &w, &h);
        EXPECT_TRUE(w == at_dpi(sw) && h == at_dpi(sh)) << dpi;
        deal({0, 1, 0, 21, 1, 0, 1, 0, 1, 0, 0, 1, 0, 41});
        redraw_board(hwnd_);
        HDC dc = GetDC(hwnd_), mem = CreateCompatibleDC(dc);
        // An empty bin shows the art drawn for this DPI, pixel for pixel, not another one stretched.
        HBITMAP art = LoadBitmapA(g_hinst, MAKEINTRESOURCEA(dpi == 96 ? IDB_BOARD_TOP : IDB_BOARD_TOP_200));
        const HGDIOBJ old = SelectObject(mem, art);
        for (int y = 0; y < g_bin_h; y += 3)
            EXPECT_EQ(GetPixel(dc, bin_cell(12).left + y * g_bin_w / g_bin_h, y),
                      GetPixel(mem, y * g_bin_w / g_bin_h, y))
                << y << " at " << dpi;
        DeleteObject(SelectObject(mem, old));
        DeleteDC(mem);
        // bin, stones shown, which one: its colour is (bin + which) mod 5
        for (const auto& p :
             {std::array{1, 1, 0}, {4, 1, 0}, {6, 1, 0}, {8, 1, 0}, {11, 1, 0}, {3, 15, 14}, {13, 29, 28}}) {
            const bool store = p[0] == BOTTOM_STORE || p[0] == TOP_STORE;
            const POINT at = store ? store_layout[p[1] - 1][p[2]] : pit_layout[p[1] - 1][p[2]];
            const RECT cell = bin_cell(p[0]);
            EXPECT_TRUE(
                stone_at(dc, (p[0] + p[2]) % 5, cell.left + at_dpi(at.x - 3), cell.top + at_dpi(at.y - 9)))
                << p[0] << " at " << dpi;
        }
        // The last move's mark: red at the middle of the edge on the mover's side, gone with the next move.
        for (const int bin : {2, 9, -1}) {
            g_last_move_bin = bin;
            redraw_board(hwnd_);
            for (const int b : {2, 9}) {
                const RECT cell = bin_cell(b);
                const int y = b == 2 ? cell.bottom - at_dpi(6) : cell.top + at_dpi(5);
                EXPECT_EQ(GetPixel(dc, (cell.left + cell.right) / 2, y) == RGB(220, 32, 32), b == bin) << bin;
            }
        }
        ReleaseDC(hwnd_, dc);
    }
}

std::vector<int> g_repaints; // the bin of each repaint, in order
int g_paints = 0;            // every paint
WNDPROC g_shell_proc;

LRESULT CALLBACK recording_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    RECT r{}, cell{};
    g_paints += msg == WM_PAINT;
    if (msg == WM_PAINT && GetUpdateRect(hwnd, &r, FALSE))
        for (int b = 0; b < 14; ++b)
            if (cell = bin_cell(b), EqualRect(&r, &cell))
                g_repaints.push_back(b);
    return CallWindowProcA(g_shell_proc, hwnd, msg, wparam, lparam);
}

// Each pace takes the sowing's steps in its order, repainting each changed cell after a pause (400 ms at
// Normal, 100 at Fast); Instant pauses never and repaints once, leaving the same stones in the same colours:
// a lap past the emptied bin with a capture, and a capture only the option allows.
TEST_F(MainWindow, EachPaceShowsTheSowingsSteps)
{
    ASSERT_NO_FATAL_FAILURE(open());
    g_shell_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recording_proc)));
    g_anim_pause_ms = 400;
    g_pause_step = [](int ms) { g_repaints.push_back(-ms); };
    const std::tuple<std::array<int, 14>, int, int> moves[] = {
        {{4, 4, 13, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0}, 2, 0},
        {{2, 4, 0, 4, 4, 4, 0, 4, 4, 0, 0, 4, 4, 0}, 0, 1}};
    for (const auto& [bins, bin, empty_caps] : moves) {
        g_allow_empty_caps = empty_caps;
        deal(bins);
        std::vector<int> steps; // a pause as -1
        sow_stones(
            bin, empty_caps != 0, [&] { steps.push_back(-1); }, [&](int b) { steps.push_back(b); });
        const std::string sown = pack_stones();
        for (const auto [pace, ms] : {std::pair{PACE_NORMAL, 400}, {PACE_FAST, 100}, {PACE_INSTANT, 0}}) {
            g_animation_speed = pace;
            deal(bins);
            redraw_board(hwnd_);
            g_repaints.clear(), g_paints = 0;
            animate_move(hwnd_, bin);
            std::vector<int> expected;
            for (int step : steps)
                if (ms > 0)
                    expected.push_back(step < 0 ? -ms : step);
            EXPECT_EQ(g_repaints, expected) << "bin " << bin << " pace " << pace;
            EXPECT_EQ(g_paints,
                      ms > 0 ? std::count_if(steps.begin(), steps.end(), [](int b) { return b >= 0; }) : 1);
            EXPECT_EQ(pack_stones(), sown) << "bin " << bin << " pace " << pace;
        }
    }
    g_pause_step = anim_pause, g_anim_pause_ms = 0, g_animation_speed = PACE_NORMAL, g_allow_empty_caps = 0;
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_shell_proc));
}

// In the middle of an 8-stone sowing, with its real pauses, the window answers a message sent to it,
// repaints, and keeps the clicks made meanwhile, sent or posted, for after the move, in order.
TEST_F(MainWindow, TheWindowAnswersDuringALongSowing)
{
    ASSERT_NO_FATAL_FAILURE(open());
    g_num_players = 2;
    g_num_stones = 8;
    SendMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0);
    g_anim_pause_ms = 400;
    std::atomic<bool> answered{false}, painted{false};
    std::thread other([&] {
        Sleep(1000); // about a third into the move
        DWORD_PTR result = 0;
        answered = SendMessageTimeoutA(hwnd_, WM_NULL, 0, 0, SMTO_NORMAL, 500, &result) != 0;
        InvalidateRect(hwnd_, nullptr, FALSE);
        Sleep(200);
        painted = !GetUpdateRect(hwnd_, nullptr, FALSE);
        SendMessageTimeoutA(hwnd_, WM_LBUTTONUP, 0, bin_point(9), SMTO_NORMAL, 500, &result);
        PostMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(1));
    });
    SendMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(5));
    g_anim_pause_ms = 0;
    other.join();
    pump_pending();
    EXPECT_TRUE(answered);
    EXPECT_TRUE(painted);
    // Bottom's 5, then top's 9, then bottom's 1: each list follows the engine's count.
    EXPECT_EQ(g_current->level, 3);
    for (int b = 0; b < 14; ++b)
        EXPECT_EQ(bin_count(b), g_current->bins[b]) << b;
}

} // namespace
