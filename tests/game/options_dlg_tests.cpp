// Tests of the Options dialog, opened through the real menu command of the real main window
// in a fresh directory per test: what it shows, what OK stores and writes, what Cancel keeps,
// the values it refuses, and the game going on while it is open.
#include "game/controller.h"

#include "board/board.h"
#include "engine/engine.h"
#include "engine/node_alloc.h"
#include "game/options.h"
#include "resources/resource.h"
#include "shell/shell.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Backstop for anything that waits on Wine or on a search: a fault fails the
// test instead of hanging it. No test measures time.
constexpr ULONGLONG wait_limit_ms = 30000;

const char ini_name[] = "kivari.ini";

const char *const option_keys[8] = {
    "Player2First", "AllowEmptyCaps", "RandomMoves", "Sounds",
    "Tooltips", "NumberPlayers", "Difficulty", "NumbersStones",
};

bool class_registered()
{
    static const bool registered = register_main_class(GetModuleHandleA(nullptr)) != 0;
    return registered;
}

void pump_pending()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::string status_text(int part)
{
    const LRESULT length = SendMessageA(g_status_bar, SB_GETTEXTLENGTHA, part, 0);
    std::string text(LOWORD(length) + 1, '\0');
    SendMessageA(g_status_bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(length));
    return text;
}

// ---- the settings file ---------------------------------------------------------------

bool ini_exists()
{
    return GetFileAttributesA(ini_name) != INVALID_FILE_ATTRIBUTES;
}

std::string read_ini()
{
    std::ifstream in(ini_name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_ini(const std::string &text)
{
    std::ofstream(ini_name, std::ios::binary) << text;
}

std::vector<std::string> ini_lines()
{
    std::vector<std::string> lines;
    std::istringstream in(read_ini());
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The "key=value" lines of section Options, in file order.
std::vector<std::string> options_section()
{
    std::vector<std::string> section;
    bool inside = false;
    for (const std::string &line : ini_lines()) {
        if (!line.empty() && line[0] == '[')
            inside = line == "[Options]";
        else if (inside && !line.empty())
            section.push_back(line);
    }
    return section;
}

// The eight lines write_options makes, from the values given in key order.
std::vector<std::string> eight_keys(const std::vector<int> &values)
{
    std::vector<std::string> lines;
    for (size_t i = 0; i < 8; ++i)
        lines.push_back(std::string(option_keys[i]) + "=" + std::to_string(values[i]));
    return lines;
}

// ---- the option globals ---------------------------------------------------------------

struct option_values {
    int first_turn, allow_empty_caps, random_moves, sounds, tooltips,
        num_players, difficulty, num_stones, random_seed;
    bool operator==(const option_values &) const = default;
};

std::ostream &operator<<(std::ostream &out, const option_values &v)
{
    return out << "{first " << v.first_turn << ", empty caps " << v.allow_empty_caps
               << ", random " << v.random_moves << ", sounds " << v.sounds
               << ", tooltips " << v.tooltips << ", players " << v.num_players
               << ", depth " << v.difficulty << ", stones " << v.num_stones
               << ", seed " << v.random_seed << "}";
}

option_values current_values()
{
    return {g_first_turn, g_allow_empty_caps, g_random_moves, g_sounds, g_tooltips,
            g_num_players, g_difficulty, g_num_stones, g_random_seed};
}

void set_values(const option_values &v)
{
    g_first_turn = v.first_turn;
    g_allow_empty_caps = v.allow_empty_caps;
    g_random_moves = v.random_moves;
    g_sounds = v.sounds;
    g_tooltips = v.tooltips;
    g_num_players = v.num_players;
    g_difficulty = v.difficulty;
    g_num_stones = v.num_stones;
    g_random_seed = v.random_seed;
}

// ---- acting inside a modal loop ---------------------------------------------------------
// DialogBoxParam does not return until its dialog ends, so what a test does
// while the dialog is open runs from a thread timer: one step per tick, in
// whatever modal loop is running at the time (a message box's included). A
// step that opens a message box must post, not send, so that it returns and
// the next step can answer the box.

std::deque<std::function<void()>> pending_steps;
bool in_step = false;
ULONGLONG script_deadline = 0;

bool is_dialog_class(HWND hwnd)
{
    char name[16] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return std::string(name) == "#32770";
}

BOOL CALLBACK end_dialog_of_thread(HWND hwnd, LPARAM)
{
    if (is_dialog_class(hwnd))
        EndDialog(hwnd, 0);
    return TRUE;
}

BOOL CALLBACK find_hidden_dialog(HWND hwnd, LPARAM param)
{
    if (is_dialog_class(hwnd) && !IsWindowVisible(hwnd)) {
        *reinterpret_cast<bool *>(param) = true;
        return FALSE;
    }
    return TRUE;
}

// A modal dialog shows itself only once its loop first finds the queue
// empty; a timer message can come before that.
bool a_dialog_is_not_shown_yet()
{
    bool hidden = false;
    EnumThreadWindows(GetCurrentThreadId(), find_hidden_dialog, reinterpret_cast<LPARAM>(&hidden));
    return hidden;
}

void CALLBACK run_next_step(HWND, UINT, UINT_PTR, DWORD)
{
    if (in_step)
        return;
    if (a_dialog_is_not_shown_yet() && GetTickCount64() <= script_deadline)
        return;
    if (GetTickCount64() > script_deadline || pending_steps.empty()) {
        ADD_FAILURE() << (pending_steps.empty() ? "a dialog stayed open after the last step"
                                                : "the steps did not finish in time");
        pending_steps.clear();
        EnumThreadWindows(GetCurrentThreadId(), end_dialog_of_thread, 0);
        return;
    }
    std::function<void()> step = std::move(pending_steps.front());
    pending_steps.pop_front();
    in_step = true;
    step();
    in_step = false;
}

// A step that waits: it is tried again at the next tick until `ready` holds.
std::function<void()> until(std::function<bool()> ready)
{
    return [ready] {
        if (!ready())
            pending_steps.push_front(until(ready));
    };
}

// Sends the Options command to the main window and runs `steps` while the
// dialog is open; the last step must close it.
void with_options(HWND main, std::vector<std::function<void()>> steps)
{
    pending_steps.assign(steps.begin(), steps.end());
    script_deadline = GetTickCount64() + wait_limit_ms;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, run_next_step);
    ASSERT_NE(timer, 0u);
    SendMessageA(main, WM_COMMAND, IDM_OPTIONS, 0);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(pending_steps.empty()) << "the dialog closed before its last step";
    pending_steps.clear();
    pump_pending();
}

BOOL CALLBACK find_options_dialog(HWND hwnd, LPARAM param)
{
    if (is_dialog_class(hwnd) && IsWindowVisible(hwnd) && GetDlgItem(hwnd, IDC_DIFFICULTY) != nullptr) {
        *reinterpret_cast<HWND *>(param) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// This thread's open Options dialog (its message box is told apart by its controls).
HWND options_dialog()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), find_options_dialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct owned_search {
    HWND owner;
    HWND found;
};

BOOL CALLBACK find_owned_box(HWND hwnd, LPARAM param)
{
    auto *search = reinterpret_cast<owned_search *>(param);
    if (is_dialog_class(hwnd) && IsWindowVisible(hwnd) && GetWindow(hwnd, GW_OWNER) == search->owner) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The visible dialog-class window owned by `owner` (a message box), or null.
HWND box_owned_by(HWND owner)
{
    owned_search search{owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), find_owned_box, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string item_text(HWND dlg, int id)
{
    char text[64] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

bool is_checked(HWND dlg, int id)
{
    return IsDlgButtonChecked(dlg, id) == BST_CHECKED;
}

// A click on a button as the user makes it; an automatic box toggles, an
// automatic radio button is chosen.
void click(HWND dlg, int id)
{
    SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}

// What the OK button sends when clicked; posted, so that a message box it
// opens runs its loop after the current step.
void post_ok(HWND dlg)
{
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
}

// Client point at the middle of a playing bin's cell.
LPARAM bin_point(int bin)
{
    const int column = bin < 6 ? bin + 1 : 13 - bin;
    const int row = bin < 6 ? 1 : 0;
    return MAKELPARAM(column * 72 + 36, row * 105 + 52);
}

// ---- the main window, made fresh for each test ------------------------------------------

class Options : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The values the program starts with, before any test changed them.
        static const option_values initial = current_values();
        initial_ = initial;
        char temp[MAX_PATH], here[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, here), 0u);
        saved_dir_ = here;
        static int counter;
        dir_ = std::string(temp) + "kivari-options-dlg-" + std::to_string(GetCurrentProcessId()) +
               "-" + std::to_string(++counter);
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
        ASSERT_TRUE(SetCurrentDirectoryA(dir_.c_str())) << dir_;
        set_values(initial_);
        ASSERT_TRUE(class_registered());
        g_anim_pause_ms = 0;
        live_before_ = node_alloc_live();
    }

    // Separate from SetUp so that a test can write the settings file first.
    void open_main_window()
    {
        started_ = static_cast<int>(std::time(nullptr));
        hwnd_ = create_main_window(SW_SHOWNORMAL);
        ASSERT_NE(hwnd_, nullptr);
        pump_pending();
        ASSERT_NE(g_root, nullptr);
    }

    void TearDown() override
    {
        if (hwnd_ != nullptr && IsWindow(hwnd_))
            DestroyWindow(hwnd_);
        pump_pending();
        // Each test's window made a root of its own; the program would keep it.
        if (g_root != nullptr) {
            free_game();
            delete_node(g_root);
        }
        g_root = g_current = nullptr;
        EXPECT_EQ(node_alloc_live(), live_before_);
        set_values(initial_);
        SetCurrentDirectoryA(saved_dir_.c_str());
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    HWND hwnd_ = nullptr;
    int started_ = 0;
    option_values initial_{};
    std::string dir_, saved_dir_;
    long live_before_ = 0;
};

// ---- opening ----------------------------------------------------------------------------

using OptionsOpening = Options;

TEST_F(OptionsOpening, HasNoOwnerAndIsCentredOverTheMainWindow)
{
    open_main_window();
    SetWindowPos(hwnd_, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT main{};
    GetWindowRect(hwnd_, &main);
    with_options(hwnd_, {[&] {
                     HWND dlg = options_dialog();
                     ASSERT_NE(dlg, nullptr);
                     char caption[32] = "";
                     GetWindowTextA(dlg, caption, sizeof caption);
                     EXPECT_STREQ(caption, "Options");
                     EXPECT_EQ(GetWindow(dlg, GW_OWNER), nullptr);
                     EXPECT_TRUE(IsWindowEnabled(hwnd_));
                     RECT r{};
                     GetWindowRect(dlg, &r);
                     EXPECT_EQ(r.left, main.left + (main.right - main.left - (r.right - r.left)) / 2);
                     EXPECT_EQ(r.top, main.top + (main.bottom - main.top - (r.bottom - r.top)) / 2);
                     SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
                 }});
}

// ---- what it shows ----------------------------------------------------------------------

using OptionsShown = Options;

TEST_F(OptionsShown, TheDefaultsWithoutAFile)
{
    open_main_window();
    with_options(hwnd_, {[&] {
                     HWND dlg = options_dialog();
                     ASSERT_NE(dlg, nullptr);
                     EXPECT_EQ(item_text(dlg, IDC_DIFFICULTY), "5");
                     EXPECT_EQ(item_text(dlg, IDC_NUM_STONES), "4");
                     EXPECT_EQ(item_text(dlg, IDC_RANDOM_SEED), std::to_string(g_random_seed));
                     EXPECT_TRUE(is_checked(dlg, IDC_FIRST_TURN));
                     EXPECT_FALSE(is_checked(dlg, IDC_EMPTY_CAPS));
                     EXPECT_FALSE(is_checked(dlg, IDC_RANDOM_MOVES));
                     EXPECT_FALSE(is_checked(dlg, IDC_SOUNDS));
                     EXPECT_TRUE(is_checked(dlg, IDC_TOOLTIPS));
                     EXPECT_FALSE(is_checked(dlg, IDC_PLAYERS_0));
                     EXPECT_TRUE(is_checked(dlg, IDC_PLAYERS_1));
                     EXPECT_FALSE(is_checked(dlg, IDC_PLAYERS_2));
                     SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
                 }});
    EXPECT_FALSE(ini_exists());
}

TEST_F(OptionsShown, EachValueFromTheFileInItsOwnControl)
{
    write_ini("[Options]\r\nPlayer2First=0\r\nAllowEmptyCaps=1\r\nRandomMoves=1\r\nSounds=1\r\n"
              "Tooltips=0\r\nNumberPlayers=0\r\nDifficulty=7\r\nNumbersStones=6\r\n");
    open_main_window();
    with_options(hwnd_, {[&] {
                     HWND dlg = options_dialog();
                     ASSERT_NE(dlg, nullptr);
                     EXPECT_EQ(item_text(dlg, IDC_DIFFICULTY), "7");
                     EXPECT_EQ(item_text(dlg, IDC_NUM_STONES), "6");
                     EXPECT_FALSE(is_checked(dlg, IDC_FIRST_TURN));
                     EXPECT_TRUE(is_checked(dlg, IDC_EMPTY_CAPS));
                     EXPECT_TRUE(is_checked(dlg, IDC_RANDOM_MOVES));
                     EXPECT_TRUE(is_checked(dlg, IDC_SOUNDS));
                     EXPECT_FALSE(is_checked(dlg, IDC_TOOLTIPS));
                     EXPECT_TRUE(is_checked(dlg, IDC_PLAYERS_0));
                     EXPECT_FALSE(is_checked(dlg, IDC_PLAYERS_1));
                     EXPECT_FALSE(is_checked(dlg, IDC_PLAYERS_2));
                     SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
                 }});
}

TEST_F(OptionsShown, AFlagOfFiveIsCheckedAndOkWritesOne)
{
    write_ini("[Options]\r\nSounds=5\r\n");
    open_main_window();
    ASSERT_EQ(g_sounds, 5);
    with_options(hwnd_, {[&] {
                     HWND dlg = options_dialog();
                     ASSERT_NE(dlg, nullptr);
                     EXPECT_TRUE(is_checked(dlg, IDC_SOUNDS));
                     post_ok(dlg);
                 }});
    EXPECT_EQ(g_sounds, 1);
    EXPECT_EQ(GetPrivateProfileIntA("Options", "Sounds", -1, ".\\kivari.ini"), 1);
}

TEST_F(OptionsShown, SevenPlayersSelectsTwoPeopleAndOkWritesTwo)
{
    write_ini("[Options]\r\nNumberPlayers=7\r\n");
    open_main_window();
    ASSERT_EQ(g_num_players, 7);
    with_options(hwnd_, {[&] {
                     HWND dlg = options_dialog();
                     ASSERT_NE(dlg, nullptr);
                     EXPECT_TRUE(is_checked(dlg, IDC_PLAYERS_2));
                     EXPECT_FALSE(is_checked(dlg, IDC_PLAYERS_1));
                     EXPECT_FALSE(is_checked(dlg, IDC_PLAYERS_0));
                     post_ok(dlg);
                 }});
    EXPECT_EQ(g_num_players, 2);
    EXPECT_EQ(GetPrivateProfileIntA("Options", "NumberPlayers", -1, ".\\kivari.ini"), 2);
}

// ---- OK -------------------------------------------------------------------------------

using OptionsOk = Options;

TEST_F(OptionsOk, StoresEveryControlInItsOwnGlobalAndWritesIt)
{
    open_main_window();
    const int seed = g_random_seed;
    with_options(hwnd_, {[&] {
                     HWND dlg = options_dialog();
                     ASSERT_NE(dlg, nullptr);
                     SetDlgItemTextA(dlg, IDC_DIFFICULTY, "3");
                     SetDlgItemTextA(dlg, IDC_NUM_STONES, "7");
                     for (int id : {IDC_FIRST_TURN, IDC_EMPTY_CAPS, IDC_RANDOM_MOVES, IDC_SOUNDS,
                                    IDC_TOOLTIPS})
                         click(dlg, id);
                     click(dlg, IDC_PLAYERS_0);
                     EXPECT_FALSE(is_checked(dlg, IDC_PLAYERS_1));
                     post_ok(dlg);
                 }});
    EXPECT_EQ(current_values(), (option_values{13, 1, 1, 1, 0, 0, 3, 7, seed}));
    EXPECT_EQ(options_section(), eight_keys({0, 1, 1, 1, 0, 0, 3, 7}));

    // And back: each flag off, the other radio buttons.
    for (int players : {IDC_PLAYERS_1, IDC_PLAYERS_2}) {
        with_options(hwnd_, {[&] {
                         HWND dlg = options_dialog();
                         ASSERT_NE(dlg, nullptr);
                         EXPECT_EQ(item_text(dlg, IDC_DIFFICULTY), "3");
                         EXPECT_EQ(item_text(dlg, IDC_NUM_STONES), "7");
                         EXPECT_TRUE(is_checked(dlg, IDC_SOUNDS));
                         click(dlg, players);
                         post_ok(dlg);
                     }});
        EXPECT_EQ(g_num_players, players == IDC_PLAYERS_1 ? 1 : 2);
    }
    with_options(hwnd_, {[&] {
                     HWND dlg = options_dialog();
                     for (int id : {IDC_FIRST_TURN, IDC_EMPTY_CAPS, IDC_RANDOM_MOVES, IDC_SOUNDS,
                                    IDC_TOOLTIPS})
                         click(dlg, id);
                     post_ok(dlg);
                 }});
    EXPECT_EQ(current_values(), (option_values{6, 0, 0, 0, 1, 2, 3, 7, seed}));
    EXPECT_EQ(options_section(), eight_keys({1, 0, 0, 0, 1, 2, 3, 7}));
}

TEST_F(OptionsOk, RewritesAllEightKeysAndKeepsEveryOtherLine)
{
    write_ini("; kept as it is\r\n[Display]\r\nColour=blue\r\n[Options]\r\nDifficulty=2\r\n"
              "Favourite=9\r\nSounds=0\r\n[Later]\r\nNote=also kept\r\n");
    open_main_window();
    with_options(hwnd_, {[&] { post_ok(options_dialog()); }});
    const std::vector<std::string> lines = ini_lines();
    for (const char *kept : {"; kept as it is", "[Display]", "Colour=blue", "[Options]",
                             "Favourite=9", "[Later]", "Note=also kept"})
        EXPECT_EQ(std::count(lines.begin(), lines.end(), kept), 1) << kept;
    std::vector<std::string> section = options_section();
    section.erase(std::remove(section.begin(), section.end(), "Favourite=9"), section.end());
    std::sort(section.begin(), section.end());
    std::vector<std::string> expected = eight_keys({1, 0, 0, 0, 1, 1, 2, 4});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(section, expected);
    // Nothing was changed, so the globals are what the file gave.
    EXPECT_EQ(g_difficulty, 2);
}

TEST_F(OptionsOk, LettersInTheDifficultyGiveZero)
{
    open_main_window();
    with_options(hwnd_, {[&] {
                     HWND dlg = options_dialog();
                     SetDlgItemTextA(dlg, IDC_DIFFICULTY, "hard");
                     post_ok(dlg);
                 }});
    EXPECT_EQ(g_difficulty, 0);
    EXPECT_EQ(GetPrivateProfileIntA("Options", "Difficulty", -1, ".\\kivari.ini"), 0);
}

TEST_F(OptionsOk, TheLimitsThemselvesAreAccepted)
{
    open_main_window();
    struct row {
        const char *difficulty, *stones;
        int expected_difficulty, expected_stones;
    };
    const std::string bound = std::to_string(MAX_SEARCH_DEPTH);
    for (const row &r : {row{"0", "1", 0, 1}, row{bound.c_str(), "8", MAX_SEARCH_DEPTH, 8}}) {
        with_options(hwnd_, {[&] {
                         HWND dlg = options_dialog();
                         SetDlgItemTextA(dlg, IDC_DIFFICULTY, r.difficulty);
                         SetDlgItemTextA(dlg, IDC_NUM_STONES, r.stones);
                         post_ok(dlg);
                     }});
        EXPECT_EQ(g_difficulty, r.expected_difficulty) << r.difficulty;
        EXPECT_EQ(g_num_stones, r.expected_stones) << r.stones;
        EXPECT_EQ(GetPrivateProfileIntA("Options", "Difficulty", -1, ".\\kivari.ini"),
                  r.expected_difficulty);
        EXPECT_EQ(GetPrivateProfileIntA("Options", "NumbersStones", -1, ".\\kivari.ini"),
                  r.expected_stones);
    }
}

// ---- the random seed --------------------------------------------------------------------

using OptionsSeed = Options;

TEST_F(OptionsSeed, ShowsTheStartUpTimeKeepsATypedValueAndIsNeverWritten)
{
    open_main_window();
    const int after = static_cast<int>(std::time(nullptr));
    EXPECT_GE(g_random_seed, started_);
    EXPECT_LE(g_random_seed, after);
    with_options(hwnd_, {[&] {
                     HWND dlg = options_dialog();
                     EXPECT_EQ(item_text(dlg, IDC_RANDOM_SEED), std::to_string(g_random_seed));
                     SetDlgItemTextA(dlg, IDC_RANDOM_SEED, "12345");
                     post_ok(dlg);
                 }});
    EXPECT_EQ(g_random_seed, 12345);
    with_options(hwnd_, {[&] {
                     HWND dlg = options_dialog();
                     EXPECT_EQ(item_text(dlg, IDC_RANDOM_SEED), "12345");
                     post_ok(dlg);
                 }});
    EXPECT_EQ(g_random_seed, 12345);
    EXPECT_EQ(options_section(), eight_keys({1, 0, 0, 0, 1, 1, 5, 4}));
    EXPECT_EQ(read_ini().find("12345"), std::string::npos);
}

// ---- Cancel --------------------------------------------------------------------------

using OptionsCancel = Options;

TEST_F(OptionsCancel, CancelEscAndTheCloseBoxChangeNothingAndWriteNothing)
{
    const std::string file = "[Options]\r\nSounds=5\r\nNumberPlayers=7\r\n";
    write_ini(file);
    open_main_window();
    const option_values before = current_values();
    const char *const ways[] = {"the Cancel button", "the Esc key", "the close box"};
    for (const char *way : ways) {
        HWND seen = nullptr;
        with_options(hwnd_, {[&] {
                         HWND dlg = seen = options_dialog();
                         ASSERT_NE(dlg, nullptr);
                         SetDlgItemTextA(dlg, IDC_DIFFICULTY, "2");
                         SetDlgItemTextA(dlg, IDC_NUM_STONES, "6");
                         SetDlgItemTextA(dlg, IDC_RANDOM_SEED, "77");
                         for (int id : {IDC_FIRST_TURN, IDC_EMPTY_CAPS, IDC_RANDOM_MOVES,
                                        IDC_SOUNDS, IDC_TOOLTIPS, IDC_PLAYERS_0})
                             click(dlg, id);
                         if (way == ways[0]) {
                             click(dlg, IDCANCEL);
                         } else if (way == ways[1]) {
                             HWND field = GetDlgItem(dlg, IDC_NUM_STONES);
                             SetFocus(field);
                             PostMessageA(field, WM_KEYDOWN, VK_ESCAPE, 0);
                             PostMessageA(field, WM_KEYUP, VK_ESCAPE, 0xC0000001);
                         } else {
                             SendMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
                         }
                     }});
        EXPECT_FALSE(IsWindow(seen)) << way;
        EXPECT_EQ(current_values(), before) << way;
        EXPECT_EQ(read_ini(), file) << way;
    }
}

// ---- refused values ---------------------------------------------------------------------

using OptionsRefused = Options;

struct refused_case {
    int field;
    std::string text;
    std::string says;  // the allowed range, as the message box puts it
};

TEST_F(OptionsRefused, OutOfRangeKeepsTheDialogOpenWithTheFieldSelected)
{
    open_main_window();
    const option_values before = current_values();
    const std::string bound = std::to_string(MAX_SEARCH_DEPTH);
    const refused_case cases[] = {
        {IDC_NUM_STONES, "0", "1 to 8"},
        {IDC_NUM_STONES, "9", "1 to 8"},
        {IDC_NUM_STONES, "none", "1 to 8"},
        {IDC_DIFFICULTY, std::to_string(MAX_SEARCH_DEPTH + 1), "0 to " + bound},
        {IDC_DIFFICULTY, "4000000000", "0 to " + bound},
    };
    for (const refused_case &c : cases) {
        HWND dlg = nullptr, box = nullptr;
        std::string box_text, box_caption;
        with_options(hwnd_, {[&] {
                             dlg = options_dialog();
                             ASSERT_NE(dlg, nullptr);
                             // Other changes wait for the value too.
                             click(dlg, IDC_SOUNDS);
                             SetDlgItemTextA(dlg, c.field, c.text.c_str());
                             SetFocus(GetDlgItem(dlg, IDOK));
                             post_ok(dlg);
                         },
                         until([&] { return box_owned_by(dlg) != nullptr; }),
                         [&] {
                             box = box_owned_by(dlg);
                             char text[200] = "", caption[64] = "";
                             GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // its text control
                             GetWindowTextA(box, caption, sizeof caption);
                             box_text = text;
                             box_caption = caption;
                             EXPECT_FALSE(IsWindowEnabled(dlg)) << "the box is modal to the dialog";
                             EXPECT_EQ(current_values(), before);
                             SendMessageA(box, WM_COMMAND, IDOK, 0);
                         },
                         until([&] { return !IsWindow(box); }),
                         [&] {
                             EXPECT_TRUE(IsWindowVisible(dlg));
                             EXPECT_TRUE(IsWindowEnabled(dlg));
                             HWND field = GetDlgItem(dlg, c.field);
                             EXPECT_EQ(GetFocus(), field) << c.text;
                             DWORD start = 1, end = 0;
                             SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                          reinterpret_cast<LPARAM>(&end));
                             EXPECT_EQ(start, 0u) << c.text;
                             EXPECT_EQ(end, c.text.size()) << c.text;
                             EXPECT_EQ(item_text(dlg, c.field), c.text);
                             EXPECT_EQ(current_values(), before) << c.text;
                             EXPECT_FALSE(ini_exists()) << c.text;
                             SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
                         }});
        EXPECT_NE(box_text.find(c.says), std::string::npos) << box_text;
        EXPECT_EQ(box_caption, "Options");
        EXPECT_EQ(current_values(), before) << c.text;
        EXPECT_FALSE(ini_exists()) << c.text;
    }
}

TEST_F(OptionsRefused, ACorrectedValueIsThenAcceptedWithTheOtherChanges)
{
    open_main_window();
    HWND dlg = nullptr;
    with_options(hwnd_, {[&] {
                         dlg = options_dialog();
                         click(dlg, IDC_SOUNDS);
                         SetDlgItemTextA(dlg, IDC_DIFFICULTY, "3");
                         SetDlgItemTextA(dlg, IDC_NUM_STONES, "9");
                         post_ok(dlg);
                     },
                     until([&] { return box_owned_by(dlg) != nullptr; }),
                     [&] { SendMessageA(box_owned_by(dlg), WM_COMMAND, IDOK, 0); },
                     until([&] { return box_owned_by(dlg) == nullptr && GetFocus() ==
                                        GetDlgItem(dlg, IDC_NUM_STONES); }),
                     [&] {
                         EXPECT_FALSE(ini_exists());
                         EXPECT_EQ(g_num_stones, 4);
                         // Typing replaces the selected text.
                         SendMessageA(GetDlgItem(dlg, IDC_NUM_STONES), WM_CHAR, '6', 1);
                         EXPECT_EQ(item_text(dlg, IDC_NUM_STONES), "6");
                         post_ok(dlg);
                     }});
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(g_num_stones, 6);
    EXPECT_EQ(g_difficulty, 3);
    EXPECT_EQ(g_sounds, 1);
    EXPECT_EQ(options_section(), eight_keys({1, 0, 0, 1, 1, 1, 3, 6}));
}

// ---- the game goes on meanwhile -------------------------------------------------------------

using OptionsWhileOpen = Options;

TEST_F(OptionsWhileOpen, ClicksComputerMovesAndMenuCommandsAreHandled)
{
    open_main_window();
    g_difficulty = 2;  // one person against the computer, a quick search
    HWND dlg = nullptr;
    with_options(hwnd_, {[&] {
                         dlg = options_dialog();
                         ASSERT_NE(dlg, nullptr);
                         EXPECT_TRUE(IsWindowEnabled(hwnd_));
                         PostMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(0));
                     },
                     // The click is played, then the computer's answer arrives.
                     until([] { return g_current->level >= 2 && g_current->turn == 6; }),
                     until([] { return status_text(0) == "Select bin to move from."; }),
                     [&] {
                         EXPECT_TRUE(IsWindowVisible(dlg));
                         EXPECT_EQ(g_root->first_child->move, 0);
                         PostMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0);
                     },
                     until([] { return g_current == g_root; }),
                     [&] {
                         EXPECT_TRUE(IsWindowVisible(dlg));
                         SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
                     }});
    EXPECT_FALSE(ini_exists());
}

} // namespace
