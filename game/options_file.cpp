// Loads the options from the settings file .\kivari.ini and saves them there.
#include "game/options.h"

#include <windows.h>

#include <cstdio>
#include <ctime>

namespace {

// Relative on purpose: the file lives in the current directory.
const char ini_path[] = ".\\kivari.ini";
const char section[] = "Options";

int read_int(const char* key, int default_value)
{
    return static_cast<int>(GetPrivateProfileIntA(section, key, default_value, ini_path));
}

void write_int(const char* key, int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    WritePrivateProfileStringA(section, key, text, ini_path);
}

} // namespace

void read_options()
{
    g_random_seed = static_cast<int>(std::time(nullptr));

    g_first_turn = read_int("Player2First", 1) != 0 ? 6 : 13;
    g_allow_empty_caps = read_int("AllowEmptyCaps", g_allow_empty_caps);
    g_random_moves = read_int("RandomMoves", g_random_moves);
    g_sounds = read_int("Sounds", g_sounds);
    g_tooltips = read_int("Tooltips", g_tooltips);
    g_num_players = read_int("NumberPlayers", g_num_players);
    g_difficulty = read_int("Difficulty", g_difficulty);

    // The engine sets up a game only with 1..8 stones per bin; any other
    // count from the file is ignored and the one we had stays.
    int stones = read_int("NumbersStones", g_num_stones);
    if (stones >= 1 && stones <= 8)
        g_num_stones = stones;
}

void write_options()
{
    write_int("Player2First", g_first_turn == 6 ? 1 : 0);
    write_int("AllowEmptyCaps", g_allow_empty_caps != 0 ? 1 : 0);
    write_int("RandomMoves", g_random_moves != 0 ? 1 : 0);
    write_int("Sounds", g_sounds != 0 ? 1 : 0);
    write_int("Tooltips", g_tooltips != 0 ? 1 : 0);
    write_int("NumberPlayers", g_num_players);
    write_int("Difficulty", g_difficulty);
    write_int("NumbersStones", g_num_stones);
}
