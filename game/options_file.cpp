// Loads the options from the settings file .\kivari.ini and saves them there.
#include "game/options.h"
#include "game/options_file.h"

#include "engine/engine.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>
#include <ctime>
#include <string>
#include <vector>

const char settings_file[] = ".\\kivari.ini";

namespace {

const char section[] = "Options";

// The decimal number the value's text begins with (`unreadable` when there
// is none), or `missing` without the key. The text is parsed here, not by
// GetPrivateProfileInt, which wraps a long number round 2^32 (4294967301
// reads as 5, 2147483648 as negative): a number too large for an int comes
// back as INT_MAX or INT_MIN, which no range takes and any flag reads as on.
int read_int(const char* key, int missing, int unreadable = 0)
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
    if (*p < '0' || *p > '9')
        return unreadable;
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

// A list of strings, each ended by a null, as a profile function `get` gives
// it into a buffer of the size it is given (grown until the list fits).
std::vector<std::string> read_list(const std::function<DWORD(char*, DWORD)>& get)
{
    std::vector<char> text(4096);
    DWORD n = 0;
    while ((n = get(text.data(), static_cast<DWORD>(text.size()))) + 2 >= text.size() &&
           text.size() < (1u << 26))
        text.resize(text.size() * 2);
    std::vector<std::string> list;
    for (const char* p = text.data(); p < text.data() + n && *p != '\0'; p += list.back().size() + 1)
        list.emplace_back(p);
    return list;
}

struct saved_key {
    const char* key;
    std::string text;
};

bool is_ours(const std::string& line, const std::vector<saved_key>& ours)
{
    std::string key = line.substr(0, line.find('='));
    key.erase(key.find_last_not_of(" \t") + 1);
    key.erase(0, key.find_first_not_of(" \t"));
    return std::any_of(ours.begin(), ours.end(),
                       [&](const saved_key& k) { return lstrcmpiA(k.key, key.c_str()) == 0; });
}

// True when `copy`, read afresh from the disk, holds every section and line
// of `old` and each of our keys with its new value: a write cut short by a
// full disk, even one reported as done, leaves something out.
bool holds_everything(const char* old, const char* copy, const std::vector<saved_key>& ours)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, copy); // no answers from the cache
    for (const saved_key& k : ours) {
        char text[16];
        GetPrivateProfileStringA(section, k.key, "", text, sizeof text, copy);
        if (k.text != text)
            return false;
    }
    const auto names_of = [](const char* file) {
        return read_list(
            [&](char* text, DWORD size) { return GetPrivateProfileSectionNamesA(text, size, file); });
    };
    const auto lines_of = [&](const std::string& name, const char* file) {
        std::vector<std::string> lines = read_list([&](char* text, DWORD size) {
            return GetPrivateProfileSectionA(name.c_str(), text, size, file);
        });
        std::erase_if(lines, [&](const std::string& line) { return is_ours(line, ours); });
        return lines;
    };
    std::vector<std::string> names = names_of(old);
    if (std::none_of(names.begin(), names.end(),
                     [](const std::string& n) { return lstrcmpiA(n.c_str(), section) == 0; }))
        names.emplace_back(section);
    if (names_of(copy).size() != names.size())
        return false;
    return std::all_of(names.begin(), names.end(),
                       [&](const std::string& name) { return lines_of(name, old) == lines_of(name, copy); });
}

// Writes `ours`, keeping everything else in the file.
bool write_keys(const std::vector<saved_key>& ours)
{
    // The keys go into a copy beside the file, which replaces it in one step
    // once it holds everything: the file is always the old one or the new
    // one whole, whatever happens to the disk meanwhile.
    char copy[MAX_PATH];
    if (GetTempFileNameA(".", "kiv", 0, copy) == 0)
        return false;
    bool saved =
        GetFileAttributesA(settings_file) == INVALID_FILE_ATTRIBUTES || CopyFileA(settings_file, copy, FALSE);
    for (const saved_key& k : ours)
        saved = saved && g_write_profile(section, k.key, k.text.c_str(), copy) != FALSE;
    saved = saved && holds_everything(settings_file, copy, ours) &&
            MoveFileExA(copy, settings_file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!saved)
        DeleteFileA(copy);
    return saved;
}

} // namespace

BOOL(WINAPI* g_write_profile)(LPCSTR, LPCSTR, LPCSTR, LPCSTR) = WritePrivateProfileStringA;

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
    g_num_stones = read_in_range("NumbersStones", g_num_stones, MIN_STONES, MAX_STONES);
    const int pace = read_int("AnimationSpeed", PACE_NORMAL, PACE_NORMAL);
    g_animation_speed = pace >= PACE_INSTANT && pace <= PACE_NORMAL ? pace : PACE_NORMAL;
}

bool write_options()
{
    std::vector<saved_key> ours;
    for (const auto& [key, value] : {std::pair{"Player2First", g_first_turn == BOTTOM_STORE ? 1 : 0},
                                     {"AllowEmptyCaps", own_empty_caps() != 0 ? 1 : 0},
                                     {"RandomMoves", g_random_moves != 0 ? 1 : 0},
                                     {"Sounds", g_sounds != 0 ? 1 : 0},
                                     {"Tooltips", g_tooltips != 0 ? 1 : 0},
                                     {"NumberPlayers", g_num_players},
                                     {"Difficulty", g_difficulty},
                                     {"NumbersStones", g_num_stones}})
        ours.push_back({key, std::to_string(value)});
    return write_keys(ours);
}

bool write_pace()
{
    return write_keys({{"AnimationSpeed", std::to_string(g_animation_speed)}});
}

void report_unsaved_options(HWND owner)
{
    char path[MAX_PATH];
    const DWORD length = GetFullPathNameA(settings_file, sizeof path, path, nullptr);
    if (length == 0 || length >= sizeof path)
        snprintf(path, sizeof path, "%s", settings_file);
    char text[MAX_PATH + 100];
    snprintf(text, sizeof text, "The options could not be saved in %s. They apply until the program ends.",
             path);
    MessageBoxA(owner, text, "Options", MB_OK | MB_ICONEXCLAMATION);
}
