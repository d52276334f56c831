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
#include "tests/win32/harness.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Waits on Wine and on the program started here.
const ULONGLONG wait_limit_ms = 20000;

namespace {

const char prompt[] = "Select 'File->New Game' to start...";
const char app_name[] = "wKivari";

std::vector<int> status_edges()
{
    int edges[25];
    const int count =
        static_cast<int>(SendMessageA(g_status_bar, SB_GETPARTS, 25, reinterpret_cast<LPARAM>(edges)));
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

// A bitmap resource of this program as it looks drawn on the screen.
image load_art(int id)
{
    auto bitmap = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
    image out = grab_bitmap(bitmap);
    DeleteObject(bitmap);
    return out;
}

// Pixels of `shot` in the box at (x0, y0) that differ from `art` at the same
// place relative to (ax, ay).
int differing_pixels(const image& shot, int x0, int y0, int w, int h, const image& art, int ax, int ay)
{
    int n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            n += shot.at(x0 + x, y0 + y) != art.at(ax + x, ay + y);
    return n;
}

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
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
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
    write_file(settings_path, "[Options]\r\nNumbersStones=4\r\nPlayer2First=0\r\n");
    open();
    ASSERT_NE(g_root, nullptr);
    EXPECT_EQ(g_current, g_root);
    EXPECT_EQ(g_root->turn, 13); // the top side moves first
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
    write_file(settings_path, "[Options]\r\nNumbersStones=7\r\nPlayer2First=1\r\n");
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
    write_file(settings_path, "[Options]\r\nNumbersStones=9\r\n");
    open();
    ASSERT_NE(g_root, nullptr);
    EXPECT_EQ(g_root->bins[3], 5);
    EXPECT_EQ(bin_count(3), 5);
}

TEST_F(MainWindow, StartUpStartsNoComputerMove)
{
    write_file(settings_path, "[Options]\r\nNumberPlayers=0\r\nPlayer2First=0\r\n");
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
            const image& art = row == 0 ? top : bottom;
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
    const char* text; // null for a separator
    UINT id;
};

const menu_entry file_menu[] = {
    {"&New Game", IDM_NEW_GAME},  {nullptr, 0}, {"&Options...", IDM_OPTIONS},
    {"&History...", IDM_HISTORY}, {nullptr, 0}, {"E&xit", IDM_EXIT},
};
const menu_entry help_menu[] = {
    {"&Contents", IDM_HELP_CONTENTS},
    {"&Search...", IDM_HELP_SEARCH},
    {nullptr, 0},
    {"&Tessary Homepage", IDM_HOMEPAGE},
    {nullptr, 0},
    {"&About...", IDM_ABOUT},
};

std::string menu_text(HMENU menu, int pos)
{
    char text[64] = "";
    GetMenuStringA(menu, pos, text, sizeof text, MF_BYPOSITION);
    return text;
}

template <size_t N> void expect_popup(HMENU bar, int pos, const char* title, const menu_entry (&items)[N])
{
    SCOPED_TRACE(title);
    EXPECT_EQ(menu_text(bar, pos), title);
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
        EXPECT_EQ(menu_text(popup, static_cast<int>(i)), items[i].text);
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
    EXPECT_TRUE(queued(WM_CLOSE)); // posted, not done on the spot
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
    node* root = g_root;
    // Two moves of the bottom side from the opening, as a played game leaves them.
    ASSERT_GE(gen_node(g_current, 2, &g_current), 0);
    ASSERT_GE(gen_node(g_current, 0, &g_current), 0);
    ASSERT_EQ(g_current->level, 2);

    DestroyWindow(hwnd_);
    EXPECT_EQ(g_root, root); // the root lives as long as the program
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

// The main window of the program with process id `pid`, or null.
HWND program_window(DWORD pid)
{
    return first_window(desktop_windows(), [&](HWND hwnd) {
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        return owner == pid && class_name(hwnd) == app_name;
    });
}

// wkivari.exe sits at the top of the build tree, two levels above this test.
std::string program_path()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return (std::filesystem::path(self).parent_path().parent_path().parent_path() / "wkivari.exe").string();
}

class Program : public InTempDir {
protected:
    // Starts the program in the test's directory, sends its main window `msg`
    // once it is up, and gives the exit code.
    std::optional<DWORD> run_and_send(UINT msg, WPARAM wparam)
    {
        std::string command = '"' + program_path() + '"';
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir_.c_str(), &si,
                            &pi)) {
            ADD_FAILURE() << "cannot start " << command << ", error " << GetLastError();
            return std::nullopt;
        }
        WaitForInputIdle(pi.hProcess, static_cast<DWORD>(wait_limit_ms));
        HWND found = nullptr;
        const ULONGLONG deadline = GetTickCount64() + wait_limit_ms;
        while (found == nullptr && GetTickCount64() < deadline &&
               WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT)
            found = program_window(pi.dwProcessId);

        std::optional<DWORD> code;
        if (found == nullptr) {
            ADD_FAILURE() << "the program's window did not appear";
        } else {
            PostMessageA(found, msg, wparam, 0);
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

// When the main window cannot be made (Wine without a display driver refuses
// every window), the program must end, not wait unseen for messages that
// never come. A hook refuses the window here.
LRESULT CALLBACK refuse_windows(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HCBT_CREATEWND)
        return 1;
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

TEST_F(InTempDir, WithoutItsWindowTheProgramEndsWithBadEnvironment)
{
    // run_program registers the class itself, and leaves it for the tests after.
    char name[20] = "";
    LoadStringA(GetModuleHandleA(nullptr), IDS_APP_NAME, name, sizeof name);
    UnregisterClassA(name, GetModuleHandleA(nullptr));
    const HHOOK hook = SetWindowsHookExA(WH_CBT, refuse_windows, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    PostQuitMessage(7); // a loop that ran anyway would end with this code
    const int code = run_program(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    UnhookWindowsHookEx(hook);
    pump_pending();
    EXPECT_EQ(code, ERROR_BAD_ENVIRONMENT);
    EXPECT_EQ(g_hwnd_main, nullptr);
    EXPECT_TRUE(dir_is_empty());
}

} // namespace
