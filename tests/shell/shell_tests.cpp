// The shell on the real main window: texts after real moves, status parts, dialogs, what a screen reader
// finds, home page, exit codes.
#include "shell/dialogs.h"
#include "shell/help.h"
#include "shell/shell.h"

#include "board/board.h"
#include "engine/engine.h"
#include "game/controller.h"
#include "game/options.h"
#include "game/session.h"
#include "game/tables.h"
#include "game/texts.h"
#include "resources/resource.h"
#include "tests/win32/harness.h"

#include <commctrl.h>
#include <oleacc.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <random>
#include <tuple>
#include <filesystem>

const ULONGLONG wait_limit_ms = 20000;

namespace {

// A new game of two people, 4 stones a bin, the bottom side first.
class Shell : public MainWindow {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindow::SetUp());
        ASSERT_NO_FATAL_FAILURE(open());
        g_num_players = 2;
        SendMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0);
    }
    void play(int bin) { SendMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(bin)); }
};

// The five status parts after each click or command, in turn.
TEST_F(Shell, CommandsAndClicksLeaveTheirStatusTexts)
{
    const char *const turn = your_turn, *const refused = move_refused;
    const std::tuple<UINT, WPARAM, std::array<const char*, 5>> rows[] = {
        {WM_LBUTTONUP, 5, {turn, "Score: 27/21", "Level: 1", "Heuristic: 27", "To move: Player 1"}},
        {WM_LBUTTONUP, 4, {turn, "Score: 27/21", "Level: 1", "Heuristic: 27", "To move: Player 1"}},
        {WM_LBUTTONUP, 9, {turn, "Score: 26/22", "Level: 2", "Heuristic: 26", "To move: Player 2"}},
        {WM_LBUTTONUP, 5, {refused, "Score: 26/22", "Level: 2", "Heuristic: 26", "To move: Player 2"}},
        {WM_LBUTTONUP, 1, {turn, "Score: 21/27", "Level: 3", "Heuristic: 21", "To move: Player 1"}},
        {WM_COMMAND,
         49999 /* no command */,
         {turn, "Score: 21/27", "Level: 3", "Heuristic: 21", "To move: Player 1"}},
        {WM_COMMAND, IDM_NEW_GAME, {turn, "Score: 24/24", "Level: 0", "Heuristic: 24", "To move: Player 2"}}};
    for (const auto& [msg, id_or_bin, parts] : rows) {
        SendMessageA(hwnd_, msg, msg == WM_COMMAND ? id_or_bin : 0,
                     msg == WM_COMMAND ? 0 : bin_point(static_cast<int>(id_or_bin)));
        for (int part = 0; part < 5; ++part)
            EXPECT_EQ(status_text(part), parts[part]) << msg << " " << id_or_bin << ", part " << part;
    }
}

// The text the tooltip control shows over board cell `cell` (column + 8 x row), asked of the main window.
std::string tip(int cell)
{
    const HWND tips = find_window(
        [](HWND w) { return class_name(w) == TOOLTIPS_CLASSA && GetWindow(w, GW_OWNER) == g_hwnd_main; });
    char text[80] = "";
    TTHITTESTINFOA hit{g_hwnd_main, {cell % 8 * g_bin_w + 5, cell / 8 * g_bin_h + 5}, {TTTOOLINFOA_V2_SIZE}};
    SendMessageA(tips, TTM_HITTESTA, 0, reinterpret_cast<LPARAM>(&hit));
    hit.ti.lpszText = text;
    SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&hit.ti));
    return text;
}

// After two moves each cell's tip tells its bin's count; with the option off, none.
TEST_F(Shell, TooltipsTellEachCellsCount)
{
    play(5);
    play(9);
    const char* const counts[16] = {"1", "5", "5", "5", "0", "5", "5", "1",
                                    "1", "5", "4", "4", "4", "4", "0", "1"};
    for (int cell = 0; cell < 16; ++cell)
        EXPECT_EQ(tip(cell), counts[cell]) << "cell " << cell;
    g_tooltips = 0; // read at every request
    EXPECT_EQ(tip(3), "");
}

// With the computer playing the top side, History lists the moves so far and those played while it is open,
// the main window enabled; reopened, the same, whatever a search left below; New Game empties it.
TEST_F(Shell, HistoryListsTheMovesAsTheyArePlayed)
{
    g_num_players = 1;
    g_difficulty = 2;
    play(2); // into the store: the bottom side moves again
    std::vector<std::string> lines;
    auto read = [&] {
        lines = list_lines(GetDlgItem(g_hist_dlg, IDC_HISTORY_LIST));
        EXPECT_TRUE(IsWindowEnabled(hwnd_));
    };
    with_dialog(hwnd_, IDM_HISTORY,
                {[&] { PostMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(5)); }, until([] {
                     return g_current->level >= 3 && g_current->turn == BOTTOM_STORE &&
                            status_text(0) == your_turn;
                 }),
                 [&] { read(), press_escape(g_hist_dlg); }});
    ASSERT_EQ(lines.size(), static_cast<size_t>(g_current->level));
    EXPECT_EQ(lines[0], "Player 2: 3");
    EXPECT_EQ(lines[1], "Player 2: 6");
    for (size_t i = 2; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].rfind("Player 1: ", 0), 0u) << lines[i];
    const std::vector<std::string> played = lines;
    node* searched = nullptr; // as a running search leaves it: a position below the current one
    for (int bin = 0; searched == nullptr && bin < BOTTOM_STORE; ++bin)
        gen_node(g_current, bin, &searched);
    with_dialog(hwnd_, IDM_HISTORY,
                {[&] { read(), PostMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0); },
                 until([] { return g_current == g_root; }),
                 [&] {
                     HWND list = GetDlgItem(g_hist_dlg, IDC_HISTORY_LIST);
                     EXPECT_TRUE(list_lines(list).empty());
                     RECT shown{}, line{};
                     GetClientRect(list, &shown);
                     for (int i = 0; i < 30; ++i) {
                         history_add(g_hist_dlg, "Player 2: 5");
                         SendMessageA(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&line));
                         EXPECT_TRUE(line.top >= 0 && line.bottom <= shown.bottom) << "line " << i;
                     }
                     press_escape(g_hist_dlg);
                 }});
    EXPECT_EQ(lines, played);
}

// What a user meets of the resources: the title, each menu's commands in order (0 a separator), an About
// text that cannot be selected; and a window of fixed size.
TEST_F(Shell, ResourcesAsTheUserMeetsThem)
{
    EXPECT_EQ(window_text(hwnd_), "wKivari");
    EXPECT_FALSE(GetWindowLongA(hwnd_, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX));
    std::vector<std::vector<UINT>> menus(GetMenuItemCount(GetMenu(hwnd_)));
    for (size_t m = 0; m < menus.size(); ++m)
        for (int k = 0; k < GetMenuItemCount(GetSubMenu(GetMenu(hwnd_), m)); ++k)
            menus[m].push_back(GetMenuItemID(GetSubMenu(GetMenu(hwnd_), m), k));
    EXPECT_EQ(menus, (std::vector<std::vector<UINT>>{
                         {IDM_NEW_GAME, 0, IDM_OPTIONS, IDM_HISTORY, 0, IDM_EXIT},
                         {IDM_UNDO, IDM_REDO, IDM_HINT, 0, IDM_PACE_NORMAL, IDM_PACE_FAST, IDM_PACE_INSTANT,
                          0, IDM_OPEN_GAME, IDM_SAVE_GAME, IDM_COPY_GAME, IDM_PASTE_GAME, 0, IDM_MOVE_VALUES,
                          0, IDM_REVIEW},
                         {IDM_HELP_CONTENTS, IDM_HELP_SEARCH, 0, IDM_HOMEPAGE, 0, IDM_ABOUT}}));
    with_dialog(hwnd_, IDM_ABOUT, {[&] {
                    const HWND about = find_dialog("About", IDC_ABOUT_TEXT);
                    EXPECT_TRUE(about && !IsWindowEnabled(GetDlgItem(about, IDC_ABOUT_TEXT))) << about;
                    const std::vector<std::string> lines = list_lines(GetDlgItem(about, IDC_ABOUT_TEXT));
                    EXPECT_EQ(lines.size() > 2 ? lines[2] : "", "Version: " BUILT_VERSION);
                    press_escape(about);
                }});
}

// A reader's text, as narrow as the board's own.
std::string narrow(BSTR text)
{
    std::string s;
    for (UINT k = 0; text && k < SysStringLen(text); ++k)
        s += static_cast<char>(text[k]);
    SysFreeString(text);
    return s;
}

void CALLBACK answer_result_box(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND box = find_dialog(game_over_text))
        SendMessageA(box, WM_COMMAND, IDOK, 0);
}

// The board's object as a reader asks for it, and the result box answered.
class Reader : public Shell {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(Shell::SetUp());
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        ASSERT_EQ(AccessibleObjectFromWindow(hwnd_, OBJID_CLIENT, __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&board_)),
                  S_OK);
        box_timer_ = SetTimer(nullptr, 0, 10, answer_result_box);
    }
    void TearDown() override
    {
        KillTimer(nullptr, box_timer_);
        if (board_ != nullptr)
            board_->Release();
        CoUninitialize();
        Shell::TearDown();
    }
    IAccessible* board_ = nullptr;
    UINT_PTR box_timer_ = 0;
};

// Events a reader is sent from this process: (event, child) for the board, child 0 for the status bar.
std::vector<std::pair<DWORD, LONG>> g_events;
void CALLBACK record_event(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD)
{
    // The board's name is the window's: only the status bar's name change is the message's.
    if (object == OBJID_CLIENT &&
        (hwnd == g_hwnd_main ? event != EVENT_OBJECT_NAMECHANGE : hwnd == g_status_bar))
        g_events.emplace_back(event, hwnd == g_status_bar ? -1 : child);
}

// What a screen reader finds on the board: each bin's name, count and state as the game stands, a default
// action that plays as a click does, and the events a move, the focus frame and the message raise.
TEST_F(Reader, AScreenReaderReadsAndPlaysTheBoard)
{
    // "name|value|state|default action" of bin `bin`, the state as u (unavailable) and f (focused).
    const auto read = [&](int bin) {
        VARIANT child{};
        child.vt = VT_I4, child.lVal = bin + 1;
        BSTR name = nullptr, value = nullptr, action = nullptr;
        VARIANT state{}, role{};
        board_->get_accName(child, &name), board_->get_accValue(child, &value);
        board_->get_accState(child, &state), board_->get_accRole(child, &role);
        board_->get_accDefaultAction(child, &action);
        return narrow(name) + "|" + narrow(value) + "|" + (state.lVal & STATE_SYSTEM_UNAVAILABLE ? "u" : "") +
               (state.lVal & STATE_SYSTEM_FOCUSED ? "f" : "") + "|" + narrow(action) +
               (role.lVal == ROLE_SYSTEM_PUSHBUTTON   ? ""
                : role.lVal == ROLE_SYSTEM_STATICTEXT ? "|text"
                                                      : "|?");
    };
    EXPECT_EQ(read(0), "Player 2 bin 1|4 stones||Play");
    EXPECT_EQ(read(BOTTOM_STORE), "Player 2 store|0 stones|||text");
    EXPECT_EQ(read(7), "Player 1 bin 6|4 stones|u|");
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr,
                                               record_event, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    VARIANT child{};
    child.vt = VT_I4, child.lVal = 8; // bin 7: not the side to move's
    EXPECT_EQ(board_->accDoDefaultAction(child), DISP_E_MEMBERNOTFOUND);
    child.lVal = 2; // bin 1, as a click: its 4 stones into bins 2 to 5
    EXPECT_EQ(board_->accDoDefaultAction(child), S_OK);
    pump_pending();
    EXPECT_EQ(g_current->level, 1);
    EXPECT_EQ(read(12), "Player 1 bin 1|4 stones||Play");
    SendMessageA(hwnd_, WM_KEYDOWN, VK_RIGHT, 1); // shows the frame on the top side's first bin
    pump_pending();
    EXPECT_EQ(read(g_focus_bin), "Player 1 bin 1|4 stones|f|Play");
    const std::vector<std::pair<DWORD, LONG>> expected = {
        {EVENT_OBJECT_VALUECHANGE, 2}, {EVENT_OBJECT_VALUECHANGE, 3}, {EVENT_OBJECT_VALUECHANGE, 4},
        {EVENT_OBJECT_VALUECHANGE, 5}, {EVENT_OBJECT_VALUECHANGE, 6}, {EVENT_OBJECT_NAMECHANGE, -1},
        {EVENT_OBJECT_FOCUS, 13}};
    EXPECT_EQ(g_events, expected);
    g_events.clear();
    set_status_text(hwnd_, 1, "Score: 1/2"); // only the message is spoken
    pump_pending();
    EXPECT_TRUE(g_events.empty());
    UnhookWinEvent(hook);
    // A whole game against the computer, known and played through the object alone: each count the reader
    // hears is the board's, and the first bin it may play is played.
    g_num_players = 1, g_difficulty = 1;
    SendMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0);
    for (int moves = 0; !game_over(g_current); ++moves) {
        ASSERT_TRUE(moves < 200 &&
                    pump_until([] { return game_over(g_current) || status_text(0) == your_turn; }));
        int play = -1;
        for (int bin = 13; bin >= 0 && !game_over(g_current); --bin) {
            const std::string seen = read(bin);
            EXPECT_EQ(seen.substr(seen.find('|') + 1, seen.find(" stone") - seen.find('|') - 1),
                      std::to_string(g_current->bins[bin]));
            play = seen.ends_with("|Play") ? bin : play;
        }
        child.lVal = play + 1;
        if (play >= 0 && board_->accDoDefaultAction(child) == S_OK)
            pump_pending();
    }
    EXPECT_EQ(status_text(0), new_game_prompt);
}

// Show Move Values in each person's turn: every non-empty bin of the side to move shows its move's value
// from the engine against the best for the mover ("=" for the game's result), painted on the bin and given
// to a reader as the bin's description; a move takes them off at once, and off they stay off. With the
// exact search, proven results in blue; the table it reads is then in the local application data.
TEST_F(Reader, MoveValuesShowOnTheBinsAndToAReader)
{
    const auto description = [&](int bin) {
        VARIANT child{};
        child.vt = VT_I4, child.lVal = bin + 1;
        BSTR text = nullptr;
        board_->get_accDescription(child, &text);
        return narrow(text);
    };
    const auto shown = [] { return values_shown(); };
    const auto label_of = [](int bin) {
        char label[8];
        value_label(bin, label);
        return std::string(label);
    };
    g_difficulty = 8, g_num_stones = 1; // a short game, so that its end comes within the search
    g_endgame_stones = 4;
    char folder[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder), S_OK);
    const std::string table = std::string(folder) + "\\wKivari\\endgame4-nocaps.tbl";
    DeleteFileA(table.c_str());
    SendMessageA(hwnd_, WM_COMMAND, IDM_MOVE_VALUES, 0);
    EXPECT_TRUE(GetMenuState(GetMenu(hwnd_), IDM_MOVE_VALUES, MF_BYCOMMAND) & MF_CHECKED);
    int exact = 0, proven = 0;
    for (const bool exact_search : {false, true}) {
        g_create_thread = exact_search ? CreateThread
                                       : [](LPSECURITY_ATTRIBUTES a, SIZE_T s, LPTHREAD_START_ROUTINE f,
                                            LPVOID p, DWORD flags, LPDWORD id) -> HANDLE {
            return g_order.kind == search_kind::exact ? nullptr : CreateThread(a, s, f, p, flags, id);
        };
        SendMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0);
        while (!game_over(g_current)) {
            ASSERT_TRUE(pump_until([] { return values_shown() && !g_searching; }));
            // Each move of the side to move labelled, and the reader told the same.
            int first = -1;
            for (int bin = 0; bin < 14; ++bin) {
                const std::string want = label_of(bin), plain = want.substr(want.starts_with("=") ? 1 : 0);
                EXPECT_EQ(want.empty(), side_of(bin) != g_current->turn || g_current->bins[bin] == 0) << bin;
                EXPECT_EQ(g_bin_values[bin].proven, exact_search && !want.empty())
                    << "12 stones are proven at once";
                if (!g_bin_values[bin].proven) {
                    EXPECT_EQ(description(bin),
                              want.empty() ? "" : "Value: " + plain + (plain == "0" ? ", best" : ""));
                }
                exact += want.starts_with("="), proven += g_bin_values[bin].proven;
                first = first < 0 && !want.empty() ? bin : first;
            }
            // The best's label in its green on the board, a proven one in blue.
            redraw_board(hwnd_);
            HDC dc = GetDC(hwnd_);
            const RECT r = bin_cell(first);
            const std::string label = label_of(first);
            int green = 0, blue = 0;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) {
                    green += GetPixel(dc, x, y) == RGB(0, 110, 0);
                    blue += GetPixel(dc, x, y) == RGB(0, 60, 200);
                }
            EXPECT_EQ(green > 0, !exact_search && (label == "0" || label == "=0")) << label;
            EXPECT_EQ(blue > 0, exact_search) << label;
            ReleaseDC(hwnd_, dc);
            EXPECT_EQ(tip(column_of(first) + 8 * row_of(first)),
                      std::to_string(g_current->bins[first]) +
                          (exact_search ? "\r\nProven result" : "\r\nValue at depth 8"));
            play(first);
            EXPECT_FALSE(shown()) << "the values of the position before stay";
        }
    }
    g_create_thread = CreateThread;
    EXPECT_GT(exact, proven) << "values that are the game's result";
    EXPECT_GT(proven, 0);
    endgame_table read;
    EXPECT_TRUE(pump_until([&] { return endgame_read_file(read, table.c_str(), 4, false) == 0; }));
    EXPECT_FALSE(status_text(0).starts_with("Preparing")) << "the message is put back";
    SendMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0);
    ASSERT_TRUE(pump_until(shown));
    SendMessageA(hwnd_, WM_COMMAND, IDM_MOVE_VALUES, 0);
    EXPECT_FALSE(shown() || g_thread != INVALID_HANDLE_VALUE);
}

// Centred over the owner, halves truncated toward zero, pulled back onto the screen edge by edge.
TEST(CenterDialog, PlacesOverTheOwnerOnTheScreen)
{
    HDC dc = GetDC(nullptr);
    const int sw = GetDeviceCaps(dc, HORZRES), sh = GetDeviceCaps(dc, VERTRES);
    ReleaseDC(nullptr, dc);
    // owner x, y, width, height; dialog width, height; where the dialog goes
    const int rows[][8] = {{100, 80, 400, 300, 200, 100, 200, 180},
                           {300, 200, 100, 50, 201, 151, 250, 150},
                           {-300, -250, 400, 300, 200, 100, 0, 0},
                           {sw - 100, sh - 50, 400, 300, 200, 100, sw - 200, sh - 100},
                           {200, 150, sw, sh, sw + 100, sh + 60, -100, -60}};
    auto popup = [](int x, int y, int w, int h) {
        return CreateWindowExA(0, "STATIC", "", WS_POPUP, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
    };
    for (const auto& r : rows) {
        HWND owner = popup(r[0], r[1], r[2], r[3]), dlg = popup(5, 7, r[4], r[5]);
        center_dialog(dlg, owner);
        RECT got{};
        GetWindowRect(dlg, &got);
        EXPECT_EQ(got.left, r[6]) << r[0] << "," << r[1];
        EXPECT_EQ(got.top, r[7]) << r[0] << "," << r[1];
        DestroyWindow(dlg);
        DestroyWindow(owner);
    }
}

// The browser comes up as a normal window: the recorder, as the https handler, tells its show command.
TEST_F(Shell, HomePageOpensTheBrowserShown)
{
    char self[MAX_PATH] = "", before[2 * MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string out = dir_ + "\\browser.txt", key = "https\\shell\\open\\command";
    const std::string recorder = (std::filesystem::path(self).parent_path() / "record_command.exe").string();
    const std::string command = '"' + recorder + "\" \"" + out + "\" \"%1\"";
    LONG size = sizeof before;
    const bool had = RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), before, &size) == ERROR_SUCCESS;
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, command.c_str(), 0), ERROR_SUCCESS);
    SendMessageA(hwnd_, WM_COMMAND, IDM_HOMEPAGE, 0);
    const bool started = pump_until([&] { return file_exists(out); });
    if (had)
        RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, before, 0);
    else
        RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
    ASSERT_TRUE(started);
    EXPECT_NE(read_file(out).find(home_page_address), std::string::npos) << read_file(out);
    EXPECT_EQ(read_file(out + ".show"), std::to_string(SW_SHOWNORMAL));
}

// When the shell cannot open an address, the browser of the .htm class gets it, else the one of .html.
TEST_F(Shell, TheBrowserRegisteredForWebPagesIsTheFallback)
{
    HKEY key;
    for (const char* ext : {".htm", ".html"})
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ext, 0, KEY_READ, &key) == ERROR_SUCCESS)
            GTEST_SKIP() << ext << " is registered here already; this test needs it free";
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string recorder = (std::filesystem::path(self).parent_path() / "record_command.exe").string();
    const auto set = [](const std::string& k, const std::string& v) {
        return RegSetValueA(HKEY_CLASSES_ROOT, k.c_str(), REG_SZ, v.c_str(), 0) == ERROR_SUCCESS;
    };
    for (const std::string cls : {"wKivariTest.htm", "wKivariTest.html"})
        set(cls + "\\shell\\open\\command", '"' + recorder + "\" \"" + dir_ + "\\" + cls + "\" \"%1\"");
    set(".html", "wKivariTest.html");
    // .htm absent, then too long to read, then readable: only then is it used.
    for (const auto& [htm, used] : {std::pair<std::string, std::string>{"", "html"},
                                    {std::string(300, 'x'), "html"},
                                    {"wKivariTest.htm", "htm"}}) {
        if (!htm.empty())
            set(".htm", htm);
        EXPECT_GT(open_url("wkivari-nowhere:home", SW_SHOWNORMAL), 32);
        const std::string out = dir_ + "\\wKivariTest." + used;
        EXPECT_TRUE(pump_until([&] { return file_exists(out); })) << used;
        EXPECT_FALSE(file_exists(dir_ + (used == "htm" ? "\\wKivariTest.html" : "\\wKivariTest.htm")))
            << used;
        DeleteFileA(out.c_str());
    }
    for (const char* k : {".htm", ".html", "wKivariTest.htm", "wKivariTest.html"})
        RegDeleteTreeA(HKEY_CLASSES_ROOT, k);
}

LRESULT CALLBACK refuse_windows(int code, WPARAM wparam, LPARAM lparam)
{
    return code == HCBT_CREATEWND ? 1 : CallNextHookEx(nullptr, code, wparam, lparam);
}

// Not 0 without the window class; 10, the launcher's sign of a broken display, without the window.
TEST_F(MainWindow, ExitCodes)
{
    const HINSTANCE self = GetModuleHandleA(nullptr);
    const int no_class = run_program(self, SW_SHOWNORMAL); // registered already by this test program
    EXPECT_TRUE(no_class != 0 && no_class != ERROR_BAD_ENVIRONMENT) << no_class;
    UnregisterClassA("wKivari", self);
    const HHOOK hook = SetWindowsHookExA(WH_CBT, refuse_windows, nullptr, GetCurrentThreadId());
    PostQuitMessage(7); // a message loop that ran anyway would end with this code
    const int no_window = run_program(self, SW_SHOWNORMAL);
    UnhookWindowsHookEx(hook);
    pump_pending();
    EXPECT_EQ(no_window, ERROR_BAD_ENVIRONMENT);
}

} // namespace
