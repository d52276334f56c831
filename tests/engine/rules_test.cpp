// Move rules: set-up, sowing, store skipping, laps, extra turns, captures,
// the end test, refusals, and the child lists that moves build.
#include <gtest/gtest.h>

#include "tests/engine/positions.h"

namespace {

class Rules : public ::testing::Test {
protected:
    OptionsGuard guard;
    long live_before = node_alloc_live();

    void TearDown() override { EXPECT_EQ(node_alloc_live(), live_before) << "nodes leaked"; }

    // Plays one move on a copy of `from`, checks it was accepted, and returns
    // the child (owned by `from`; freed by the caller).
    int play(node& from, int bin, node** child)
    {
        testing::internal::CaptureStdout();
        const int r = gen_node(&from, bin, child);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        return r;
    }
};

TEST_F(Rules, OpeningPositionHasStonesInEveryPlayingBin)
{
    node n{};
    ASSERT_EQ(init_node(&n, 6, 4), 0);
    EXPECT_EQ(bins_of(&n), (Bins{4, 4, 4, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0}));
    EXPECT_EQ(n.h, 24);
    EXPECT_EQ(n.level, 0);
    EXPECT_EQ(n.move, 0);
    EXPECT_EQ(n.turn, 6);
    EXPECT_EQ(n.parent, nullptr);
    EXPECT_EQ(n.first_child, nullptr);
    EXPECT_EQ(n.next_sibling, nullptr);
    EXPECT_EQ(stone_total(&n), 48);

    ASSERT_EQ(init_node(&n, 13, 8), 0);
    EXPECT_EQ(n.h, 48);
    EXPECT_EQ(n.turn, 13);
}

TEST_F(Rules, InitRefusesBadArgumentsAndKeepsThePosition)
{
    node n = position({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0}, 13, 9);
    const node before = n;
    for (auto [turn, stones] : {std::pair{6, 0}, {6, 9}, {7, 4}, {0, 4}, {13, -1}}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(init_node(&n, turn, stones), -1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "init_node: bad args\n");
    }
    EXPECT_EQ(bins_of(&n), bins_of(&before));
    EXPECT_EQ(n.level, 9);
    testing::internal::CaptureStdout();
    EXPECT_EQ(init_node(nullptr, 6, 4), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "init_node: bad args\n");
}

TEST_F(Rules, MoveEndingInOwnStoreGivesAnotherTurn)
{
    node root{};
    init_node(&root, 6, 4);
    node* c;
    EXPECT_EQ(play(root, 2, &c), 0);
    EXPECT_EQ(bins_of(c), (Bins{4, 4, 0, 5, 5, 5, 1, 4, 4, 4, 4, 4, 4, 0}));
    EXPECT_EQ(c->turn, 6);
    EXPECT_EQ(c->h, 24);
    EXPECT_EQ(c->level, 1);
    EXPECT_EQ(c->move, 2);
    EXPECT_EQ(c->parent, &root);
    free_node(c);

    init_node(&root, 13, 4);
    EXPECT_EQ(play(root, 12, &c), 0);
    EXPECT_EQ(bins_of(c), (Bins{5, 5, 5, 4, 4, 4, 0, 4, 4, 4, 4, 4, 0, 1}));
    EXPECT_EQ(c->turn, 6) << "the top side's last stone fell in the bottom row";
    calc_h(c);
    EXPECT_EQ(c->h, 21);
    free_node(c);

    // The top side's own store also gives another turn.
    node top = position({1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 2, 1, 0}, 13);
    EXPECT_EQ(play(top, 12, &c), 0);
    EXPECT_EQ(c->turn, 13);
    EXPECT_EQ(bins_of(c), (Bins{1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 2, 0, 1}));
    free_node(c);
}

TEST_F(Rules, SowingSkipsTheOtherStoreAndLapsTheBoard)
{
    node n = position({0, 2, 0, 0, 0, 9, 0, 4, 4, 4, 4, 4, 4, 0}, 6);
    node* c;
    EXPECT_EQ(play(n, 5, &c), 0);
    EXPECT_EQ(bins_of(c), (Bins{1, 3, 0, 0, 0, 0, 1, 5, 5, 5, 5, 5, 5, 0}));
    EXPECT_EQ(c->turn, 13);
    free_node(c);

    // Top side: 10 stones from bin 12 pass its store and skip the bottom store.
    n = position({0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 10, 0}, 13);
    EXPECT_EQ(play(n, 12, &c), 0);
    EXPECT_EQ(bins_of(c), (Bins{1, 1, 1, 1, 1, 1, 0, 1, 1, 3, 0, 0, 0, 1}));
    EXPECT_EQ(c->turn, 6);
    free_node(c);

    // 13 stones make exactly one lap and end in the emptied starting bin,
    // whose facing bin got a stone on the way: always a capture.
    n = position({0, 0, 13, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 6);
    EXPECT_EQ(play(n, 2, &c), 0);
    EXPECT_EQ(bins_of(c), (Bins{1, 1, 0, 1, 1, 1, 3, 1, 1, 1, 0, 1, 1, 0}));
    free_node(c);

    // 26 stones: two laps; the last stone lands in the starting bin (now 2).
    n = position({0, 0, 0, 0, 26, 0, 0, 1, 0, 0, 0, 0, 0, 0}, 6);
    EXPECT_EQ(play(n, 4, &c), 0);
    EXPECT_EQ(bins_of(c), (Bins{2, 2, 2, 2, 2, 2, 2, 3, 2, 2, 2, 2, 2, 0}));
    EXPECT_EQ(stone_total(c), 27);
    free_node(c);
}

TEST_F(Rules, LastStoneInOwnEmptyBinCapturesTheFacingBin)
{
    node n = position({0, 1, 0, 0, 0, 0, 0, 4, 4, 5, 5, 4, 4, 0}, 6);
    node* c;
    EXPECT_EQ(play(n, 1, &c), 1) << "the bottom row is now empty";
    EXPECT_EQ(c->bins[6], 6);
    EXPECT_EQ(c->bins[2], 0);
    EXPECT_EQ(c->bins[10], 0);
    EXPECT_EQ(c->h, 21);
    free_node(c);

    n = position({3, 1, 0, 0, 0, 0, 0, 4, 4, 4, 5, 4, 4, 0}, 6);
    EXPECT_EQ(play(n, 1, &c), 0);
    EXPECT_EQ(bins_of(c), (Bins{3, 0, 0, 0, 0, 0, 6, 4, 4, 4, 0, 4, 4, 0}));
    EXPECT_EQ(c->turn, 13);
    EXPECT_EQ(c->h, 20) << "h is computed after a capture";
    free_node(c);

    // Top side captures into store 13.
    n = position({2, 2, 2, 2, 2, 7, 0, 0, 1, 0, 0, 0, 1, 3}, 13);
    EXPECT_EQ(play(n, 8, &c), 0);
    EXPECT_EQ(bins_of(c), (Bins{2, 2, 2, 0, 2, 7, 0, 0, 0, 0, 0, 0, 1, 6}));
    EXPECT_EQ(c->turn, 6);
    free_node(c);
}

TEST_F(Rules, EmptyFacingBinCapturesOnlyWithTheOption)
{
    const node n = position({0, 1, 0, 2, 0, 0, 0, 4, 4, 0, 0, 4, 4, 0}, 6);
    node start = n;
    node* c;
    g_allow_empty_caps = 0;
    EXPECT_EQ(play(start, 1, &c), 0);
    EXPECT_EQ(bins_of(c), (Bins{0, 0, 1, 2, 0, 0, 0, 4, 4, 0, 0, 4, 4, 0}));
    free_node(c);

    g_allow_empty_caps = 7; // any non-zero value
    EXPECT_EQ(play(start, 1, &c), 0);
    EXPECT_EQ(bins_of(c), (Bins{0, 0, 0, 2, 0, 0, 1, 4, 4, 0, 0, 4, 4, 0}));
    EXPECT_EQ(c->h, 16);
    free_node(c);
}

TEST_F(Rules, EmptyBinInTheOtherRowNeverCaptures)
{
    node n = position({0, 0, 0, 0, 0, 3, 0, 0, 0, 4, 4, 4, 4, 0}, 6);
    node* c;
    g_allow_empty_caps = 1;
    EXPECT_EQ(play(n, 5, &c), 0);
    EXPECT_EQ(bins_of(c), (Bins{0, 0, 0, 0, 0, 0, 1, 1, 1, 4, 4, 4, 4, 0}));
    EXPECT_EQ(c->turn, 13);
    free_node(c);
}

TEST_F(Rules, EndTestAfterExtraTurnOrCaptureOnly)
{
    node* c;
    // Extra turn that empties the mover's row ends the game.
    node n = position({0, 0, 0, 0, 0, 1, 10, 4, 4, 4, 4, 4, 4, 12}, 6);
    EXPECT_EQ(play(n, 5, &c), 1);
    EXPECT_EQ(game_over(c), 1);
    free_node(c);

    // A plain move that empties the mover's row is not reported by the move.
    n = position({0, 0, 0, 0, 0, 3, 10, 4, 4, 4, 4, 4, 4, 9}, 6);
    EXPECT_EQ(play(n, 5, &c), 0);
    calc_h(c);
    EXPECT_EQ(game_over(c), 1) << "but the end test sees it";
    free_node(c);

    // A capture that takes the last stones of the top row.
    n = position({1, 0, 5, 5, 5, 5, 10, 0, 0, 0, 0, 3, 0, 14}, 6);
    EXPECT_EQ(play(n, 0, &c), 1);
    EXPECT_EQ(c->h, 14);
    free_node(c);

    // An extra turn with stones left in both rows goes on.
    n = position({0, 0, 0, 0, 1, 1, 10, 4, 4, 4, 4, 4, 4, 12}, 6);
    EXPECT_EQ(play(n, 5, &c), 0);
    EXPECT_EQ(game_over(c), 0);
    free_node(c);
}

TEST_F(Rules, EndTestUsesTheStonesOnTheBoardNotTheOption)
{
    // Set up with 4 stones; the option changed to 8 or 1 must neither hide
    // nor invent the end.
    node n = position({0, 0, 0, 0, 0, 1, 20, 2, 2, 2, 2, 2, 2, 15}, 6);
    node* c;
    for (int stones : {1, 4, 8}) {
        g_num_stones = stones;
        EXPECT_EQ(play(n, 5, &c), 1) << stones;
        free_node(c);
    }
    node going = position({0, 0, 0, 0, 1, 1, 20, 2, 2, 2, 2, 2, 1, 15}, 6);
    for (int stones : {1, 4, 8}) {
        g_num_stones = stones;
        EXPECT_EQ(play(going, 5, &c), 0) << stones;
        free_node(c);
    }
}

TEST_F(Rules, GenNodeRefusesStoresAndTheOtherSidesBins)
{
    node n{};
    init_node(&n, 6, 4);
    node* untouched = reinterpret_cast<node*>(0x1234);
    node* out = untouched;
    for (int bin : {6, 13, 7, 12, -1, 14, 100}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(gen_node(&n, bin, &out), -1) << bin;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "gen_node: bad args\n");
    }
    n.turn = 13;
    for (int bin : {0, 5, 6, 13}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(gen_node(&n, bin, &out), -1) << bin;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "gen_node: bad args\n");
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(gen_node(nullptr, 0, &out), -1);
    EXPECT_EQ(gen_node(&n, 8, nullptr), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "gen_node: bad args\ngen_node: bad args\n");
    EXPECT_EQ(out, untouched);
    EXPECT_EQ(n.first_child, nullptr);

    testing::internal::CaptureStdout();
    EXPECT_EQ(calc_h(nullptr), -1);
    EXPECT_EQ(free_node(nullptr), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "calc_h: bad args\nfree_node: bad args\n");
}

TEST_F(Rules, EmptyBinMakesAChildThatOnlySwitchesSides)
{
    node n = position({0, 4, 4, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0}, 6);
    node* c;
    EXPECT_EQ(play(n, 0, &c), 0);
    EXPECT_EQ(bins_of(c), bins_of(&n));
    EXPECT_EQ(c->turn, 13);
    free_node(c);
}

TEST_F(Rules, ChildListIsNewestFirstAndFreeingKeepsTheRest)
{
    node n{};
    init_node(&n, 6, 4);
    node *c0, *c3, *c5;
    play(n, 0, &c0);
    play(n, 3, &c3);
    play(n, 5, &c5);
    EXPECT_EQ(child_moves(&n), (std::vector<int>{5, 3, 0}));
    EXPECT_EQ(c5->next_sibling, c3);

    free_node(c3);
    EXPECT_EQ(child_moves(&n), (std::vector<int>{5, 0}));
    free_node(c5);
    EXPECT_EQ(child_moves(&n), (std::vector<int>{0}));
    free_node(c0);
    EXPECT_EQ(n.first_child, nullptr);
}

TEST_F(Rules, FreeNodeReleasesAWholeSubtree)
{
    node n{};
    init_node(&n, 6, 4);
    node *a, *b;
    play(n, 1, &a);
    play(n, 4, &b);
    // Grow a three-level subtree below `a`.
    for (int bin = 7; bin <= 12; ++bin) {
        node* g;
        play(*a, bin, &g);
        node* gg;
        if (g->turn == 6)
            play(*g, 0, &gg);
    }
    const long live = node_alloc_live();
    EXPECT_GT(live - live_before, 8);
    free_node(a);
    EXPECT_EQ(node_alloc_live(), live_before + 1);
    EXPECT_EQ(child_moves(&n), (std::vector<int>{4}));
    EXPECT_EQ(b->parent, &n);
    free_node(b);
}

TEST_F(Rules, LongGamePathFreesWithoutRecursion)
{
    // A path far longer than any game, freed from its first node.
    node n{};
    init_node(&n, 6, 4);
    node* cur = &n;
    for (int i = 0; i < 200000; ++i) {
        node* c = new_node();
        ASSERT_NE(c, nullptr);
        *c = *cur;
        c->parent = cur;
        c->first_child = c->next_sibling = nullptr;
        cur->first_child = c;
        cur = c;
    }
    free_node(n.first_child);
    EXPECT_EQ(n.first_child, nullptr);
}

TEST_F(Rules, TablesNameBinsAndSides)
{
    for (int b = 0; b < 14; ++b)
        EXPECT_EQ(opposite[opposite[b]], b);
    EXPECT_EQ(opposite[2], 10);
    EXPECT_EQ(opposite[6], 13);
    EXPECT_STREQ(bin_label[6], "Player 2");
    EXPECT_STREQ(bin_label[13], "Player 1");
    EXPECT_STREQ(bin_label[2], "3");
    EXPECT_STREQ(bin_label[9], "4");
    EXPECT_STREQ(bin_label[12], "1");
}

} // namespace
