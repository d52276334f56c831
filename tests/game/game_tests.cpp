// Game control and settings on the real main window: whole games, refused moves, searches abandoned, held
// or never started, stale results; the settings file, odd and hostile, and the Options dialog.
#include "game/controller.h"

#include "board/board.h"
#include "engine/node_alloc.h"
#include "engine/engine.h"
#include "game/options.h"
#include "game/session.h"
#include "game/options_file.h"
#include "game/record.h"
#include "game/texts.h"
#include "resources/resource.h"
#include "shell/dialogs.h"
#include "shell/help.h"
#include "shell/shell.h"
#include "tests/win32/harness.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <thread>
#include <tuple>

const ULONGLONG wait_limit_ms = 60000;

namespace {

constexpr int B = BOTTOM_STORE, T = TOP_STORE;

// The result box, answered as a user would.
void CALLBACK answer_result_box(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND box = find_dialog(game_over_text))
        SendMessageA(box, WM_COMMAND, IDOK, 0);
}

BOOL WINAPI count_sound(LPCSTR, HMODULE module, DWORD flags)
{
    EXPECT_TRUE(module == g_hinst && (flags & SND_ASYNC)); // ours, and not holding up the game
    return TRUE;
}

// The thread seam: a thread held before it runs.
enum class threads { normal, held } g_threads;
HANDLE g_held;
HANDLE WINAPI make_thread(LPSECURITY_ATTRIBUTES a, SIZE_T s, LPTHREAD_START_ROUTINE f, LPVOID p, DWORD flags,
                          LPDWORD id)
{
    const DWORD hold = g_threads == threads::held ? CREATE_SUSPENDED : 0;
    g_threads = threads::normal; // held once
    return g_held = CreateThread(a, s, f, p, flags | hold, id);
}

const auto searching = [] { return g_thread != INVALID_HANDLE_VALUE; };
const auto asked = [] { return searching() || queued(WM_COMPUTER_MOVE); };
const auto person_to_move = [] { return !asked() && status_text(0) == your_turn; };

// What a user sees of the game: the last move's mark, the counts, the status parts and the History list.
std::string shown_game()
{
    std::string v = std::to_string(g_last_move_bin);
    for (int i = 0; i < 14; ++i)
        v += " " + std::to_string(g_current->bins[i]) + "/" + std::to_string(bin_count(i));
    for (int part = 0; part < 5; ++part)
        v += "|" + status_text(part);
    for (const std::string& line : list_lines(GetDlgItem(g_hist_dlg, IDC_HISTORY_LIST)))
        v += "|" + line;
    return v;
}

// The side to move's first non-empty bin from column `column` (0 to 5) on, wrapping round.
int bin_from(int column)
{
    const int first = first_bin(g_current->turn);
    int bin = first + column % 6;
    while (g_current->bins[bin] == 0)
        bin = first + (bin - first + 1) % 6;
    return bin;
}

// Steps that wait for a message box owned by `owner`, keep its text in `text` and press its OK.
std::vector<step> answer_box(const HWND& owner, std::string& text)
{
    return {until([&] { return box_owned_by(owner) != nullptr; }), [&] {
                text = message_text(box_owned_by(owner));
                SendMessageA(box_owned_by(owner), WM_COMMAND, IDOK, 0);
            }};
}

// The computer's first move from the opening with `stones` per bin, on a thread of its own as in the game.
int opening_move(int stones, int depth, search_settings settings)
{
    node* n = new_node();
    init_node(n, T, stones);
    int move = -1;
    std::thread([&] { move = get_comp_move(n, depth, settings); }).join();
    delete_node(n);
    return move;
}

// The main window, hidden: what is checked is what it holds, not how it is drawn.
class Game : public MainWindow {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindow::SetUp());
        set_values({B, 0, 0, 1, 1, 1, 2, 4, 0});
        g_play_sound = count_sound;
        g_create_thread = make_thread;
        box_timer_ = SetTimer(nullptr, 0, 10, answer_result_box);
        open();
        ShowWindow(hwnd_, SW_HIDE);
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

    void new_game(int players, int first_turn, threads how = threads::normal)
    {
        g_num_players = players;
        g_first_turn = first_turn;
        g_threads = how;
        SendMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0);
    }
    void click(int bin) { SendMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(bin)); }
    // A key as the user types it, posted, with Ctrl held or not, or held down; 0 is a click on a store.
    static constexpr WPARAM repeated = 0x10000;
    void key(WPARAM vk, bool ctrl = false)
    {
        BYTE state[256] = {};
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(state);
        vk ? PostMessageA(hwnd_, WM_KEYDOWN, vk & 0xFFFF, vk & repeated ? 0x40000001 : 1)
           : PostMessageA(hwnd_, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
        pump_pending();
        state[VK_CONTROL] = 0, SetKeyboardState(state); // Ctrl up again
    }

    // A search at the deepest depth, running.
    void start_deep_search(int players)
    {
        g_num_stones = 6;
        g_difficulty = MAX_SEARCH_DEPTH;
        new_game(players, T);
        ASSERT_TRUE(pump_until(searching));
    }

    // Opens the dialog, runs `change` on it and presses OK. When OK brings up a message box (`box`), it is
    // answered and its text given back; `then` runs on the dialog after it.
    std::string ok_after(const std::function<void(HWND)>& change, bool box = false,
                         const std::function<void(HWND)>& then = {})
    {
        HWND d = nullptr;
        std::string text;
        std::vector<step> steps{[&] {
            change(d = find_dialog("Options", IDC_DIFFICULTY));
            post_ok(d);
        }};
        if (box) {
            const std::vector<step> answer = answer_box(d, text);
            steps.insert(steps.end(), answer.begin(), answer.end());
        }
        if (then)
            steps.insert(steps.end(), {until([&] { return box_owned_by(d) == nullptr; }), [&] { then(d); }});
        with_dialog(hwnd_, IDM_OPTIONS, steps);
        return text;
    }

    HWND open_history()
    {
        return history_ =
                   CreateDialogParamA(g_hinst, MAKEINTRESOURCEA(IDD_HISTORY), nullptr, history_dlg_proc, 0);
    }

    UINT_PTR box_timer_ = 0;
    HWND history_ = nullptr;
};

// New Game and closing wait for the search's thread to end, and the nodes it made are gone.
TEST_F(Game, NewGameOrClosingAbandonsTheSearch)
{
    start_deep_search(1);
    EXPECT_TRUE(GetCursor() == g_busy_cursor && status_text(0) == pondering);
    new_game(2, B);
    EXPECT_EQ(node_alloc_live(), live_before_ + 1);
    EXPECT_NE(GetCursor(), g_busy_cursor);
    start_deep_search(0);
    PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_EQ(run_until_quit(), std::optional<int>(0));
    EXPECT_EQ(node_alloc_live(), live_before_ + 1);
}

// Each key in turn from the opening of a game for two: the position, the focus frame, the message part.
TEST_F(Game, KeysPlayFrameTakeBackAndCommand)
{
    new_game(2, B);
    const std::tuple<WPARAM, bool, int, int, const char*> rows[] = {
        {'1', false, 1, 12, your_turn}, // bin 0; the frame goes to the top row's first column
        {VK_LEFT, false, 1, 7, your_turn},   {VK_RIGHT, false, 1, 12, your_turn},
        {VK_RETURN, false, 2, 0, your_turn}, {VK_NUMPAD1, false, 3, 11, your_turn}, // skips empty 12
        {0, false, 3, -1, your_turn},        {VK_SPACE, false, 3, 11, your_turn},   // shown, not played
        {'Z', true, 2, 0, your_turn},        {'Y', true, 3, 11, your_turn},
        {'6', false, 4, 5, your_turn},       {'1', false, 4, 1, move_refused},
        {VK_F1, false, 4, 1, move_refused},  {'2' | repeated, false, 4, 1, move_refused},
        {VK_F2, false, 0, 0, your_turn},     {'Q', false, 0, 0, your_turn}};
    for (const auto& [vk, ctrl, level, frame, message] : rows) {
        key(vk, ctrl);
        EXPECT_EQ(std::make_tuple(g_current->level, g_focus_bin, status_text(0)),
                  std::make_tuple(level, frame, std::string(message)))
            << vk;
    }
    EXPECT_TRUE(g_help_wnd != nullptr && IsWindowVisible(g_help_wnd));
}

// A key that plays acts on the position its player saw: one pressed while the move before was being sown is
// dropped.
TEST_F(Game, AKeyTypedWhileAMoveIsSownIsDropped)
{
    g_anim_pause_ms = 20;
    new_game(2, B);
    PostMessageA(hwnd_, WM_KEYDOWN, '1', 1);
    PostMessageA(hwnd_, WM_KEYDOWN, '1', 1); // typed during the first one's sowing
    pump_pending();
    EXPECT_EQ(g_current->level, 1);
    key('1');
    EXPECT_EQ(g_current->level, 2);
}

// The answer names the bin and frames it for a while; a result that a click or New Game abandoned is dropped.
TEST_F(Game, AHintShowsTheComputersChoiceUnlessAClickOrNewGameCameFirst)
{
    g_difficulty = 3;
    new_game(2, T);
    key('H');
    ASSERT_TRUE(pump_until([] { return g_hint_bin >= 0; }));
    const int expected = opening_move(4, 3, {false, false});
    const std::string named = std::string("Hint: bin ") + bin_label[expected];
    EXPECT_EQ(std::make_pair(g_hint_bin, status_text(0)), std::make_pair(expected, named));
    EXPECT_TRUE(pump_until([] { return g_hint_bin < 0; }) && status_text(0) == named); // its time is up
    for (bool by_click : {true, false}) {
        g_threads = threads::held;
        key('H');
        ResumeThread(g_held);
        ASSERT_EQ(WaitForSingleObject(g_held, static_cast<DWORD>(wait_limit_ms)), WAIT_OBJECT_0);
        by_click ? click(8) : new_game(2, T); // its answer waits in the queue
        pump_pending();
        EXPECT_TRUE(g_hint_bin < 0 && !searching() && status_text(0) == your_turn &&
                    g_current->level == (by_click ? 1 : 0));
    }
}

using Settings = InTempDir;

// Over the same earlier values, which a missing key or a depth or stones count out of range keeps. A
// number too large for an int reads as INT_MAX or INT_MIN: the profile functions would wrap it round 2^32,
// some into range (4294967301 as 5, -4294967295 as 1, 4294967296 as 0).
TEST_F(Settings, ReadingKeepsWhatIsMissingOrOutOfRange)
{
    const option_values earlier{T, 0, 1, 0, 1, 1, 7, 6, 0}, kept{B, 0, 1, 0, 1, 1, 7, 6, 0};
    std::vector<std::pair<std::string, option_values>> rows = {
        {"", kept},
        {"[Options]\nPlayer2First=0\nAllowEmptyCaps=1\nRandomMoves=0\nSounds=1\nTooltips=0\nNumberPlayers=0\n"
         "NumbersStones=1\nDifficulty=" +
             std::to_string(MAX_SEARCH_DEPTH),
         {T, 1, 0, 1, 0, 0, MAX_SEARCH_DEPTH, 1, 0}},
        {"[OPTIONS]\r\n sounds = 5\r\nNUMBERPLAYERS=7\r\nDifficulty=3x\r\nTooltips=no\r\nNumbersStones=+8\n",
         {B, 0, 1, 5, 0, 7, 3, 8, 0}},
        {"[Other]\nDifficulty=1\n[Options]\nPlayer2First=-1\nRandomMoves=\nNumbersStones=\n", kept},
        {"[Options]\nDifficulty=-3\nNumbersStones=" + std::to_string(MIN_STONES - 1) + "\nNumberPlayers=-1\n",
         {B, 0, 1, 0, 1, -1, 7, 6, 0}},
        {"[Options]\nNumbersStones=" + std::to_string(MAX_STONES + 1) +
             "\nSounds=-4294967296\nDifficulty=" + std::to_string(MAX_SEARCH_DEPTH + 1),
         {B, 0, 1, INT_MIN, 1, 1, 7, 6, 0}},
    };
    for (const std::string n :
         {"4294967301", "-4294967295", "4294967296", "4294967295", "2147483648", "99999999999"})
        rows.push_back(
            {"[Options]\nDifficulty=" + n + "\nNumbersStones=" + n + "\nPlayer2First=" + n + "\n", kept});
    const std::string huge(100000, '9');
    rows.push_back({"[Options]\nDifficulty=" + huge + "\nSounds=" + huge + "\nNumberPlayers=" + huge + "\n",
                    {B, 0, 1, INT_MAX, 1, INT_MAX, 7, 6, 0}});
    for (const auto& [file, expected] : rows) {
        DeleteFileA(settings_path);
        if (!file.empty())
            write_file(settings_path, file);
        set_values(earlier);
        read_options();
        EXPECT_TRUE(!file.empty() || dir_is_empty()) << "reading writes nothing";
        g_random_seed = 0;
        EXPECT_EQ(current_values(), expected) << file.substr(0, 200);
    }
}

// The eight keys as the file holds them, in the order they are written.
std::vector<int> saved()
{
    std::vector<int> values;
    for (const char* key : {"Player2First", "AllowEmptyCaps", "RandomMoves", "Sounds", "Tooltips",
                            "NumberPlayers", "Difficulty", "NumbersStones"})
        values.push_back(static_cast<int>(GetPrivateProfileIntA("Options", key, -1, settings_path)));
    return values;
}

// A disk with room for `g_room` bytes of the file: each write is cut there, though reported done.
std::uintmax_t g_room;
BOOL WINAPI write_cut_short(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file)
{
    const BOOL done = WritePrivateProfileStringA(section, key, value, file);
    if (std::error_code e; std::filesystem::file_size(file, e) > g_room)
        std::filesystem::resize_file(file, g_room, e);
    return done;
}

// On a disk that fills the file stays the old one, nothing else left beside it; given room, the keys and
// sections that are not ours stay too.
TEST_F(Settings, AWriteCutShortKeepsTheOldFileWhole)
{
    const std::string old = "[Other]\r\nName=kept\r\n[Options]\r\nDifficulty=5\r\nExtra=1\r\n";
    write_file(settings_path, old);
    set_values({T, 1, 0, 1, 1, 2, 9, 3, 0});
    for (std::uintmax_t room : {0, 40, 60, 120}) {
        g_room = room, g_write_profile = write_cut_short;
        EXPECT_FALSE(write_options()) << room;
        g_write_profile = WritePrivateProfileStringA;
        EXPECT_EQ(read_file(settings_path), old) << room;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1) << room;
    }
    EXPECT_TRUE(write_options());
    const std::string now = read_file(settings_path);
    EXPECT_TRUE(now.starts_with("[Other]\r\nName=kept\r\n") && now.find("\nExtra=1\r\n") != now.npos) << now;
    EXPECT_EQ(saved(), (std::vector<int>{0, 1, 0, 1, 1, 2, 9, 3}));
}

const int flag_ids[] = {IDC_FIRST_TURN, IDC_EMPTY_CAPS, IDC_RANDOM_MOVES, IDC_SOUNDS, IDC_TOOLTIPS};

TEST_F(Game, OptionsOkStoresAndWritesEachControl)
{
    write_file(settings_path,
               "[Options]\r\nPlayer2First=0\r\nSounds=5\r\nNumberPlayers=7\r\nDifficulty=7\r\n");
    read_options();
    ok_after([&](HWND d) {
        EXPECT_TRUE(GetWindow(d, GW_OWNER) == nullptr && IsWindowEnabled(hwnd_))
            << "the game goes on meanwhile";
    });
    EXPECT_EQ(saved(), (std::vector<int>{0, 0, 0, 1, 1, 2, 7, 4}));
    // Each control goes to its own key, and only there.
    const int radios[] = {IDC_PLAYERS_0, IDC_PLAYERS_1, IDC_PLAYERS_2};
    for (int k = 0; k < 5; ++k) {
        std::vector<int> expected = saved();
        expected[k] = !expected[k];
        expected[5] = k % 3;
        ok_after([&](HWND d) {
            ::click(d, flag_ids[k]);
            ::click(d, radios[k % 3]);
        });
        EXPECT_EQ(saved(), expected) << k;
    }
    ok_after([](HWND d) {
        SetDlgItemTextA(d, IDC_DIFFICULTY, std::to_string(MAX_SEARCH_DEPTH).c_str());
        SetDlgItemTextA(d, IDC_NUM_STONES, "8");
    });
    EXPECT_EQ(saved(), (std::vector<int>{1, 1, 1, 0, 0, 1, MAX_SEARCH_DEPTH, 8}));
}

// Nothing changes then, and Cancel leaves every value and the file as they were. A file that cannot be
// written is reported, while the values still apply for this run.
TEST_F(Game, OkRefusesValuesOutOfRangeAndReportsSettingsThatCannotBeSaved)
{
    const option_values before = current_values();
    const std::pair<int, std::string> cases[] = {{IDC_NUM_STONES, std::to_string(MIN_STONES - 1)},
                                                 {IDC_NUM_STONES, "no"},
                                                 {IDC_DIFFICULTY, std::to_string(MAX_SEARCH_DEPTH + 1)},
                                                 {IDC_DIFFICULTY, "4294967296"}};
    for (const auto& [field, text] : cases) {
        const auto change = [&](HWND d) {
            ::click(d, IDC_SOUNDS);
            SetDlgItemTextA(d, field, text.c_str());
        };
        ok_after(change, true, [&](HWND d) {
            EXPECT_EQ(GetFocus(), GetDlgItem(d, field)) << text;
            press_escape(d);
        });
        EXPECT_EQ(current_values(), before) << text;
        EXPECT_FALSE(file_exists(settings_path)) << text;
    }
    ASSERT_TRUE(CreateDirectoryA(settings_path, nullptr));
    const std::string box = ok_after([](HWND d) { SetDlgItemTextA(d, IDC_DIFFICULTY, "3"); }, true);
    char path[MAX_PATH];
    GetFullPathNameA(settings_path, MAX_PATH, path, nullptr);
    EXPECT_NE(box.find(path), std::string::npos) << box;
    EXPECT_EQ(g_difficulty, 3);
}

// Each pace item marks itself and saves its key at once, keeping the rest of the file, which Options OK
// leaves alone; a file that cannot be written is reported in a box owned by the main window, and the pace
// applies.
TEST_F(Game, PaceItemsMarkAndSaveThePaceAtOnce)
{
    const std::string old = "[Other]\r\nName=kept\r\n[Options]\r\nSounds=1\r\n";
    write_file(settings_path, old);
    for (const auto& [id, pace] :
         {std::pair{UINT(IDM_PACE_FAST), 1}, {UINT(IDM_PACE_INSTANT), 0}, {UINT(IDM_PACE_NORMAL), 2}}) {
        SendMessageA(hwnd_, WM_COMMAND, id, 0);
        EXPECT_EQ(g_animation_speed, pace);
        for (const UINT item : {IDM_PACE_NORMAL, IDM_PACE_FAST, IDM_PACE_INSTANT})
            EXPECT_EQ((GetMenuState(GetMenu(hwnd_), item, MF_BYCOMMAND) & MF_CHECKED) != 0, item == id) << id;
        EXPECT_EQ(read_file(settings_path), old + "AnimationSpeed=" + std::to_string(pace) + "\r\n");
    }
    EXPECT_TRUE(write_options());
    EXPECT_NE(read_file(settings_path).find("\r\nAnimationSpeed=2\r\n"), std::string::npos);
    ASSERT_TRUE(DeleteFileA(settings_path) && CreateDirectoryA(settings_path, nullptr));
    std::string box;
    with_dialog(hwnd_, IDM_PACE_FAST, answer_box(hwnd_, box));
    EXPECT_NE(box.find("could not be saved"), std::string::npos) << box;
    EXPECT_EQ(g_animation_speed, PACE_FAST);
    RemoveDirectoryA(settings_path);
    // Read back: any other value, or none, is the Normal pace.
    const std::string lines[] = {
        "AnimationSpeed=0",  "animationspeed = 1",         "AnimationSpeed=3",           "AnimationSpeed=x",
        "AnimationSpeed=-1", "AnimationSpeed=-2147483648", "AnimationSpeed=-99999999999"};
    for (int k = 0; k < 7; ++k) {
        write_file(settings_path, "[Options]\r\n" + lines[k] + "\r\n");
        g_animation_speed = PACE_FAST;
        read_options();
        EXPECT_EQ(g_animation_speed, std::min(k, 2)) << lines[k];
    }
}

// The Game menu's Undo, Redo and Hint do what their keys do; the mark follows the last move, the computer's
// too. The program starts asking for a new game.
TEST_F(Game, TheLastMoveIsMarkedAndTheGameMenuActsAsItsKeys)
{
    const auto command = [&](UINT id) { SendMessageA(hwnd_, WM_COMMAND, id, 0), pump_pending(); };
    EXPECT_EQ(status_text(0), new_game_prompt) << "the program's start";
    new_game(2, B);
    click(1), click(9);
    command(IDM_UNDO);
    EXPECT_TRUE(g_last_move_bin == 1 && g_current->level == 1);
    command(IDM_REDO);
    EXPECT_TRUE(g_last_move_bin == 9 && g_current->level == 2);
    command(IDM_HINT);
    ASSERT_TRUE(pump_until([] { return g_hint_bin >= 0; }));
    new_game(1, T);
    ASSERT_TRUE(pump_until(person_to_move));
    EXPECT_EQ(g_last_move_bin, g_current->move) << "the computer's move";
}

void set_clipboard(const std::string& text)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() && SetClipboardData(CF_TEXT, memory));
    CloseClipboard();
}

// A game between two people copied, then pasted over a new game, and saved and opened through the file
// dialogs: the same counts, status, History and mark, and undo goes back move by move to the opening. The
// record's rule holds for its game, and New Game brings back the player's. A hostile record, pasted or in a
// file, is refused in a box naming its line, and nothing changes, nor the settings file.
TEST_F(Game, ARecordCopiedPastedSavedAndOpenedBringsBackTheGame)
{
    ShowWindow(open_history(), SW_SHOWNA); // a hidden dialog would hold up the steps below
    std::mt19937 rng(4);
    const auto play = [&](int moves) {
        for (int i = 0; i < moves && !game_over(g_current); ++i) {
            click(bin_from(static_cast<int>(rng() % 6)));
        }
    };
    new_game(2, T);
    const std::string opening = shown_game();
    play(15);
    const std::string game = shown_game();
    const int level = g_current->level;
    key('C', true);
    save_game_as(hwnd_, "saved.kiv"); // what the Save dialog's file name does
    const std::string record = read_file("saved.kiv");
    ASSERT_EQ(record.rfind("[Game \"wKivari\"]\r\n", 0), 0u) << record;
    for (const bool from_file : {false, true}) {
        new_game(2, B);
        if (from_file)
            open_game_path(hwnd_, "saved.kiv");
        else
            key('V', true);
        EXPECT_EQ(shown_game(), game) << (from_file ? "opened" : "pasted");
        int undone = 0;
        for (; g_current != g_root && undone <= level; ++undone)
            key('Z', true);
        EXPECT_EQ(undone, level);
        EXPECT_EQ(shown_game(), opening);
    }

    // The rule of the record holds for its game only: Options shows and saves the player's own, and OK with
    // the box as shown leaves the record's rule to its game. Checked, it is the player's from then on.
    std::string caps = record;
    caps.replace(caps.find("[EmptyCaptures \"0\"]"), 19, "[EmptyCaptures \"1\"]");
    set_clipboard(caps);
    const auto caps_box = [&](bool check) {
        bool shown = true;
        ok_after([&](HWND d) {
            shown = IsDlgButtonChecked(d, IDC_EMPTY_CAPS) == BST_CHECKED;
            if (check)
                ::click(d, IDC_EMPTY_CAPS);
        });
        return std::to_string(shown) +
               std::to_string(GetPrivateProfileIntA("Options", "AllowEmptyCaps", -1, settings_path));
    };
    for (const bool check : {false, true}) {
        key('V', true);
        EXPECT_EQ(g_allow_empty_caps, 1);
        EXPECT_EQ(caps_box(check), check ? "01" : "00");
        EXPECT_EQ(g_allow_empty_caps, 1) << "the game keeps its rule";
        new_game(2, B);
        EXPECT_EQ(g_allow_empty_caps, check ? 1 : 0);
    }
    g_allow_empty_caps = 0;

    // Refused records, their fault first or after the record's legal moves, pasted or opened over a game in
    // progress with moves taken back: the box names the line, and the board, History, status, the moves undo
    // and redo reach and the settings file stay.
    const std::pair<std::string, std::string> bad[] = {
        {"[Stones \"4\"]\n[EmptyCaptures \"0\"]\n[First \"Player 2\"]\nPlayer 1: 3\n",
         "line 4: Player 1 is not to move"},
        {record + "Player 2: 7\r\n", "line " +
                                         std::to_string(std::count(record.begin(), record.end(), '\n') + 1) +
                                         ": there is no bin 7: the bins are 1 to 6"}};
    play(8);
    key('Z', true), key('Z', true);
    const auto line_of_play = [] {
        std::string moves;
        for (const node* p = g_current; p != g_root; p = p->parent)
            moves = std::to_string(p->move) + " " + moves;
        for (const node* p = g_current->first_child; p != nullptr; p = p->first_child)
            moves += "|" + std::to_string(p->move);
        return moves;
    };
    const std::string before = shown_game() + line_of_play(), settings = read_file(settings_path);
    for (const auto& [text, fault] : bad)
        for (const bool from_file : {false, true}) {
            write_file("bad.kiv", text);
            set_clipboard(text);
            std::string told;
            with_dialog([&] { from_file ? open_game_path(hwnd_, "bad.kiv") : paste_game(hwnd_); },
                        answer_box(hwnd_, told));
            EXPECT_NE(told.find(":\n" + fault + "."), std::string::npos) << told;
            EXPECT_NE(told.find(from_file ? "bad.kiv" : "The clipboard"), std::string::npos) << told;
            EXPECT_EQ(shown_game() + line_of_play(), before) << fault;
        }
    EXPECT_EQ(read_file(settings_path), settings);
}

// The file names in `folder`, sorted.
std::vector<std::string> files_in(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Writes half and then fails, as a full disk does.
BOOL WINAPI write_half(HANDLE file, LPCVOID data, DWORD size, LPDWORD wrote, LPOVERLAPPED)
{
    WriteFile(file, data, size / 2, wrote, nullptr);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

// A game saves wherever it opens from, paths of 254 to 259 characters too, and replaces the old record in
// one step: a save that fails leaves the old one byte for byte and nothing of its own, and says so. Files
// under the names a save writes into first are never touched.
TEST_F(Game, ASaveReplacesTheOldRecordWholeOrNotAtAll)
{
    new_game(2, B);
    for (const int bin : {2, 9, 1})
        click(bin);
    char cwd[MAX_PATH];
    ASSERT_NE(GetFullPathNameA(".", MAX_PATH, cwd, nullptr), 0u);
    std::vector<std::string> folders{std::string(cwd) + "\\saves"};
    while (folders.back().size() < 200)
        folders.push_back(folders.back() + "\\" + std::string(40, 'd'));
    for (const std::string& f : folders)
        ASSERT_TRUE(CreateDirectoryA(f.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << f;
    const std::string folder = folders.back();
    write_file(folder + "\\~0000", "someone's");
    const std::string game = shown_game();
    std::string path;
    static std::string refused;
    const UINT_PTR box_timer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) {
        if (HWND box = find_dialog("Save Game") ? find_dialog("Save Game") : find_dialog("Open Game")) {
            refused += message_text(box);
            SendMessageA(box, WM_COMMAND, IDOK, 0);
        }
    });
    for (std::size_t length = 254; length < MAX_PATH; ++length) {
        path = folder + "\\" + std::string(length - folder.size() - 5, 'g') + ".kiv";
        save_game_as(hwnd_, path);
        ASSERT_EQ(refused, "") << length;
        EXPECT_EQ(read_file(path).rfind("[Game \"wKivari\"]\r\n", 0), 0u) << length;
        new_game(2, B);
        open_game_path(hwnd_, path);
        EXPECT_EQ(shown_game(), game) << length;
    }
    KillTimer(nullptr, box_timer);
    const std::vector<std::string> names = files_in(folder);
    EXPECT_EQ(names.size(), 1 + MAX_PATH - 254u) << "the planted file and one record a length";
    EXPECT_EQ(read_file(folder + "\\~0000"), "someone's");

    const std::string old = read_file(path);
    click(3); // another game to save over it
    g_write_file = write_half;
    std::string told;
    with_dialog([&] { save_game_as(hwnd_, path); }, answer_box(hwnd_, told));
    g_write_file = WriteFile;
    EXPECT_EQ(told, "The game could not be saved as " + path + ".");
    EXPECT_EQ(read_file(path), old);
    EXPECT_EQ(files_in(folder), names);
    for (const std::string& name : names)
        DeleteFileA((folder + "\\" + name).c_str());
    for (auto f = folders.rbegin(); f != folders.rend(); ++f)
        RemoveDirectoryA(f->c_str());
}

} // namespace
