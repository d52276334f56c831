// A game's review: each move's loss, best move and lead against an independent minimax, over random games
// under both rules; where the review stops; the record keeping its comments.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <random>
#include <tuple>

#include "game/play.h"
#include "game/record.h"
#include "game/review.h"
#include "tests/engine/reference.h"
#include "tests/play/session_fixture.h"

namespace {

int row_stones(const node* n, int side)
{
    return std::accumulate(n->bins + first_bin(side), n->bins + side, 0);
}

void count_progress(void* context, int done, int total)
{
    auto* calls = static_cast<std::vector<std::pair<int, int>>*>(context);
    calls->emplace_back(done, total);
}

TEST(Review, EveryMoveIsJudgedAsAPlainMinimaxValuesIt)
{
    std::mt19937 rng(11);
    for (int game = 0; game < 300; ++game) {
        const bool caps = game % 2;
        const int depth = 1 + game / 2 % 4, stones = 1 + game / 8 % 6;
        node start{};
        init_node(&start, game % 4 < 2 ? B : T, stones);
        ref::Pos p;
        std::copy(start.bins, start.bins + 14, p.b.begin());
        p.turn = start.turn;
        // A random game to its end as the controller plays it: the end test after every move.
        std::vector<int> moves;
        std::vector<ref::Pos> seen;
        while (ref::row_sum(p, 0) > 0 && ref::row_sum(p, 7) > 0) {
            int bin = p.turn - 6 + static_cast<int>(rng() % 6);
            while (p.b[bin] == 0)
                bin = p.turn - 6 + (bin - p.turn + 7) % 6;
            seen.push_back(p);
            moves.push_back(bin);
            ref::play(p, bin, caps);
            p.level = 0;
        }
        std::vector<std::pair<int, int>> calls;
        std::vector<reviewed_move> out;
        ASSERT_EQ(review_game(&start, moves, depth, {caps, false}, nullptr, count_progress, &calls, out),
                  static_cast<int>(moves.size()));
        ASSERT_EQ(calls.size(), moves.size());
        EXPECT_EQ(calls.back(), std::make_pair(int(moves.size()), int(moves.size())));
        int lost[2] = {0, 0};
        for (std::size_t k = 0; k < moves.size(); ++k) {
            const ref::Pos& at = seen[k];
            int values[14], best = -1;
            for (int bin = at.turn - 6; bin < at.turn; ++bin) {
                if (at.b[bin] == 0)
                    continue;
                ref::Pos c = at;
                const bool over = ref::play(c, bin, caps);
                values[bin] =
                    !over && c.level < depth ? ref::search{caps}.value(c, depth) : ref::top_total(c);
                if (best < 0 || (at.turn == T ? values[bin] > values[best] : values[bin] < values[best]))
                    best = bin;
            }
            const int played = values[moves[k]],
                      loss = at.turn == T ? values[best] - played : played - values[best];
            const reviewed_move& m = out[k];
            SCOPED_TRACE("game " + std::to_string(game) + ", move " + std::to_string(k));
            EXPECT_EQ(std::make_tuple(m.mover, m.bin, m.best, m.loss),
                      std::make_tuple(at.turn, moves[k], best, loss));
            EXPECT_EQ(m.lead, stones * 12 - 2 * played);
            lost[at.turn == T] += loss;
        }
        review_tally tally[2];
        tally_review(out, tally);
        EXPECT_EQ(std::make_pair(tally[0].lost, tally[1].lost), std::make_pair(lost[0], lost[1]));
        EXPECT_EQ(tally[0].moves + tally[1].moves, static_cast<int>(moves.size()));
    }
}

// Proven, a move's value is its true final total: that of a search that reaches the end of every line.
// Past the bound of stones in play, the values at the depth.
TEST(Review, ProvenValuesAreThoseOfASearchToTheEnd)
{
    exact_solver solver;
    ASSERT_EQ(exact_solver_init(solver, 8), 0);
    std::mt19937 rng(21);
    int proven = 0;
    for (int round = 0; round < 300; ++round) {
        node n{.turn = round % 2 ? B : T};
        const int in_play = 2 + round % 7;
        for (int k = 0; k < in_play; ++k)
            ++n.bins[(rng() % 13 + 7) % 14 % 13]; // a playing bin: 0 to 5 or 7 to 12
        n.bins[B] = static_cast<int>(rng() % 9), n.bins[T] = static_cast<int>(rng() % 9);
        if (calc_h(&n), game_over(&n))
            continue; // a review stops at the end
        const search_settings settings{round % 4 < 2, false};
        move_value deep[6], judged[6], shallow[6], plain[6];
        const int count = move_values(&n, 30, settings, deep);
        move_values(&n, 1, settings, plain);
        ASSERT_EQ(review_values(&n, 1, settings, &solver, nullptr, in_play, -1, nullptr, judged), count);
        ASSERT_EQ(review_values(&n, 1, settings, &solver, nullptr, in_play - 1, -1, nullptr, shallow), count);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(shallow[i].h, plain[i].h) << "past the bound";
            proven += deep[i].exact;
            EXPECT_TRUE(!deep[i].exact || (judged[i].h == deep[i].h && judged[i].exact)) << round << " " << i;
        }
    }
    EXPECT_GT(proven, 500);
}

// The marks by loss, each side's tally of them, and the texts of the graph's hover and the record.
TEST(Review, MarksTalliesAndTexts)
{
    std::vector<reviewed_move> moves;
    const char marks[] = "-iimmmbbbb"; // losses 0 to 9
    for (int loss = 0; loss < 10; ++loss) {
        moves.push_back({loss % 2 ? T : B, loss % 2 ? 9 : 2, loss % 2 ? 11 : 0, loss, false, 0});
        EXPECT_EQ(mark_name(mark_of(loss))[0] | 0, marks[loss] == '-' ? 0 : marks[loss]) << loss;
    }
    review_tally t[2];
    tally_review(moves, t);
    EXPECT_EQ(std::make_tuple(t[0].moves, t[0].inaccuracies, t[0].mistakes, t[0].blunders, t[0].lost),
              std::make_tuple(5, 1, 1, 2, 0 + 2 + 4 + 6 + 8));
    EXPECT_EQ(std::make_tuple(t[1].inaccuracies, t[1].mistakes, t[1].blunders, t[1].lost),
              std::make_tuple(1, 2, 2, 1 + 3 + 5 + 7 + 9));
    EXPECT_EQ(review_move_text(12, moves[3]), "12. Player 1: 4, lost 3, best 2");
    EXPECT_EQ(review_move_text(1, moves[0]), "1. Player 2: 3, best");
    EXPECT_EQ(review_comment(moves[3]) + "|" + review_comment(moves[0]), "-3, best 2|0");
}

// A stop, an illegal move or a finished game ends the review where it is; a saved record keeps each move's
// comment, and reading it back gives the same moves.
TEST(Review, StopsWhereItMustAndTheRecordKeepsItsComments)
{
    // A game that ends with stones left on the side to move, so that a move after the end could be sown.
    const int rule = g_allow_empty_caps;
    g_allow_empty_caps = 0; // the rule gen_node sows by, as the review's settings say
    node* root = nullptr;
    node* n = nullptr;
    std::vector<int> moves;
    for (std::mt19937 rng(0); moves.empty() || row_stones(n, n->turn) == 0;) {
        if (root)
            free_node(root);
        n = root = new_node();
        init_node(n, B, 3);
        calc_h(n);
        for (moves.clear(); !game_over(n); moves.push_back(n->move)) {
            int bin = first_bin(n->turn) + static_cast<int>(rng() % 6);
            while (n->bins[bin] == 0)
                bin = first_bin(n->turn) + (bin - first_bin(n->turn) + 1) % 6;
            ASSERT_GE(gen_node(n, bin, &n), 0);
            calc_h(n);
        }
    }
    std::vector<reviewed_move> out;
    const std::atomic<bool> stop{true};
    EXPECT_EQ(review_game(root, moves, 2, {}, &stop, nullptr, nullptr, out), 0);
    std::vector<int> wrong = moves;
    wrong[3] = first_bin(other_side(side_of(wrong[3]))); // the other side's bin
    EXPECT_EQ(review_game(root, wrong, 2, {}, nullptr, nullptr, nullptr, out), 3);
    std::vector<int> longer = moves;
    longer.push_back(next_bin(n, 1, 1)); // a move after the end
    out.clear();
    EXPECT_EQ(review_game(root, longer, 2, {}, nullptr, nullptr, nullptr, out), int(moves.size()));

    std::vector<std::string> comments;
    for (const reviewed_move& m : out)
        comments.push_back(review_comment(m));
    std::string error;
    const std::string text = write_record(n, "2026.12.09", error, comments);
    for (std::size_t k = 0; k < out.size(); ++k)
        EXPECT_NE(text.find(": " + std::string(bin_label[moves[k]]) + " ; " + comments[k] + "\r\n"),
                  std::string::npos)
            << k;
    game_record read;
    ASSERT_TRUE(read_record(text, read, error)) << error;
    EXPECT_EQ(read.moves, moves);
    EXPECT_FALSE(read_record(text + "Player 2: 7 ; -1, best 2\r\n", read, error));
    EXPECT_NE(error.find("there is no bin 7"), std::string::npos) << error;
    free_node(root);
    g_allow_empty_caps = rule;
}

// The review in the session, its searches answered by the test as the worker would.
class SessionReview : public Session {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(Session::SetUp());
        g_review_view = {[] { ++s_changes; }, [] { ++s_ended; }};
        s_changes = s_ended = 0;
        g_num_players = 2, g_difficulty = 1, g_num_stones = 3, g_allow_empty_caps = 0;
        session_new_game();
    }
    void TearDown() override
    {
        review_end();
        g_review_view = {};
        Session::TearDown();
    }
    static void answer_all()
    {
        for (int k = 0; k < 100 && g_searching; ++k)
            answer();
    }
    static void play(int moves)
    {
        for (int k = 0; k < moves && !game_over(g_current); ++k)
            session_play_bin(next_bin(g_current, 1 + k * 5 % 6, 1));
    }
    static long stops() { return std::count(g_log.begin(), g_log.end(), "stop"); }
    static inline int s_changes = 0, s_ended = 0;
};

// Every move of a game judged between the game's own searches, as the review of its moves alone judges them;
// undo, values and the computer's turn take the worker first and the review goes on after them.
TEST_F(SessionReview, JudgesEveryMoveBetweenTheGamesOwnSearches)
{
    play(12);
    std::vector<int> moves;
    for (const node* n = g_root->first_child; n != nullptr; n = n->first_child)
        moves.push_back(n->move);
    ASSERT_TRUE(review_begin(3));
    ASSERT_TRUE(g_searching && g_order.kind == search_kind::review);
    answer(), answer();
    session_undo(); // stops the review's search; the review goes on from the position it was at
    EXPECT_EQ(stops(), 1);
    EXPECT_TRUE(g_searching && g_order.kind == search_kind::review && g_review.judged.size() == 2);
    g_show_values = true;
    session_want_values();
    EXPECT_TRUE(stops() == 2 && g_order.kind == search_kind::values);
    answer();
    EXPECT_TRUE(values_shown() && g_order.kind == search_kind::exact) << "the values' proven results next";
    answer();
    EXPECT_TRUE(g_order.kind == search_kind::review && g_searching);
    g_num_players = 1; // now the computer is to move after the person's next move
    session_play_bin(next_bin(g_current, 1, 1));
    const bool asked = computer_plays(g_current->turn);
    if (asked) {
        EXPECT_TRUE(session_computer_turn(g_asked) && session_thinking());
        answer();
    }
    answer_all();
    EXPECT_TRUE(review_complete());
    EXPECT_EQ(s_changes, 1 + static_cast<int>(moves.size()));
    std::vector<reviewed_move> alone;
    node opening = *g_root;
    review_game(&opening, moves, 3, {}, nullptr, nullptr, nullptr, alone);
    ASSERT_EQ(alone.size(), g_review.judged.size());
    for (std::size_t k = 0; k < alone.size(); ++k)
        EXPECT_EQ(std::tie(alone[k].bin, alone[k].loss, alone[k].best, alone[k].lead),
                  std::tie(g_review.judged[k].bin, g_review.judged[k].loss, g_review.judged[k].best,
                           g_review.judged[k].lead))
            << k;
    session_new_game();
    EXPECT_TRUE(s_ended == 1 && !g_review.on && g_order.kind == search_kind::values); // New Game's own
}

// A jump puts the board where undo and redo would, the moves after it the redo line; a record saved then
// keeps the comments of the moves up to there; once the game went another way the jump is refused.
TEST_F(SessionReview, JumpsLikeUndoAndRedoAndTheRecordKeepsTheReview)
{
    play(10);
    ASSERT_TRUE(review_begin(2));
    answer_all();
    ASSERT_TRUE(review_complete());
    node* const end = g_current;
    ASSERT_TRUE(review_jump(3));
    EXPECT_TRUE(g_current->level == 4 && g_current->first_child != nullptr &&
                g_last_move_bin == g_current->move);
    const std::vector<std::string> comments = review_comments(g_current);
    ASSERT_EQ(comments.size(), 4u);
    EXPECT_EQ(comments[2], review_comment(g_review.judged[2]));
    ASSERT_TRUE(review_jump(-1) && g_current == g_root);
    ASSERT_TRUE(review_jump(9) && g_current == end);
    EXPECT_EQ(review_comments(g_current).size(), 10u);
    ASSERT_TRUE(review_jump(4));
    const int other = next_bin(g_current, 1 + (g_current->first_child->move + 1) % 6, 1);
    ASSERT_NE(other, g_current->first_child->move);
    const int changes = s_changes;
    session_play_bin(other);
    EXPECT_TRUE(review_comments(g_current).empty() && !review_follows_game()) << "another game now";
    EXPECT_EQ(s_changes, changes + 1) << "the window hears of it";
    EXPECT_TRUE(review_jump(2));
    EXPECT_EQ(review_comments(g_current).size(), 3u);
    EXPECT_FALSE(review_jump(5)) << "no longer on the game's line";
    // Against the computer, a position where it is to move gives way to the person's turn before it.
    g_num_players = 1;
    int earlier = 0;
    for (int k = 0; k < 5; ++k) {
        ASSERT_TRUE(review_jump(k));
        EXPECT_TRUE(!computer_plays(g_current->turn) && g_current->level <= k + 1) << k;
        earlier += g_current->level < k + 1;
    }
    EXPECT_GT(earlier, 0);
}

} // namespace
