// The settings file (what odd and hostile files give, the bytes a write leaves, a write that fails) and
// the Options dialog on the real main window (what it shows, stores, refuses and saves).
#include "engine/engine.h"
#include "game/options.h"
#include "resources/resource.h"
#include "shell/shell.h"
#include "tests/win32/harness.h"

#include <climits>
#include <ctime>
#include <string>

namespace {

constexpr int B = BOTTOM_STORE, T = TOP_STORE;

// The values as the program acts on them: a flag is on or off, a number of
// players other than 0 and 1 is two people, and the seed is not compared.
option_values acted_on()
{
    option_values v = current_values();
    for (int* flag : {&v.allow_empty_caps, &v.random_moves, &v.sounds, &v.tooltips})
        *flag = *flag != 0;
    v.num_players = v.num_players == 0 || v.num_players == 1 ? v.num_players : 2;
    v.random_seed = 0;
    return v;
}

using Settings = InTempDir;

TEST_F(Settings, ReadingKeepsWhatIsMissingOrOutOfRange)
{
    // GetPrivateProfileInt wraps these round 2^32, some of them into range.
    const std::string huge(100000, '9');
    const std::string wrapping[] = {"4294967301", "-4294967295", "4294967295",
                                    "2147483648", "99999999999", huge};
    struct row {
        std::string file;
        option_values expected;
    };
    std::vector<row> rows = {
        {"", {B, 0, 1, 0, 1, 1, 7, 6, 0}},
        {"[Options]\nPlayer2First=0\nAllowEmptyCaps=1\nRandomMoves=0\nSounds=1\nTooltips=0\nNumberPlayers=0\n"
         "Difficulty=19\nNumbersStones=1\n",
         {T, 1, 0, 1, 0, 0, 19, 1, 0}},
        {"[OPTIONS]\r\n  sounds = 5 "
         "\r\nNUMBERPLAYERS=7\r\nDifficulty=3x\r\nTooltips=yes\r\nNumbersStones=8\r\n",
         {B, 0, 1, 1, 0, 2, 3, 8, 0}},
        {"[Other]\nDifficulty=1\nPlayer2First=0\n[Options]\nPlayer2First=-1\nRandomMoves=\nNumbersStones=\n",
         {B, 0, 1, 0, 1, 1, 7, 6, 0}},
        {"[Options]\nDifficulty=-3\nNumbersStones=0\nNumberPlayers=-1\n", {B, 0, 1, 0, 1, 2, 7, 6, 0}},
        {"[Options]\nDifficulty=20\nNumbersStones=9\n", {B, 0, 1, 0, 1, 1, 7, 6, 0}},
    };
    for (const std::string& n : wrapping)
        rows.push_back({"[Options]\nDifficulty=" + n + "\nNumbersStones=" + n + "\nNumberPlayers=" + n +
                            "\nSounds=" + n + "\nPlayer2First=" + n + "\n",
                        {B, 0, 1, 1, 1, 2, 7, 6, 0}});
    rows.push_back({"[Options]\nPlayer2First=4294967296\nNumberPlayers=4294967296\nSounds=-4294967296\n",
                    {B, 0, 1, 1, 1, 2, 7, 6, 0}});
    for (const row& r : rows) {
        SCOPED_TRACE(r.file.substr(0, 200));
        DeleteFileA(settings_path);
        if (!r.file.empty())
            write_file(settings_path, r.file);
        set_values({T, 0, 1, 0, 1, 1, 7, 6, 0});
        const int before = static_cast<int>(std::time(nullptr));
        read_options();
        EXPECT_EQ(acted_on(), r.expected);
        EXPECT_GE(g_random_seed, before);
        EXPECT_LE(g_random_seed, static_cast<int>(std::time(nullptr)));
    }
    DeleteFileA(settings_path);
    read_options();
    EXPECT_TRUE(dir_is_empty()) << "reading writes nothing";
}

TEST_F(Settings, WritingLeavesTheEightKeysAndEveryOtherLine)
{
    struct row {
        std::string before;
        option_values values;
        std::string after;
    };
    const row rows[] = {
        {"",
         {B, 0, 0, 0, 1, 1, 5, 4, 0},
         "[Options]\r\nPlayer2First=1\r\nAllowEmptyCaps=0\r\nRandomMoves=0\r\nSounds=0\r\nTooltips=1\r\n"
         "NumberPlayers=1\r\nDifficulty=5\r\nNumbersStones=4\r\n"},
        {"; note\r\n[Window]\r\nLeft=10\r\n[options]\r\n  sounds = 5\r\nExtra=keep "
         "me\r\n[Recent]\r\nSounds=9\r\n",
         {T, 5, -1, 0, 0, 7, 0, 8, 0},
         "; note\r\n[Window]\r\nLeft=10\r\n[options]\r\nsounds=0\r\nExtra=keep me\r\nPlayer2First=0\r\n"
         "AllowEmptyCaps=1\r\nRandomMoves=1\r\nTooltips=0\r\nNumberPlayers=7\r\nDifficulty=0\r\n"
         "NumbersStones=8\r\n[Recent]\r\nSounds=9\r\n"},
    };
    for (const row& r : rows) {
        write_file(settings_path, r.before);
        set_values(r.values);
        EXPECT_TRUE(write_options());
        EXPECT_EQ(read_file(settings_path), r.after);
    }
    DeleteFileA(settings_path);
    ASSERT_TRUE(CreateDirectoryA(settings_path, nullptr));
    EXPECT_FALSE(write_options());
}

// ---- the Options dialog ------------------------------------------------------------------------

class Options : public MainWindow {
protected:
    HWND dlg() const { return find_dialog("Options", IDC_DIFFICULTY); }

    // Opens the dialog, runs `change` on it and presses OK; with `box`, OK
    // brings up a message box, whose text is given back once answered.
    std::string ok_after(const std::function<void(HWND)>& change, bool box = false)
    {
        HWND d = nullptr;
        std::string text;
        std::vector<step> steps{[&] {
            change(d = dlg());
            post_ok(d);
        }};
        if (box)
            steps.insert(steps.end(), {until([&] { return box_owned_by(d) != nullptr; }), [&] {
                                           text = message_text(box_owned_by(d));
                                           SendMessageA(box_owned_by(d), WM_COMMAND, IDOK, 0);
                                       }});
        with_dialog(hwnd_, IDM_OPTIONS, steps);
        EXPECT_FALSE(IsWindow(d));
        return text;
    }
};

// The eight keys as the file holds them, in the order they are written.
std::vector<int> saved()
{
    std::vector<int> values;
    for (const char* key : {"Player2First", "AllowEmptyCaps", "RandomMoves", "Sounds", "Tooltips",
                            "NumberPlayers", "Difficulty", "NumbersStones"})
        values.push_back(static_cast<int>(GetPrivateProfileIntA("Options", key, -1, settings_path)));
    return values;
}

// In the order of their keys.
const int flag_ids[] = {IDC_FIRST_TURN, IDC_EMPTY_CAPS, IDC_RANDOM_MOVES, IDC_SOUNDS, IDC_TOOLTIPS};

TEST_F(Options, ShowsEachValueAndOkStoresAndWritesEachControl)
{
    write_file(settings_path,
               "[Options]\r\nPlayer2First=0\r\nSounds=5\r\nNumberPlayers=7\r\nDifficulty=7\r\n");
    open();
    ok_after([](HWND d) {
        EXPECT_EQ(item_text(d, IDC_DIFFICULTY), "7");
        EXPECT_EQ(item_text(d, IDC_NUM_STONES), "4");
        EXPECT_EQ(item_text(d, IDC_RANDOM_SEED), std::to_string(g_random_seed));
        for (int id : {IDC_FIRST_TURN, IDC_EMPTY_CAPS, IDC_RANDOM_MOVES, IDC_SOUNDS, IDC_TOOLTIPS,
                       IDC_PLAYERS_0, IDC_PLAYERS_1, IDC_PLAYERS_2})
            EXPECT_EQ(is_checked(d, id), id == IDC_SOUNDS || id == IDC_TOOLTIPS || id == IDC_PLAYERS_2) << id;
    });
    EXPECT_EQ(saved(), (std::vector<int>{0, 0, 0, 1, 1, 2, 7, 4}));
    // Each control goes to its own key, and only there.
    for (int k = 0; k < 5; ++k) {
        std::vector<int> expected = saved();
        expected[k] = !expected[k];
        ok_after([&](HWND d) { click(d, flag_ids[k]); });
        EXPECT_EQ(saved(), expected) << k;
    }
    const int radios[] = {IDC_PLAYERS_0, IDC_PLAYERS_1, IDC_PLAYERS_2};
    for (int players : {0, 1, 2}) {
        ok_after([&](HWND d) { click(d, radios[players]); });
        EXPECT_EQ(saved()[5], players);
    }
    ok_after([](HWND d) {
        SetDlgItemTextA(d, IDC_DIFFICULTY, "0");
        SetDlgItemTextA(d, IDC_NUM_STONES, "8");
        SetDlgItemTextA(d, IDC_RANDOM_SEED, "12345");
    });
    EXPECT_EQ(saved(), (std::vector<int>{1, 1, 1, 0, 0, 2, 0, 8}));
    // The seed stays for the run but is never saved.
    ok_after([](HWND d) { EXPECT_EQ(item_text(d, IDC_RANDOM_SEED), "12345"); });
    EXPECT_EQ(read_file(settings_path).find("12345"), std::string::npos);
}

TEST_F(Options, CancelEscAndTheCloseBoxChangeNothing)
{
    write_file(settings_path, "[Options]\r\nSounds=5\r\n");
    open();
    const option_values before = current_values();
    for (int way = 0; way < 3; ++way) {
        with_dialog(hwnd_, IDM_OPTIONS, {[&] {
                        HWND d = dlg();
                        SetDlgItemTextA(d, IDC_DIFFICULTY, "2");
                        SetDlgItemTextA(d, IDC_RANDOM_SEED, "77");
                        for (int id : flag_ids)
                            click(d, id);
                        click(d, IDC_PLAYERS_0);
                        if (way == 0)
                            click(d, IDCANCEL);
                        else if (way == 1) {
                            SetFocus(GetDlgItem(d, IDC_NUM_STONES));
                            PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
                        } else if (way == 2)
                            SendMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
                    }});
        EXPECT_EQ(current_values(), before) << way;
        EXPECT_EQ(read_file(settings_path), "[Options]\r\nSounds=5\r\n") << way;
    }
}

TEST_F(Options, AValueOutOfRangeKeepsTheDialogOpenWithTheFieldSelected)
{
    open();
    const option_values before = current_values();
    const std::pair<int, std::string> cases[] = {{IDC_NUM_STONES, "0"},
                                                 {IDC_NUM_STONES, "9"},
                                                 {IDC_NUM_STONES, "no"},
                                                 {IDC_DIFFICULTY, "20"},
                                                 {IDC_DIFFICULTY, "4294967296"}};
    for (const auto& [field, text] : cases) {
        HWND d = nullptr;
        with_dialog(hwnd_, IDM_OPTIONS,
                    {[&] {
                         click(d = dlg(), IDC_SOUNDS);
                         SetDlgItemTextA(d, field, text.c_str());
                         post_ok(d);
                     },
                     until([&] { return box_owned_by(d) != nullptr; }),
                     [&] { SendMessageA(box_owned_by(d), WM_COMMAND, IDOK, 0); },
                     until([&] { return box_owned_by(d) == nullptr; }),
                     [&] {
                         DWORD start = 1, end = 0;
                         SendMessageA(GetDlgItem(d, field), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                      reinterpret_cast<LPARAM>(&end));
                         EXPECT_EQ(GetFocus(), GetDlgItem(d, field)) << text;
                         EXPECT_EQ(end - start, text.size()) << text;
                         press_escape(d);
                     }});
        EXPECT_EQ(current_values(), before) << text;
        EXPECT_FALSE(file_exists(settings_path)) << text;
    }
}

TEST_F(Options, SettingsThatCannotBeSavedApplyAndAreReported)
{
    ASSERT_TRUE(CreateDirectoryA(settings_path, nullptr));
    open();
    const std::string box = ok_after([](HWND d) { SetDlgItemTextA(d, IDC_DIFFICULTY, "3"); }, true);
    char path[MAX_PATH];
    GetFullPathNameA(settings_path, MAX_PATH, path, nullptr);
    EXPECT_NE(box.find(path), std::string::npos) << box;
    EXPECT_EQ(g_difficulty, 3);
}

TEST_F(Options, TheGameGoesOnWhileTheDialogIsOpen)
{
    open();
    g_difficulty = 1;
    with_dialog(hwnd_, IDM_OPTIONS,
                {[&] { PostMessageA(hwnd_, WM_LBUTTONUP, 0, bin_point(0)); },
                 until([] { return g_current->level >= 2 && status_text(0) == "Select bin to move from."; }),
                 [&] { PostMessageA(hwnd_, WM_COMMAND, IDM_NEW_GAME, 0); },
                 until([] { return g_current == g_root; }), [&] { press_escape(dlg()); }});
    EXPECT_FALSE(file_exists(settings_path));
}

} // namespace
