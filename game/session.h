// The game's session apart from the window: what it keeps for the position on show. So far the move
// values: kept as numbers, one label for the board and the screen reader. Plain C++, tested natively;
// the Win32 controller finds the values and tells the screen.
#pragma once

#include "engine/engine.h"

// One bin's move value while Show Move Values shows it.
struct bin_value {
    bool shown = false;
    int loss = 0;       // stones worse than the best move for the mover; 0 for the best
    bool exact = false; // the game's true result: every line below the move ends within the search
};
extern bin_value g_bin_values[14];

// Keeps the values move_values found at `n` (`count` of them, the search's
// result) for the bins they name, each against the best for the side to
// move: the top side's highest h or the bottom side's lowest. Marks in
// `changed` the bins that now show a value; nothing for a count of 0 or less.
void keep_values(const node* n, const move_value* values, int count, bool (&changed)[14]);
// Takes every value off; marks in `changed` the bins that showed one.
void drop_values(bool (&changed)[14]);
// Whether any bin shows a value.
bool values_shown();

// A bin's value as the board labels it: "0" for the best, "-2" for two
// stones worse, "=" before a value that is the game's result; empty when
// the bin shows none.
void value_label(int bin, char (&text)[8]);
// What a screen reader is told of it: "Value: -2", "Value: 0, best"; empty
// when the bin shows none.
void value_description(int bin, char (&text)[32]);
