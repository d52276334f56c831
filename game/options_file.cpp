// Loads the options from the settings file .\kivari.ini and saves them there.
#include "game/options.h"

#include "engine/engine.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <ctime>

const char settings_file[] = ".\\kivari.ini";

namespace {

const char section[] = "Options";

// The decimal number the value's text begins with (0 when there is none), or
// `missing` without the key. The text is parsed here, not by
// GetPrivateProfileInt, which wraps a long number round 2^32 (4294967301
// reads as 5, 2147483648 as negative): a number too large for an int comes
// back as INT_MAX or INT_MIN, which no range takes and any flag reads as on.
int read_int(const char* key, int missing)
{
    // Room for any int with leading zeros to spare; a longer value is cut,
    // which still leaves a long number out of every range.
    char text[64];
    if (GetPrivateProfileStringA(section, key, "", text, sizeof text, settings_file) == 0)
        return missing;
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        value = std::min(value * 10 + (*p - '0'), 1LL + INT_MAX);
    if (negative)
        return value > INT_MAX ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// The value when it lies in lo..hi, else `current`.
int read_in_range(const char* key, int current, int lo, int hi)
{
    const int value = read_int(key, current);
    return value >= lo && value <= hi ? value : current;
}

bool write_int(const char* key, int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return WritePrivateProfileStringA(section, key, text, settings_file) != FALSE;
}

} // namespace

void read_options()
{
    g_random_seed = static_cast<int>(std::time(nullptr));

    g_first_turn = read_int("Player2First", 1) != 0 ? BOTTOM_STORE : TOP_STORE;
    // Flags and the number of players are kept as read: any non-zero flag is
    // on, any number of players but 0 and 1 plays as two people.
    g_allow_empty_caps = read_int("AllowEmptyCaps", g_allow_empty_caps);
    g_random_moves = read_int("RandomMoves", g_random_moves);
    g_sounds = read_int("Sounds", g_sounds);
    g_tooltips = read_int("Tooltips", g_tooltips);
    g_num_players = read_int("NumberPlayers", g_num_players);
    // A depth the search is never asked for, or a stones count the engine
    // cannot set up, is ignored and the value we had stays.
    g_difficulty = read_in_range("Difficulty", g_difficulty, 0, MAX_SEARCH_DEPTH);
    g_num_stones = read_in_range("NumbersStones", g_num_stones, 1, 8);
}

bool write_options()
{
    // Every key is tried, so one that fails does not cost the others.
    bool saved = write_int("Player2First", g_first_turn == BOTTOM_STORE ? 1 : 0);
    saved &= write_int("AllowEmptyCaps", g_allow_empty_caps != 0 ? 1 : 0);
    saved &= write_int("RandomMoves", g_random_moves != 0 ? 1 : 0);
    saved &= write_int("Sounds", g_sounds != 0 ? 1 : 0);
    saved &= write_int("Tooltips", g_tooltips != 0 ? 1 : 0);
    saved &= write_int("NumberPlayers", g_num_players);
    saved &= write_int("Difficulty", g_difficulty);
    saved &= write_int("NumbersStones", g_num_stones);
    return saved;
}
