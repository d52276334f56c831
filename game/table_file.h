// The endgame table's file: read when it is whole and for the same stones and rule, else built anew and
// written in its place. Plain C++; the Win32 side chooses the folder and how a file is put in place.
#pragma once

#include <atomic>
#include <string>

#include "engine/exact/endgame.h"

// What load_or_build_table did.
constexpr int TABLE_READ = 0;      // the file held the table
constexpr int TABLE_WRITTEN = 1;   // built and written to the file
constexpr int TABLE_IN_MEMORY = 2; // built, but the file could not be written: kept for the run only

// Puts the file `from` in the place of `to`, replacing what is there; true when done.
using replace_file = bool (*)(const char* from, const char* to);

// The table for `stones` and the rule into `out`: read from `path`, or, when the file is missing,
// damaged, truncated or foreign, built (progress and cancel as endgame_build takes them) and written to
// `path` with ".tmp" added, which `replace` then puts in place, so a half-written file is never taken for
// the table. TABLE_*, or endgame_build's failure with `out` empty.
int load_or_build_table(endgame_table& out, const std::string& path, int stones, bool empty_caps,
                        endgame_progress progress, void* context, const std::atomic<bool>* cancel,
                        replace_file replace);
