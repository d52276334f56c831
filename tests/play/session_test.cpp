// The game's session without a window: a screen that writes down what it is asked, and searches that the
// test answers itself, as the worker thread would.
#include <gtest/gtest.h>

#include <algorithm>

#include "game/play.h"
#include "game/record.h"
#include "game/stone_lists.h"
#include "game/texts.h"
#include "tests/play/session_fixture.h"

namespace {

// A move and the hand-over to the computer, its search started only for the request still wanted and its
// result played; a request or a result from before New Game, or from a search given up, never applied.
TEST_F(Session, TheComputersTurnComesOnlyForTheRequestStillWanted)
{
    session_new_game();
    said();
    session_play_bin(2); // Player 2's bin 3: four stones, the last in the store, so Player 2 again
    session_play_bin(2); // now empty
    session_play_bin(1);
    EXPECT_EQ(said(), (std::vector<std::string>{"sow 2", "history Player 2: 3", your_turn, move_refused,
                                                "sow 1", "history Player 2: 2", "ask"}));
    EXPECT_EQ(g_last_move_bin, 1);
    const request_id asked = g_asked;
    EXPECT_FALSE(session_computer_turn(asked + 1));
    EXPECT_TRUE(session_computer_turn(asked) && session_thinking());
    EXPECT_EQ(said(), (std::vector<std::string>{"search", pondering}));
    // The search plays by the options it was ordered with, and never at a depth it does not search.
    g_difficulty = 7, g_allow_empty_caps = 1;
    EXPECT_TRUE(g_order.depth == 2 && !g_order.settings.empty_caps);
    g_allow_empty_caps = 0;
    EXPECT_FALSE(session_computer_turn(asked)) << "one search at a time";
    EXPECT_FALSE(playable_now(0)) << "no move while the computer thinks";
    const int level = g_current->level;
    answer();
    EXPECT_EQ(g_current->level, level + 1);
    EXPECT_TRUE(g_current->parent->turn == T && !g_searching);
    // Given up at New Game: stopped, and neither the queued request nor the old result counts.
    g_first_turn = T, g_difficulty = MAX_SEARCH_DEPTH + 40;
    session_new_game();
    const request_id first = g_asked;
    ASSERT_TRUE(session_computer_turn(first));
    EXPECT_EQ(g_order.depth, MAX_SEARCH_DEPTH);
    session_new_game();
    EXPECT_FALSE(session_result_wanted(first) || session_computer_turn(first));
    const std::vector<std::string> log = said();
    EXPECT_NE(std::find(log.begin(), log.end(), "stop"), log.end());
    // No thread for the search: the person may play the computer's side with a click, never a key.
    g_thread_starts = false;
    EXPECT_FALSE(session_computer_turn(g_asked));
    EXPECT_EQ(said().back(), cannot_search);
    session_key(key_intent::play_column, 1, g_positions_shown);
    EXPECT_EQ(g_current, g_root);
    EXPECT_TRUE(playable_now(7));
    session_play_bin(7);
    EXPECT_EQ(g_current->move, 7);
}

// Undo against the computer while it thinks: the search stops, the position goes back to the person's
// previous turn with the computer's reply, and redo plays both again, the same stones moving.
TEST_F(Session, UndoStopsTheComputerAndRedoPlaysItsReplyAgain)
{
    session_new_game();
    session_play_bin(4); // the last stone in Player 1's row
    computer_plays_out();
    session_play_bin(next_bin(g_current, 1, 1));
    ASSERT_TRUE(computer_plays(g_current->turn) && session_computer_turn(g_asked));
    node* thinking = g_current;
    said();
    session_undo();
    EXPECT_EQ(said().front(), "stop");
    EXPECT_TRUE(g_current == thinking->parent && !g_searching && g_current->turn == B);
    EXPECT_EQ(g_last_move_bin, g_current->move);
    session_ask_hint(); // searched on a copy: the moves to play again stay
    answer();
    said();
    session_redo();
    EXPECT_EQ(g_current, thinking);
    char line[80];
    format_history_line(thinking, line);
    EXPECT_EQ(said(), (std::vector<std::string>{"sow " + std::to_string(thinking->move),
                                                std::string("history ") + line, "ask"}));
    session_undo(), session_undo();
    EXPECT_EQ(g_current, g_root) << "back to the opening, the computer's reply with it";
    EXPECT_EQ(said().back(), your_turn);
    session_undo();
    EXPECT_EQ(g_current, g_root);
    session_play_bin(g_root->first_child->move); // played anew: the moves taken back go
    EXPECT_TRUE(g_current->next_sibling == nullptr && g_current->parent->first_child == g_current);
}

// Keys: one typed before its position was shown is dropped; the first Enter shows the frame, Right moves it
// over non-empty bins and wraps; a hint is looked for and shown without being played, and gives way to a
// move; the values come in each person's turn, go with the next move, and give way to a hint.
TEST_F(Session, KeysHintsAndValuesActOnThePositionTheyWereMeantFor)
{
    g_num_players = 2;
    session_new_game();
    session_key(key_intent::play_column, 3, g_positions_shown - 1);
    EXPECT_EQ(g_current, g_root) << "typed before the position was shown";
    session_key(key_intent::play_focus, 0, g_positions_shown);
    EXPECT_TRUE(g_current == g_root && g_focus_bin == 0) << "the first Enter only shows the frame";
    for (const int want : {1, 2, 3, 4, 5, 0}) {
        session_key(key_intent::focus_right, 0, g_positions_shown);
        EXPECT_EQ(g_focus_bin, want);
    }
    session_key(key_intent::play_column, 2, g_positions_shown); // bin 1: the last stone in bin 5
    EXPECT_EQ(g_current->move, 1);
    said();
    session_key(key_intent::hint, 0, g_positions_shown);
    EXPECT_TRUE(g_searching && g_order.kind == search_kind::hint && said().back() == looking_for_hint);
    session_play_bin(12); // the hint gives way to a move
    EXPECT_TRUE(!g_searching && g_current->move == 12 && said().front() == "stop");
    session_key(key_intent::hint, 0, g_positions_shown);
    answer();
    EXPECT_TRUE(side_of(g_hint_bin) == g_current->turn && g_current->move == 12 &&
                said().back().starts_with("Hint: bin "));
    session_hint_over();
    EXPECT_EQ(g_hint_bin, -1);
    EXPECT_TRUE(session_toggle_values() && g_searching && g_order.kind == search_kind::values);
    session_key(key_intent::hint, 0, g_positions_shown);
    EXPECT_EQ(g_order.kind, search_kind::hint) << "the values give way to the hint";
    answer();
    ASSERT_EQ(g_order.kind, search_kind::values) << "and come after it";
    answer();
    EXPECT_TRUE(values_shown() && !g_searching) << "too many stones in play for proven results";
    session_play_bin(g_hint_bin);
    EXPECT_TRUE(!values_shown() && g_searching && g_order.kind == search_kind::values);
    EXPECT_FALSE(session_toggle_values() || g_searching);
}

// Late in a game the values' proven results replace them: each move's final lead for the mover, its store
// lead counted; a new position drops an exact search's result, and one not proven leaves the values.
TEST_F(Session, ProvenResultsShowEachMovesFinalLeadForTheMover)
{
    g_num_players = 2, g_show_values = true;
    std::string error;
    game_record record; // two stones a bin; Player 2's two moves put two in its store
    ASSERT_TRUE(
        read_record("[Stones \"2\"]\n[EmptyCaptures \"0\"]\n[First \"Player 2\"]\nPlayer 2: 5\nPlayer 2: 6\n",
                    record, error))
        << error;
    ASSERT_TRUE(session_open(record));
    session_search_done(-2); // the values search failed
    EXPECT_FALSE(g_searching) << "not asked again at once";
    session_want_values();
    const auto labels = [](int first) {
        char a[8], b[8], c[8];
        value_label(first, a), value_label(first + 1, b), value_label(first + 2, c);
        return std::vector<std::string>{a, b, c};
    };
    const auto proven = [&](int first, std::vector<int> margins) {
        answer(); // the values at the depth, then their exact search
        EXPECT_EQ(g_order.kind, search_kind::exact);
        for (std::size_t i = 0; i < margins.size(); ++i)
            g_found_exact[i] = {first + static_cast<int>(i), margins[i]};
        g_exact_result = static_cast<int>(margins.size());
        answer();
        g_exact_result = EXACT_NOT_PROVEN;
        return labels(first);
    };
    using texts = std::vector<std::string>;
    EXPECT_EQ(proven(7, {5, 2, 0, 1}), (texts{"=+3", "=0", "=-2"})) << "Player 1, two stones behind";
    char best[32], worst[32];
    value_description(7, best), value_description(9, worst);
    EXPECT_EQ(std::string(best) + "|" + worst, "Result: wins by 3, best|Result: loses by 2");
    session_play_bin(9);
    EXPECT_EQ(proven(0, {1, -2, -4, 0}), (texts{"=+3", "=0", "=-2"})) << "Player 2, two stones ahead";
    session_play_bin(0);
    answer();
    const request_id exact = g_order.request;
    session_play_bin(7);
    EXPECT_TRUE(!session_result_wanted(exact) && g_order.kind == search_kind::values);
    answer();
    const texts values = labels(0);
    answer();
    EXPECT_TRUE(labels(0) == values && !g_searching) << "not proven within the budget";
}

// A record opened over a game in progress: the board, the rule, the History and the turn as after its
// moves, its end told; undo goes back through it to its opening.
TEST_F(Session, ARecordOpensAsTheGameItHolds)
{
    session_play_bin(0); // before the first New Game: taken back, the opening asks for one again
    session_undo();
    EXPECT_TRUE(g_current == g_root && said().back() == new_game_prompt);
    session_new_game();
    session_play_bin(3);
    std::string error;
    game_record record;
    ASSERT_TRUE(read_record("[Stones \"1\"]\n[EmptyCaptures \"1\"]\n[First \"Player 2\"]\n"
                            "Player 2: 6\nPlayer 2: 5\nPlayer 1: 1\n",
                            record, error))
        << error;
    said();
    ASSERT_TRUE(session_open(record));
    EXPECT_TRUE(g_current->level == 3 && g_last_move_bin == 12 && g_allow_empty_caps == 1);
    EXPECT_EQ(said(), (std::vector<std::string>{"history shown", "ask"})) << "Player 1 again, the computer";
    for (int undone = 0; undone < 3; ++undone) {
        session_undo();
        for (int bin = 0; bin < 14; ++bin) // the stones' lists as the counts, move by move
            ASSERT_EQ(bin_count(bin), g_current->bins[bin]) << undone << " bin " << bin;
    }
    EXPECT_EQ(g_current, g_root);
    EXPECT_EQ(g_root->bins[0], 1);
    session_new_game();
    EXPECT_EQ(g_allow_empty_caps, 0) << "the player's own rule again";
}

} // namespace
