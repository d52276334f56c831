// Tests of the status texts, the board's tooltips, the History and About dialogs
// and dialog placing, on the real main window in a fresh directory per test.
#include "shell/dialogs.h"
#include "shell/shell.h"
#include "shell/status.h"

#include "board/board.h"
#include "engine/engine.h"
#include "game/controller.h"
#include "game/options.h"
#include "resources/resource.h"
#include "tests/win32/harness.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

// Waits on Wine, and on a search at a small depth while a dialog is open.
const ULONGLONG wait_limit_ms = 20000;

namespace {

int top_index(HWND list)
{
    return static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
}

RECT window_rect(HWND hwnd)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

SIZE screen_size()
{
    HDC dc = GetDC(nullptr);
    SIZE s{GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)};
    ReleaseDC(nullptr, dc);
    return s;
}

// ---- the main window, made fresh for each test -----------------------------------

class Shell : public MainWindow {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindow::SetUp());
        ASSERT_NO_FATAL_FAILURE(open());
        ASSERT_NE(g_root, nullptr);
        // A game of two people, so nothing asks the computer for a move.
        g_num_players = 2;
    }

    void TearDown() override
    {
        MainWindow::TearDown();
        EXPECT_EQ(g_hist_dlg, nullptr);
    }

    // Plays `bin` on the current position through the engine, as a move does.
    void play(int bin)
    {
        ASSERT_GE(gen_node(g_current, bin, &g_current), 0) << "bin " << bin;
        calc_h(g_current);
    }
};

// ---- status texts ------------------------------------------------------------------

using StatusTexts = Shell;

// Status parts 1 to 4 in order: the score, the level, the value and the side to move.
void expect_status_parts(const std::array<const char*, 4>& parts)
{
    for (int part = 1; part <= 4; ++part)
        EXPECT_EQ(status_text(part), parts[part - 1]) << "part " << part;
}

TEST_F(StatusTexts, OpeningPositionIsEvenAtLevelZero)
{
    update_status(hwnd_, g_current);
    expect_status_parts({"Score: 24/24", "Level: 0", "Heuristic: 24", "To move: Player 2"});
}

TEST_F(StatusTexts, ScoreCountsTheStonesStillInEachRow)
{
    // Bottom bin 6 (index 5) sows into its store and three top bins.
    play(5);
    update_status(hwnd_, g_current);
    expect_status_parts({"Score: 27/21", "Level: 1", "Heuristic: 27", "To move: Player 1"});
}

TEST_F(StatusTexts, ShowTheValueAndLevelThePositionCarries)
{
    play(2);
    play(0);
    play(9);
    g_current->h = -17; // a value the search backed up may be anything
    update_status(hwnd_, g_current);
    EXPECT_EQ(status_text(2), "Level: 3");
    EXPECT_EQ(status_text(3), "Heuristic: -17");
}

TEST_F(StatusTexts, SideToMoveDependsOnThePlayers)
{
    node top = *g_current;
    top.turn = 13;
    node bottom = *g_current;
    bottom.turn = 6;
    struct row {
        int players;
        node* position;
        const char* shown;
    } rows[] = {
        {0, &top, "To move: Computer"}, {0, &bottom, "To move: Computer"},
        {1, &top, "To move: Computer"}, {1, &bottom, "To move: Player 2"},
        {2, &top, "To move: Player 1"}, {2, &bottom, "To move: Player 2"},
        {5, &top, "To move: Player 1"}, {-1, &bottom, "To move: Player 2"},
    };
    for (const row& r : rows) {
        g_num_players = r.players;
        update_status(hwnd_, r.position);
        EXPECT_EQ(status_text(4), r.shown) << r.players << " players, turn " << r.position->turn;
    }
}

TEST_F(StatusTexts, LeaveTheMessageLineAlone)
{
    const std::string message = status_text(0);
    ASSERT_FALSE(message.empty());
    update_status(hwnd_, g_current);
    EXPECT_EQ(status_text(0), message);
}

TEST_F(StatusTexts, WithoutAPositionNothingIsWritten)
{
    update_status(hwnd_, nullptr);
    for (int part = 1; part < 5; ++part)
        EXPECT_EQ(status_text(part), "") << "part " << part;
}

// ---- tooltips -----------------------------------------------------------------------

// The tooltip control of the main window: the program keeps no handle to it.
HWND main_tooltip()
{
    return find_window([](HWND hwnd) {
        return class_name(hwnd) == TOOLTIPS_CLASSA && GetWindow(hwnd, GW_OWNER) == g_hwnd_main;
    });
}

// What the main window answers to one tip request for `tool`, as the control asks.
struct tip_answer {
    LRESULT result;
    std::string text; // empty when the request's text was left alone
    bool points_at_buffer;
};

tip_answer ask_tip(HWND main, UINT_PTR tool)
{
    NMTTDISPINFOA info{};
    info.hdr.hwndFrom = main_tooltip();
    info.hdr.idFrom = tool;
    info.hdr.code = TTN_NEEDTEXTA;
    info.lpszText = info.szText; // where the control points it before asking
    const LRESULT result = SendMessageA(main, WM_NOTIFY, tool, reinterpret_cast<LPARAM>(&info));
    return {result, info.lpszText != nullptr ? info.lpszText : "", info.lpszText == g_tip_text};
}

// The text the tooltip control itself gets for `tool`, through the main window.
std::string control_tip(HWND main, UINT_PTR tool)
{
    char text[80] = "unset";
    TTTOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = main;
    ti.uId = tool;
    ti.lpszText = text;
    SendMessageA(main_tooltip(), TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
    return text;
}

// A board with a different count in every bin: bin b holds 10 + b stones.
void set_distinct_counts(node* n)
{
    for (int bin = 0; bin < 14; ++bin)
        n->bins[bin] = 10 + bin;
}

// By tool id (column + 8 x row, row 0 on top): the top store, the top row
// from the left, the bottom store; then the top store again, the bottom row
// from the left and the bottom store again.
const std::array<const char*, 16> distinct_tips = {
    "23", "22", "21", "20", "19", "18", "17", "16", "23", "10", "11", "12", "13", "14", "15", "16",
};

using Tooltips = Shell;

TEST_F(Tooltips, OneToolPerBoardCellAsksForItsText)
{
    HWND tip = main_tooltip();
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(GetWindowLongA(tip, GWL_STYLE) & TTS_ALWAYSTIP);
    ASSERT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 16);
    for (int i = 0; i < 16; ++i) {
        char text[80] = "";
        TTTOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.lpszText = text;
        ASSERT_TRUE(SendMessageA(tip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&ti))) << i;
        const int column = i % 8, row = i / 8;
        EXPECT_EQ(ti.uId, static_cast<UINT_PTR>(i)) << "added row by row, left to right";
        EXPECT_EQ(ti.hwnd, hwnd_) << i;
        EXPECT_EQ(ti.uFlags, static_cast<UINT>(TTF_SUBCLASS)) << i;
        EXPECT_EQ(ti.hinst, g_hinst) << i;
        EXPECT_EQ(ti.lpszText, LPSTR_TEXTCALLBACKA) << i;
        EXPECT_EQ(ti.rect.left, column * 72) << i;
        EXPECT_EQ(ti.rect.top, row * 105) << i;
        EXPECT_EQ(ti.rect.right, (column + 1) * 72) << i;
        EXPECT_EQ(ti.rect.bottom, (row + 1) * 105) << i;
    }
}

TEST_F(Tooltips, EachToolShowsItsBinsCount)
{
    set_distinct_counts(g_current);
    for (UINT_PTR tool = 0; tool < 16; ++tool) {
        const tip_answer tip = ask_tip(hwnd_, tool);
        EXPECT_EQ(tip.result, 1) << tool;
        EXPECT_TRUE(tip.points_at_buffer) << tool;
        EXPECT_EQ(tip.text, distinct_tips[tool]) << "tool " << tool;
        EXPECT_EQ(control_tip(hwnd_, tool), distinct_tips[tool]) << "tool " << tool;
    }
}

TEST_F(Tooltips, BothToolsOfAStoreAgreeAfterPlayedMoves)
{
    play(2); // into the bottom store: another move
    play(5); // and on into the top row
    play(9); // the top side sows into its store
    ASSERT_GT(g_current->bins[6], 0);
    ASSERT_GT(g_current->bins[13], 0);
    const std::string left = std::to_string(g_current->bins[13]);
    const std::string right = std::to_string(g_current->bins[6]);
    EXPECT_EQ(ask_tip(hwnd_, 0).text, left);
    EXPECT_EQ(ask_tip(hwnd_, 8).text, left);
    EXPECT_EQ(ask_tip(hwnd_, 7).text, right);
    EXPECT_EQ(ask_tip(hwnd_, 15).text, right);
    // An emptied bin shows 0, not nothing.
    EXPECT_EQ(ask_tip(hwnd_, 8 + 1 + 2).text, "0");
}

TEST_F(Tooltips, NoTextWhileTooltipsAreOffAndAtOnceWhenOnAgain)
{
    set_distinct_counts(g_current);
    g_tooltips = 0;
    for (UINT_PTR tool = 0; tool < 16; ++tool) {
        const tip_answer tip = ask_tip(hwnd_, tool);
        EXPECT_EQ(tip.result, 1) << tool;
        EXPECT_FALSE(tip.points_at_buffer) << tool;
        EXPECT_EQ(tip.text, "") << tool;
        EXPECT_EQ(control_tip(hwnd_, tool), "") << tool;
    }
    g_tooltips = 1;
    EXPECT_EQ(ask_tip(hwnd_, 3).text, distinct_tips[3]);
    EXPECT_EQ(control_tip(hwnd_, 12), distinct_tips[12]);
}

TEST_F(Tooltips, OtherNotificationsAndUnknownToolsAreHarmless)
{
    NMHDR other{main_tooltip(), 0, static_cast<UINT>(TTN_SHOW)};
    EXPECT_EQ(SendMessageA(hwnd_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&other)), 0);
    EXPECT_EQ(SendMessageA(hwnd_, WM_NOTIFY, 0, 0), 0);
    const tip_answer stray = ask_tip(hwnd_, 16);
    EXPECT_EQ(stray.result, 1);
    EXPECT_FALSE(stray.points_at_buffer);
}

TEST_F(Tooltips, AWindowThatIsGoneGetsNone)
{
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, g_hinst, nullptr);
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    EXPECT_EQ(create_tooltips(gone), nullptr);
}

// ---- History -----------------------------------------------------------------------

HWND history_list(HWND dlg)
{
    return GetDlgItem(dlg, IDC_HISTORY_LIST);
}

using History = Shell;

TEST_F(History, OpensEmptyBeforeAnyMove)
{
    bool seen = false;
    with_dialog(hwnd_, IDM_HISTORY, {[&] {
                    HWND dlg = find_dialog("History");
                    ASSERT_NE(dlg, nullptr);
                    seen = true;
                    EXPECT_EQ(g_hist_dlg, dlg);
                    EXPECT_TRUE(list_lines(history_list(dlg)).empty());
                    press_escape(dlg);
                }});
    EXPECT_TRUE(seen);
    EXPECT_EQ(g_hist_dlg, nullptr);
}

TEST_F(History, OpensWithTheGameSoFar)
{
    play(2); // the bottom side's last stone lands in its store: it moves again
    play(0);
    play(9); // the same for the top side
    play(7);
    const std::vector<std::string> expected = {"Player 2: 3", "Player 2: 1", "Player 1: 4", "Player 1: 6"};
    with_dialog(hwnd_, IDM_HISTORY, {[&] {
                    EXPECT_EQ(list_lines(history_list(g_hist_dlg)), expected);
                    press_escape(g_hist_dlg);
                }});
}

TEST_F(History, ListsNothingBelowTheCurrentPosition)
{
    play(3);
    // As a running search leaves it: children below the current position.
    node* searched = nullptr;
    ASSERT_GE(gen_node(g_current, 8, &searched), 0);
    ASSERT_GE(gen_node(searched, 0, &searched), 0);
    with_dialog(hwnd_, IDM_HISTORY, {[&] {
                    EXPECT_EQ(list_lines(history_list(g_hist_dlg)), std::vector<std::string>{"Player 2: 4"});
                    press_escape(g_hist_dlg);
                }});
    free_node(g_current->first_child);
}

TEST_F(History, LinesAddedWhileOpenFollowTheGame)
{
    play(2);
    with_dialog(hwnd_, IDM_HISTORY,
                {[&] {
                     history_add(g_hist_dlg, "Player 2: 1");
                     history_add(g_hist_dlg, "Player 1: 4");
                 },
                 [&] {
                     EXPECT_EQ(list_lines(history_list(g_hist_dlg)),
                               (std::vector<std::string>{"Player 2: 3", "Player 2: 1", "Player 1: 4"}));
                     press_escape(g_hist_dlg);
                 }});
}

TEST_F(History, FromTheEighthLineOnTheNewestIsKeptInView)
{
    // With the list cut to three lines, the top line is exactly the one six
    // above the newest.
    with_dialog(hwnd_, IDM_HISTORY, {[&] {
                    HWND list = history_list(g_hist_dlg);
                    const auto line_h = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
                    RECT r{0, 0, 0, 3 * line_h};
                    AdjustWindowRectEx(&r, GetWindowLongA(list, GWL_STYLE), FALSE,
                                       GetWindowLongA(list, GWL_EXSTYLE));
                    SetWindowPos(list, nullptr, 0, 0, 100, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
                    for (int i = 0; i < 4; ++i)
                        history_add(g_hist_dlg, "Player 2: 1");
                    SendMessageA(list, LB_SETTOPINDEX, 1, 0); // as if the user scrolled
                    for (int i = 4; i < 7; ++i) {
                        history_add(g_hist_dlg, "Player 2: 1");
                        EXPECT_EQ(top_index(list), 1) << "line " << i << " leaves the top alone";
                    }
                    for (int i = 7; i < 20; ++i) {
                        history_add(g_hist_dlg, "Player 1: 6");
                        EXPECT_EQ(top_index(list), i - 6) << "line " << i;
                    }
                    press_escape(g_hist_dlg);
                }});
}

TEST_F(History, TheNewestLineIsInViewInTheDialogAsMade)
{
    with_dialog(hwnd_, IDM_HISTORY, {[&] {
                    HWND list = history_list(g_hist_dlg);
                    const auto line_h = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
                    RECT client;
                    GetClientRect(list, &client);
                    const int shown = client.bottom / line_h;
                    ASSERT_GE(shown, 7);
                    for (int i = 0; i < 30; ++i) {
                        history_add(g_hist_dlg, "Player 2: 5");
                        const int top = top_index(list);
                        EXPECT_LE(top, i) << i;
                        EXPECT_LT(i, top + shown) << i;
                        EXPECT_EQ(top, i < shown ? 0 : i + 1 - shown) << "filled to the bottom, " << i;
                    }
                    press_escape(g_hist_dlg);
                }});
}

TEST_F(History, ClearEmptiesTheOpenList)
{
    play(2);
    play(0);
    with_dialog(hwnd_, IDM_HISTORY, {[&] {
                    history_clear(g_hist_dlg);
                    EXPECT_TRUE(list_lines(history_list(g_hist_dlg)).empty());
                    history_add(g_hist_dlg, "Player 2: 2");
                    EXPECT_EQ(list_lines(history_list(g_hist_dlg)), std::vector<std::string>{"Player 2: 2"});
                    press_escape(g_hist_dlg);
                }});
}

TEST_F(History, AddAndClearWithoutAnOpenListDoNothing)
{
    history_add(nullptr, "Player 2: 1");
    history_clear(nullptr);
    history_add(g_hist_dlg, "Player 2: 1");
    history_clear(g_hist_dlg);
    // A window with no History list: the main window, and the About dialog.
    history_add(hwnd_, "Player 2: 1");
    history_clear(hwnd_);
    with_dialog(hwnd_, IDM_ABOUT, {[&] {
                    HWND about = find_dialog("About");
                    ASSERT_NE(about, nullptr);
                    HWND list = GetDlgItem(about, IDC_ABOUT_TEXT);
                    history_add(about, "Player 2: 1");
                    history_clear(about);
                    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 7);
                    press_escape(about);
                }});
    history_add(hwnd_, nullptr);
    EXPECT_TRUE(IsWindow(hwnd_));
}

TEST_F(History, EnterEscAndTheCloseButtonEndIt)
{
    for (UINT how : {0u, 1u, 2u}) {
        HWND seen = nullptr;
        with_dialog(hwnd_, IDM_HISTORY, {[&] {
                        seen = g_hist_dlg;
                        ASSERT_NE(seen, nullptr);
                        if (how == 0)
                            SendMessageA(seen, WM_COMMAND, IDOK, 0);
                        else if (how == 1)
                            SendMessageA(seen, WM_COMMAND, IDCANCEL, 0);
                        else
                            SendMessageA(seen, WM_SYSCOMMAND, SC_CLOSE, 0);
                    }});
        EXPECT_FALSE(IsWindow(seen)) << how;
        EXPECT_EQ(g_hist_dlg, nullptr) << how;
    }
}

TEST_F(History, HasNoOwnerSoTheMainWindowStaysEnabled)
{
    with_dialog(hwnd_, IDM_HISTORY, {[&] {
                    EXPECT_EQ(GetWindow(g_hist_dlg, GW_OWNER), nullptr);
                    EXPECT_TRUE(IsWindowEnabled(hwnd_));
                    press_escape(g_hist_dlg);
                }});
}

TEST_F(History, MainWindowTakesPostedMessagesWhileOpen)
{
    // A second History dialog, opened by a command posted to the main window.
    HWND first = nullptr, second = nullptr;
    with_dialog(hwnd_, IDM_HISTORY,
                {[&] {
                     first = g_hist_dlg;
                     ASSERT_NE(first, nullptr);
                     PostMessageA(hwnd_, WM_COMMAND, IDM_HISTORY, 0);
                 },
                 [&] {
                     second = g_hist_dlg;
                     ASSERT_NE(second, nullptr);
                     EXPECT_NE(second, first);
                     EXPECT_TRUE(IsWindowVisible(first));
                     EXPECT_TRUE(IsWindowVisible(second));
                     // New lines go to the one opened last.
                     history_add(g_hist_dlg, "Player 2: 6");
                     EXPECT_EQ(list_lines(history_list(second)), std::vector<std::string>{"Player 2: 6"});
                     EXPECT_TRUE(list_lines(history_list(first)).empty());
                     press_escape(second);
                 },
                 [&] {
                     // Closing either leaves no open list to receive lines.
                     EXPECT_FALSE(IsWindow(second));
                     EXPECT_TRUE(IsWindow(first));
                     EXPECT_EQ(g_hist_dlg, nullptr);
                     history_add(g_hist_dlg, "Player 1: 1");
                     EXPECT_TRUE(list_lines(history_list(first)).empty());
                     press_escape(first);
                 }});
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(g_hist_dlg, nullptr);
}

TEST_F(History, MovesClickedWhileOpenAddTheirLinesAsTheyArePlayed)
{
    std::vector<std::string> live;
    with_dialog(hwnd_, IDM_HISTORY,
                {[&] {
                     PostMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(2));
                     PostMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(0));
                 },
                 until([] { return g_current->level == 2; }),
                 [&] {
                     EXPECT_EQ(list_lines(history_list(g_hist_dlg)),
                               (std::vector<std::string>{"Player 2: 3", "Player 2: 1"}));
                     PostMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(9));
                 },
                 until([] { return g_current->level == 3; }),
                 [&] {
                     live = list_lines(history_list(g_hist_dlg));
                     EXPECT_EQ(live.size(), 3u);
                     EXPECT_EQ(live.back(), "Player 1: 4");
                     // A refused click (an empty bin) adds nothing.
                     PostMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(9));
                 },
                 [&] {
                     EXPECT_EQ(g_current->level, 3);
                     EXPECT_EQ(list_lines(history_list(g_hist_dlg)), live);
                     press_escape(g_hist_dlg);
                 }});
    // Rebuilt from the game record, the list reads the same.
    with_dialog(hwnd_, IDM_HISTORY, {[&] {
                    EXPECT_EQ(list_lines(history_list(g_hist_dlg)), live);
                    press_escape(g_hist_dlg);
                }});
}

TEST_F(History, TheComputersMovesArriveWhileOpen)
{
    g_num_players = 1; // the computer plays the top side
    g_difficulty = 2;
    std::vector<std::string> live;
    with_dialog(hwnd_, IDM_HISTORY,
                {[&] { PostMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(0)); },
                 until([] { return g_current->level >= 2 && g_current->turn == 6; }),
                 until([] { return status_text(0) == "Select bin to move from."; }),
                 [&] {
                     live = list_lines(history_list(g_hist_dlg));
                     ASSERT_EQ(live.size(), static_cast<size_t>(g_current->level));
                     EXPECT_EQ(live[0], "Player 2: 1");
                     for (size_t i = 1; i < live.size(); ++i)
                         EXPECT_EQ(live[i].rfind("Player 1: ", 0), 0u) << live[i];
                     press_escape(g_hist_dlg);
                 }});
    with_dialog(hwnd_, IDM_HISTORY, {[&] {
                    EXPECT_EQ(list_lines(history_list(g_hist_dlg)), live);
                    press_escape(g_hist_dlg);
                }});
}

TEST_F(History, NewGameEmptiesTheOpenList)
{
    play(2);
    play(0);
    with_dialog(hwnd_, IDM_HISTORY,
                {[&] {
                     EXPECT_EQ(list_lines(history_list(g_hist_dlg)).size(), 2u);
                     PostMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0);
                 },
                 until([] { return g_current == g_root; }),
                 [&] {
                     EXPECT_TRUE(list_lines(history_list(g_hist_dlg)).empty());
                     press_escape(g_hist_dlg);
                 }});
}

TEST_F(History, ReopenedItIsRebuiltFromTheGame)
{
    play(4);
    with_dialog(hwnd_, IDM_HISTORY, {[&] {
                    history_add(g_hist_dlg, "not a move");
                    press_escape(g_hist_dlg);
                }});
    play(8);
    with_dialog(hwnd_, IDM_HISTORY, {[&] {
                    EXPECT_EQ(list_lines(history_list(g_hist_dlg)),
                              (std::vector<std::string>{"Player 2: 5", "Player 1: 5"}));
                    press_escape(g_hist_dlg);
                }});
}

// ---- About -------------------------------------------------------------------------

using About = Shell;

TEST_F(About, ListsSevenLinesWithTheVersionAndAnEmptyFourth)
{
    with_dialog(hwnd_, IDM_ABOUT, {[&] {
                    HWND about = find_dialog("About");
                    ASSERT_NE(about, nullptr);
                    const std::vector<std::string> lines = list_lines(GetDlgItem(about, IDC_ABOUT_TEXT));
                    ASSERT_EQ(lines.size(), 7u);
                    EXPECT_EQ(lines[2], "Version: 1.0.0.1");
                    EXPECT_EQ(lines[3], "");
                    for (int i : {0, 1, 4, 5, 6})
                        EXPECT_FALSE(lines[i].empty()) << i;
                    EXPECT_NE(lines[1].find('@'), std::string::npos) << "the e-mail line";
                    press_escape(about);
                }});
}

TEST_F(About, TheListCanBeNeitherSelectedNorScrolled)
{
    with_dialog(hwnd_, IDM_ABOUT, {[&] {
                    HWND about = find_dialog("About");
                    HWND list = GetDlgItem(about, IDC_ABOUT_TEXT);
                    ASSERT_NE(list, nullptr);
                    EXPECT_FALSE(IsWindowEnabled(list));
                    EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & LBS_NOSEL);
                    press_escape(about);
                }});
}

// The colour pixels of an icon as a 32-bit image.
std::vector<uint32_t> icon_pixels(HICON icon)
{
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return {};
    BITMAP bm{};
    GetObjectA(info.hbmColor, sizeof bm, &bm);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = bm.bmWidth;
    bi.bmiHeader.biHeight = -bm.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> px(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, info.hbmColor, 0, bm.bmHeight, px.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return px;
}

TEST_F(About, ShowsTheProgramsIcon)
{
    with_dialog(hwnd_, IDM_ABOUT, {[&] {
                    HWND about = find_dialog("About");
                    HWND icon_control = first_window(child_windows(about), [](HWND hwnd) {
                        return lstrcmpiA(class_name(hwnd).c_str(), "Static") == 0 &&
                               (GetWindowLongA(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
                    });
                    ASSERT_NE(icon_control, nullptr);
                    EXPECT_TRUE(IsWindowVisible(icon_control));
                    auto shown = reinterpret_cast<HICON>(SendMessageA(icon_control, STM_GETICON, 0, 0));
                    ASSERT_NE(shown, nullptr);
                    HICON program = LoadIconA(g_hinst, MAKEINTRESOURCEA(IDI_WKIVARI));
                    const std::vector<uint32_t> expected = icon_pixels(program);
                    ASSERT_EQ(expected.size(), 32u * 32u);
                    EXPECT_EQ(icon_pixels(shown), expected);
                    press_escape(about);
                }});
}

TEST_F(About, IsOwnedByTheMainWindowWhichWaitsMeanwhile)
{
    with_dialog(hwnd_, IDM_ABOUT, {[&] {
                    HWND about = find_dialog("About");
                    ASSERT_NE(about, nullptr);
                    EXPECT_EQ(GetWindow(about, GW_OWNER), hwnd_);
                    EXPECT_FALSE(IsWindowEnabled(hwnd_));
                    press_escape(about);
                }});
    EXPECT_TRUE(IsWindowEnabled(hwnd_));
}

TEST_F(About, OkAndEscEndIt)
{
    for (WPARAM id : {IDOK, IDCANCEL}) {
        HWND seen = nullptr;
        with_dialog(hwnd_, IDM_ABOUT, {[&] {
                        seen = find_dialog("About");
                        ASSERT_NE(seen, nullptr);
                        SendMessageA(seen, WM_COMMAND, id, 0);
                    }});
        EXPECT_FALSE(IsWindow(seen)) << id;
    }
}

// ---- placing dialogs --------------------------------------------------------------

// A plain popup of the given place and size, standing in for a dialog or its owner.
HWND popup(int x, int y, int w, int h)
{
    return CreateWindowExA(0, "STATIC", "", WS_POPUP, x, y, w, h, nullptr, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

POINT placed(int owner_x, int owner_y, int owner_w, int owner_h, int w, int h)
{
    HWND owner = popup(owner_x, owner_y, owner_w, owner_h);
    HWND dlg = popup(5, 7, w, h);
    center_dialog(dlg, owner);
    const RECT r = window_rect(dlg);
    EXPECT_EQ(r.right - r.left, w) << "the size stays";
    EXPECT_EQ(r.bottom - r.top, h) << "the size stays";
    DestroyWindow(dlg);
    DestroyWindow(owner);
    return {r.left, r.top};
}

TEST(CenterDialog, CentresOverTheOwner)
{
    const POINT p = placed(100, 80, 400, 300, 200, 100);
    EXPECT_EQ(p.x, 200);
    EXPECT_EQ(p.y, 180);
}

TEST(CenterDialog, HalvesTruncateTowardZero)
{
    // Odd differences: +101 gives 50, -101 gives -50 (not -51).
    POINT p = placed(300, 200, 301, 201, 200, 100);
    EXPECT_EQ(p.x, 350);
    EXPECT_EQ(p.y, 250);
    p = placed(300, 200, 100, 50, 201, 151);
    EXPECT_EQ(p.x, 250);
    EXPECT_EQ(p.y, 150);
}

TEST(CenterDialog, IsPulledBackToTheLeftAndTopEdges)
{
    const POINT p = placed(-300, -250, 400, 300, 200, 100);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
}

TEST(CenterDialog, IsPulledBackToTheRightAndBottomEdges)
{
    const SIZE s = screen_size();
    const POINT p = placed(s.cx - 100, s.cy - 50, 400, 300, 200, 100);
    EXPECT_EQ(p.x, s.cx - 200);
    EXPECT_EQ(p.y, s.cy - 100);
    // Just touching the edges is on the screen.
    const POINT q = placed(s.cx - 300, s.cy - 200, 400, 300, 200, 100);
    EXPECT_EQ(q.x, s.cx - 200);
    EXPECT_EQ(q.y, s.cy - 100);
}

TEST(CenterDialog, LargerThanTheScreenItEndsAtTheFarEdge)
{
    const SIZE s = screen_size();
    // Centred it would start right of 0 and pass the far edge, so it is
    // moved to screen size minus its size: a negative position.
    const POINT p = placed(200, 150, s.cx, s.cy, s.cx + 100, s.cy + 60);
    EXPECT_EQ(p.x, -100);
    EXPECT_EQ(p.y, -60);
    // Centred at a negative position, only the test against 0 applies.
    const POINT q = placed(0, 0, s.cx, s.cy, s.cx + 100, s.cy + 60);
    EXPECT_EQ(q.x, 0);
    EXPECT_EQ(q.y, 0);
}

using DialogPlace = Shell;

TEST_F(DialogPlace, DialogsOpenCentredOverTheMainWindow)
{
    SetWindowPos(hwnd_, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const RECT main = window_rect(hwnd_);
    for (UINT command : {IDM_HISTORY, IDM_ABOUT}) {
        with_dialog(hwnd_, command, {[&] {
                        HWND dlg = find_dialog(command == IDM_HISTORY ? "History" : "About");
                        ASSERT_NE(dlg, nullptr);
                        const RECT r = window_rect(dlg);
                        EXPECT_EQ(r.left, main.left + (main.right - main.left - (r.right - r.left)) / 2);
                        EXPECT_EQ(r.top, main.top + (main.bottom - main.top - (r.bottom - r.top)) / 2);
                        press_escape(dlg);
                    }});
    }
}

TEST_F(DialogPlace, OverAMainWindowPartlyOffTheScreenTheyStayOnIt)
{
    const SIZE s = screen_size();
    const RECT main = window_rect(hwnd_);
    SetWindowPos(hwnd_, nullptr, -(main.right - main.left) + 40, -(main.bottom - main.top) + 30, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    with_dialog(hwnd_, IDM_HISTORY, {[&] {
                    const RECT r = window_rect(g_hist_dlg);
                    EXPECT_EQ(r.left, 0);
                    EXPECT_EQ(r.top, 0);
                    press_escape(g_hist_dlg);
                }});
    SetWindowPos(hwnd_, nullptr, s.cx - 40, s.cy - 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    with_dialog(hwnd_, IDM_ABOUT, {[&] {
                    HWND about = find_dialog("About");
                    const RECT r = window_rect(about);
                    EXPECT_EQ(r.right, s.cx);
                    EXPECT_EQ(r.bottom, s.cy);
                    press_escape(about);
                }});
}

} // namespace
