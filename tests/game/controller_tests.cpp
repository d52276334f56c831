// Tests of whole games on the real main window, the computer's search thread, and a soak over many games.
// Covered: moves from clicks and from the search, the hand-over, the end and its result, refused moves,
// the move sound, the busy cursor, New Game and shutdown during a search, stale results, no root.
#include "game/controller.h"

#include "board/board.h"
#include "engine/engine.h"
#include "engine/node_alloc.h"
#include "game/options.h"
#include "resources/resource.h"
#include "shell/dialogs.h"
#include "shell/shell.h"
#include "tests/win32/harness.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Whole games and the deepest searches, on a machine that may be busy.
const ULONGLONG wait_limit_ms = 60000;

namespace {

const char prompt[] = "Select 'File->New Game' to start...";
const char your_turn[] = "Select bin to move from.";
const char pondering[] = "Computer is pondering move...";
const char refused[] = "ERROR: could not make move";

// Dispatches one message at a time until `done` holds after one of them, so
// the test can stop right after a given step (say, a search's start).
bool dispatch_until(const std::function<bool()>& done)
{
    const ULONGLONG deadline = GetTickCount64() + wait_limit_ms;
    while (!done()) {
        if (GetTickCount64() > deadline)
            return false;
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return false;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
    return true;
}

bool searching()
{
    return g_thread != INVALID_HANDLE_VALUE;
}

// A handle of our own on the search thread, to see when it has ended.
HANDLE watch_search_thread()
{
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), g_thread, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
    return copy;
}

bool has_ended(HANDLE thread)
{
    return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}

// ---- the result box ---------------------------------------------------------------

struct result_box {
    std::string text, caption, status; // status: the message part while it shows
    HWND owner;
};

std::vector<result_box> g_boxes;

// A thread timer that answers the result box as a user would: it notes what
// the box and the status bar say, then presses OK.
void CALLBACK answer_result_box(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = find_dialog("Game over.");
    if (box == nullptr)
        return;
    g_boxes.push_back({message_text(box), window_text(box), status_text(0), GetWindow(box, GW_OWNER)});
    SendMessageA(box, WM_COMMAND, IDOK, 0);
}

// ---- the move sound ---------------------------------------------------------------

struct sound_call {
    LPCSTR sound;
    HMODULE module;
    DWORD flags;
};
std::vector<sound_call> g_sounds_played;

BOOL WINAPI count_sound(LPCSTR sound, HMODULE module, DWORD flags)
{
    g_sounds_played.push_back({sound, module, flags});
    return TRUE;
}

// ---- positions -------------------------------------------------------------------

// A board as one literal: bins 0..5, store 6, bins 7..12, store 13.
using board = std::array<int, 14>;

board bins_of(const node* n)
{
    board b{};
    for (int i = 0; i < 14; ++i)
        b[i] = n->bins[i];
    return b;
}

board stone_lists()
{
    board b{};
    for (int i = 0; i < 14; ++i)
        b[i] = bin_count(i);
    return b;
}

std::array<std::string, 5> status_parts()
{
    std::array<std::string, 5> parts;
    for (int i = 0; i < 5; ++i)
        parts[i] = status_text(i);
    return parts;
}

// What a user sees and what the game holds, to show that a refused move
// changed nothing.
struct snapshot {
    node* current;
    int level, turn;
    board bins, stones;
    std::array<std::string, 5> status;
    int history_lines;
    size_t sounds;
    bool operator==(const snapshot&) const = default;
};

int history_lines()
{
    if (g_hist_dlg == nullptr)
        return -1;
    return static_cast<int>(SendDlgItemMessageA(g_hist_dlg, IDC_HISTORY_LIST, LB_GETCOUNT, 0, 0));
}

std::string history_line(int index)
{
    char text[80] = "";
    SendDlgItemMessageA(g_hist_dlg, IDC_HISTORY_LIST, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

snapshot take_snapshot()
{
    return {g_current,     g_current->level, g_current->turn, bins_of(g_current),
            stone_lists(), status_parts(),   history_lines(), g_sounds_played.size()};
}

std::string expected_to_move(const node* n)
{
    if (g_num_players == 0 || (g_num_players == 1 && n->turn == 13))
        return "To move: Computer";
    return std::string("To move: ") + bin_label[n->turn];
}

// The status parts 1..4, the stone lists and the record tell the same story.
void expect_view_matches(const node* n)
{
    int top = 0, bottom = 0;
    for (int i = 0; i < 7; ++i)
        bottom += n->bins[i];
    for (int i = 7; i < 14; ++i)
        top += n->bins[i];
    EXPECT_EQ(status_text(1), "Score: " + std::to_string(top) + "/" + std::to_string(bottom));
    EXPECT_EQ(status_text(2), "Level: " + std::to_string(n->level));
    EXPECT_EQ(status_text(3), "Heuristic: " + std::to_string(n->h));
    EXPECT_EQ(status_text(4), expected_to_move(n));
    EXPECT_EQ(stone_lists(), bins_of(n));
}

// The side that made each move of the game so far, oldest first.
std::vector<int> movers()
{
    std::vector<int> sides;
    for (const node* n = g_root; n != g_current; n = n->first_child)
        sides.push_back(n->turn);
    return sides;
}

const char* expected_result(const node* n)
{
    const int twice_h = 2 * n->h, total = stone_total(n);
    return twice_h > total ? "Player 1 wins!" : twice_h == total ? "Tie game!" : "Player 2 wins!";
}

// ---- the fixture ----------------------------------------------------------------

// The real main window in a fresh directory, with the result box answered
// and the sound counted; the harness puts the options back afterwards.
class Game : public MainWindow {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindow::SetUp());
        g_sounds = 1;
        g_num_stones = 4;
        g_difficulty = 2;
        g_first_turn = 6;
        g_random_moves = 0;
        g_allow_empty_caps = 0;
        g_boxes.clear();
        g_sounds_played.clear();
        g_play_sound = count_sound;
        box_timer_ = SetTimer(nullptr, 0, 10, answer_result_box);
    }

    void TearDown() override
    {
        close_history();
        close_main_window();
        EXPECT_FALSE(searching());
        MainWindow::TearDown();
        KillTimer(nullptr, box_timer_);
        g_play_sound = PlaySoundA;
        for (HANDLE h : watched_)
            CloseHandle(h);
    }

    // Makes the main window with the options the test has set. Without a
    // settings file read_options keeps them, all but the first side, which
    // falls back to its default; the test's choice is put back for New Game.
    void open()
    {
        const int first_turn = g_first_turn;
        MainWindow::open();
        g_first_turn = first_turn;
    }

    void new_game_command() { SendMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0); }

    // How a test's game begins.
    struct game_start {
        int players;
        int first_turn = 6;   // the side that moves first
        bool history = false; // the History list open before the game begins
    };

    // Sets the players and the first side, makes the window, opens the
    // History if asked, and starts the game with New Game.
    void start_game(const game_start& start)
    {
        g_num_players = start.players;
        g_first_turn = start.first_turn;
        open();
        if (start.history)
            open_history();
        new_game_command();
    }

    void click(int bin) { SendMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(bin)); }

    // The History dialog as the menu shows it, but modeless, so that the
    // test keeps its own message loop while the list fills.
    void open_history()
    {
        history_ = CreateDialogParamA(g_hinst, MAKEINTRESOURCEA(IDD_HISTORY), nullptr, history_dlg_proc, 0);
        ASSERT_NE(history_, nullptr);
        ASSERT_EQ(g_hist_dlg, history_);
    }

    void close_history()
    {
        if (history_ != nullptr && IsWindow(history_))
            DestroyWindow(history_);
        history_ = nullptr;
    }

    // Puts a position on the board of a game that is waiting for input (no
    // search running), stone lists included, as if it had been played.
    void set_position(const board& b, int turn)
    {
        ASSERT_FALSE(searching());
        ASSERT_EQ(g_current->first_child, nullptr);
        for (int i = 0; i < 14; ++i) {
            g_current->bins[i] = b[i];
            for (int k = 0; k < b[i]; ++k)
                g_stones[i][k] = (i + k) % 5;
            g_stones[i][b[i]] = -1;
        }
        g_current->turn = turn;
        calc_h(g_current);
        redraw_board(hwnd_);
    }

    // Dispatches until the computer's search thread has started.
    bool start_search() { return dispatch_until(searching); }

    HANDLE watch()
    {
        HANDLE h = watch_search_thread();
        watched_.push_back(h);
        return h;
    }

    // One person against the computer, which moves first at depth 1, with
    // the History open: the search has finished and posted its move, which
    // waits in the queue, not handled yet.
    void leave_the_first_result_queued()
    {
        g_difficulty = 1;
        start_game({.players = 1, .first_turn = 13, .history = true});
        ASSERT_TRUE(start_search());
        ASSERT_EQ(WaitForSingleObject(watch(), static_cast<DWORD>(wait_limit_ms)), WAIT_OBJECT_0);
    }

    // Game over, the box answered, and nothing further asked of the computer.
    bool finished() const
    {
        return !g_boxes.empty() && !searching() && !queued(WM_COMPUTER_MOVE) && status_text(0) == prompt;
    }

    HWND history_ = nullptr;
    UINT_PTR box_timer_ = 0;
    std::vector<HANDLE> watched_;
};

// A person is asked to move: no search runs and none is asked for.
bool person_to_move()
{
    return !searching() && !queued(WM_COMPUTER_MOVE) && status_text(0) == your_turn;
}

// Plays the side to move's lowest non-empty bin whenever a person is asked,
// until the game is over; notes the side of each click.
void play_lowest_bins_to_the_end(HWND hwnd, std::vector<int>* clicked_turns)
{
    const ULONGLONG deadline = GetTickCount64() + wait_limit_ms;
    while (g_boxes.empty() && GetTickCount64() < deadline) {
        pump_pending();
        if (!g_boxes.empty())
            break;
        if (!person_to_move()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            continue;
        }
        const int first = g_current->turn - 6;
        for (int bin = first; bin < first + 6; ++bin) {
            if (g_current->bins[bin] > 0) {
                clicked_turns->push_back(g_current->turn);
                SendMessageA(hwnd, WM_LBUTTONUP, 0, bin_point(bin));
                break;
            }
        }
    }
}

// ---- whole games -------------------------------------------------------------------

TEST_F(Game, ComputerAgainstItselfPlaysFromNewGameToTheResult)
{
    start_game({.players = 0, .history = true});
    EXPECT_TRUE(queued(WM_COMPUTER_MOVE)); // asked at once, without input
    ASSERT_TRUE(pump_until([&] { return finished(); }));

    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].caption, "Game over.");
    EXPECT_EQ(g_boxes[0].text, expected_result(g_current));
    EXPECT_EQ(g_boxes[0].status, "Game over.");
    EXPECT_EQ(g_boxes[0].owner, hwnd_);
    EXPECT_EQ(game_over(g_current), 1);

    // One History line and one sound per move, each line naming its mover.
    const int moves = g_current->level;
    EXPECT_GT(moves, 10);
    ASSERT_EQ(history_lines(), moves);
    const std::vector<int> sides = movers();
    const node* n = g_root;
    for (int i = 0; i < moves; ++i) {
        n = n->first_child;
        EXPECT_EQ(history_line(i), std::string(bin_label[sides[i]]) + ": " + bin_label[n->move]);
    }
    EXPECT_EQ(g_sounds_played.size(), static_cast<size_t>(moves));
    expect_view_matches(g_current);

    // Over: no further move is asked of the computer.
    pump_pending();
    Sleep(50);
    pump_pending();
    EXPECT_EQ(g_current->level, moves);
    EXPECT_FALSE(searching());
    EXPECT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(status_text(0), prompt);
}

TEST_F(Game, OnePlayerWithThePersonFirstWaitsForTheClick)
{
    start_game({.players = 1, .first_turn = 6});
    EXPECT_EQ(status_text(0), your_turn);
    EXPECT_EQ(status_text(4), "To move: Player 2");
    EXPECT_FALSE(queued(WM_COMPUTER_MOVE));
    pump_pending();
    EXPECT_FALSE(searching());

    std::vector<int> clicked;
    play_lowest_bins_to_the_end(hwnd_, &clicked);
    ASSERT_TRUE(pump_until([&] { return finished(); }));
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, expected_result(g_current));

    // The person moved the bottom side, the computer every top move.
    for (int turn : clicked)
        EXPECT_EQ(turn, 6);
    const std::vector<int> sides = movers();
    const auto bottom_moves = std::count(sides.begin(), sides.end(), 6);
    EXPECT_EQ(static_cast<size_t>(bottom_moves), clicked.size());
    EXPECT_GT(sides.size(), clicked.size());
    EXPECT_EQ(sides.front(), 6);
}

TEST_F(Game, OnePlayerWithTheComputerFirstSearchesAtOnce)
{
    start_game({.players = 1, .first_turn = 13});
    EXPECT_EQ(status_text(4), "To move: Computer");
    ASSERT_TRUE(start_search());
    EXPECT_EQ(status_text(0), pondering);
    ASSERT_TRUE(pump_until(person_to_move));
    EXPECT_EQ(movers().front(), 13);
    EXPECT_EQ(g_current->turn, 6);
    EXPECT_EQ(status_text(4), "To move: Player 2");

    std::vector<int> clicked;
    play_lowest_bins_to_the_end(hwnd_, &clicked);
    ASSERT_TRUE(pump_until([&] { return finished(); }));
    for (int turn : clicked)
        EXPECT_EQ(turn, 6);
}

TEST_F(Game, TwoPlayersNeverStartASearch)
{
    start_game({.players = 2, .first_turn = 13});
    EXPECT_EQ(status_text(0), your_turn);
    EXPECT_EQ(status_text(4), "To move: Player 1");

    // Both sides by clicks, each time the lowest non-empty bin.
    const ULONGLONG deadline = GetTickCount64() + wait_limit_ms;
    int moves = 0;
    while (g_boxes.empty() && GetTickCount64() < deadline) {
        ASSERT_FALSE(queued(WM_COMPUTER_MOVE));
        ASSERT_EQ(status_text(0), your_turn);
        EXPECT_EQ(status_text(4), std::string("To move: ") + bin_label[g_current->turn]);
        const int first = g_current->turn - 6;
        int bin = first;
        while (g_current->bins[bin] == 0)
            ++bin;
        click(bin);
        ++moves;
        pump_pending();
        EXPECT_FALSE(searching());
    }
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_current->level, moves);
    EXPECT_EQ(g_boxes[0].text, expected_result(g_current));
    EXPECT_EQ(status_text(0), prompt);
}

TEST_F(Game, ANumberOfPlayersOtherThanZeroOrOnePlaysAsTwo)
{
    start_game({.players = 7, .first_turn = 13});
    pump_pending();
    EXPECT_FALSE(searching());
    EXPECT_EQ(status_text(0), your_turn);
    click(9);
    pump_pending();
    EXPECT_FALSE(searching());
    EXPECT_EQ(g_current->level, 1);
}

TEST_F(Game, BeforeTheFirstNewGameAClickPlaysTheSideToMove)
{
    g_num_players = 2;
    open();
    EXPECT_EQ(status_text(0), prompt);
    click(3);
    EXPECT_EQ(g_current->level, 1);
    EXPECT_EQ(g_current->move, 3);
    EXPECT_EQ(status_text(0), your_turn);
    expect_view_matches(g_current);
}

// ---- extra turns ---------------------------------------------------------------------

TEST_F(Game, APersonsExtraTurnAsksTheSameSideAgain)
{
    start_game({.players = 1, .first_turn = 6, .history = true});
    click(2); // four stones from bin 2: the last lands in store 6
    EXPECT_EQ(g_current->turn, 6);
    EXPECT_EQ(status_text(0), your_turn);
    EXPECT_FALSE(queued(WM_COMPUTER_MOVE));
    click(0);
    EXPECT_EQ(g_current->turn, 13);
    ASSERT_EQ(history_lines(), 2);
    EXPECT_EQ(history_line(0), "Player 2: 3");
    EXPECT_EQ(history_line(1), "Player 2: 1");
    EXPECT_TRUE(queued(WM_COMPUTER_MOVE)); // now the computer's turn
    new_game_command();
}

TEST_F(Game, TheComputersExtraTurnStartsTheNextSearchAtOnce)
{
    // Its computer move is queued, not yet started.
    start_game({.players = 1, .first_turn = 13, .history = true});
    // The top side's only move, bin 11, ends in its store; then bin 12 does
    // too and empties the row.
    set_position({4, 4, 4, 4, 4, 4, 0, 0, 0, 0, 0, 2, 0, 22}, 13);
    ASSERT_TRUE(pump_until([&] { return finished(); }));
    ASSERT_EQ(history_lines(), 2);
    EXPECT_EQ(history_line(0), "Player 1: 2");
    EXPECT_EQ(history_line(1), "Player 1: 1");
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "Tie game!");
}

// ---- the end and the result ------------------------------------------------------------

struct ending {
    const char* name;
    board position;
    int turn, bin;
    const char* result;
};

// With 48 stones in play; stones left in a row count for the side that owns it.
const ending endings[] = {
    {"bottom row emptied, top side ahead",
     {0, 0, 0, 0, 0, 1, 22, 4, 4, 4, 4, 4, 4, 1},
     6,
     5,
     "Player 1 wins!"},
    {"bottom row emptied, equal halves", {0, 0, 0, 0, 0, 1, 23, 4, 4, 4, 4, 4, 4, 0}, 6, 5, "Tie game!"},
    {"bottom row emptied, bottom side ahead",
     {0, 0, 0, 0, 0, 1, 24, 4, 4, 4, 4, 4, 3, 0},
     6,
     5,
     "Player 2 wins!"},
    {"top row emptied, bottom side ahead",
     {4, 4, 4, 4, 4, 4, 3, 0, 0, 0, 0, 0, 1, 20},
     13,
     12,
     "Player 2 wins!"},
    {"a capture empties both rows", {4, 0, 0, 0, 0, 0, 20, 0, 0, 0, 0, 1, 0, 23}, 13, 11, "Player 1 wins!"},
};

TEST_F(Game, TheEndShowsTheResultThenThePrompt)
{
    g_num_players = 2;
    open();
    for (const ending& e : endings) {
        SCOPED_TRACE(e.name);
        g_boxes.clear();
        g_sounds_played.clear();
        new_game_command();
        set_position(e.position, e.turn);
        click(e.bin);
        ASSERT_EQ(g_boxes.size(), 1u);
        EXPECT_EQ(g_boxes[0].text, e.result);
        EXPECT_EQ(g_boxes[0].caption, "Game over.");
        EXPECT_EQ(g_boxes[0].status, "Game over.");
        EXPECT_EQ(g_boxes[0].owner, hwnd_);
        EXPECT_EQ(status_text(0), prompt);
        EXPECT_EQ(g_sounds_played.size(), 1u); // the last move sounds like any other
        expect_view_matches(g_current);
        EXPECT_EQ(g_current->level, 1);
    }
}

TEST_F(Game, NoComputerMoveIsAskedForAfterTheEnd)
{
    start_game({.players = 0});
    // Whatever the computer plays from here, a single move ends the game.
    set_position({0, 0, 0, 0, 0, 1, 23, 4, 4, 4, 4, 4, 4, 0}, 6);
    ASSERT_TRUE(pump_until([&] { return finished(); }));
    EXPECT_EQ(g_current->level, 1);
    EXPECT_EQ(g_boxes[0].text, "Tie game!");
    Sleep(50);
    pump_pending();
    EXPECT_FALSE(searching());
    EXPECT_EQ(g_current->level, 1);
    EXPECT_EQ(g_boxes.size(), 1u);
}

TEST_F(Game, AfterTheEndAClickOnTheSideToMoveIsPlayedAndEndsItAgain)
{
    start_game({.players = 2});
    // Bin 12's two stones go to store 13 and bin 0: the top row is empty and
    // the bottom side, whose row is full, is to move.
    set_position({4, 4, 4, 4, 4, 4, 2, 0, 0, 0, 0, 0, 2, 20}, 13);
    click(12);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "Player 2 wins!");
    EXPECT_EQ(g_current->turn, 6);
    click(1);
    EXPECT_EQ(g_current->level, 2);
    ASSERT_EQ(g_boxes.size(), 2u);
    EXPECT_EQ(g_boxes[1].text, "Player 2 wins!");
    EXPECT_EQ(status_text(0), prompt);
    EXPECT_EQ(g_sounds_played.size(), 2u);
}

// ---- refused moves -----------------------------------------------------------------

TEST_F(Game, RefusedMovesShowTheErrorAndChangeNothingElse)
{
    start_game({.players = 2, .history = true});
    click(2); // extra turn: the bottom side is still to move, bin 2 now empty
    ASSERT_EQ(g_current->turn, 6);
    const snapshot before = take_snapshot();

    struct attempt {
        const char* what;
        int bin;
    };
    for (const attempt& a : {attempt{"empty bin", 2}, attempt{"own store", 6}, attempt{"other store", 13},
                             attempt{"other row", 9}, attempt{"negative", -2}, attempt{"below", -1},
                             attempt{"past the board", 14}, attempt{"far off", 1000}}) {
        SCOPED_TRACE(a.what);
        set_status_text(hwnd_, 0, your_turn);
        EXPECT_EQ(make_move(hwnd_, g_current, a.bin), -3);
        EXPECT_EQ(status_text(0), refused);
        set_status_text(hwnd_, 0, before.status[0].c_str());
        EXPECT_EQ(take_snapshot(), before);
        EXPECT_EQ(g_current->first_child, nullptr);
    }

    // A click on the empty bin is refused the same way.
    click(2);
    EXPECT_EQ(status_text(0), refused);
    set_status_text(hwnd_, 0, before.status[0].c_str());
    EXPECT_EQ(take_snapshot(), before);

    // The top side's row is not the side to move's: the click selects nothing.
    click(9);
    EXPECT_EQ(take_snapshot(), before);
}

TEST_F(Game, AStoreIsRefusedForTheTopSideToo)
{
    start_game({.players = 2, .first_turn = 13});
    const snapshot before = take_snapshot();
    EXPECT_EQ(make_move(hwnd_, g_current, 13), -3);
    EXPECT_EQ(make_move(hwnd_, g_current, 3), -3);
    EXPECT_EQ(status_text(0), refused);
    set_status_text(hwnd_, 0, your_turn);
    EXPECT_EQ(take_snapshot(), before);
}

TEST_F(Game, NoMemoryForTheMoveRefusesIt)
{
    start_game({.players = 2});
    const snapshot before = take_snapshot();
    node_alloc_fail(0, 1);
    click(3);
    node_alloc_fail(-1, 0);
    EXPECT_EQ(status_text(0), refused);
    set_status_text(hwnd_, 0, your_turn);
    EXPECT_EQ(take_snapshot(), before);
    click(3); // with memory again it is played
    EXPECT_EQ(g_current->level, 1);
}

TEST_F(Game, ASearchThatFindsNoMoveEndsTheComputersTurnWithTheError)
{
    start_game({.players = 1, .first_turn = 13, .history = true});
    const snapshot before = take_snapshot();
    node_alloc_fail(0, -1); // the search cannot make a single node: -2
    ASSERT_TRUE(start_search());
    ASSERT_TRUE(pump_until([] { return !searching(); }));
    node_alloc_fail(-1, 0);
    EXPECT_EQ(status_text(0), refused);
    EXPECT_EQ(GetCursor(), g_saved_cursor);
    EXPECT_EQ(g_current, before.current);
    EXPECT_EQ(g_current->first_child, nullptr);
    EXPECT_EQ(stone_lists(), before.stones);
    EXPECT_EQ(history_lines(), 0);
    EXPECT_TRUE(g_sounds_played.empty());
    // The game waits: nothing more is asked of the computer.
    pump_pending();
    EXPECT_FALSE(queued(WM_COMPUTER_MOVE));
    EXPECT_FALSE(searching());
}

// ---- the sound ------------------------------------------------------------------------

TEST_F(Game, EachPlayedMovePlaysTheWaveResourceOnceWithoutWaiting)
{
    start_game({.players = 1, .first_turn = 6});
    click(0); // the person's move, then the computer's
    ASSERT_TRUE(pump_until(person_to_move));
    ASSERT_EQ(g_sounds_played.size(), static_cast<size_t>(g_current->level));
    ASSERT_GE(g_sounds_played.size(), 2u);
    for (const sound_call& c : g_sounds_played) {
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(c.sound), static_cast<ULONG_PTR>(IDW_MOVE));
        EXPECT_EQ(c.module, g_hinst);
        EXPECT_EQ(c.flags, static_cast<DWORD>(SND_RESOURCE | SND_ASYNC));
        EXPECT_EQ(c.flags, 0x00040005u);
    }
}

TEST_F(Game, WithSoundsOffNothingPlays)
{
    g_sounds = 0;
    start_game({.players = 2});
    click(0);
    click(9);
    EXPECT_EQ(g_current->level, 2);
    EXPECT_TRUE(g_sounds_played.empty());
}

// ---- the computer's search: cursor, input, depth, options -------------------------------

class DeepSearch : public Game {
protected:
    // A game at the deepest depth the program searches, the computer to move first.
    void start_deep_game(int players)
    {
        g_num_stones = 6;
        g_difficulty = MAX_SEARCH_DEPTH;
        start_game({.players = players, .first_turn = 13});
    }

    // A computer move at the deepest depth the program searches, running.
    void start_deep_search(int players = 0)
    {
        start_deep_game(players);
        ASSERT_TRUE(start_search());
        thread_ = watch();
    }

    HANDLE thread_ = nullptr;
};

TEST_F(DeepSearch, TheBusyCursorShowsExactlyWhileTheSearchRuns)
{
    start_deep_search();
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    EXPECT_EQ(GetCursor(), g_busy_cursor);
    EXPECT_EQ(g_saved_cursor, arrow);
    EXPECT_EQ(status_text(0), pondering);
    // Over the whole window, caption and menu included.
    for (int hit : {HTCLIENT, HTCAPTION, HTMENU, HTBORDER}) {
        SetCursor(arrow);
        EXPECT_EQ(
            SendMessageA(hwnd_, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd_), MAKELPARAM(hit, WM_MOUSEMOVE)),
            0);
        EXPECT_EQ(GetCursor(), g_busy_cursor) << "hit test " << hit;
    }

    g_num_players = 2;
    new_game_command(); // abandons the search
    EXPECT_FALSE(searching());
    EXPECT_EQ(GetCursor(), arrow);
    const HCURSOR cross = LoadCursorA(nullptr, IDC_CROSS);
    SetCursor(cross);
    EXPECT_EQ(SendMessageA(hwnd_, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd_),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              0);
    EXPECT_EQ(GetCursor(), cross); // left as it was
}

TEST_F(Game, TheCursorComesBackWhenTheComputersMoveIsPlayed)
{
    start_game({.players = 1, .first_turn = 13});
    ASSERT_TRUE(start_search());
    EXPECT_EQ(GetCursor(), g_busy_cursor);
    ASSERT_TRUE(pump_until([] { return !searching(); }));
    EXPECT_EQ(g_current->level, 1);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

TEST_F(DeepSearch, ClicksWhileTheComputerThinksChangeNothing)
{
    start_deep_search(1);
    node* current = g_current;
    const board stones = stone_lists();
    for (int bin : {0, 3, 5, 7, 9, 12}) {
        click(bin);
        EXPECT_EQ(g_current, current);
        EXPECT_EQ(status_text(0), pondering);
        EXPECT_EQ(stone_lists(), stones);
    }
    EXPECT_TRUE(g_sounds_played.empty());
    EXPECT_TRUE(searching());
}

TEST_F(DeepSearch, NewGameAbandonsTheSearchAndWaitsForItsThread)
{
    start_deep_search();
    open_history();
    g_difficulty = 1; // as if confirmed in the Options dialog meanwhile
    new_game_command();
    EXPECT_TRUE(has_ended(thread_)); // gone before the new game began
    EXPECT_FALSE(searching());
    EXPECT_FALSE(search_stop_requested());
    EXPECT_EQ(g_current, g_root);
    EXPECT_EQ(g_root->first_child, nullptr);
    EXPECT_EQ(node_alloc_live(), live_before_ + 1); // the root alone

    // The new game plays on at the new depth, and only its own moves count.
    ASSERT_TRUE(pump_until([&] { return finished(); }));
    EXPECT_EQ(history_lines(), g_current->level);
    EXPECT_EQ(g_sounds_played.size(), static_cast<size_t>(g_current->level));
    EXPECT_EQ(stone_total(g_current), 72);
}

TEST_F(DeepSearch, ClosingTheWindowStopsTheSearchWithoutPlayingItsMove)
{
    start_deep_search();
    PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_EQ(run_until_quit(), std::optional<int>(0));
    EXPECT_FALSE(IsWindow(hwnd_));
    EXPECT_TRUE(has_ended(thread_));
    EXPECT_FALSE(searching());
    EXPECT_FALSE(search_stop_requested());
    EXPECT_TRUE(g_sounds_played.empty());
    EXPECT_EQ(g_root->first_child, nullptr);
    EXPECT_EQ(node_alloc_live(), live_before_ + 1);
}

TEST_F(DeepSearch, ARequestWhileASearchRunsStartsNoSecondOne)
{
    start_deep_game(0);
    MSG request;
    ASSERT_TRUE(PeekMessageA(&request, hwnd_, WM_COMPUTER_MOVE, WM_COMPUTER_MOVE, PM_NOREMOVE));
    PostMessageA(hwnd_, WM_COMPUTER_MOVE, request.wParam, request.lParam); // the same request twice
    ASSERT_TRUE(start_search());
    const HANDLE first = g_thread;
    ASSERT_TRUE(dispatch_until([] { return !queued(WM_COMPUTER_MOVE); }));
    EXPECT_EQ(g_thread, first);
    g_num_players = 2;
    new_game_command();
}

// These messages carry the request number in wParam, so a
// result or request from before a New Game is recognised and dropped.
TEST_F(Game, AResultFromBeforeNewGameIsNeverApplied)
{
    ASSERT_NO_FATAL_FAILURE(leave_the_first_result_queued());
    MSG result;
    ASSERT_TRUE(PeekMessageA(&result, hwnd_, WM_COMPUTER_MOVED, WM_COMPUTER_MOVED, PM_NOREMOVE));
    EXPECT_GE(static_cast<int>(result.lParam), 7); // a real move of the top side

    g_num_players = 2;
    new_game_command();
    const snapshot fresh = take_snapshot();
    pump_pending();
    EXPECT_FALSE(queued(WM_COMPUTER_MOVED));
    EXPECT_EQ(take_snapshot(), fresh);
    EXPECT_EQ(g_current, g_root);
    EXPECT_EQ(status_text(0), your_turn);
}

TEST_F(Game, AResultFromBeforeNewGameIsNotTakenForTheNewSearch)
{
    ASSERT_NO_FATAL_FAILURE(leave_the_first_result_queued());
    ASSERT_TRUE(queued(WM_COMPUTER_MOVED));

    new_game_command(); // the computer is to move again in the new game
    ASSERT_TRUE(pump_until(person_to_move));
    EXPECT_EQ(g_current->level, 1); // one move: the new search's, once
    EXPECT_EQ(history_lines(), 1);
    EXPECT_EQ(g_sounds_played.size(), 1u);
}

TEST_F(Game, ARequestFromBeforeNewGameStartsNoSearch)
{
    start_game({.players = 1, .first_turn = 6});
    click(0); // the computer's turn is requested ...
    ASSERT_TRUE(queued(WM_COMPUTER_MOVE));
    g_num_players = 2;
    new_game_command(); // ... but a new game for two people begins first
    pump_pending();
    EXPECT_FALSE(searching());
    EXPECT_EQ(g_current, g_root);
    EXPECT_EQ(status_text(0), your_turn);
}

TEST_F(Game, MessagesCarryingNoRequestOfOursAreDropped)
{
    start_game({.players = 2});
    const snapshot before = take_snapshot();
    for (WPARAM w : {WPARAM{0}, WPARAM{1}, ~WPARAM{0}}) {
        SendMessageA(hwnd_, WM_COMPUTER_MOVE, w, 0);
        SendMessageA(hwnd_, WM_COMPUTER_MOVED, w, 2);
    }
    pump_pending();
    EXPECT_FALSE(searching());
    EXPECT_EQ(take_snapshot(), before);
}

// Plays the computer's first move from the opening of `stones` per bin at
// `depth` on a scratch position.
int best_opening_move(int stones, int depth)
{
    node* probe = new_node();
    init_node(probe, 13, stones);
    const int move = get_comp_move(probe, depth);
    delete_node(probe);
    return move;
}

TEST_F(Game, TheDepthIsTakenWhenTheSearchStarts)
{
    // An opening where one and three moves deep choose differently.
    int stones = 0;
    for (int s = 1; s <= 8 && stones == 0; ++s)
        if (best_opening_move(s, 1) != best_opening_move(s, 3))
            stones = s;
    ASSERT_NE(stones, 0);

    g_num_stones = stones;
    g_difficulty = 1;
    start_game({.players = 1, .first_turn = 13});
    ASSERT_TRUE(start_search());
    g_difficulty = 3; // confirmed in the Options dialog while the computer thinks
    ASSERT_TRUE(dispatch_until([] { return !searching(); }));
    ASSERT_EQ(g_current->level, 1);
    EXPECT_EQ(g_current->move, best_opening_move(stones, 1));
}

TEST_F(Game, ADifficultyAboveTheBoundSearchesAtTheBound)
{
    g_num_stones = 3;
    g_difficulty = MAX_SEARCH_DEPTH + 40;
    const int expected = best_opening_move(3, MAX_SEARCH_DEPTH);
    start_game({.players = 1, .first_turn = 13});
    ASSERT_TRUE(start_search());
    // Up to its result: an extra turn would start the next search at once.
    ASSERT_TRUE(dispatch_until([] { return !searching(); }));
    ASSERT_EQ(g_current->level, 1);
    EXPECT_EQ(g_current->move, expected);
}

// ---- no memory for the game record ----------------------------------------------------

TEST_F(Game, WithoutARootNothingTouchesTheGame)
{
    g_num_players = 0;
    node_alloc_fail(0, 1);
    open();
    node_alloc_fail(-1, 0);
    ASSERT_EQ(g_root, nullptr);
    EXPECT_TRUE(IsWindowVisible(hwnd_));
    EXPECT_EQ(status_text(0), "ERROR: out of memory");

    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    for (int bin : {0, 3, 9})
        click(bin);
    new_game_command();
    for (WPARAM w : {WPARAM{0}, WPARAM{1}, WPARAM{2}, WPARAM{100}}) {
        SendMessageA(hwnd_, WM_COMPUTER_MOVE, w, 0);
        SendMessageA(hwnd_, WM_COMPUTER_MOVED, w, 3);
    }
    SendMessageA(hwnd_, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    pump_pending();
    EXPECT_EQ(g_root, nullptr);
    EXPECT_EQ(g_current, nullptr);
    EXPECT_FALSE(searching());
    EXPECT_EQ(status_text(0), "ERROR: out of memory");
    for (int part = 1; part < 5; ++part)
        EXPECT_EQ(status_text(part), "") << "part " << part;
    EXPECT_TRUE(g_sounds_played.empty());

    PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_EQ(run_until_quit(), std::optional<int>(0));
    EXPECT_EQ(node_alloc_live(), live_before_);
}

// ---- soak ------------------------------------------------------------------------------

// 200 computer-against-computer games at small depths over every combination
// of stones per bin, empty captures and random moves (and both first sides),
// checking after every move that the engine's counts, the stone lists, the
// status texts and the History list agree.
TEST_F(Game, SoakTwoHundredComputerGames)
{
    g_num_players = 0;
    g_sounds = 0;
    open();
    open_history();
    // Hidden, the window and the list are not repainted stone by stone; what
    // is checked here is what they hold, not how they are drawn.
    ShowWindow(history_, SW_HIDE);
    ShowWindow(hwnd_, SW_HIDE);
    int total_moves = 0;
    for (int game = 0; game < 200; ++game) {
        const int stones = 1 + game % 8;
        g_num_stones = stones;
        g_allow_empty_caps = (game / 8) % 2;
        g_random_moves = (game / 16) % 2;
        g_first_turn = (game / 32) % 2 ? 13 : 6;
        g_difficulty = 1 + (game / 64) % 2;
        SCOPED_TRACE("game " + std::to_string(game) + ": stones " + std::to_string(stones) +
                     ", empty captures " + std::to_string(g_allow_empty_caps) + ", random " +
                     std::to_string(g_random_moves) + ", first " + std::to_string(g_first_turn) + ", depth " +
                     std::to_string(g_difficulty));
        g_boxes.clear();
        new_game_command();
        ASSERT_EQ(history_lines(), 0);
        expect_view_matches(g_current);

        int level = 0;
        const ULONGLONG deadline = GetTickCount64() + wait_limit_ms;
        while (g_boxes.empty()) {
            ASSERT_LT(GetTickCount64(), deadline);
            MSG msg;
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
                continue;
            }
            DispatchMessageA(&msg);
            if (msg.message != WM_COMPUTER_MOVED || g_current->level == level)
                continue;
            // One move was played.
            ASSERT_EQ(g_current->level, level + 1);
            level = g_current->level;
            ASSERT_EQ(stone_total(g_current), 12 * stones);
            ASSERT_EQ(history_lines(), level);
            ASSERT_EQ(node_alloc_live(), live_before_ + 1 + level); // root and path only
            expect_view_matches(g_current);
            if (HasFailure())
                return;
            EXPECT_EQ(status_text(0), g_boxes.empty() ? pondering : prompt);
        }
        ASSERT_TRUE(pump_until([&] { return finished(); }));
        ASSERT_EQ(g_boxes.size(), 1u);
        EXPECT_EQ(g_boxes[0].text, expected_result(g_current));
        EXPECT_EQ(game_over(g_current), 1);
        total_moves += level;
    }
    std::printf("soak: 200 games, %d moves\n", total_moves);
    close_history();
    DestroyWindow(hwnd_);
    pump_pending();
    EXPECT_EQ(node_alloc_live(), live_before_ + 1); // the root, freed by the fixture
}

} // namespace
