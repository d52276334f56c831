// The player's options: plain globals read wherever they are needed, and the
// settings file they are loaded from and saved to. No platform header here:
// the engine reads two of these values and builds natively.
#pragma once

extern int g_first_turn;       // side that moves first: BOTTOM_STORE or TOP_STORE
extern int g_allow_empty_caps; // flag: an own empty bin facing an empty bin still captures
extern int g_random_moves;     // flag: the computer picks among equal moves at random
extern int g_sounds;           // flag: a sound for each move
extern int g_tooltips;         // flag: tooltips show stone counts
extern int g_num_players;      // 0 computer vs computer, 1 person vs computer, other: two people
extern int g_difficulty;       // search depth, 0..MAX_SEARCH_DEPTH
extern int g_num_stones;       // stones per playing bin at the start of a game, MIN_STONES..MAX_STONES
extern int g_random_seed;      // shown in the Options dialog; lives for the run only

// While an opened record's empty-capture rule differs from the player's
// option, g_allow_empty_caps holds the record's rule for its game and this
// the player's own; -1 otherwise. New Game puts the player's back.
extern int g_own_empty_caps;
// The player's own empty-capture option, whatever rule the game on the
// board plays by: what the Options dialog shows and the settings file keeps.
int own_empty_caps();

// The sowing animation's pace (Game menu), saved under its own key.
constexpr int PACE_INSTANT = 0; // each move's result at once
constexpr int PACE_FAST = 1;    // a quarter of the normal pause per step
constexpr int PACE_NORMAL = 2;  // the default: 400 ms a step
extern int g_animation_speed;

// The settings file, relative on purpose: it lives in the current directory.
extern const char settings_file[];

// Load from the settings file (section "Options"). A missing key, or a depth
// or stones count out of range, keeps the current value; the pace reads as
// PACE_NORMAL unless the file holds another pace. Win32 build only.
void read_options();
// Write all eight keys to the settings file, keeping its other keys and
// sections: into a copy that, once read back whole, replaces the file in one
// step. False, the file as it was, when anything failed. Win32 build only.
// The pace's key is not among them: write_pace writes it alone, in the same way.
bool write_options();
bool write_pace();
