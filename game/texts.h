// What the game says in the status bar's message part (part 0) and in the result box. Kept here so that
// every place that shows one, and every test that waits for one, uses the same words.
#pragma once

constexpr char new_game_prompt[] = "Select 'File->New Game' to start...";
constexpr char your_turn[] = "Select bin to move from.";
constexpr char pondering[] = "Computer is pondering move...";
constexpr char looking_for_hint[] = "Looking for a hint...";
constexpr char cannot_search[] = "The computer cannot move: out of resources.";
constexpr char move_refused[] = "ERROR: could not make move";
constexpr char out_of_memory[] = "ERROR: out of memory";
// The status line at the end, and the result box's title.
constexpr char game_over_text[] = "Game over.";
// The result box's text: the top side, Player 1, won; equal halves; the bottom side won.
constexpr char top_wins[] = "Player 1 wins!";
constexpr char tie_game[] = "Tie game!";
constexpr char bottom_wins[] = "Player 2 wins!";
