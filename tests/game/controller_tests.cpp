// Whole games on the real main window: the turn handed between people and the computer's thread, the end
// and its result, refused moves, searches abandoned, held or never started, stale results, and a soak.
#include "game/controller.h"

#include "board/board.h"
#include "engine/engine.h"
#include "engine/node_alloc.h"
#include "game/options.h"
#include "resources/resource.h"
#include "shell/dialogs.h"
#include "shell/shell.h"
#include "tests/win32/harness.h"

#include <algorithm>
#include <array>
#include <climits>
#include <string>
#include <thread>
#include <vector>

// Whole games and the deepest searches, on a machine that may be busy.
const ULONGLONG wait_limit_ms = 60000;

namespace {

constexpr int B = BOTTOM_STORE, T = TOP_STORE;
const char prompt[] = "Select 'File->New Game' to start...";
const char your_turn[] = "Select bin to move from.";
const char refused[] = "ERROR: could not make move";

struct result_box {
    std::string text, status;
    HWND owner;
};
std::vector<result_box> g_boxes;

// Answers the result box as a user would, noting what it and the status bar say.
void CALLBACK answer_result_box(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND box = find_dialog("Game over.")) {
        g_boxes.push_back({message_text(box), status_text(0), GetWindow(box, GW_OWNER)});
        SendMessageA(box, WM_COMMAND, IDOK, 0);
    }
}

int g_sounds_played;
BOOL WINAPI count_sound(LPCSTR, HMODULE module, DWORD flags)
{
    EXPECT_TRUE(module == g_hinst && (flags & SND_ASYNC))
        << "a sound from our resources, not holding up the game";
    ++g_sounds_played;
    return TRUE;
}

// The thread seam: a thread that cannot be made, or one held before it runs.
enum class threads { normal, fail, held } g_threads;
HANDLE g_held;
HANDLE WINAPI make_thread(LPSECURITY_ATTRIBUTES a, SIZE_T s, LPTHREAD_START_ROUTINE f, LPVOID p, DWORD flags,
                          LPDWORD id)
{
    if (g_threads == threads::fail) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HANDLE h = CreateThread(a, s, f, p, flags | (g_threads == threads::held ? CREATE_SUSPENDED : 0), id);
    return g_held = h;
}

bool searching()
{
    return g_thread != INVALID_HANDLE_VALUE;
}
bool person_to_move()
{
    return !searching() && !queued(WM_COMPUTER_MOVE) && status_text(0) == your_turn;
}
// Game over, the box answered, and nothing further asked of the computer.
bool finished()
{
    return !g_boxes.empty() && !searching() && !queued(WM_COMPUTER_MOVE) && status_text(0) == prompt;
}

int history_lines()
{
    return static_cast<int>(SendDlgItemMessageA(g_hist_dlg, IDC_HISTORY_LIST, LB_GETCOUNT, 0, 0));
}

// What the game holds and what a user sees, to show that something changed nothing.
struct snapshot {
    node* current;
    std::array<int, 14> bins, stones;
    std::array<std::string, 5> status;
    int history, sounds;
    bool operator==(const snapshot&) const = default;
};
snapshot take_snapshot()
{
    snapshot s{g_current, {}, {}, {}, history_lines(), g_sounds_played};
    for (int i = 0; i < 14; ++i)
        s.bins[i] = g_current->bins[i], s.stones[i] = bin_count(i);
    for (int i = 0; i < 5; ++i)
        s.status[i] = status_text(i);
    return s;
}

// The computer's first move from the opening with `stones` per bin, on a
// thread of its own as the game's searches are.
int opening_move(int stones, int depth, search_settings settings)
{
    int move = -1;
    std::thread([&] {
        node* n = new_node();
        init_node(n, T, stones);
        move = get_comp_move(n, depth, settings);
        delete_node(n);
    }).join();
    return move;
}

class Game : public MainWindow {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindow::SetUp());
        set_values({B, 0, 0, 1, 1, 1, 2, 4, 0});
        g_boxes.clear();
        g_sounds_played = 0;
        g_play_sound = count_sound;
        g_threads = threads::normal;
        g_create_thread = make_thread;
        box_timer_ = SetTimer(nullptr, 0, 10, answer_result_box);
    }
    void TearDown() override
    {
        if (history_ != nullptr)
            DestroyWindow(history_);
        close_main_window();
        EXPECT_FALSE(searching());
        MainWindow::TearDown();
        KillTimer(nullptr, box_timer_);
        g_play_sound = PlaySoundA;
        g_create_thread = CreateThread;
    }

    // The window with the History list open (modeless, so the test keeps its
    // own message loop), and a game begun with New Game.
    void start_game(int players, int first_turn)
    {
        open();
        history_ = CreateDialogParamA(g_hinst, MAKEINTRESOURCEA(IDD_HISTORY), nullptr, history_dlg_proc, 0);
        ShowWindow(history_, SW_HIDE);
        new_game(players, first_turn);
    }
    void new_game(int players, int first_turn)
    {
        g_num_players = players;
        g_first_turn = first_turn;
        g_boxes.clear();
        g_sounds_played = 0;
        SendMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0);
    }
    void click(int bin) { SendMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(bin)); }

    // Plays to the end, a person's turn by a click on the side's lowest
    // non-empty bin. After every move the record, the view and the memory
    // agree, and the move came from whoever plays its side.
    void play_to_end(bool computer_bottom, bool computer_top)
    {
        const ULONGLONG deadline = GetTickCount64() + wait_limit_ms;
        const int stones = stone_total(g_current);
        while (!finished()) {
            ASSERT_LT(GetTickCount64(), deadline);
            ASSERT_NE(status_text(0), refused);
            const int level = g_current->level;
            const bool clicked = person_to_move();
            if (clicked) {
                int bin = g_current->turn - 6;
                while (g_current->bins[bin] == 0)
                    ++bin;
                click(bin);
            } else {
                // One message at a time: the next search may answer at once.
                MSG msg;
                if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageA(&msg);
                else
                    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            }
            if (g_current->level == level)
                continue;
            ASSERT_EQ(g_current->level, level + 1);
            const int mover = side_of(g_current->move);
            ASSERT_EQ(clicked, !(mover == B ? computer_bottom : computer_top)) << "move " << level + 1;
            ASSERT_EQ(stone_total(g_current), stones);
            ASSERT_EQ(node_alloc_live(), live_before_ + 1 + g_current->level); // the root and the game
            const snapshot s = take_snapshot();
            ASSERT_EQ(s.stones, s.bins);
            ASSERT_EQ(s.history, g_current->level);
            ASSERT_EQ(s.sounds, g_sounds ? g_current->level : 0);
            int top = 0;
            for (int i = 7; i < 14; ++i)
                top += s.bins[i];
            ASSERT_EQ(s.status[1], "Score: " + std::to_string(top) + "/" + std::to_string(stones - top));
            ASSERT_EQ(s.status[2], "Level: " + std::to_string(g_current->level));
            ASSERT_EQ(s.status[3], "Heuristic: " + std::to_string(top)); // the top side's total
            const bool computer = g_current->turn == B ? computer_bottom : computer_top;
            ASSERT_EQ(s.status[4],
                      std::string("To move: ") + (computer ? "Computer" : bin_label[g_current->turn]));
        }
        ASSERT_EQ(g_boxes.size(), 1u);
        EXPECT_EQ(g_boxes[0].status, "Game over.");
        EXPECT_EQ(g_boxes[0].owner, hwnd_);
        EXPECT_EQ(game_over(g_current), 1);
    }

    // Puts a position on the board of a game waiting for a click.
    void set_position(const std::array<int, 14>& b, int turn)
    {
        for (int i = 0; i < 14; ++i) {
            g_current->bins[i] = b[i];
            for (int k = 0; k < b[i]; ++k)
                g_stones[i][k] = k % 5;
            g_stones[i][b[i]] = -1;
        }
        g_current->turn = turn;
        calc_h(g_current);
    }

    // A search at the deepest depth, running.
    HANDLE start_deep_search(int players)
    {
        g_num_stones = 6;
        g_difficulty = MAX_SEARCH_DEPTH;
        new_game(players, T);
        EXPECT_TRUE(pump_until(searching));
        HANDLE h = nullptr;
        DuplicateHandle(GetCurrentProcess(), g_thread, GetCurrentProcess(), &h, SYNCHRONIZE, FALSE, 0);
        return h;
    }

    HWND history_ = nullptr;
    UINT_PTR box_timer_ = 0;
};

// Games over every stones count, both first sides, every kind of players, and the options on and off.
TEST_F(Game, Soak)
{
    start_game(0, B);
    for (int game = 0; game < 128; ++game) {
        const int players = game % 4 == 3 ? 7 : game % 4;
        g_num_stones = 1 + game / 4 % 8;
        g_allow_empty_caps = game / 32 % 2;
        g_random_moves = game / 64 % 2;
        g_sounds = game / 2 % 2;
        g_difficulty = 1 + game / 8 % 2;
        SCOPED_TRACE("game " + std::to_string(game));
        new_game(players, game / 16 % 2 ? T : B);
        ASSERT_NO_FATAL_FAILURE(play_to_end(players == 0, players == 0 || players == 1));
    }
}

// Whatever number the settings file or the globals hold, the computer plays on.
TEST_F(Game, AnyDifficultyStillPlaysWholeGames)
{
    start_game(2, B);
    for (const std::string& value : std::vector<std::string>{"-3", "4294967295", "2147483648", "99999999999",
                                                             "4294967301", std::string(100000, '9')}) {
        write_file(settings_path, "[Options]\r\nNumberPlayers=0\r\nDifficulty=" + value + "\r\n");
        g_difficulty = 2;
        read_options();
        EXPECT_EQ(g_difficulty, 2) << value.substr(0, 20);
        new_game(g_num_players, B);
        ASSERT_NO_FATAL_FAILURE(play_to_end(true, true));
    }
    for (int depth : {-3, INT_MIN}) {
        g_difficulty = depth;
        new_game(0, T);
        ASSERT_NO_FATAL_FAILURE(play_to_end(true, true));
    }
}

TEST_F(Game, TheEndShowsWhoHoldsMoreThanHalfWithTheStonesLeftInEachRow)
{
    start_game(2, B);
    const struct {
        std::array<int, 14> position;
        int bin;
        const char* result;
    } endings[] = {
        {{0, 0, 0, 0, 0, 1, 22, 4, 4, 4, 4, 4, 4, 1}, 5, "Player 1 wins!"},
        {{0, 0, 0, 0, 0, 1, 23, 4, 4, 4, 4, 4, 4, 0}, 5, "Tie game!"},
        {{0, 0, 0, 0, 0, 1, 24, 4, 4, 4, 4, 4, 3, 0}, 5, "Player 2 wins!"},
        {{4, 4, 4, 4, 4, 4, 3, 0, 0, 0, 0, 0, 1, 20}, 12, "Player 2 wins!"},
        {{4, 0, 0, 0, 0, 0, 20, 0, 0, 0, 0, 1, 0, 23}, 11, "Player 1 wins!"}, // a capture empties both rows
    };
    for (const auto& e : endings) {
        new_game(2, side_of(e.bin));
        set_position(e.position, side_of(e.bin));
        click(e.bin);
        ASSERT_EQ(g_boxes.size(), 1u);
        EXPECT_EQ(g_boxes[0].text, e.result);
        EXPECT_EQ(g_boxes[0].status, "Game over.");
        EXPECT_EQ(status_text(0), prompt);
    }
}

TEST_F(Game, RefusedMovesChangeNothingButTheMessage)
{
    start_game(2, B);
    click(2); // four stones into store 6: the bottom side moves again, bin 2 now empty
    const snapshot before = take_snapshot();
    for (int bin : {2, 6, 13, 9, -2, -1, 14, 1000, 3}) {
        set_status_text(hwnd_, 0, your_turn);
        if (bin == 3)
            node_alloc_fail(0, 1); // no memory for the move
        EXPECT_EQ(make_move(hwnd_, g_current, bin), -3) << bin;
        node_alloc_fail(-1, 0);
        EXPECT_EQ(status_text(0), refused) << bin;
        set_status_text(hwnd_, 0, your_turn);
        EXPECT_EQ(take_snapshot(), before) << bin;
    }
}

TEST_F(Game, WhileTheComputerThinksInputWaitsAndNewGameOrClosingAbandonsTheSearch)
{
    start_game(2, B);
    HANDLE thread = start_deep_search(1);
    const snapshot before = take_snapshot();
    EXPECT_EQ(GetCursor(), g_busy_cursor);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SendMessageA(hwnd_, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd_), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), g_busy_cursor);
    for (int bin : {0, 5, 7, 12})
        click(bin);
    EXPECT_EQ(take_snapshot(), before);

    new_game(2, B);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0); // gone before the new game began
    CloseHandle(thread);
    EXPECT_FALSE(search_stop_requested());
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(node_alloc_live(), live_before_ + 1);

    thread = start_deep_search(0);
    PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_EQ(run_until_quit(), std::optional<int>(0));
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(g_sounds_played, 0);
    EXPECT_EQ(g_root->first_child, nullptr);
}

TEST_F(Game, AResultOrRequestFromBeforeNewGameIsNeverApplied)
{
    g_difficulty = 1;
    start_game(2, B);
    for (int players : {2, 1}) {
        // The computer's first move is found and posted, not yet handled.
        g_threads = threads::held;
        new_game(1, T);
        ASSERT_TRUE(pump_until(searching));
        g_threads = threads::normal;
        ResumeThread(g_held);
        ASSERT_EQ(WaitForSingleObject(g_held, static_cast<DWORD>(wait_limit_ms)), WAIT_OBJECT_0);
        new_game(players, T);
        ASSERT_TRUE(pump_until(person_to_move));
        EXPECT_EQ(g_current->level, players == 1 ? 1 : 0); // the new game's own move only
        EXPECT_EQ(history_lines(), g_current->level);
        EXPECT_EQ(g_sounds_played, g_current->level);
    }
    new_game(1, B);
    click(0); // the computer's turn is asked for, then a game for two begins
    new_game(2, B);
    const snapshot fresh = take_snapshot();
    for (WPARAM w : {WPARAM{0}, WPARAM{1}, WPARAM{100}, ~WPARAM{0}}) {
        SendMessageA(hwnd_, WM_COMPUTER_MOVE, w, 0);
        SendMessageA(hwnd_, WM_COMPUTER_MOVED, w, 2);
    }
    pump_pending();
    EXPECT_FALSE(searching());
    EXPECT_EQ(take_snapshot(), fresh);
}

// The Options dialog may change the depth and the settings while a search
// runs; the search plays by those of the moment it was ordered.
TEST_F(Game, ASearchPlaysByTheOptionsItWasOrderedWith)
{
    const search_settings off{false, false}, on{true, true};
    const struct {
        int ordered, changed;
        search_settings settings;
    } rows[] = {{1, 3, off}, {1, 1, on}, {2, 4, on}, {-3, 2, off}, {MAX_SEARCH_DEPTH + 40, 1, off}};
    start_game(2, B);
    for (const auto& r : rows) {
        // An opening where the change would choose another move.
        const int depth = std::clamp(r.ordered, 0, MAX_SEARCH_DEPTH);
        int stones = 0, expected = 0;
        do
            expected = opening_move(++stones, depth, off);
        while (stones < 8 && r.ordered == depth && expected == opening_move(stones, r.changed, r.settings));
        ASSERT_TRUE(r.ordered != depth || expected != opening_move(stones, r.changed, r.settings));
        SCOPED_TRACE("ordered at " + std::to_string(r.ordered) + ", " + std::to_string(stones) + " stones");
        g_num_stones = stones;
        g_difficulty = r.ordered;
        g_threads = threads::held;
        new_game(1, T);
        ASSERT_TRUE(pump_until(searching));
        g_difficulty = r.changed;
        g_allow_empty_caps = r.settings.empty_caps;
        g_random_moves = r.settings.random_moves;
        g_threads = threads::normal;
        ResumeThread(g_held);
        ASSERT_TRUE(pump_until([] { return person_to_move() || finished(); }));
        EXPECT_EQ(g_root->first_child->move, expected);
        g_allow_empty_caps = g_random_moves = 0;
    }
}

TEST_F(Game, WithoutAThreadForTheComputerThePersonGoesOn)
{
    g_threads = threads::fail;
    start_game(1, T);
    pump_pending();
    const char cannot[] = "The computer cannot move: out of resources.";
    EXPECT_EQ(status_text(0), cannot);
    EXPECT_FALSE(searching() || queued(WM_COMPUTER_MOVE));
    EXPECT_NE(GetCursor(), g_busy_cursor);
    click(12); // the person plays the computer's side; then it is the person's own turn
    EXPECT_EQ(g_current->level, 1);
    EXPECT_EQ(status_text(0), your_turn);
    g_threads = threads::normal;
    click(0); // and the computer is asked again
    ASSERT_TRUE(pump_until(person_to_move));
    EXPECT_GE(g_current->level, 3);
    new_game(0, T);
    ASSERT_NO_FATAL_FAILURE(play_to_end(true, true));
}

TEST_F(Game, WithoutARootNothingTouchesTheGame)
{
    node_alloc_fail(0, 1);
    open();
    node_alloc_fail(-1, 0);
    ASSERT_EQ(g_root, nullptr);
    for (int bin : {0, 9})
        click(bin);
    new_game(0, B);
    for (WPARAM w : {WPARAM{0}, WPARAM{1}, WPARAM{2}}) {
        SendMessageA(hwnd_, WM_COMPUTER_MOVE, w, 0);
        SendMessageA(hwnd_, WM_COMPUTER_MOVED, w, 3);
    }
    pump_pending();
    EXPECT_EQ(g_current, nullptr);
    EXPECT_FALSE(searching());
    EXPECT_EQ(status_text(0), "ERROR: out of memory");
    PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_EQ(run_until_quit(), std::optional<int>(0));
}

} // namespace
