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
#include <tuple>

namespace {

constexpr int B = BOTTOM_STORE, T = TOP_STORE;

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
         "Difficulty=19\nNumbersStones=1\n",
         {T, 1, 0, 1, 0, 0, 19, 1, 0}},
        {"[OPTIONS]\r\n  sounds = 5 "
         "\r\nNUMBERPLAYERS=7\r\nDifficulty=3x\r\nTooltips=yes\r\nNumbersStones=+8\r\n",
         {B, 0, 1, 5, 0, 7, 3, 8, 0}},
        {"[Other]\nDifficulty=1\nPlayer2First=0\n[Options]\nPlayer2First=-1\nRandomMoves=\nNumbersStones=\n",
         kept},
        {"[Options]\nDifficulty=-3\nNumbersStones=0\nNumberPlayers=-1\n", {B, 0, 1, 0, 1, -1, 7, 6, 0}},
        {"[Options]\nDifficulty=20\nNumbersStones=9\nSounds=-4294967296\n",
         {B, 0, 1, INT_MIN, 1, 1, 7, 6, 0}},
    };
    for (const std::string n : {"4294967301", "-4294967295", "4294967296", "2147483648", "99999999999"})
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
        EXPECT_NEAR(g_random_seed, std::time(nullptr), 2);
        g_random_seed = 0;
        EXPECT_EQ(current_values(), expected) << file.substr(0, 200);
    }
    DeleteFileA(settings_path);
    read_options();
    EXPECT_TRUE(dir_is_empty()) << "reading writes nothing";
}

TEST_F(Settings, WritingLeavesTheEightKeysAndEveryOtherLine)
{
    const std::tuple<std::string, option_values, std::string> rows[] = {
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
    for (const auto& [before, values, after] : rows) {
        write_file(settings_path, before);
        set_values(values);
        EXPECT_TRUE(write_options());
        EXPECT_EQ(read_file(settings_path), after);
    }
    DeleteFileA(settings_path);
    ASSERT_TRUE(CreateDirectoryA(settings_path, nullptr));
    EXPECT_FALSE(write_options());
}

// ---- the Options dialog ------------------------------------------------------------------------

class Options : public MainWindow {
protected:
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
        if (box)
            steps.insert(steps.end(), {until([&] { return box_owned_by(d) != nullptr; }), [&] {
                                           text = message_text(box_owned_by(d));
                                           SendMessageA(box_owned_by(d), WM_COMMAND, IDOK, 0);
                                       }});
        if (then)
            steps.insert(steps.end(), {until([&] { return box_owned_by(d) == nullptr; }), [&] { then(d); }});
        with_dialog(hwnd_, IDM_OPTIONS, steps);
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
    ok_after([&](HWND d) {
        EXPECT_TRUE(GetWindow(d, GW_OWNER) == nullptr && IsWindowEnabled(hwnd_))
            << "the game goes on meanwhile";
        EXPECT_EQ(item_text(d, IDC_DIFFICULTY), "7");
        EXPECT_EQ(item_text(d, IDC_NUM_STONES), "4");
        EXPECT_EQ(item_text(d, IDC_RANDOM_SEED), std::to_string(g_random_seed));
        for (int id : {IDC_FIRST_TURN, IDC_EMPTY_CAPS, IDC_RANDOM_MOVES, IDC_SOUNDS, IDC_TOOLTIPS,
                       IDC_PLAYERS_0, IDC_PLAYERS_1, IDC_PLAYERS_2})
            EXPECT_EQ(is_checked(d, id), id == IDC_SOUNDS || id == IDC_TOOLTIPS || id == IDC_PLAYERS_2) << id;
    });
    EXPECT_EQ(saved(), (std::vector<int>{0, 0, 0, 1, 1, 2, 7, 4}));
    // Each control goes to its own key, and only there.
    const int radios[] = {IDC_PLAYERS_0, IDC_PLAYERS_1, IDC_PLAYERS_2};
    for (int k = 0; k < 5; ++k) {
        std::vector<int> expected = saved();
        expected[k] = !expected[k];
        expected[5] = k % 3;
        ok_after([&](HWND d) {
            click(d, flag_ids[k]);
            click(d, radios[k % 3]);
        });
        EXPECT_EQ(saved(), expected) << k;
    }
    ok_after([](HWND d) {
        SetDlgItemTextA(d, IDC_DIFFICULTY, "0");
        SetDlgItemTextA(d, IDC_NUM_STONES, "8");
        SetDlgItemTextA(d, IDC_RANDOM_SEED, "12345");
    });
    EXPECT_EQ(saved(), (std::vector<int>{1, 1, 1, 0, 0, 1, 0, 8}));
    // The seed stays for the run but is never saved.
    ok_after([](HWND d) { EXPECT_EQ(item_text(d, IDC_RANDOM_SEED), "12345"); });
    EXPECT_EQ(read_file(settings_path).find("12345"), std::string::npos);
}

// Nothing changes then, and Cancel leaves every value and the file as they were. A file that cannot be
// written is reported, while the values still apply for this run.
TEST_F(Options, OkRefusesValuesOutOfRangeAndReportsSettingsThatCannotBeSaved)
{
    open();
    const option_values before = current_values();
    const std::pair<int, std::string> cases[] = {{IDC_NUM_STONES, "0"},
                                                 {IDC_NUM_STONES, "9"},
                                                 {IDC_NUM_STONES, "no"},
                                                 {IDC_DIFFICULTY, "20"},
                                                 {IDC_DIFFICULTY, "4294967296"}};
    for (const auto& [field, text] : cases) {
        const auto change = [&](HWND d) {
            click(d, IDC_SOUNDS);
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

} // namespace
