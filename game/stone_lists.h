// The stone lists: which coloured stone lies in which bin, in order of
// arrival, kept beside the engine's counts so that every stone keeps its
// colour as it is sown and captured; and the lists after each move of the
// game, so that taking moves back shows every stone where it was. Plain C++:
// the board paints these lists and animates the steps sow_stones takes.
#pragma once

#include <functional>
#include <string>

// Per bin 0..13, the colours (0..4) of its stones in order of arrival, ended by -1.
extern int g_stones[14][140];
// Stones in a bin's list; -1 for a bin outside 0..13.
int bin_count(int bin);
// Deals a new game of `stones` per playing bin (MIN_STONES..MAX_STONES) from next_random.
// Returns 0, or -1 leaving the lists untouched for any other number.
int init_stones(int stones);
// Plays the move from `bin` on the lists, step by step: the stones picked
// up, each one sown (the one picked up last goes first), and a capture.
// Before every step but the first it calls `wait`; after each change it
// calls `changed` for every bin whose list changed. The counts the lists
// end with are those of the engine's do_move on the lists' counts under
// `empty_caps`. Does nothing unless `bin` is a non-empty playing bin.
void sow_stones(int bin, bool empty_caps, const std::function<void()>& wait,
                const std::function<void(int bin)>& changed);
// The stone lists packed, each bin's colours followed by -1, to be put back
// as they were with unpack_stones (which refuses anything else and then
// leaves the lists as they are).
std::string pack_stones();
bool unpack_stones(const std::string& packed);

// The lists after each move of the game path, by level. A new game keeps
// the opening's lists only; a move keeps its lists at its level and drops
// those of moves taken back from there; restoring a level puts its lists
// back (false, changing nothing, when none is kept for it).
void keep_opening_lists();
void keep_lists(int level);
bool restore_lists(int level);
