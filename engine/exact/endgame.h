// The endgame table: the exact result, with best play by both sides, of
// every position with at most N stones in the twelve playing bins, under one
// empty-capture rule; built by stone count, kept as a file image with a
// header and a checksum, and refused when that image is damaged.
//
// Contract.
// - The value of a position is its margin: the stones in play (the twelve
//   playing bins) that the side to move ends the game with, less those the
//   other side ends it with, when both play their best from here. The rules
//   are the game's as the controller applies them: a move as do_move makes
//   it, then the end test after every move; when either row is empty the
//   game is over and the stones left in a row count for the row's owner.
//   The stores take no part: the final totals are each side's store plus its
//   share of the stones in play, (k + margin) / 2 for the side to move and
//   (k - margin) / 2 for the other, k the stones in play. So the side to
//   move wins when its store lead plus the margin is above 0, ties at 0.
// - A margin lies in -k..k with the parity of k; int8 holds it, since the
//   table never holds more than MAX_ENDGAME_STONES stones in play.
// - A position where a row is already empty is over: its value is the side
//   to move's row less the other row.
// - Results: 0 done; ENDGAME_* below otherwise. std::bad_alloc never escapes
//   (it comes back as ENDGAME_NO_MEMORY), and a table that failed to build
//   or load is empty, which every look-up treats as "no value".
// - Thread safety: a built or loaded table is only read, so any number of
//   threads may look up in it at once; building, loading and clearing need
//   the table to themselves.
// - The build polls `cancel` and reports progress through `progress` on the
//   thread that builds, so the caller can build on a worker thread and show
//   how far it got.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/engine.h"

// The largest N accepted (1.25 GB of table).
constexpr int MAX_ENDGAME_STONES = 24;
// The N the program builds: 30.4 MB a rule, 60.8 MB for both, built in
// about 5 s a rule on one core of a two-core machine, so a player waits
// little the first time. N = 17 would take 103.8 MB for both and twice the
// time, for positions the solver reaches quickly anyway (bench/NOTES.md).
constexpr int ENDGAME_STONES = 16;
// The file format: its magic, the version this build writes and reads, and
// the header's size. The header is the magic (8 bytes), then little-endian
// the version (4), N (4), the rule (4: 1 for empty captures), 4 zero bytes,
// the number of positions (8), and the FNV-1a 64 checksum (8) of the header's
// first 32 bytes followed by the positions. One int8 margin per position
// follows, positions ordered by stones in play, then by rank (lexicographic
// order of the twelve bins as the side to move sees them: its row in sowing
// order, then the other row in sowing order).
constexpr char ENDGAME_MAGIC[8] = {'W', 'K', 'I', 'V', 'E', 'N', 'D', 'G'};
constexpr uint32_t ENDGAME_FORMAT = 1;
constexpr std::size_t ENDGAME_HEADER_SIZE = 40;

constexpr int ENDGAME_BAD_ARGS = -1;
constexpr int ENDGAME_NO_MEMORY = -2;
constexpr int ENDGAME_CANCELLED = -3;
constexpr int ENDGAME_BAD_SIZE = -4; // truncated, or longer than its header says
constexpr int ENDGAME_FOREIGN = -5;  // not a table image, or another version, N or rule
constexpr int ENDGAME_DAMAGED = -6;  // the checksum does not match
constexpr int ENDGAME_IO = -7;       // the file could not be read or written

// A look-up's answer for a position the table does not hold.
constexpr int ENDGAME_NONE = -128;

struct endgame_table {
    // The file image: header, then the margins. Empty: no table.
    std::vector<uint8_t> image;
};

// Called now and then during a build with the positions done and the
// positions in all, ending with done == total.
using endgame_progress = void (*)(void* context, uint64_t done, uint64_t total);

// The number of positions of a table for N stones, and its image's size.
uint64_t endgame_positions(int max_stones);
std::size_t endgame_image_size(int max_stones);

// Builds the table for N = max_stones (0..MAX_ENDGAME_STONES) under the
// empty-capture rule into `out` (whose previous contents go first). progress
// and cancel may be null. 0 built; ENDGAME_BAD_ARGS, ENDGAME_NO_MEMORY,
// ENDGAME_CANCELLED, each leaving `out` empty.
int endgame_build(endgame_table& out, int max_stones, bool empty_caps, endgame_progress progress = nullptr,
                  void* context = nullptr, const std::atomic<bool>* cancel = nullptr);

// Takes `image` (moved in, no copy) as the table for N and the rule when its
// size, header and checksum are right: 0, else ENDGAME_BAD_SIZE,
// ENDGAME_FOREIGN or ENDGAME_DAMAGED, and `out` is left empty.
int endgame_adopt(endgame_table& out, std::vector<uint8_t>&& image, int max_stones, bool empty_caps);
// The same on a copy of `size` bytes at `data`; also ENDGAME_NO_MEMORY.
int endgame_load(endgame_table& out, const uint8_t* data, std::size_t size, int max_stones, bool empty_caps);

// The checks of endgame_adopt alone, on bytes that stay the caller's.
int endgame_validate(const uint8_t* data, std::size_t size, int max_stones, bool empty_caps);

// What a table holds: N, the rule; -1 and false when it is empty.
int endgame_max_stones(const endgame_table& t);
bool endgame_empty_caps(const endgame_table& t);

// The margin of the side to move `turn` in the position of `bins` (a node's
// fourteen; the stores are ignored), or ENDGAME_NONE when the table is empty
// or does not hold it (more than N stones in play, a negative bin).
int endgame_margin(const endgame_table& t, const int32_t* bins, int turn);

// Plain std::FILE helpers for tools and benchmarks: write the image; read a
// file and adopt it (ENDGAME_IO when it cannot be read).
int endgame_write_file(const endgame_table& t, const char* path);
int endgame_read_file(endgame_table& out, const char* path, int max_stones, bool empty_caps);

// Test seam: while set, every allocation of the table and of the exact
// solver fails as if memory were exhausted.
void exact_memory_fail(bool fail);
