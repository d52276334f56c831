// Tests of the settings file: what read_options takes from .\kivari.ini and
// what write_options leaves there. Each test runs in a fresh directory.
#include "game/options.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char ini_name[] = "kivari.ini";

const char* const option_keys[] = {
    "Player2First", "AllowEmptyCaps", "RandomMoves", "Sounds",
    "Tooltips",     "NumberPlayers",  "Difficulty",  "NumbersStones",
};

struct option_values {
    int first_turn, allow_empty_caps, random_moves, sounds, tooltips, num_players, difficulty, num_stones;
    bool operator==(const option_values&) const = default;
};

const option_values initial_values{6, 0, 0, 0, 1, 1, 5, 4};

option_values current_values()
{
    return {g_first_turn, g_allow_empty_caps, g_random_moves, g_sounds,
            g_tooltips,   g_num_players,      g_difficulty,   g_num_stones};
}

void set_values(const option_values& v)
{
    g_first_turn = v.first_turn;
    g_allow_empty_caps = v.allow_empty_caps;
    g_random_moves = v.random_moves;
    g_sounds = v.sounds;
    g_tooltips = v.tooltips;
    g_num_players = v.num_players;
    g_difficulty = v.difficulty;
    g_num_stones = v.num_stones;
}

std::ostream& operator<<(std::ostream& out, const option_values& v)
{
    return out << "{first " << v.first_turn << ", empty caps " << v.allow_empty_caps << ", random "
               << v.random_moves << ", sounds " << v.sounds << ", tooltips " << v.tooltips << ", players "
               << v.num_players << ", depth " << v.difficulty << ", stones " << v.num_stones << "}";
}

std::string read_ini()
{
    std::ifstream in(ini_name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_ini(const std::string& text)
{
    std::ofstream(ini_name, std::ios::binary) << text;
}

bool ini_exists()
{
    return GetFileAttributesA(ini_name) != INVALID_FILE_ATTRIBUTES;
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s)
{
    size_t begin = s.find_first_not_of(" \t");
    size_t end = s.find_last_not_of(" \t");
    return begin == std::string::npos ? std::string() : s.substr(begin, end - begin + 1);
}

// A settings file taken apart: its non-blank lines, and the values of the
// eight option keys in section "Options" (names compared without case).
struct parsed_ini {
    std::vector<std::string> other_lines;                    // every line but the option keys
    std::map<std::string, std::vector<std::string>> options; // key -> values
};

parsed_ini parse_ini(const std::string& text)
{
    parsed_ini result;
    std::istringstream in(text);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string t = trim(line);
        if (t.empty())
            continue;
        if (t.front() == '[')
            section = lower(t);
        size_t eq = t.find('=');
        if (section == "[options]" && eq != std::string::npos) {
            std::string key = lower(trim(t.substr(0, eq)));
            auto is_option = [&](const char* k) { return lower(k) == key; };
            if (std::any_of(std::begin(option_keys), std::end(option_keys), is_option)) {
                result.options[key].push_back(trim(t.substr(eq + 1)));
                continue;
            }
        }
        result.other_lines.push_back(t);
    }
    return result;
}

// Every test starts from the program's initial values in an empty directory
// of its own, so the relative ".\kivari.ini" lands there.
class OptionsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_values(initial_values);
        g_random_seed = 0;

        char temp[MAX_PATH], here[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, here), 0u);
        saved_dir_ = here;
        static int counter;
        dir_ = std::string(temp) + "kivari-options-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter);
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
        ASSERT_TRUE(SetCurrentDirectoryA(dir_.c_str())) << dir_;
    }

    void TearDown() override
    {
        SetCurrentDirectoryA(saved_dir_.c_str());
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    bool directory_is_empty() const { return std::filesystem::is_empty(std::filesystem::path(dir_)); }

    std::string dir_, saved_dir_;
};

// ---- writing -----------------------------------------------------------------

TEST_F(OptionsFile, WriteFromInitialValuesGivesTheExactFile)
{
    write_options();
    EXPECT_EQ(read_ini(), "[Options]\r\n"
                          "Player2First=1\r\n"
                          "AllowEmptyCaps=0\r\n"
                          "RandomMoves=0\r\n"
                          "Sounds=0\r\n"
                          "Tooltips=1\r\n"
                          "NumberPlayers=1\r\n"
                          "Difficulty=5\r\n"
                          "NumbersStones=4\r\n");
}

TEST_F(OptionsFile, WriteGivesFirstSideAndFlagsAsOneOrZeroAndNumbersAsTheyAre)
{
    set_values({13, 5, -1, 0, 0, 7, -3, 8});
    write_options();
    EXPECT_EQ(read_ini(), "[Options]\r\n"
                          "Player2First=0\r\n"
                          "AllowEmptyCaps=1\r\n"
                          "RandomMoves=1\r\n"
                          "Sounds=0\r\n"
                          "Tooltips=0\r\n"
                          "NumberPlayers=7\r\n"
                          "Difficulty=-3\r\n"
                          "NumbersStones=8\r\n");
}

TEST_F(OptionsFile, WrittenValuesReadBackUnchanged)
{
    const option_values chosen{13, 1, 1, 1, 0, 2, 9, 6};
    set_values(chosen);
    write_options();
    set_values(initial_values);
    read_options();
    EXPECT_EQ(current_values(), chosen);
}

TEST_F(OptionsFile, ReadThenWriteKeepsEveryOtherLineAndSection)
{
    const std::string before = "; settings of the game\n"
                               "[Window]\n"
                               "Left=10\n"
                               "Top=20\n"
                               "\n"
                               "[options]\n"
                               "  sounds = 5\n"
                               "Extra=keep me\n"
                               "NumberPlayers=7\n"
                               "; a note\n"
                               "Difficulty=3x\n"
                               "\n"
                               "[Recent]\n"
                               "Sounds=9\n"
                               "File1=a.txt\n";
    write_ini(before);

    read_options();
    write_options();

    parsed_ini old_file = parse_ini(before);
    parsed_ini new_file = parse_ini(read_ini());
    EXPECT_EQ(new_file.other_lines, old_file.other_lines);
    // Each key once, with the value in memory; the flag as 1, the others as
    // they were read.
    std::map<std::string, std::vector<std::string>> expected{
        {"player2first", {"1"}}, {"allowemptycaps", {"0"}}, {"randommoves", {"0"}}, {"sounds", {"1"}},
        {"tooltips", {"1"}},     {"numberplayers", {"7"}},  {"difficulty", {"3"}},  {"numbersstones", {"4"}},
    };
    EXPECT_EQ(new_file.options, expected);
}

// ---- reading -----------------------------------------------------------------

TEST_F(OptionsFile, WithoutFileValuesStayInitialAndNothingIsWritten)
{
    read_options();
    EXPECT_EQ(current_values(), initial_values);
    EXPECT_FALSE(ini_exists());
    EXPECT_TRUE(directory_is_empty());
}

TEST_F(OptionsFile, ReadSetsSeedToCurrentTime)
{
    long long before = std::time(nullptr);
    read_options();
    long long after = std::time(nullptr);
    EXPECT_GE(g_random_seed, static_cast<int>(before));
    EXPECT_LE(g_random_seed, static_cast<int>(after));
}

TEST_F(OptionsFile, ReadsEveryKeyWithCrLfLines)
{
    write_ini("[Options]\r\nPlayer2First=0\r\nAllowEmptyCaps=1\r\nRandomMoves=1\r\n"
              "Sounds=1\r\nTooltips=0\r\nNumberPlayers=0\r\nDifficulty=8\r\n"
              "NumbersStones=6\r\n");
    read_options();
    EXPECT_EQ(current_values(), (option_values{13, 1, 1, 1, 0, 0, 8, 6}));
}

TEST_F(OptionsFile, ReadsEveryKeyWithLfLines)
{
    write_ini("[Options]\nPlayer2First=0\nAllowEmptyCaps=1\nRandomMoves=1\n"
              "Sounds=1\nTooltips=0\nNumberPlayers=2\nDifficulty=3\nNumbersStones=1\n");
    read_options();
    EXPECT_EQ(current_values(), (option_values{13, 1, 1, 1, 0, 2, 3, 1}));
}

TEST_F(OptionsFile, KeysAndSectionInOtherCaseAndBlanksAroundEqualsAreRead)
{
    write_ini("[OPTIONS]\n"
              "  sounds = 1  \n"
              "DIFFICULTY= 7\n"
              "numbersstones =2\n"
              "\tTooltips\t=\t0\n");
    read_options();
    EXPECT_EQ(g_sounds, 1);
    EXPECT_EQ(g_difficulty, 7);
    EXPECT_EQ(g_num_stones, 2);
    EXPECT_EQ(g_tooltips, 0);
}

TEST_F(OptionsFile, MissingKeysKeepTheCurrentValues)
{
    const option_values current{6, 1, 1, 1, 0, 2, 9, 7};
    set_values(current);
    // Keys of the same names in another section do not count.
    write_ini("[Other]\nSounds=0\nDifficulty=1\n[Options]\nTooltips=1\n");
    read_options();
    option_values expected = current;
    expected.tooltips = 1;
    EXPECT_EQ(current_values(), expected);
}

TEST_F(OptionsFile, MissingPlayer2FirstMeansBottomSideFirst)
{
    g_first_turn = 13;
    write_ini("[Options]\nSounds=1\n");
    read_options();
    EXPECT_EQ(g_first_turn, 6);
}

TEST_F(OptionsFile, WithoutFileBottomSideMovesFirst)
{
    g_first_turn = 13;
    read_options();
    EXPECT_EQ(g_first_turn, 6);
}

struct first_side_case {
    const char* value;
    int first_turn;
};

class Player2First : public OptionsFile, public ::testing::WithParamInterface<first_side_case> {};

TEST_P(Player2First, ZeroMeansTopSideAnythingElseBottomSide)
{
    write_ini(std::string("[Options]\nPlayer2First=") + GetParam().value + "\n");
    read_options();
    EXPECT_EQ(g_first_turn, GetParam().first_turn);
}

INSTANTIATE_TEST_SUITE_P(Values, Player2First,
                         ::testing::Values(first_side_case{"0", 13}, first_side_case{"1", 6},
                                           first_side_case{"2", 6}, first_side_case{"-1", 6}));

TEST_F(OptionsFile, ValuesAreStoredAsRead)
{
    write_ini("[Options]\n"
              "Sounds=5\n"
              "NumberPlayers=7\n"
              "Difficulty=3x\n"
              "AllowEmptyCaps=-1\n"
              "RandomMoves=2\n");
    read_options();
    EXPECT_EQ(g_sounds, 5);
    EXPECT_EQ(g_num_players, 7);
    EXPECT_EQ(g_difficulty, 3);
    EXPECT_EQ(g_allow_empty_caps, -1);
    EXPECT_EQ(g_random_moves, 2);
}

TEST_F(OptionsFile, ValueWithoutNumberReadsAsZero)
{
    write_ini("[Options]\nTooltips=yes\nDifficulty=deep\n");
    read_options();
    EXPECT_EQ(g_tooltips, 0);
    EXPECT_EQ(g_difficulty, 0);
}

struct stones_case {
    const char* value;
    int stones;
};

class StonesInFile : public OptionsFile, public ::testing::WithParamInterface<stones_case> {};

TEST_P(StonesInFile, OneToEightIsTakenAnythingElseKeepsThePreviousCount)
{
    g_num_stones = 6;
    write_ini(std::string("[Options]\nNumbersStones=") + GetParam().value + "\n");
    read_options();
    EXPECT_EQ(g_num_stones, GetParam().stones);
}

INSTANTIATE_TEST_SUITE_P(Values, StonesInFile,
                         ::testing::Values(stones_case{"1", 1}, stones_case{"8", 8}, stones_case{"3x", 3},
                                           stones_case{"0", 6}, stones_case{"9", 6}, stones_case{"-1", 6},
                                           stones_case{"text", 6}, stones_case{"", 6},
                                           stones_case{"100", 6}));

} // namespace
