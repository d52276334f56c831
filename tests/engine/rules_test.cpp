// Move rules: one table of moves for every edge of the rules, refusals,
// freeing, and whole games played beside the reference rules.
#include <random>
#include <sstream>
#include <string>

#include "tests/engine/positions.h"

namespace {

using Rules = EngineTest;

constexpr int B = BOTTOM_STORE, T = TOP_STORE;

// A board in sowing order: bottom row left to right, its store, top row
// right to left, its store.
Bins board(const char* text)
{
    Bins b{};
    std::istringstream in(text);
    for (int& x : b)
        in >> x;
    return b;
}

struct move_case {
    const char* from;
    int turn, bin, empty_caps;
    const char* to;
    int next_turn, result, over; // gen_node's result; game_over after calc_h
};

// clang-format off
const move_case moves_table[] = {
    {"4 4 4 4 4 4 0 4 4 4 4 4 4 0", B, 2, 0, "4 4 0 5 5 5 1 4 4 4 4 4 4 0", B, 0, 0}, // extra turn
    {"4 4 4 4 4 4 0 4 4 4 4 4 4 0", T, 12, 0, "5 5 5 4 4 4 0 4 4 4 4 4 0 1", B, 0, 0}, // past the own store
    {"1 1 1 1 1 1 0 1 1 1 1 2 1 0", T, 12, 0, "1 1 1 1 1 1 0 1 1 1 1 2 0 1", T, 0, 0}, // top extra turn
    {"0 2 0 0 0 9 0 4 4 4 4 4 4 0", B, 5, 0, "1 3 0 0 0 0 1 5 5 5 5 5 5 0", T, 0, 0}, // skips store 13
    {"0 0 0 0 0 0 0 0 0 2 0 0 10 0", T, 12, 0, "1 1 1 1 1 1 0 1 1 3 0 0 0 1", B, 0, 0}, // skips store 6
    {"0 0 13 0 0 0 0 0 0 0 0 0 0 0", B, 2, 0, "1 1 0 1 1 1 3 1 1 1 0 1 1 0", T, 0, 0}, // a lap captures
    {"0 0 0 0 26 0 0 1 0 0 0 0 0 0", B, 4, 0, "2 2 2 2 2 2 2 3 2 2 2 2 2 0", T, 0, 0}, // two laps
    {"3 1 0 0 0 0 0 4 4 4 5 4 4 0", B, 1, 0, "3 0 0 0 0 0 6 4 4 4 0 4 4 0", T, 0, 0}, // capture
    {"2 2 2 2 2 7 0 0 1 0 0 0 1 3", T, 8, 0, "2 2 2 0 2 7 0 0 0 0 0 0 1 6", B, 0, 0}, // top capture
    {"0 1 0 2 0 0 0 4 4 0 0 4 4 0", B, 1, 0, "0 0 1 2 0 0 0 4 4 0 0 4 4 0", T, 0, 0}, // empty facing bin
    {"0 1 0 2 0 0 0 4 4 0 0 4 4 0", B, 1, 1, "0 0 0 2 0 0 1 4 4 0 0 4 4 0", T, 0, 0}, // ... option on
    {"1 1 1 0 1 1 0 0 1 0 0 0 1 5", T, 8, 1, "1 1 1 0 1 1 0 0 0 0 0 0 1 6", B, 0, 0}, // top, option on
    {"0 0 0 0 0 3 0 0 0 4 4 4 4 0", B, 5, 1, "0 0 0 0 0 0 1 1 1 4 4 4 4 0", T, 0, 1}, // other row
    {"0 0 0 0 0 1 10 4 4 4 4 4 4 12", B, 5, 0, "0 0 0 0 0 0 11 4 4 4 4 4 4 12", B, 1, 1}, // end
    {"1 1 1 1 1 1 0 0 0 0 0 0 1 5", T, 12, 0, "1 1 1 1 1 1 0 0 0 0 0 0 0 6", T, 1, 1}, // top ends
    {"0 1 0 0 0 0 0 4 4 5 5 4 4 0", B, 1, 0, "0 0 0 0 0 0 6 4 4 5 0 4 4 0", T, 1, 1}, // capture ends
    {"1 0 5 5 5 5 10 0 0 0 0 3 0 14", B, 0, 0, "0 0 5 5 5 5 14 0 0 0 0 0 0 14", T, 1, 1}, // top row
    {"0 0 0 0 1 1 10 4 4 4 4 4 4 12", B, 5, 0, "0 0 0 0 1 0 11 4 4 4 4 4 4 12", B, 0, 0}, // goes on
    {"0 4 4 4 4 4 0 4 4 4 4 4 4 0", B, 0, 0, "0 4 4 4 4 4 0 4 4 4 4 4 4 0", T, 0, 0}, // empty bin
};
// clang-format on

TEST_F(Rules, EveryMoveOfTheTable)
{
    for (const move_case& m : moves_table) {
        g_allow_empty_caps = m.empty_caps;
        node from = position(board(m.from), m.turn, 7);
        node* c = nullptr;
        testing::internal::CaptureStdout();
        EXPECT_EQ(gen_node(&from, m.bin, &c), m.result) << m.from;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << m.from;
        ASSERT_TRUE(c && c->parent == &from && from.first_child == c) << m.from;
        EXPECT_EQ(bins_of(c), board(m.to)) << m.from;
        EXPECT_EQ(c->turn, m.next_turn) << m.from;
        EXPECT_EQ(c->move * 100 + c->level, m.bin * 100 + 8) << m.from;
        if (m.result == 1) {
            EXPECT_EQ(c->h, ref::top_total({board(m.to)})) << m.from;
        }
        calc_h(c);
        EXPECT_EQ(game_over(c), m.over) << m.from;
        free_node(c);
    }
}

TEST_F(Rules, RefusalsPrintAndChangeNothing)
{
    node n{}, *out = &n;
    ASSERT_EQ(init_node(&n, T, 8), 0);
    testing::internal::CaptureStdout();
    for (auto [turn, stones] : {std::pair{B, MIN_STONES - 1}, {B, MAX_STONES + 1}, {7, 4}})
        EXPECT_EQ(init_node(&n, turn, stones), -1);
    EXPECT_EQ(n.turn * 100 + n.h, T * 100 + 48) << "the position is kept";
    for (auto [turn, bin] : {std::pair{B, 6}, {B, 13}, {B, 7}, {T, 5}, {T, 14}}) {
        n.turn = turn;
        EXPECT_EQ(gen_node(&n, bin, &out), -1) << bin;
    }
    EXPECT_EQ(gen_node(nullptr, 0, &out) + gen_node(&n, 8, nullptr) + calc_h(nullptr) + free_node(nullptr),
              -4);
    EXPECT_TRUE(out == &n && n.first_child == nullptr);
    const std::string init = "init_node: bad args\n", gen = "gen_node: bad args\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), init + init + init + gen + gen + gen + gen + gen + gen +
                                                          gen + "calc_h: bad args\nfree_node: bad args\n");
}

TEST_F(Rules, FreeingKeepsTheOtherChildrenAndNeedsNoRecursion)
{
    node n{};
    init_node(&n, B, 4);
    node *c0, *c3, *c5, *g;
    for (auto [bin, c] : {std::pair{0, &c0}, {3, &c3}, {5, &c5}})
        gen_node(&n, bin, c);
    for (int bin = 7; bin <= 12; ++bin) // a subtree below bin 3's child
        if (gen_node(c3, bin, &g) == 0 && g->turn == B)
            gen_node(g, 0, &g);
    free_node(c3);
    EXPECT_EQ(child_moves(&n), (std::vector<int>{5, 0}));
    EXPECT_EQ(node_alloc_live(), live_before + 2);
    // A path far longer than any game.
    for (node* cur = c0; node_alloc_live() < live_before + 200000;)
        ASSERT_GE(gen_node(cur, first_bin(cur->turn), &cur), 0);
    free_node(c0);
    free_node(c5);
    EXPECT_EQ(n.first_child, nullptr);
}

// Whole games of every size, options on and off, random and computer moves,
// checked after every move against the reference rules and the invariants.
TEST_F(Rules, RandomGamesKeepTheInvariants)
{
    std::mt19937 rng(2026);
    for (int game = 0; game < 400; ++game) {
        const int stones = 1 + game % 8;
        g_allow_empty_caps = game / 8 % 2;
        g_num_stones = 1 + (game + 3) % 8; // changed during the game: must not matter
        g_random_moves = game / 32 % 2;
        node root{};
        init_node(&root, game / 16 % 2 ? T : B, stones);
        ref::Pos p = to_ref(root);
        for (node* cur = &root;;) {
            int bin = game % 4 == 0 ? get_comp_move(cur, 2) : -1; // the computer, or a random move
            while (bin < 0 || cur->bins[bin] == 0)
                bin = first_bin(cur->turn) + static_cast<int>(rng() % 6);
            const bool ref_over = ref::play(p, bin, g_allow_empty_caps != 0);
            node* c;
            const int r = gen_node(cur, bin, &c);
            cur = c;
            calc_h(cur);
            ASSERT_EQ(r, ref_over ? 1 : 0);
            ASSERT_EQ(bins_of(cur), p.b) << "game " << game << " level " << cur->level;
            ASSERT_EQ(cur->turn, p.turn);
            ASSERT_EQ(stone_total(cur), 12 * stones);
            ASSERT_EQ(cur->h, ref::top_total(p));
            const bool over = ref::row_sum(p, 0) == 0 || ref::row_sum(p, 7) == 0;
            ASSERT_EQ(game_over(cur), over ? 1 : 0);
            if (over)
                break;
        }
        free_node(root.first_child);
    }
}

} // namespace
