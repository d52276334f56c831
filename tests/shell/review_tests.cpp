// The Review window on the real main window: its list as a screen reader reads it, the jump from the graph
// and its keys against undo and redo, Cancel, and the review abandoned with its game.
#include "shell/review_window.h"
#include "shell/dialogs.h"
#include "shell/shell.h"

#include "board/board.h"
#include "engine/engine.h"
#include "game/options.h"
#include "game/review.h"
#include "game/session.h"
#include "game/tables.h"
#include "resources/resource.h"
#include "tests/win32/harness.h"

#include <commctrl.h>
#include <oleacc.h>

#include <string>
#include <vector>

const ULONGLONG wait_limit_ms = 20000;

namespace {

std::string cell(HWND list, int row, int column)
{
    char text[80] = "";
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

// What a user sees of the game: the mark, the counts, the status parts and the History list.
std::string shown()
{
    std::string v = std::to_string(g_last_move_bin);
    for (int i = 0; i < 14; ++i)
        v += " " + std::to_string(g_current->bins[i]);
    for (int part = 0; part < 5; ++part)
        v += "|" + status_text(part);
    for (const std::string& line : list_lines(GetDlgItem(g_hist_dlg, IDC_HISTORY_LIST)))
        v += "|" + line;
    return v;
}

class Review : public MainWindow {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindow::SetUp());
        ASSERT_NO_FATAL_FAILURE(open());
        g_num_players = 2, g_difficulty = 2, g_num_stones = 3, g_show_values = false;
        g_endgame_stones = 4; // the review's proven results read a table built at once
        SendMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0);
        history_ = CreateDialogParamA(g_hinst, MAKEINTRESOURCEA(IDD_HISTORY), nullptr, history_dlg_proc, 0);
        for (int k = 0; k < 14; ++k)
            SendMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(next_bin(g_current, 1 + k * 5 % 6, 1)));
    }
    void TearDown() override
    {
        DestroyWindow(history_);
        MainWindow::TearDown();
    }
    HWND history_ = nullptr;
};

// F6 reviews the game; the list holds every move in the History's words with its loss, and a reader finds
// a row a move; a click on the graph, or its keys, put the board where undo and redo put it.
TEST_F(Review, ListsEveryMoveAndJumpsAsUndoAndRedoDo)
{
    const int moves = g_current->level;
    SendMessageA(hwnd_, WM_KEYDOWN, VK_F6, 0);
    ASSERT_TRUE(g_review_wnd != nullptr && GetWindow(g_review_wnd, GW_OWNER) == hwnd_);
    ASSERT_TRUE(pump_until(review_complete));
    const HWND list = GetDlgItem(g_review_wnd, IDC_REVIEW_LIST);
    const std::vector<std::string> history = list_lines(GetDlgItem(history_, IDC_HISTORY_LIST));
    ASSERT_EQ(static_cast<int>(history.size()), moves);
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), moves);
    for (int k = 0; k < moves; ++k) {
        const int loss = g_review.judged[k].loss;
        EXPECT_EQ(cell(list, k, 0) + " " + cell(list, k, 1) + " " + cell(list, k, 2),
                  std::to_string(k + 1) + " " + history[k] + " " +
                      (loss == 0 ? "0" : "-" + std::to_string(loss)));
    }
    int proven = 0;
    for (const reviewed_move& m : g_review.judged)
        proven += m.exact;
    EXPECT_GT(proven, 0) << "late positions judged by their proven results";
    // Copy Game keeps each move's judgement after it.
    SendMessageA(hwnd_, WM_COMMAND, IDM_COPY_GAME, 0);
    ASSERT_TRUE(OpenClipboard(hwnd_));
    const HANDLE data = GetClipboardData(CF_TEXT);
    const std::string record = data != nullptr ? static_cast<const char*>(GlobalLock(data)) : "";
    if (data != nullptr)
        GlobalUnlock(data);
    CloseClipboard();
    std::string expected;
    for (int k = 0; k < moves; ++k)
        expected += history[k] + " ; " + review_comment(g_review.judged[k]) + "\r\n";
    EXPECT_EQ(record.substr(record.find("\r\n\r\n") + 4), expected);
    // A reader finds the list and the graph by their names. (Wine's readers' proxy gives no rows; the
    // system's list view proxy reads each row on Windows.)
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    for (const HWND control : {list, GetDlgItem(g_review_wnd, IDC_REVIEW_GRAPH)}) {
        IAccessible* reader = nullptr;
        ASSERT_EQ(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&reader)),
                  S_OK);
        VARIANT self{};
        self.vt = VT_I4, self.lVal = CHILDID_SELF;
        BSTR name = nullptr;
        reader->get_accName(self, &name);
        EXPECT_EQ(name != nullptr ? std::wstring(name) : L"",
                  control == list ? L"Moves" : L"Evaluation graph");
        SysFreeString(name);
        reader->Release();
    }
    CoUninitialize();

    // The board after each move reached by undo from the end, against the graph's click and keys.
    std::vector<std::string> after(moves + 1);
    for (int level = moves; level >= 0; --level) {
        after[level] = shown();
        SendMessageA(hwnd_, WM_COMMAND, IDM_UNDO, 0);
    }
    const HWND graph = GetDlgItem(g_review_wnd, IDC_REVIEW_GRAPH);
    RECT area;
    GetClientRect(graph, &area);
    for (int k : {4, 0, moves - 1, 7}) {
        // The plot starts 40 pixels in (at 96 DPI) and ends 8 from the right; each move has an equal slot.
        const int x = 40 + (2 * k + 1) * (area.right - 48) / (2 * moves);
        SendMessageA(graph, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, area.bottom / 2));
        EXPECT_EQ(shown(), after[k + 1]) << "clicked move " << k + 1;
    }
    SendMessageA(graph, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(shown(), after[7]);
    SendMessageA(graph, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(shown(), after[moves]);
    SendMessageA(graph, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(shown(), after[1]);
    SendMessageA(hwnd_, WM_COMMAND, IDM_REDO, 0); // the moves after it are the redo line
    EXPECT_EQ(shown(), after[2]);
}

// Cancel stops the judging with what it judged kept; Review starts over; New Game ends the review and its
// window at once, and the game's own searches go on.
TEST_F(Review, CancelAndNewGameStopIt)
{
    SendMessageA(hwnd_, WM_COMMAND, IDM_REVIEW, 0);
    ASSERT_TRUE(g_review_wnd != nullptr && g_review.on);
    SendMessageA(g_review_wnd, WM_COMMAND, MAKEWPARAM(IDC_REVIEW_CANCEL, BN_CLICKED), 0);
    pump_pending();
    EXPECT_TRUE(g_review.stopped && !review_complete() && !g_searching);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(g_review_wnd, IDC_REVIEW_CANCEL)));
    SendMessageA(g_review_wnd, WM_COMMAND, MAKEWPARAM(IDC_REVIEW_START, BN_CLICKED), 0);
    EXPECT_TRUE(g_review.on && !g_review.stopped && g_searching);
    g_num_players = 1, g_first_turn = TOP_STORE;
    SendMessageA(hwnd_, WM_KEYDOWN, VK_F2, 0);
    pump_pending();
    EXPECT_TRUE(g_review_wnd == nullptr && !g_review.on);
    EXPECT_TRUE(pump_until([] { return g_current->level > 0 && !session_thinking(); }))
        << "the computer moved";
}

} // namespace
