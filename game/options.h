// The player's options: plain globals read wherever they are needed, and the
// settings file they are loaded from and saved to. No platform header here:
// the engine reads two of these values and builds natively.
#pragma once

extern int g_first_turn;       // side that moves first: 6 bottom, 13 top
extern int g_allow_empty_caps; // flag: an own empty bin facing an empty bin still captures
extern int g_random_moves;     // flag: the computer picks among equal moves at random
extern int g_sounds;           // flag: a sound for each move
extern int g_tooltips;         // flag: tooltips show stone counts
extern int g_num_players;      // 0 computer vs computer, 1 person vs computer, other: two people
extern int g_difficulty;       // search depth
extern int g_num_stones;       // stones per playing bin at the start of a game (1..8)
extern int g_random_seed;      // shown in the Options dialog; lives for the run only

// Load from ".\kivari.ini" (section "Options"); missing keys keep the
// current values. Win32 build only.
void read_options();
// Write all eight keys to ".\kivari.ini". Win32 build only.
void write_options();
