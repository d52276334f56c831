// A game's review: each move's loss, best move and lead against an independent minimax, over random games
// under both rules; where the review stops; the record keeping its comments.
#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <random>
#include <vector>

#include "engine/engine.h"
#include "game/options.h"
#include "game/record.h"
#include "game/review.h"
#include "tests/engine/reference.h"

namespace {

constexpr int B = BOTTOM_STORE, T = TOP_STORE;

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
    node* root = new_node();
    node* n = root;
    std::vector<int> moves;
    for (int seed = 0; moves.empty() || row_stones(n, n->turn) == 0; ++seed) {
        std::mt19937 rng(seed);
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
    for (int bin = first_bin(n->turn); bin < n->turn; ++bin)
        if (n->bins[bin] > 0 && longer.size() == moves.size())
            longer.push_back(bin);
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

} // namespace
