// Tests of the board view on the real main window: hit test, painted pixels, repaints, stone lists and the
// sowing animation.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "board/board.h"
#include "engine/engine.h"
#include "game/options.h"
#include "resources/resource.h"
#include "shell/shell.h"
#include "tests/win32/harness.h"

// The backstop for the harness's waits; these tests only pump what is queued.
const ULONGLONG wait_limit_ms = 20000;

namespace {

using Bins = std::array<int, 14>;

HWND g_wnd = nullptr;

// The real main window, made once for the whole run like the program makes it.
class OneMainWindow : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(main_class_registered());
        g_wnd = create_main_window(SW_SHOWNORMAL);
        ASSERT_NE(g_wnd, nullptr);
        pump_pending();
    }
    void TearDown() override
    {
        if (g_wnd)
            DestroyWindow(g_wnd);
        pump_pending();
    }
};

const auto* const main_window_env = ::testing::AddGlobalTestEnvironment(new OneMainWindow);

// ---- pixels ----------------------------------------------------------------

// A stone image drawn on black; black stays the transparent part.
image stone_sprite(int colour)
{
    int w = 0, h = 0;
    ImageList_GetIconSize(g_stone_images, &w, &h);
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, bmp);
    PatBlt(mem, 0, 0, w, h, BLACKNESS);
    ImageList_Draw(g_stone_images, colour, mem, 0, 0, ILD_TRANSPARENT);
    image p = grab(mem, 0, 0, w, h);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bmp);
    ReleaseDC(nullptr, screen);
    return p;
}

bool is_store(int bin)
{
    return bin == 6 || bin == 13;
}

// A bin's cell in client coordinates, from the board's grid.
RECT cell_of(int bin)
{
    const int w = g_bin_w, h = g_bin_h;
    if (bin < 6)
        return {(bin + 1) * w, h, (bin + 2) * w, 2 * h};
    if (bin == 6)
        return {7 * w, 0, 8 * w, 2 * h};
    if (bin < 13)
        return {(13 - bin) * w, 0, (14 - bin) * w, h};
    return {0, 0, w, 2 * h};
}

// The hollow a bin's cell shows: the top-row, bottom-row or store bitmap.
image hollow_of(int bin)
{
    if (is_store(bin))
        return grab_bitmap(g_board_bitmaps[2]);
    return grab_bitmap(g_board_bitmaps[bin < 6 ? 1 : 0]);
}

// The cell as it must look: the hollow with the list's stones laid over it
// one by one, at most 15 (29 in a store), at the points of the layout row.
image expected_cell(int bin, const std::vector<int>& colours)
{
    image cell = hollow_of(bin);
    const int limit = is_store(bin) ? 29 : 15;
    const int m = std::min(static_cast<int>(colours.size()), limit);
    if (m == 0)
        return cell;
    const POINT* row = is_store(bin) ? store_layout[m - 1] : pit_layout[m - 1];
    for (int k = 0; k < m; ++k) {
        const image s = stone_sprite(colours[k]);
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
                const int cx = row[k].x - 3 + x, cy = row[k].y - 9 + y;
                if (s.at(x, y) != 0 && cx >= 0 && cy >= 0 && cx < cell.width && cy < cell.height)
                    cell.at(cx, cy) = s.at(x, y);
            }
    }
    return cell;
}

// Number of pixels that differ; 0 when the pictures match.
int differences(const image& a, const image& b)
{
    if (a.width != b.width || a.height != b.height)
        return INT_MAX;
    int n = 0;
    for (size_t i = 0; i < a.px.size(); ++i)
        n += a.px[i] != b.px[i];
    return n;
}

// ---- stone lists -----------------------------------------------------------

std::vector<int> list_of(int bin)
{
    std::vector<int> v;
    for (int k = 0; k < bin_count(bin); ++k)
        v.push_back(g_stones[bin][k]);
    return v;
}

void set_list(int bin, const std::vector<int>& colours)
{
    for (size_t k = 0; k < colours.size(); ++k)
        g_stones[bin][k] = colours[k];
    g_stones[bin][colours.size()] = -1;
}

// Lists of the given sizes with colours varying along each list.
void deal(const Bins& counts)
{
    for (int b = 0; b < 14; ++b) {
        std::vector<int> colours;
        for (int k = 0; k < counts[b]; ++k)
            colours.push_back((b + k) % 5);
        set_list(b, colours);
    }
}

Bins counts()
{
    Bins c{};
    for (int b = 0; b < 14; ++b)
        c[b] = bin_count(b);
    return c;
}

Bins bins_of(const node* n)
{
    Bins b{};
    for (int i = 0; i < 14; ++i)
        b[i] = n->bins[i];
    return b;
}

std::array<int, 5> colour_totals()
{
    std::array<int, 5> t{};
    for (int b = 0; b < 14; ++b)
        for (int c : list_of(b))
            ++t[c];
    return t;
}

// Every test starts from a settled window with no pause, the program's
// options, and a clean picture; it leaves them so.
class Board : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(g_wnd, nullptr);
        g_anim_pause_ms = 0;
        pump_pending();
    }
    void TearDown() override
    {
        g_allow_empty_caps = caps_;
        g_anim_pause_ms = 400;
        init_stones(4);
        redraw_board(g_wnd);
        pump_pending();
    }
    int caps_ = g_allow_empty_caps;
};

// ---- the board's size --------------------------------------------------------

using BoardSize = Board;

TEST_F(BoardSize, CellsAreTheTopRowBitmapsSize)
{
    EXPECT_EQ(g_bin_w, 72);
    EXPECT_EQ(g_bin_h, 105);
}

TEST_F(BoardSize, ClientAreaIsEightCellsByTwoPlusTheStatusBar)
{
    RECT client{}, bar{};
    GetClientRect(g_wnd, &client);
    HWND status = GetDlgItem(g_wnd, IDC_STATUS_BAR);
    ASSERT_NE(status, nullptr);
    GetWindowRect(status, &bar);
    EXPECT_EQ(client.right, 8 * g_bin_w);
    EXPECT_EQ(client.bottom, 2 * g_bin_h + (bar.bottom - bar.top));
}

// ---- hit test ----------------------------------------------------------------

using HitTest = Board;

// Corners and middle of a cell: every pixel of it must give the same answer.
std::vector<POINT> probes(const RECT& r)
{
    return {{r.left, r.top},
            {r.right - 1, r.top},
            {r.left, r.bottom - 1},
            {r.right - 1, r.bottom - 1},
            {(r.left + r.right) / 2, (r.top + r.bottom) / 2}};
}

TEST_F(HitTest, TopRowGivesItsBinOnlyWithTheTopSideToMove)
{
    for (int bin = 7; bin <= 12; ++bin)
        for (POINT p : probes(cell_of(bin))) {
            EXPECT_EQ(hit_bin(p.x, p.y, 13), bin) << p.x << "," << p.y;
            EXPECT_EQ(hit_bin(p.x, p.y, 6), -1) << p.x << "," << p.y;
        }
}

TEST_F(HitTest, BottomRowGivesItsBinOnlyWithTheBottomSideToMove)
{
    for (int bin = 0; bin <= 5; ++bin)
        for (POINT p : probes(cell_of(bin))) {
            EXPECT_EQ(hit_bin(p.x, p.y, 6), bin) << p.x << "," << p.y;
            EXPECT_EQ(hit_bin(p.x, p.y, 13), -1) << p.x << "," << p.y;
        }
}

TEST_F(HitTest, StoresNeverSelectABin)
{
    for (int store : {6, 13})
        for (POINT p : probes(cell_of(store)))
            for (int turn : {6, 13})
                EXPECT_EQ(hit_bin(p.x, p.y, turn), -1) << p.x << "," << p.y;
}

TEST_F(HitTest, EdgesOfThePlayingColumns)
{
    const int w = g_bin_w, h = g_bin_h;
    for (int turn : {6, 13}) {
        EXPECT_EQ(hit_bin(w - 1, 10, turn), -1);
        EXPECT_EQ(hit_bin(w - 1, h + 10, turn), -1);
        EXPECT_EQ(hit_bin(7 * w, 10, turn), -1);
        EXPECT_EQ(hit_bin(7 * w, h + 10, turn), -1);
    }
    EXPECT_EQ(hit_bin(w, 0, 13), 12);
    EXPECT_EQ(hit_bin(7 * w - 1, h - 1, 13), 7);
    EXPECT_EQ(hit_bin(w, h, 6), 0);
    EXPECT_EQ(hit_bin(7 * w - 1, 2 * h - 1, 6), 5);
}

TEST_F(HitTest, EmptyBinOfTheSideToMoveIsStillHit)
{
    Bins empty{};
    deal(empty);
    EXPECT_EQ(hit_bin(cell_of(3).left + 5, cell_of(3).top + 5, 6), 3);
    EXPECT_EQ(hit_bin(cell_of(9).left + 5, cell_of(9).top + 5, 13), 9);
}

TEST_F(HitTest, PointsOffTheBoardOrWithoutASideGiveNoBin)
{
    const int w = g_bin_w, h = g_bin_h;
    for (int turn : {6, 13}) {
        EXPECT_EQ(hit_bin(-1, 10, turn), -1);
        EXPECT_EQ(hit_bin(8 * w, 10, turn), -1);
        EXPECT_EQ(hit_bin(3 * w, -1, turn), -1);
        EXPECT_EQ(hit_bin(3 * w, 2 * h, turn), -1); // the status bar
        EXPECT_EQ(hit_bin(INT_MIN, INT_MIN, turn), -1);
        EXPECT_EQ(hit_bin(INT_MAX, INT_MAX, turn), -1);
    }
    for (int turn : {0, 5, 7, 12, 14, -1})
        for (int bin : {0, 5, 7, 12}) {
            const RECT r = cell_of(bin);
            EXPECT_EQ(hit_bin(r.left + 1, r.top + 1, turn), -1) << "turn " << turn;
        }
}

// ---- stone layouts -------------------------------------------------------------

using StoneLayout = Board;

TEST_F(StoneLayout, EveryStoneLiesInsideItsHollow)
{
    int sw = 0, sh = 0;
    ImageList_GetIconSize(g_stone_images, &sw, &sh);
    for (int n = 1; n <= 15; ++n)
        for (int k = 0; k < n; ++k) {
            const POINT p = pit_layout[n - 1][k];
            EXPECT_GE(p.x - 3, 13) << n << "/" << k;
            EXPECT_LE(p.x - 3 + sw - 1, 60) << n << "/" << k;
            EXPECT_GE(p.y - 9, 10) << n << "/" << k;
            EXPECT_LE(p.y - 9 + sh - 1, 96) << n << "/" << k;
        }
    for (int n = 1; n <= 29; ++n)
        for (int k = 0; k < n; ++k) {
            const POINT p = store_layout[n - 1][k];
            EXPECT_GE(p.x - 3, 15) << n << "/" << k;
            EXPECT_LE(p.x - 3 + sw - 1, 56) << n << "/" << k;
            EXPECT_GE(p.y - 9, 16) << n << "/" << k;
            EXPECT_LE(p.y - 9 + sh - 1, 190) << n << "/" << k;
        }
}

// The arrangements as the board's design draws them, one row per number of
// stones, as "x,y" pairs measured from the cell's top-left corner.
const char* const pit_rows[15] = {
    "30,50",
    "30,37 30,63",
    "39,37 21,50 39,62",
    "30,28 20,50 40,50 30,72",
    "18,37 18,63 36,25 36,50 36,76",
    "16,37 44,37 16,63 44,63 30,19 30,81",
    "16,37 44,37 16,63 44,63 30,19 30,81 30,50",
    "16,37 44,37 16,63 44,63 30,19 30,81 30,37 30,63",
    "16,37 44,37 16,63 44,63 30,19 30,81 40,48 22,37 22,63",
    "16,37 16,63 34,25 34,50 34,76 42,37 42,63 24,25 24,50 24,76",
    "16,37 16,63 34,25 34,50 34,76 42,37 42,63 24,25 24,50 24,76 34,50",
    "16,37 16,63 34,25 34,50 34,76 42,37 42,63 24,25 24,50 24,76 34,62 34,37",
    "16,37 16,63 34,25 34,50 34,76 42,37 42,63 24,25 24,50 24,76 16,62 16,37 34,50",
    "16,37 16,63 34,25 34,50 34,76 42,37 42,63 24,25 24,50 24,76 16,62 16,37 35,62 35,37",
    "16,37 16,63 34,25 34,50 34,76 42,37 42,63 24,25 24,50 24,76 18,37 18,63 36,25 36,50 36,76",
};
// Stores of 1 to 4 stones have rows of their own; 5 to 18 stones take the
// first points of the middle sequence, 19 to 29 of the long one.
const char* const store_rows[4] = {
    "30,100",
    "30,87 30,112",
    "39,87 21,100 39,112",
    "30,78 20,100 40,100 30,122",
};
const char* const store_middle =
    "18,87 18,112 36,75 36,100 36,125 18,62 18,137 36,50 36,150 18,37 18,162 36,25 36,175 "
    "27,100 27,75 27,125 27,50 27,150";
const char* const store_long =
    "18,87 18,112 36,75 36,100 36,125 18,62 18,137 36,50 36,150 18,37 18,162 36,25 36,175 "
    "18,100 18,125 36,112 36,87 36,137 18,75 36,62 18,150 18,50 36,37 36,162 "
    "27,100 27,75 27,125 27,50 27,150";

std::vector<POINT> points(const char* text)
{
    std::vector<POINT> v;
    int x = 0, y = 0, used = 0;
    while (std::sscanf(text, " %d,%d%n", &x, &y, &used) == 2) {
        v.push_back({x, y});
        text += used;
    }
    return v;
}

// True when the first n points of a layout row are `want`, in order.
bool row_is(const POINT* row, const std::vector<POINT>& want)
{
    for (size_t k = 0; k < want.size(); ++k)
        if (row[k].x != want[k].x || row[k].y != want[k].y)
            return false;
    return true;
}

TEST_F(StoneLayout, PlayingBinsArrangeEachNumberOfStonesAsDesigned)
{
    for (int n = 1; n <= 15; ++n) {
        const std::vector<POINT> want = points(pit_rows[n - 1]);
        ASSERT_EQ(want.size(), static_cast<size_t>(n));
        EXPECT_TRUE(row_is(pit_layout[n - 1], want)) << n << " stones";
    }
}

TEST_F(StoneLayout, StoresArrangeEachNumberOfStonesAsDesigned)
{
    const std::vector<POINT> middle = points(store_middle), longer = points(store_long);
    ASSERT_EQ(middle.size(), 18u);
    ASSERT_EQ(longer.size(), 29u);
    for (int n = 1; n <= 29; ++n) {
        std::vector<POINT> want;
        if (n <= 4)
            want = points(store_rows[n - 1]);
        else
            want.assign((n <= 18 ? middle : longer).begin(), (n <= 18 ? middle : longer).begin() + n);
        EXPECT_TRUE(row_is(store_layout[n - 1], want)) << n << " stones";
    }
}

// ---- painting --------------------------------------------------------------------

using Painting = Board;

TEST_F(Painting, ArtIsLoaded)
{
    for (HBITMAP b : g_board_bitmaps)
        EXPECT_EQ(GetObjectType(b), static_cast<DWORD>(OBJ_BITMAP));
    ASSERT_NE(g_stone_images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(g_stone_images), 5);
    int w = 0, h = 0;
    ImageList_GetIconSize(g_stone_images, &w, &h);
    EXPECT_EQ(w, 20);
    EXPECT_EQ(h, 25);
}

TEST_F(Painting, EmptyBinsShowOnlyTheirHollow)
{
    deal(Bins{});
    redraw_board(g_wnd);
    for (int bin = 0; bin < 14; ++bin)
        EXPECT_EQ(differences(grab_client(g_wnd, cell_of(bin)), hollow_of(bin)), 0) << bin;
}

// Each row of a layout drawn in a bottom bin, a top bin and both stores:
// every stone at cell + point - (3, 9), each over the ones before it.
TEST_F(Painting, StonesSitAtTheirLayoutPoints)
{
    for (int bin : {0, 2, 5, 7, 9, 12, 6, 13}) {
        const int rows = is_store(bin) ? 29 : 15;
        for (int n = 1; n <= rows; ++n) {
            deal(Bins{});
            std::vector<int> colours;
            for (int k = 0; k < n; ++k)
                colours.push_back((k * 3 + bin) % 5);
            set_list(bin, colours);
            redraw_board(g_wnd);
            EXPECT_EQ(differences(grab_client(g_wnd, cell_of(bin)), expected_cell(bin, colours)), 0)
                << "bin " << bin << ", " << n << " stones";
        }
    }
}

TEST_F(Painting, OneStoneThenTwo)
{
    deal(Bins{});
    set_list(4, {2});
    redraw_board(g_wnd);
    const RECT c = cell_of(4);
    const image red = stone_sprite(2);
    // The stone's middle shows the stone, at cell + (30 - 3 + 10, 50 - 9 + 12).
    const image one = grab_client(g_wnd, c);
    EXPECT_EQ(one.at(27 + red.width / 2, 41 + red.height / 2), red.at(red.width / 2, red.height / 2));
    set_list(4, {2, 0});
    redraw_board(g_wnd);
    const image two = grab_client(g_wnd, c);
    EXPECT_EQ(two.at(27 + red.width / 2, 28 + red.height / 2), red.at(red.width / 2, red.height / 2));
    EXPECT_EQ(differences(two, expected_cell(4, {2, 0})), 0);
}

TEST_F(Painting, CrowdedBinsShowTheirFirstStonesOnly)
{
    deal(Bins{});
    // The stones beyond what a bin shows are white; none of them may appear.
    std::vector<int> pit(15, 0), store(29, 1);
    pit.push_back(3);
    store.push_back(3);
    set_list(1, pit);
    set_list(11, pit);
    set_list(6, store);
    set_list(13, store);
    redraw_board(g_wnd);
    const std::vector<int> pit_shown(15, 0), store_shown(29, 1);
    EXPECT_EQ(differences(grab_client(g_wnd, cell_of(1)), expected_cell(1, pit_shown)), 0);
    EXPECT_EQ(differences(grab_client(g_wnd, cell_of(11)), expected_cell(11, pit_shown)), 0);
    EXPECT_EQ(differences(grab_client(g_wnd, cell_of(6)), expected_cell(6, store_shown)), 0);
    EXPECT_EQ(differences(grab_client(g_wnd, cell_of(13)), expected_cell(13, store_shown)), 0);
}

TEST_F(Painting, FullestListPaintsLikeFifteen)
{
    deal(Bins{});
    std::vector<int> full(139);
    for (int k = 0; k < 139; ++k)
        full[k] = k % 5;
    set_list(3, full);
    set_list(6, full);
    EXPECT_EQ(bin_count(3), 139);
    redraw_board(g_wnd);
    EXPECT_EQ(differences(grab_client(g_wnd, cell_of(3)), expected_cell(3, full)), 0);
    EXPECT_EQ(differences(grab_client(g_wnd, cell_of(6)), expected_cell(6, full)), 0);
}

TEST_F(Painting, WithoutImageListTheBoardHasNoStones)
{
    init_stones(8);
    HIMAGELIST images = g_stone_images;
    g_stone_images = nullptr;
    redraw_board(g_wnd);
    g_stone_images = images;
    for (int bin = 0; bin < 14; ++bin)
        EXPECT_EQ(differences(grab_client(g_wnd, cell_of(bin)), hollow_of(bin)), 0) << bin;

    HDC dc = GetDC(g_wnd);
    EXPECT_EQ(draw_stone(dc, nullptr, 0, 100, 20), 0);
    EXPECT_NE(draw_stone(dc, g_stone_images, 0, 100, 20), 0);
    ReleaseDC(g_wnd, dc);
}

// ---- repaints ------------------------------------------------------------------

using Repaint = Board;

TEST_F(Repaint, RedrawBoardShowsEveryListBeforeReturning)
{
    deal(Bins{});
    redraw_board(g_wnd);
    init_stones(3);
    // Changing the lists alone changes nothing on screen.
    EXPECT_EQ(differences(grab_client(g_wnd, cell_of(0)), hollow_of(0)), 0);
    redraw_board(g_wnd);
    for (int bin = 0; bin < 14; ++bin)
        EXPECT_EQ(differences(grab_client(g_wnd, cell_of(bin)), expected_cell(bin, list_of(bin))), 0) << bin;
}

TEST_F(Repaint, InvalidateBinRepaintsThatCellOnly)
{
    deal(Bins{});
    redraw_board(g_wnd);
    const Bins two{2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2};
    deal(two);
    invalidate_bin(g_wnd, 8);
    for (int bin = 0; bin < 14; ++bin) {
        const image want = bin == 8 ? expected_cell(8, list_of(8)) : hollow_of(bin);
        EXPECT_EQ(differences(grab_client(g_wnd, cell_of(bin)), want), 0) << bin;
    }
    invalidate_bin(g_wnd, 13);
    EXPECT_EQ(differences(grab_client(g_wnd, cell_of(13)), expected_cell(13, list_of(13))), 0);
    EXPECT_EQ(differences(grab_client(g_wnd, cell_of(6)), hollow_of(6)), 0);
}

TEST_F(Repaint, BadBinOrNoWindowRepaintsNothing)
{
    deal(Bins{});
    redraw_board(g_wnd);
    init_stones(5);
    invalidate_bin(g_wnd, -1);
    invalidate_bin(g_wnd, 14);
    invalidate_bin(g_wnd, INT_MAX);
    invalidate_bin(nullptr, 3);
    redraw_board(nullptr);
    for (int bin = 0; bin < 14; ++bin)
        EXPECT_EQ(differences(grab_client(g_wnd, cell_of(bin)), hollow_of(bin)), 0) << bin;
}

// ---- dealing -------------------------------------------------------------------

using Dealing = Board;

TEST_F(Dealing, NewGameFillsEveryPlayingBinAndEmptiesTheStores)
{
    for (int n = 1; n <= 8; ++n) {
        ASSERT_EQ(init_stones(n), 0);
        for (int bin = 0; bin < 14; ++bin) {
            EXPECT_EQ(bin_count(bin), is_store(bin) ? 0 : n) << bin;
            for (int c : list_of(bin)) {
                EXPECT_GE(c, 0);
                EXPECT_LE(c, 4);
            }
        }
    }
}

// The random source starts afresh in every thread, as in every run of the
// program: a fresh deal is the same each time, and it takes the source's
// numbers bin 0..5 then 7..12, each bin from its first stone on.
TEST_F(Dealing, FirstDealOfARunIsAlwaysTheSame)
{
    std::array<std::vector<int>, 14> first, second;
    auto deal_fresh = [](std::array<std::vector<int>, 14>& out) {
        std::thread([&] {
            init_stones(4);
            for (int b = 0; b < 14; ++b)
                out[b] = list_of(b);
        }).join();
    };
    deal_fresh(first);
    deal_fresh(second);
    EXPECT_EQ(first, second);

    std::vector<int> source;
    std::thread([&] {
        for (int i = 0; i < 48; ++i)
            source.push_back(next_random() % 5);
    }).join();
    std::vector<int> dealt;
    for (int b : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12})
        dealt.insert(dealt.end(), first[b].begin(), first[b].end());
    EXPECT_EQ(dealt, source);
    EXPECT_TRUE(first[6].empty());
    EXPECT_TRUE(first[13].empty());
}

TEST_F(Dealing, CountsOutsideOneToEightLeaveTheListsAlone)
{
    ASSERT_EQ(init_stones(3), 0);
    std::array<std::vector<int>, 14> before;
    for (int b = 0; b < 14; ++b)
        before[b] = list_of(b);
    for (int bad : {0, 9, -1, 140, INT_MIN, INT_MAX}) {
        EXPECT_EQ(init_stones(bad), -1) << bad;
        for (int b = 0; b < 14; ++b)
            EXPECT_EQ(list_of(b), before[b]) << bad << " bin " << b;
    }
}

TEST_F(Dealing, BinCountOfNoBin)
{
    EXPECT_EQ(bin_count(-1), -1);
    EXPECT_EQ(bin_count(14), -1);
    EXPECT_EQ(bin_count(INT_MIN), -1);
}

// ---- sowing animation --------------------------------------------------------------

// The main window with each WM_PAINT recorded: which cell it repaints and the
// stone counts at that moment, i.e. each picture the user sees in turn.
struct Frame {
    RECT update;
    Bins counts;
};
std::vector<Frame> g_frames;
WNDPROC g_shell_proc = nullptr;

LRESULT CALLBACK recording_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == WM_PAINT) {
        RECT r{};
        GetUpdateRect(hwnd, &r, FALSE);
        g_frames.push_back({r, counts()});
    }
    return CallWindowProcA(g_shell_proc, hwnd, msg, wparam, lparam);
}

class Sowing : public Board {
protected:
    void SetUp() override
    {
        Board::SetUp();
        g_shell_proc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(g_wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recording_proc)));
        g_frames.clear();
    }
    void TearDown() override
    {
        SetWindowLongPtrA(g_wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_shell_proc));
        Board::TearDown();
    }

    // Sets up the same position in the engine and in the lists, with a
    // clean picture, then plays `bin` in both.
    void play(const Bins& bins, int turn, int bin)
    {
        node* root = new_node();
        ASSERT_NE(root, nullptr);
        init_node(root, turn, 4);
        for (int i = 0; i < 14; ++i)
            root->bins[i] = bins[i];
        calc_h(root);
        deal(bins);
        redraw_board(g_wnd);
        g_frames.clear();
        node* child = nullptr;
        ASSERT_GE(gen_node(root, bin, &child), 0);
        animate_move(g_wnd, bin);
        after_ = bins_of(child);
        next_turn_ = child->turn;
        free_node(root);
    }

    // The bins repainted, in order.
    std::vector<int> repainted() const
    {
        std::vector<int> bins;
        for (const Frame& f : g_frames)
            for (int b = 0; b < 14; ++b) {
                const RECT cell = cell_of(b);
                if (EqualRect(&f.update, &cell))
                    bins.push_back(b);
            }
        return bins;
    }

    Bins after_{};
    int next_turn_ = 0;
};

TEST_F(Sowing, StonePickedUpLastIsSownFirst)
{
    Bins b{3, 1, 1, 1, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0};
    play(b, 6, 0);
    // play() dealt bin 0 as colours 0, 1, 2 and bins 1..3 one stone each.
    EXPECT_EQ(list_of(1), (std::vector<int>{1, 2}));
    EXPECT_EQ(list_of(2), (std::vector<int>{2, 1}));
    EXPECT_EQ(list_of(3), (std::vector<int>{3, 0}));
    EXPECT_EQ(bin_count(0), 0);
    EXPECT_EQ(counts(), after_);
}

TEST_F(Sowing, BottomSideSkipsTheTopStore)
{
    Bins b{4, 4, 4, 4, 4, 9, 0, 4, 4, 4, 4, 4, 4, 3};
    play(b, 6, 5);
    EXPECT_EQ(counts(), after_);
    EXPECT_EQ(bin_count(13), 3);
    EXPECT_EQ(bin_count(6), 1);
    EXPECT_EQ(repainted(), (std::vector<int>{5, 6, 7, 8, 9, 10, 11, 12, 0, 1}));
}

TEST_F(Sowing, TopSideSkipsTheBottomStore)
{
    Bins b{4, 4, 4, 4, 4, 4, 2, 4, 4, 11, 4, 4, 4, 0};
    play(b, 13, 9);
    EXPECT_EQ(counts(), after_);
    EXPECT_EQ(bin_count(6), 2);
    EXPECT_EQ(repainted(), (std::vector<int>{9, 10, 11, 12, 13, 0, 1, 2, 3, 4, 5, 7}));
}

TEST_F(Sowing, ThirteenStoneLapEndsInACapture)
{
    Bins b{4, 4, 13, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0};
    deal(b);
    const std::vector<int> picked = list_of(2);
    const std::vector<int> facing = list_of(10);
    play(b, 6, 2);
    EXPECT_EQ(counts(), after_);
    EXPECT_EQ(bin_count(2), 0);
    EXPECT_EQ(bin_count(10), 0);
    // The store got the lap's stone, then the capturing stone, then the
    // facing bin's stones with the one the lap brought last.
    std::vector<int> store{picked[9], picked[0]};
    store.insert(store.end(), facing.begin(), facing.end());
    store.push_back(picked[5]);
    EXPECT_EQ(list_of(6), store);
    EXPECT_EQ(repainted(), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 1, 2, 2, 10, 6}));
}

TEST_F(Sowing, LastStoneInOwnStoreGivesAnotherTurnAndNoCapture)
{
    Bins b{4, 4, 4, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0};
    play(b, 6, 2);
    EXPECT_EQ(next_turn_, 6);
    EXPECT_EQ(counts(), after_);
    EXPECT_EQ(repainted(), (std::vector<int>{2, 3, 4, 5, 6}));

    Bins t{4, 4, 4, 4, 4, 4, 0, 4, 4, 4, 4, 4, 1, 0};
    play(t, 13, 12);
    EXPECT_EQ(next_turn_, 13);
    EXPECT_EQ(counts(), after_);
    EXPECT_EQ(repainted(), (std::vector<int>{12, 13}));
}

TEST_F(Sowing, TopSideCapturesIntoItsStore)
{
    Bins b{4, 4, 5, 4, 4, 4, 0, 4, 2, 4, 0, 4, 4, 1};
    deal(b);
    const std::vector<int> facing = list_of(2);
    play(b, 13, 8);
    EXPECT_EQ(counts(), after_);
    // The store's own stone, the capturing stone, then the facing bin's.
    std::vector<int> store{3, 3};
    store.insert(store.end(), facing.begin(), facing.end());
    EXPECT_EQ(list_of(13), store);
    EXPECT_EQ(repainted(), (std::vector<int>{8, 9, 10, 10, 2, 13}));
}

TEST_F(Sowing, LastStoneInTheOpponentsEmptyBinCapturesNothing)
{
    Bins b{4, 4, 4, 4, 5, 4, 0, 4, 4, 0, 4, 4, 4, 0};
    play(b, 6, 4);
    EXPECT_EQ(counts(), after_);
    EXPECT_EQ(bin_count(9), 1);
    EXPECT_EQ(repainted(), (std::vector<int>{4, 5, 6, 7, 8, 9}));
}

TEST_F(Sowing, EmptyFacingBinCapturesOnlyWithTheOption)
{
    Bins b{2, 4, 0, 4, 4, 4, 0, 4, 4, 0, 0, 4, 4, 0};
    g_allow_empty_caps = 0;
    play(b, 6, 0);
    EXPECT_EQ(counts(), after_);
    EXPECT_EQ(bin_count(2), 1);
    EXPECT_EQ(bin_count(6), 0);
    EXPECT_EQ(repainted(), (std::vector<int>{0, 1, 2}));

    g_allow_empty_caps = 1;
    deal(b);
    const int capturing = list_of(0)[0];
    play(b, 6, 0);
    EXPECT_EQ(counts(), after_);
    EXPECT_EQ(bin_count(2), 0);
    EXPECT_EQ(list_of(6), std::vector<int>{capturing});
    EXPECT_EQ(repainted(), (std::vector<int>{0, 1, 2, 2, 10, 6}));
}

// Each step shows on screen before animate_move returns, with no message
// loop running, and each picture changes a single cell.
TEST_F(Sowing, EveryStepIsPaintedAtOnceOneCellAtATime)
{
    Bins b{4, 4, 4, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0};
    play(b, 6, 3);
    ASSERT_EQ(g_frames.size(), 5u);
    EXPECT_EQ(repainted(), (std::vector<int>{3, 4, 5, 6, 7}));
    Bins seen = b;
    seen[3] = 0;
    EXPECT_EQ(g_frames[0].counts, seen);
    for (int k = 1; k <= 4; ++k) {
        ++seen[3 + k];
        EXPECT_EQ(g_frames[k].counts, seen) << k;
    }
    EXPECT_EQ(differences(grab_client(g_wnd, cell_of(7)), expected_cell(7, list_of(7))), 0);
}

TEST_F(Sowing, RefusedBinsChangeNothing)
{
    Bins b{4, 0, 4, 4, 4, 4, 3, 4, 4, 4, 4, 4, 4, 2};
    deal(b);
    redraw_board(g_wnd);
    g_frames.clear();
    for (int bin : {6, 13, -1, 14, 1, INT_MIN, INT_MAX})
        animate_move(g_wnd, bin);
    EXPECT_EQ(counts(), b);
    EXPECT_TRUE(g_frames.empty());
    // Without a window the lists still follow the move.
    animate_move(nullptr, 0);
    EXPECT_EQ(bin_count(0), 0);
    EXPECT_EQ(bin_count(4), 5);
    EXPECT_TRUE(g_frames.empty());
}

// Plays a random legal game through the engine and the animation side by
// side; after every move each list holds what the engine counts, and no stone
// changes colour.
void play_random_game(HWND hwnd, int stones, int first, std::mt19937& rng)
{
    node* root = new_node();
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(init_node(root, first, stones), 0);
    ASSERT_EQ(init_stones(stones), 0);
    redraw_board(hwnd);
    const auto colours = colour_totals();
    node* cur = root;
    for (int moves = 1;; ++moves) {
        std::vector<int> legal;
        for (int bin = cur->turn - 6; bin < cur->turn; ++bin)
            if (cur->bins[bin] > 0)
                legal.push_back(bin);
        ASSERT_FALSE(legal.empty());
        const int bin = legal[rng() % legal.size()];
        node* child = nullptr;
        ASSERT_GE(gen_node(cur, bin, &child), 0);
        calc_h(child);
        animate_move(hwnd, bin);
        cur = child;
        ASSERT_EQ(counts(), bins_of(cur))
            << stones << " stones, caps " << g_allow_empty_caps << ", move " << moves;
        ASSERT_EQ(colour_totals(), colours);
        if (game_over(cur))
            break;
    }
    free_node(root);
}

// Many games, without a window: the lists move the same, only unseen.
TEST_F(Sowing, ListsFollowTheEngineThroughWholeGames)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 4; ++round)
        for (int stones = 1; stones <= 8; ++stones)
            for (int caps : {0, 1}) {
                g_allow_empty_caps = caps;
                play_random_game(nullptr, stones, (stones + round) % 2 ? 6 : 13, rng);
            }
    EXPECT_TRUE(g_frames.empty());
}

// One game on screen: after the last move the board shows every list.
TEST_F(Sowing, WholeGameOnScreenEndsShowingTheLists)
{
    std::mt19937 rng(5);
    g_allow_empty_caps = 1;
    play_random_game(g_wnd, 3, 6, rng);
    for (int bin = 0; bin < 14; ++bin)
        EXPECT_EQ(differences(grab_client(g_wnd, cell_of(bin)), expected_cell(bin, list_of(bin))), 0) << bin;
}

// ---- art lifecycle ------------------------------------------------------------------

using Art = Board;

TEST_F(Art, ReleaseDeletesWhatLoadMade)
{
    HBITMAP loaded[3] = {g_board_bitmaps[0], g_board_bitmaps[1], g_board_bitmaps[2]};
    const DWORD gdi_before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    release_board_art();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(g_board_bitmaps[i], nullptr);
        EXPECT_EQ(GetObjectType(loaded[i]), 0u) << i;
    }
    EXPECT_EQ(g_stone_images, nullptr);
    release_board_art(); // a second release is harmless

    load_board_art(g_wnd);
    load_board_art(g_wnd); // loading again replaces, never doubles
    // Wine reports no GDI object counts (0); where the system has them they must match.
    const DWORD gdi_after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    EXPECT_EQ(gdi_after, gdi_before);
    for (HBITMAP b : g_board_bitmaps)
        EXPECT_EQ(GetObjectType(b), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(ImageList_GetImageCount(g_stone_images), 5);

    RECT client{};
    GetClientRect(g_wnd, &client);
    EXPECT_EQ(client.right, 8 * g_bin_w);
    init_stones(4);
    redraw_board(g_wnd);
    for (int bin = 0; bin < 14; ++bin)
        EXPECT_EQ(differences(grab_client(g_wnd, cell_of(bin)), expected_cell(bin, list_of(bin))), 0) << bin;
}

} // namespace
