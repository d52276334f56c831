// A game record as text that a person can read and write: tag lines, then
// one move a line in the History's words.
//
//   [Game "wKivari"]
//   [Stones "4"]
//   [EmptyCaptures "0"]
//   [First "Player 2"]
//   [Date "2026.12.08"]
//   [Result "*"]
//
//   Player 2: 3
//   Player 1: 4
//
// Stones, EmptyCaptures and First are required; Game, Date and Result are
// checked for their form when present; other tags are ignored, and so are
// blank lines, lines starting with ';' and what follows a ';' after a move
// ("Player 1: 4 ; -3, best 2"). Plain C++: the controller opens a
// record into the game, and saves, copies and pastes through Win32.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct node;

// The rules a record sets and the moves it holds.
struct game_record {
    int stones = 0;          // per playing bin at the start
    bool empty_caps = false; // the empty-capture rule
    int first = 0;           // the side that moves first: BOTTOM_STORE or TOP_STORE
    std::vector<int> moves;  // the bins sown, in order
};

// The longest record read, in bytes, and the longest line in it.
constexpr std::size_t max_record_bytes = 1 << 20;
constexpr std::size_t max_record_line = 1000;

// The record of the game from the root to `current` (the moves taken back
// below it are not in it), with CR LF line ends; `date` as "2026.12.08".
// Empty, with `error` saying why, when the game cannot be written as one
// record: its moves were made under both empty-capture rules. `comments`,
// one a move from the first, go after their moves' lines (empty: none).
std::string write_record(const node* current, const std::string& date, std::string& error,
                         const std::vector<std::string>& comments = {});

// Reads a record and plays its moves by the engine's rules. False at the
// first fault, with `error` naming its line: "line 9: Player 1 is not to move".
bool read_record(std::string_view text, game_record& out, std::string& error);
