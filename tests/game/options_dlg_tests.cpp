// Tests of the Options dialog, opened through the real menu command of the real main window
// in a fresh directory per test: what it shows, what OK stores and writes, what Cancel keeps,
// the values it refuses, and the game going on while it is open.
#include "game/controller.h"

#include "board/board.h"
#include "engine/engine.h"
#include "game/options.h"
#include "resources/resource.h"
#include "shell/shell.h"
#include "tests/win32/harness.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <initializer_list>
#include <span>
#include <sstream>
#include <string>
#include <vector>

// A dialog's steps, and the computer's move at a small depth while one is open.
const ULONGLONG wait_limit_ms = 30000;

namespace {

const char* const option_keys[8] = {
    "Player2First", "AllowEmptyCaps", "RandomMoves", "Sounds",
    "Tooltips",     "NumberPlayers",  "Difficulty",  "NumbersStones",
};

// ---- the settings file ---------------------------------------------------------------

std::vector<std::string> settings_lines()
{
    std::vector<std::string> lines;
    std::istringstream in(read_file(settings_path));
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
    for (const std::string& line : settings_lines()) {
        if (!line.empty() && line[0] == '[')
            inside = line == "[Options]";
        else if (inside && !line.empty())
            section.push_back(line);
    }
    return section;
}

// The eight lines write_options makes, from the values given in key order.
std::vector<std::string> eight_keys(const std::vector<int>& values)
{
    std::vector<std::string> lines;
    for (size_t i = 0; i < 8; ++i)
        lines.push_back(std::string(option_keys[i]) + "=" + std::to_string(values[i]));
    return lines;
}

// ---- the dialog's controls --------------------------------------------------------------

// This thread's open Options dialog (its message box is told apart by its controls).
HWND options_dialog()
{
    return find_dialog("Options", IDC_DIFFICULTY);
}

// The check boxes for the five flags, then the three radio buttons for the players.
const int flag_ids[] = {IDC_FIRST_TURN, IDC_EMPTY_CAPS, IDC_RANDOM_MOVES, IDC_SOUNDS, IDC_TOOLTIPS};
const int player_ids[] = {IDC_PLAYERS_0, IDC_PLAYERS_1, IDC_PLAYERS_2};
const int check_ids[] = {IDC_FIRST_TURN, IDC_EMPTY_CAPS, IDC_RANDOM_MOVES, IDC_SOUNDS,
                         IDC_TOOLTIPS,   IDC_PLAYERS_0,  IDC_PLAYERS_1,    IDC_PLAYERS_2};

// Of the controls `among`, exactly those in `checked` show a check.
void expect_checks(HWND dlg, std::initializer_list<int> checked, std::span<const int> among = check_ids)
{
    for (int id : among) {
        const bool wanted = std::find(checked.begin(), checked.end(), id) != checked.end();
        EXPECT_EQ(is_checked(dlg, id), wanted) << "control " << id;
    }
}

// ---- the main window, made fresh for each test ------------------------------------------

class Options : public MainWindow {
protected:
    // Separate from SetUp so that a test can write the settings file first.
    void open_main_window()
    {
        started_ = static_cast<int>(std::time(nullptr));
        ASSERT_NO_FATAL_FAILURE(open());
        ASSERT_NE(g_root, nullptr);
    }

    int started_ = 0;
};

// ---- opening ----------------------------------------------------------------------------

using OptionsOpening = Options;

TEST_F(OptionsOpening, HasNoOwnerAndIsCentredOverTheMainWindow)
{
    open_main_window();
    SetWindowPos(hwnd_, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT main{};
    GetWindowRect(hwnd_, &main);
    with_dialog(hwnd_, IDM_OPTIONS, {[&] {
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
                    press_escape(dlg);
                }});
}

// ---- what it shows ----------------------------------------------------------------------

using OptionsShown = Options;

TEST_F(OptionsShown, TheDefaultsWithoutAFile)
{
    open_main_window();
    with_dialog(hwnd_, IDM_OPTIONS, {[&] {
                    HWND dlg = options_dialog();
                    ASSERT_NE(dlg, nullptr);
                    EXPECT_EQ(item_text(dlg, IDC_DIFFICULTY), "5");
                    EXPECT_EQ(item_text(dlg, IDC_NUM_STONES), "4");
                    EXPECT_EQ(item_text(dlg, IDC_RANDOM_SEED), std::to_string(g_random_seed));
                    expect_checks(dlg, {IDC_FIRST_TURN, IDC_TOOLTIPS, IDC_PLAYERS_1});
                    press_escape(dlg);
                }});
    EXPECT_FALSE(file_exists(settings_path));
}

TEST_F(OptionsShown, EachValueFromTheFileInItsOwnControl)
{
    write_file(settings_path, "[Options]\r\nPlayer2First=0\r\nAllowEmptyCaps=1\r\nRandomMoves=1\r\n"
                              "Sounds=1\r\nTooltips=0\r\nNumberPlayers=0\r\nDifficulty=7\r\n"
                              "NumbersStones=6\r\n");
    open_main_window();
    with_dialog(hwnd_, IDM_OPTIONS, {[&] {
                    HWND dlg = options_dialog();
                    ASSERT_NE(dlg, nullptr);
                    EXPECT_EQ(item_text(dlg, IDC_DIFFICULTY), "7");
                    EXPECT_EQ(item_text(dlg, IDC_NUM_STONES), "6");
                    expect_checks(dlg, {IDC_EMPTY_CAPS, IDC_RANDOM_MOVES, IDC_SOUNDS, IDC_PLAYERS_0});
                    press_escape(dlg);
                }});
}

TEST_F(OptionsShown, AFlagOfFiveIsCheckedAndOkWritesOne)
{
    write_file(settings_path, "[Options]\r\nSounds=5\r\n");
    open_main_window();
    ASSERT_EQ(g_sounds, 5);
    with_dialog(hwnd_, IDM_OPTIONS, {[&] {
                    HWND dlg = options_dialog();
                    ASSERT_NE(dlg, nullptr);
                    EXPECT_TRUE(is_checked(dlg, IDC_SOUNDS));
                    post_ok(dlg);
                }});
    EXPECT_EQ(g_sounds, 1);
    EXPECT_EQ(GetPrivateProfileIntA("Options", "Sounds", -1, settings_path), 1);
}

TEST_F(OptionsShown, SevenPlayersSelectsTwoPeopleAndOkWritesTwo)
{
    write_file(settings_path, "[Options]\r\nNumberPlayers=7\r\n");
    open_main_window();
    ASSERT_EQ(g_num_players, 7);
    with_dialog(hwnd_, IDM_OPTIONS, {[&] {
                    HWND dlg = options_dialog();
                    ASSERT_NE(dlg, nullptr);
                    expect_checks(dlg, {IDC_PLAYERS_2}, player_ids);
                    post_ok(dlg);
                }});
    EXPECT_EQ(g_num_players, 2);
    EXPECT_EQ(GetPrivateProfileIntA("Options", "NumberPlayers", -1, settings_path), 2);
}

// ---- OK -------------------------------------------------------------------------------

using OptionsOk = Options;

TEST_F(OptionsOk, StoresEveryControlInItsOwnGlobalAndWritesIt)
{
    open_main_window();
    const int seed = g_random_seed;
    with_dialog(hwnd_, IDM_OPTIONS, {[&] {
                    HWND dlg = options_dialog();
                    ASSERT_NE(dlg, nullptr);
                    SetDlgItemTextA(dlg, IDC_DIFFICULTY, "3");
                    SetDlgItemTextA(dlg, IDC_NUM_STONES, "7");
                    for (int id : flag_ids)
                        click(dlg, id);
                    click(dlg, IDC_PLAYERS_0);
                    EXPECT_FALSE(is_checked(dlg, IDC_PLAYERS_1));
                    post_ok(dlg);
                }});
    EXPECT_EQ(current_values(), (option_values{13, 1, 1, 1, 0, 0, 3, 7, seed}));
    EXPECT_EQ(options_section(), eight_keys({0, 1, 1, 1, 0, 0, 3, 7}));

    // And back: each flag off, the other radio buttons.
    for (int players : {IDC_PLAYERS_1, IDC_PLAYERS_2}) {
        with_dialog(hwnd_, IDM_OPTIONS, {[&] {
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
    with_dialog(hwnd_, IDM_OPTIONS, {[&] {
                    HWND dlg = options_dialog();
                    for (int id : flag_ids)
                        click(dlg, id);
                    post_ok(dlg);
                }});
    EXPECT_EQ(current_values(), (option_values{6, 0, 0, 0, 1, 2, 3, 7, seed}));
    EXPECT_EQ(options_section(), eight_keys({1, 0, 0, 0, 1, 2, 3, 7}));
}

TEST_F(OptionsOk, RewritesAllEightKeysAndKeepsEveryOtherLine)
{
    write_file(settings_path, "; kept as it is\r\n[Display]\r\nColour=blue\r\n[Options]\r\n"
                              "Difficulty=2\r\nFavourite=9\r\nSounds=0\r\n[Later]\r\nNote=also kept\r\n");
    open_main_window();
    with_dialog(hwnd_, IDM_OPTIONS, {[&] { post_ok(options_dialog()); }});
    const std::vector<std::string> lines = settings_lines();
    for (const char* kept : {"; kept as it is", "[Display]", "Colour=blue", "[Options]", "Favourite=9",
                             "[Later]", "Note=also kept"})
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
    with_dialog(hwnd_, IDM_OPTIONS, {[&] {
                    HWND dlg = options_dialog();
                    SetDlgItemTextA(dlg, IDC_DIFFICULTY, "hard");
                    post_ok(dlg);
                }});
    EXPECT_EQ(g_difficulty, 0);
    EXPECT_EQ(GetPrivateProfileIntA("Options", "Difficulty", -1, settings_path), 0);
}

TEST_F(OptionsOk, TheLimitsThemselvesAreAccepted)
{
    open_main_window();
    struct row {
        const char *difficulty, *stones;
        int expected_difficulty, expected_stones;
    };
    const std::string bound = std::to_string(MAX_SEARCH_DEPTH);
    for (const row& r : {row{"0", "1", 0, 1}, row{bound.c_str(), "8", MAX_SEARCH_DEPTH, 8}}) {
        with_dialog(hwnd_, IDM_OPTIONS, {[&] {
                        HWND dlg = options_dialog();
                        SetDlgItemTextA(dlg, IDC_DIFFICULTY, r.difficulty);
                        SetDlgItemTextA(dlg, IDC_NUM_STONES, r.stones);
                        post_ok(dlg);
                    }});
        EXPECT_EQ(g_difficulty, r.expected_difficulty) << r.difficulty;
        EXPECT_EQ(g_num_stones, r.expected_stones) << r.stones;
        EXPECT_EQ(GetPrivateProfileIntA("Options", "Difficulty", -1, settings_path), r.expected_difficulty);
        EXPECT_EQ(GetPrivateProfileIntA("Options", "NumbersStones", -1, settings_path), r.expected_stones);
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
    with_dialog(hwnd_, IDM_OPTIONS, {[&] {
                    HWND dlg = options_dialog();
                    EXPECT_EQ(item_text(dlg, IDC_RANDOM_SEED), std::to_string(g_random_seed));
                    SetDlgItemTextA(dlg, IDC_RANDOM_SEED, "12345");
                    post_ok(dlg);
                }});
    EXPECT_EQ(g_random_seed, 12345);
    with_dialog(hwnd_, IDM_OPTIONS, {[&] {
                    HWND dlg = options_dialog();
                    EXPECT_EQ(item_text(dlg, IDC_RANDOM_SEED), "12345");
                    post_ok(dlg);
                }});
    EXPECT_EQ(g_random_seed, 12345);
    EXPECT_EQ(options_section(), eight_keys({1, 0, 0, 0, 1, 1, 5, 4}));
    EXPECT_EQ(read_file(settings_path).find("12345"), std::string::npos);
}

// ---- Cancel --------------------------------------------------------------------------

using OptionsCancel = Options;

TEST_F(OptionsCancel, CancelEscAndTheCloseBoxChangeNothingAndWriteNothing)
{
    const std::string file = "[Options]\r\nSounds=5\r\nNumberPlayers=7\r\n";
    write_file(settings_path, file);
    open_main_window();
    const option_values before = current_values();
    const char* const ways[] = {"the Cancel button", "the Esc key", "the close box"};
    for (const char* way : ways) {
        HWND seen = nullptr;
        with_dialog(hwnd_, IDM_OPTIONS, {[&] {
                        HWND dlg = seen = options_dialog();
                        ASSERT_NE(dlg, nullptr);
                        SetDlgItemTextA(dlg, IDC_DIFFICULTY, "2");
                        SetDlgItemTextA(dlg, IDC_NUM_STONES, "6");
                        SetDlgItemTextA(dlg, IDC_RANDOM_SEED, "77");
                        for (int id : flag_ids)
                            click(dlg, id);
                        click(dlg, IDC_PLAYERS_0);
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
        EXPECT_EQ(read_file(settings_path), file) << way;
    }
}

// ---- refused values ---------------------------------------------------------------------

using OptionsRefused = Options;

struct refused_case {
    int field;
    std::string text;
    std::string says; // the allowed range, as the message box puts it
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
    for (const refused_case& c : cases) {
        HWND dlg = nullptr, box = nullptr;
        std::string box_text, box_caption;
        with_dialog(hwnd_, IDM_OPTIONS,
                    {[&] {
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
                         box_text = message_text(box);
                         box_caption = window_text(box);
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
                         EXPECT_FALSE(file_exists(settings_path)) << c.text;
                         press_escape(dlg);
                     }});
        EXPECT_NE(box_text.find(c.says), std::string::npos) << box_text;
        EXPECT_EQ(box_caption, "Options");
        EXPECT_EQ(current_values(), before) << c.text;
        EXPECT_FALSE(file_exists(settings_path)) << c.text;
    }
}

TEST_F(OptionsRefused, ACorrectedValueIsThenAcceptedWithTheOtherChanges)
{
    open_main_window();
    HWND dlg = nullptr;
    with_dialog(hwnd_, IDM_OPTIONS,
                {[&] {
                     dlg = options_dialog();
                     click(dlg, IDC_SOUNDS);
                     SetDlgItemTextA(dlg, IDC_DIFFICULTY, "3");
                     SetDlgItemTextA(dlg, IDC_NUM_STONES, "9");
                     post_ok(dlg);
                 },
                 until([&] { return box_owned_by(dlg) != nullptr; }),
                 [&] { SendMessageA(box_owned_by(dlg), WM_COMMAND, IDOK, 0); }, until([&] {
                     return box_owned_by(dlg) == nullptr && GetFocus() == GetDlgItem(dlg, IDC_NUM_STONES);
                 }),
                 [&] {
                     EXPECT_FALSE(file_exists(settings_path));
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
    g_difficulty = 2; // one person against the computer, a quick search
    HWND dlg = nullptr;
    with_dialog(hwnd_, IDM_OPTIONS,
                {[&] {
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
                     press_escape(dlg);
                 }});
    EXPECT_FALSE(file_exists(settings_path));
}

} // namespace
