// Tests of the main window and the program: class and frame, status bar, menu
// and commands, the game set up at start-up, shutdown and the exit code.
// Each test makes the real main window in this process, in a fresh directory.
#include "shell/shell.h"

#include "board/board.h"
#include "engine/engine.h"
#include "engine/node_alloc.h"
#include "game/controller.h"
#include "game/options.h"
#include "resources/resource.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

const char prompt[] = "Select 'File->New Game' to start...";
const char app_name[] = "wKivari";

// Backstop for anything that waits on Wine: a fault fails the test instead of
// hanging it. No test measures time.
constexpr ULONGLONG wait_limit_ms = 20000;

// The class can be registered once per process; every test shares it.
bool class_registered()
{
    static const bool registered = register_main_class(GetModuleHandleA(nullptr)) != 0;
    return registered;
}

// Dispatches what is queued for this thread. True when a quit message came,
// whose code goes to *quit_code.
bool pump_pending(int *quit_code = nullptr)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            if (quit_code != nullptr)
                *quit_code = static_cast<int>(msg.wParam);
            return true;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return false;
}

// The program's message loop: runs until the quit message and gives its code.
std::optional<int> run_until_quit()
{
    const ULONGLONG deadline = GetTickCount64() + wait_limit_ms;
    int code = 0;
    while (GetTickCount64() < deadline) {
        if (pump_pending(&code))
            return code;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return std::nullopt;
}

// True when a message of this kind waits in the thread's queue.
bool queued(UINT msg)
{
    MSG m;
    return PeekMessageA(&m, nullptr, msg, msg, PM_NOREMOVE) != 0;
}

std::string status_text(int part)
{
    const LRESULT length = SendMessageA(g_status_bar, SB_GETTEXTLENGTHA, part, 0);
    std::string text(LOWORD(length) + 1, '\0');
    SendMessageA(g_status_bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(length));
    return text;
}

std::vector<int> status_edges()
{
    int edges[25];
    const int count = static_cast<int>(
        SendMessageA(g_status_bar, SB_GETPARTS, 25, reinterpret_cast<LPARAM>(edges)));
    return std::vector<int>(edges, edges + count);
}

int outer_width(HWND hwnd)
{
    RECT r;
    GetWindowRect(hwnd, &r);
    return r.right - r.left;
}

void set_outer_width(HWND hwnd, int width)
{
    RECT r;
    GetWindowRect(hwnd, &r);
    SetWindowPos(hwnd, nullptr, 0, 0, width, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
}

// 32-bit pixels, 0x00RRGGBB, rows from the top.
struct image {
    int width = 0, height = 0;
    std::vector<uint32_t> px;
    uint32_t at(int x, int y) const { return px[y * width + x] & 0xFFFFFF; }
};

// Copies what `source` shows at (x, y), width by height, into an image.
image grab(HDC source, int x, int y, int width, int height)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HDC mem = CreateCompatibleDC(source);
    HBITMAP dib = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    image out;
    out.width = width;
    out.height = height;
    const auto *p = static_cast<const uint32_t *>(bits);
    out.px.assign(p, p + static_cast<size_t>(width) * height);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    return out;
}

// What the window's client area shows now.
image grab_client(HWND hwnd)
{
    RECT r;
    GetClientRect(hwnd, &r);
    HDC dc = GetDC(hwnd);
    image out = grab(dc, 0, 0, r.right, r.bottom);
    ReleaseDC(hwnd, dc);
    return out;
}

// A bitmap resource of this program as it looks drawn on the screen.
image load_art(int id)
{
    auto bitmap = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, bitmap);
    image out = grab(mem, 0, 0, info.bmWidth, info.bmHeight);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    return out;
}

// Pixels of `shot` in the box at (x0, y0) that differ from `art` at the same
// place relative to (ax, ay).
int differing_pixels(const image &shot, int x0, int y0, int w, int h, const image &art, int ax, int ay)
{
    int n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            n += shot.at(x0 + x, y0 + y) != art.at(ax + x, ay + y);
    return n;
}

// A fresh working directory per test, so no settings file is read or left by
// accident, and the option values put back afterwards.
class InTempDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH], here[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, here), 0u);
        saved_dir_ = here;
        static int counter;
        dir_ = std::string(temp) + "kivari-shell-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter);
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
        ASSERT_TRUE(SetCurrentDirectoryA(dir_.c_str())) << dir_;
        saved_options_ = {g_first_turn, g_allow_empty_caps, g_random_moves, g_sounds,
                          g_tooltips,   g_num_players,      g_difficulty,   g_num_stones};
    }

    void TearDown() override
    {
        g_first_turn = saved_options_[0];
        g_allow_empty_caps = saved_options_[1];
        g_random_moves = saved_options_[2];
        g_sounds = saved_options_[3];
        g_tooltips = saved_options_[4];
        g_num_players = saved_options_[5];
        g_difficulty = saved_options_[6];
        g_num_stones = saved_options_[7];
        SetCurrentDirectoryA(saved_dir_.c_str());
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    void write_settings(const std::string &lines)
    {
        std::ofstream(".\\kivari.ini", std::ios::binary) << "[Options]\r\n" << lines;
    }

    bool dir_is_empty() const { return std::filesystem::is_empty(std::filesystem::path(dir_)); }

    std::string dir_, saved_dir_;
    std::vector<int> saved_options_;
};

class MainWindow : public InTempDir {
protected:
    void SetUp() override
    {
        InTempDir::SetUp();
        ASSERT_TRUE(class_registered());
        g_anim_pause_ms = 0;
        live_before_ = node_alloc_live();
    }

    void TearDown() override
    {
        node_alloc_fail(-1, 0);
        if (hwnd_ != nullptr && IsWindow(hwnd_))
            DestroyWindow(hwnd_);
        pump_pending();  // and the quit message the window posted
        // The program keeps its root until it ends; each test's window made
        // one of its own, released here.
        if (g_root != nullptr) {
            free_game();
            delete_node(g_root);
        }
        g_root = g_current = nullptr;
        EXPECT_EQ(node_alloc_live(), live_before_);
        InTempDir::TearDown();
    }

    // Makes the main window as the program does and lets it settle.
    void open()
    {
        hwnd_ = create_main_window(SW_SHOWNORMAL);
        ASSERT_NE(hwnd_, nullptr);
        ASSERT_EQ(hwnd_, g_hwnd_main);
        pump_pending();
    }

    HWND hwnd_ = nullptr;
    long live_before_ = 0;
};

// ---- the window class and the frame ------------------------------------------

TEST_F(MainWindow, ClassIsNamedAfterTheProgramWithIconMenuAndGrayBackground)
{
    open();
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExA(g_hinst, app_name, &wc));
    EXPECT_EQ(wc.style, 0u);
    EXPECT_EQ(wc.lpfnWndProc, main_wnd_proc);
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.cbWndExtra, 0);
    EXPECT_NE(wc.hIcon, nullptr);
    EXPECT_EQ(wc.hCursor, nullptr);
    EXPECT_EQ(wc.hbrBackground, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(wc.lpszMenuName), static_cast<ULONG_PTR>(IDM_MAIN));

    char name[32] = "", title[32] = "";
    GetClassNameA(hwnd_, name, sizeof name);
    GetWindowTextA(hwnd_, title, sizeof title);
    EXPECT_STREQ(name, app_name);
    EXPECT_STREQ(title, app_name);
}

TEST_F(MainWindow, FrameIsFixedWithoutMaximiseBox)
{
    open();
    const LONG style = GetWindowLongA(hwnd_, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_CHILD);
    EXPECT_EQ(GetParent(hwnd_), nullptr);
    EXPECT_TRUE(IsWindowVisible(hwnd_));
}

TEST_F(MainWindow, ClientAreaIsTheBoardWithTheStatusBarBelow)
{
    open();
    const int bar = status_bar_height(hwnd_);
    EXPECT_GT(bar, 0);
    RECT client;
    GetClientRect(hwnd_, &client);
    EXPECT_EQ(client.right, 576);
    EXPECT_EQ(client.bottom, 210 + bar);

    ASSERT_NE(g_status_bar, nullptr);
    EXPECT_EQ(GetDlgItem(hwnd_, IDC_STATUS_BAR), g_status_bar);
    EXPECT_TRUE(IsWindowVisible(g_status_bar));
    RECT r;
    GetWindowRect(g_status_bar, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT *>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 210);
    EXPECT_EQ(r.right, 576);
    EXPECT_EQ(r.bottom, 210 + bar);
}

TEST_F(MainWindow, MinimiseAndRestoreKeepTheSize)
{
    open();
    RECT before, after;
    GetClientRect(hwnd_, &before);
    ShowWindow(hwnd_, SW_MINIMIZE);
    pump_pending();
    EXPECT_TRUE(IsIconic(hwnd_));
    ShowWindow(hwnd_, SW_RESTORE);
    pump_pending();
    EXPECT_FALSE(IsIconic(hwnd_));
    GetClientRect(hwnd_, &after);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
}

// ---- the status bar ----------------------------------------------------------------

TEST_F(MainWindow, StatusBarHasFivePartsSharedOutOfTheWindowsWidth)
{
    open();
    // Each part gets its own truncated share of the outer width.
    const int width = outer_width(hwnd_);
    std::vector<int> expected;
    int edge = 0;
    for (int i = 0; i < 4; ++i) {
        edge += status_part_percents[i] * width / 100;
        expected.push_back(edge);
    }
    expected.push_back(-1);
    EXPECT_EQ(status_edges(), expected) << "outer width " << width;
}

TEST_F(MainWindow, PartWidthsAreTruncatedOneByOne)
{
    open();
    // Truncating the running percentages instead would give 337 and 579.
    set_outer_width(hwnd_, 582);
    size_status_bar(hwnd_, status_part_count, status_part_percents);
    EXPECT_EQ(status_edges(), (std::vector<int>{261, 336, 394, 469, -1}));

    set_outer_width(hwnd_, 999);
    size_status_bar(hwnd_, status_part_count, status_part_percents);
    EXPECT_EQ(status_edges(), (std::vector<int>{449, 578, 677, 806, -1}));
    EXPECT_TRUE(IsWindowVisible(g_status_bar));
}

TEST_F(MainWindow, OnePartSpansTheWholeBar)
{
    open();
    size_status_bar(hwnd_, 1, status_part_percents);
    EXPECT_EQ(status_edges(), (std::vector<int>{-1}));
    EXPECT_EQ(status_text(0), prompt);
}

TEST_F(MainWindow, PartCountsOutsideOneTo25LeaveTheBarAsItIs)
{
    open();
    const std::vector<int> before = status_edges();
    const int many[26] = {};
    size_status_bar(hwnd_, 0, status_part_percents);
    size_status_bar(hwnd_, -3, status_part_percents);
    size_status_bar(hwnd_, 26, many);
    size_status_bar(hwnd_, 2, nullptr);
    EXPECT_EQ(status_edges(), before);
    size_status_bar(nullptr, status_part_count, status_part_percents);
    EXPECT_EQ(status_edges(), before);
}

TEST_F(MainWindow, StatusTextNeedsTheWindow)
{
    open();
    set_status_text(nullptr, 0, "changed");
    set_status_text(nullptr, 3, "changed");
    EXPECT_EQ(status_text(0), prompt);
    EXPECT_EQ(status_text(3), "");

    set_status_text(hwnd_, 3, "Level: 0");
    EXPECT_EQ(status_text(3), "Level: 0");
    EXPECT_EQ(status_text(0), prompt);
}

TEST_F(MainWindow, StatusBarHeightIsItsWindowsHeight)
{
    open();
    RECT r;
    GetWindowRect(g_status_bar, &r);
    EXPECT_EQ(status_bar_height(hwnd_), r.bottom - r.top);
}

// ---- start-up -----------------------------------------------------------------

TEST_F(MainWindow, StartUpPromptsForANewGameAndLeavesTheOtherPartsEmpty)
{
    open();
    EXPECT_EQ(status_text(0), prompt);
    for (int part = 1; part < 5; ++part)
        EXPECT_EQ(status_text(part), "") << "part " << part;
}

TEST_F(MainWindow, StartUpSetsUpTheOpeningPositionFromTheSettingsFile)
{
    write_settings("NumbersStones=4\r\nPlayer2First=0\r\n");
    open();
    ASSERT_NE(g_root, nullptr);
    EXPECT_EQ(g_current, g_root);
    EXPECT_EQ(g_root->turn, 13);  // the top side moves first
    EXPECT_EQ(g_root->level, 0);
    EXPECT_EQ(g_root->first_child, nullptr);
    for (int bin = 0; bin < 14; ++bin) {
        const int expected = bin == 6 || bin == 13 ? 0 : 4;
        EXPECT_EQ(g_root->bins[bin], expected) << "bin " << bin;
        EXPECT_EQ(bin_count(bin), expected) << "stone list of bin " << bin;
    }
}

TEST_F(MainWindow, StartUpUsesTheStonesAndFirstSideOfTheFile)
{
    write_settings("NumbersStones=7\r\nPlayer2First=1\r\n");
    open();
    ASSERT_NE(g_root, nullptr);
    EXPECT_EQ(g_root->turn, 6);
    EXPECT_EQ(g_root->bins[0], 7);
    EXPECT_EQ(bin_count(12), 7);
    EXPECT_EQ(g_root->bins[13], 0);
}

TEST_F(MainWindow, StonesOutsideOneToEightInTheFileAreNotUsed)
{
    g_num_stones = 5;
    write_settings("NumbersStones=9\r\n");
    open();
    ASSERT_NE(g_root, nullptr);
    EXPECT_EQ(g_root->bins[3], 5);
    EXPECT_EQ(bin_count(3), 5);
}

TEST_F(MainWindow, StartUpStartsNoComputerMove)
{
    write_settings("NumberPlayers=0\r\nPlayer2First=0\r\n");
    hwnd_ = create_main_window(SW_SHOWNORMAL);
    ASSERT_NE(hwnd_, nullptr);
    EXPECT_FALSE(queued(WM_COMPUTER_MOVE));
    EXPECT_EQ(status_text(0), prompt);
}

TEST_F(MainWindow, StartUpReadsButNeverWritesTheSettingsFile)
{
    open();
    DestroyWindow(hwnd_);
    EXPECT_TRUE(dir_is_empty());
}

TEST_F(MainWindow, PaintedClientAreaShowsTheBoardAndItsStones)
{
    open();
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const image shot = grab_client(hwnd_);
    ASSERT_GE(shot.height, 210);
    const image store = load_art(IDB_BOARD_STORE);
    const image top = load_art(IDB_BOARD_TOP);
    const image bottom = load_art(IDB_BOARD_BOTTOM);

    // The stores are empty: both columns show just the store art.
    EXPECT_EQ(differing_pixels(shot, 0, 0, 72, 210, store, 0, 0), 0);
    EXPECT_EQ(differing_pixels(shot, 504, 0, 72, 210, store, 0, 0), 0);
    // Every playing bin holds stones: each cell differs from its bare art
    // where the stones lie, and not in its corners.
    for (int col = 1; col <= 6; ++col) {
        for (int row = 0; row < 2; ++row) {
            const image &art = row == 0 ? top : bottom;
            const int x = col * 72, y = row * 105;
            EXPECT_GT(differing_pixels(shot, x + 12, y + 15, 48, 80, art, 12, 15), 200)
                << "cell at column " << col << ", row " << row;
            EXPECT_EQ(differing_pixels(shot, x, y, 10, 10, art, 0, 0), 0);
            EXPECT_EQ(differing_pixels(shot, x + 62, y + 95, 10, 10, art, 62, 95), 0);
        }
    }
}

// ---- menu and commands ----------------------------------------------------------

struct menu_entry {
    const char *text;  // null for a separator
    UINT id;
};

const menu_entry file_menu[] = {
    {"&New Game", IDM_NEW_GAME}, {nullptr, 0},        {"&Options...", IDM_OPTIONS},
    {"&History...", IDM_HISTORY}, {nullptr, 0},       {"E&xit", IDM_EXIT},
};
const menu_entry help_menu[] = {
    {"&Contents", IDM_HELP_CONTENTS}, {"&Search...", IDM_HELP_SEARCH}, {nullptr, 0},
    {"&Tessary Homepage", IDM_HOMEPAGE}, {nullptr, 0},                 {"&About...", IDM_ABOUT},
};

std::string item_text(HMENU menu, int pos)
{
    char text[64] = "";
    GetMenuStringA(menu, pos, text, sizeof text, MF_BYPOSITION);
    return text;
}

template <size_t N>
void expect_popup(HMENU bar, int pos, const char *title, const menu_entry (&items)[N])
{
    SCOPED_TRACE(title);
    EXPECT_EQ(item_text(bar, pos), title);
    HMENU popup = GetSubMenu(bar, pos);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(N));
    for (size_t i = 0; i < N; ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE;
        ASSERT_TRUE(GetMenuItemInfoA(popup, static_cast<UINT>(i), TRUE, &info)) << "item " << i;
        if (items[i].text == nullptr) {
            EXPECT_TRUE(info.fType & MFT_SEPARATOR) << "item " << i;
            continue;
        }
        EXPECT_FALSE(info.fType & MFT_SEPARATOR) << items[i].text;
        EXPECT_EQ(item_text(popup, static_cast<int>(i)), items[i].text);
        EXPECT_EQ(info.wID, items[i].id) << items[i].text;
        EXPECT_EQ(info.fState & (MFS_GRAYED | MFS_DISABLED | MFS_CHECKED), 0u) << items[i].text;
    }
}

TEST_F(MainWindow, MenuHasEveryCommandWithItsTextAndId)
{
    open();
    HMENU bar = GetMenu(hwnd_);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    expect_popup(bar, 0, "&File", file_menu);
    expect_popup(bar, 1, "&Help", help_menu);
}

TEST_F(MainWindow, IdsOutsideTheMenuDoNothing)
{
    open();
    for (UINT id : {0u, 1u, 2u, 1000u, 40000u, 40009u, 65535u}) {
        EXPECT_EQ(SendMessageA(hwnd_, WM_COMMAND, id, 0), 0) << id;
        EXPECT_TRUE(IsWindow(hwnd_)) << id;
        EXPECT_FALSE(queued(WM_CLOSE)) << id;
        EXPECT_FALSE(queued(WM_QUIT)) << id;
    }
    EXPECT_EQ(status_text(0), prompt);
}

TEST_F(MainWindow, ExitClosesTheWindowAndQuitsWithCodeZero)
{
    open();
    EXPECT_EQ(SendMessageA(hwnd_, WM_COMMAND, IDM_EXIT, 0), 0);
    EXPECT_TRUE(queued(WM_CLOSE));  // posted, not done on the spot
    EXPECT_TRUE(IsWindow(hwnd_));
    EXPECT_EQ(run_until_quit(), std::optional<int>(0));
    EXPECT_FALSE(IsWindow(hwnd_));
}

TEST_F(MainWindow, CloseBoxQuitsWithCodeZero)
{
    open();
    PostMessageA(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run_until_quit(), std::optional<int>(0));
    EXPECT_FALSE(IsWindow(hwnd_));
}

TEST_F(MainWindow, ExitPostedFromAnotherThreadIsHandledOnTheWindowsThread)
{
    open();
    std::thread other([] { PostMessageA(g_hwnd_main, WM_COMMAND, IDM_EXIT, 0); });
    other.join();
    EXPECT_TRUE(IsWindow(hwnd_));
    EXPECT_EQ(run_until_quit(), std::optional<int>(0));
    EXPECT_FALSE(IsWindow(hwnd_));
}

TEST_F(MainWindow, DestroyReleasesTheArtAndTheGameBelowTheRoot)
{
    open();
    ASSERT_NE(g_root, nullptr);
    node *root = g_root;
    // Two moves of the bottom side from the opening, as a played game leaves them.
    ASSERT_GE(gen_node(g_current, 2, &g_current), 0);
    ASSERT_GE(gen_node(g_current, 0, &g_current), 0);
    ASSERT_EQ(g_current->level, 2);

    DestroyWindow(hwnd_);
    EXPECT_EQ(g_root, root);  // the root lives as long as the program
    EXPECT_EQ(g_root->first_child, nullptr);
    EXPECT_EQ(node_alloc_live(), live_before_ + 1);
    for (HBITMAP b : g_board_bitmaps)
        EXPECT_EQ(b, nullptr);
    EXPECT_EQ(g_stone_images, nullptr);
    EXPECT_EQ(g_status_bar, nullptr);
    int code = -1;
    EXPECT_TRUE(pump_pending(&code));
    EXPECT_EQ(code, 0);
}

// ---- no memory for the game record --------------------------------------------------

TEST_F(MainWindow, WithoutMemoryForTheRootTheWindowStaysUpWithoutAGame)
{
    node_alloc_fail(0, 1);
    open();
    node_alloc_fail(-1, 0);
    EXPECT_TRUE(IsWindowVisible(hwnd_));
    EXPECT_EQ(g_root, nullptr);
    EXPECT_EQ(g_current, nullptr);
    EXPECT_EQ(status_text(0), "ERROR: out of memory");
    for (int part = 1; part < 5; ++part)
        EXPECT_EQ(status_text(part), "") << "part " << part;

    // Painting, a click on the board and New Game find no game and leave it so.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    SendMessageA(hwnd_, WM_LBUTTONUP, 0, MAKELPARAM(3 * 72 + 30, 150));
    SendMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0);
    pump_pending();
    EXPECT_EQ(g_root, nullptr);
    EXPECT_EQ(status_text(0), "ERROR: out of memory");

    PostMessageA(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run_until_quit(), std::optional<int>(0));
    EXPECT_FALSE(IsWindow(hwnd_));
}

// ---- the program itself ----------------------------------------------------------------

struct window_search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK find_program_window(HWND hwnd, LPARAM param)
{
    auto *search = reinterpret_cast<window_search *>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char name[32] = "";
    GetClassNameA(hwnd, name, sizeof name);
    if (pid == search->pid && std::string(name) == app_name) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// wkivari.exe sits at the top of the build tree, two levels above this test.
std::string program_path()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return (std::filesystem::path(self).parent_path().parent_path().parent_path() / "wkivari.exe")
        .string();
}

class Program : public InTempDir {
protected:
    // Starts the program in the test's directory, sends its main window `msg`
    // once it is up, and gives the exit code.
    std::optional<DWORD> run_and_send(UINT msg, WPARAM wparam)
    {
        std::string command = "\"" + program_path() + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            dir_.c_str(), &si, &pi)) {
            ADD_FAILURE() << "cannot start " << command << ", error " << GetLastError();
            return std::nullopt;
        }
        WaitForInputIdle(pi.hProcess, static_cast<DWORD>(wait_limit_ms));
        window_search search{pi.dwProcessId, nullptr};
        const ULONGLONG deadline = GetTickCount64() + wait_limit_ms;
        while (search.found == nullptr && GetTickCount64() < deadline &&
               WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT)
            EnumWindows(find_program_window, reinterpret_cast<LPARAM>(&search));

        std::optional<DWORD> code;
        if (search.found == nullptr) {
            ADD_FAILURE() << "the program's window did not appear";
        } else {
            PostMessageA(search.found, msg, wparam, 0);
            if (WaitForSingleObject(pi.hProcess, static_cast<DWORD>(wait_limit_ms)) == WAIT_OBJECT_0) {
                DWORD exit_code = 0;
                GetExitCodeProcess(pi.hProcess, &exit_code);
                code = exit_code;
            } else {
                ADD_FAILURE() << "the program did not end";
            }
        }
        if (!code)
            TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return code;
    }
};

TEST_F(Program, ExitEndsItWithCodeZeroAndSavesNothing)
{
    EXPECT_EQ(run_and_send(WM_COMMAND, IDM_EXIT), std::optional<DWORD>(0));
    EXPECT_TRUE(dir_is_empty());
}

TEST_F(Program, CloseBoxEndsItWithCodeZero)
{
    EXPECT_EQ(run_and_send(WM_SYSCOMMAND, SC_CLOSE), std::optional<DWORD>(0));
}

} // namespace
