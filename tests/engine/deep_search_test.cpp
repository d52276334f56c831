// The deep search against the node tree search: the same chosen bin and the
// same value on many thousands of positions of every kind, the edges of the
// move rules and of get_comp_move, abandoning, the table's allocation
// failing, and two searches at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/deep_search.h"
#include "tests/engine/positions.h"
#include "tests/engine/reference.h"

namespace {

// The position after `bin` is played from `n`, as a free-standing node.
// Returns gen_node's result.
int play(node& n, int bin)
{
    node* c = nullptr;
    const int r = gen_node(&n, bin, &c);
    if (r < 0)
        return r;
    node next = *c;
    free_node(c);
    next.parent = next.first_child = next.next_sibling = nullptr;
    calc_h(&next);
    n = next;
    return r;
}

int random_move(const node& n, std::mt19937& rng)
{
    int legal[6], count = 0;
    for (int b = n.turn - 6; b < n.turn; ++b)
        if (n.bins[b] > 0)
            legal[count++] = b;
    return count ? legal[rng() % count] : -1;
}

int row_sum(const node& n, int first)
{
    int s = 0;
    for (int b = first; b < first + 6; ++b)
        s += n.bins[b];
    return s;
}

enum class Kind { Played, NearEnd, Heavy, Scattered };

// A position of the given kind with `stones` per bin at the start: reached
// by random play from an opening; played on until a row is nearly empty;
// with a bin of 13 or more stones; or with the stones scattered anywhere.
node make_position(Kind kind, int stones, int turn, std::mt19937& rng)
{
    for (;;) {
        node n{};
        init_node(&n, turn, stones);
        if (kind == Kind::Scattered || kind == Kind::Heavy) {
            for (int& b : n.bins)
                b = 0;
            std::uniform_int_distribution<int> bin(0, 13);
            for (int s = 0; s < 12 * stones; ++s)
                ++n.bins[bin(rng)];
            if (kind == Kind::Heavy) {
                // Gather stones into one playing bin of the side to move
                // until it holds 13 to 20 (with one stone per bin there are
                // only 12 in play: then all of them).
                const int target = turn - 6 + static_cast<int>(rng() % 6);
                const int want = std::min(13 + static_cast<int>(rng() % 8), 12 * stones);
                for (int b = 0; b < 14 && n.bins[target] < want; ++b) {
                    if (b == target)
                        continue;
                    const int take = std::min(n.bins[b], want - n.bins[target]);
                    n.bins[b] -= take;
                    n.bins[target] += take;
                }
            }
            n.level = static_cast<int>(rng() % 50);
            calc_h(&n);
            return n;
        }

        const int moves = kind == Kind::Played ? static_cast<int>(rng() % 30) : 200;
        bool over = false;
        for (int i = 0; i < moves && !over; ++i) {
            if (kind == Kind::NearEnd && (row_sum(n, 0) <= 2 || row_sum(n, 7) <= 2))
                break;
            const int bin = random_move(n, rng);
            if (bin < 0)
                break;
            over = play(n, bin) == 1;
        }
        if (over)
            continue;
        return n;
    }
}

// get_comp_move's contract on one node: the result and what it leaves.
struct Answer {
    int move;
    int h;
    bool childless;
};

template <typename Search> Answer run(node n, int depth, bool fresh_thread, Search search)
{
    Answer a{};
    auto body = [&] {
        a.move = search(&n, depth);
        a.h = n.h;
        a.childless = n.first_child == nullptr;
    };
    if (fresh_thread)
        std::thread(body).join();
    else
        body();
    return a;
}

Answer tree(const node& n, int depth, bool fresh_thread = false)
{
    return run(n, depth, fresh_thread, [](node* p, int d) { return tree_comp_move(p, d); });
}

Answer deep(const node& n, int depth, bool fresh_thread = false)
{
    return run(n, depth, fresh_thread, [](node* p, int d) { return deep_comp_move(p, d); });
}

std::string describe(const node& n, int depth)
{
    char buf[200];
    const int32_t* b = n.bins;
    std::snprintf(
        buf, sizeof buf,
        "bins %d %d %d %d %d %d %d %d %d %d %d %d %d %d turn %d level %d depth %d empty caps %d random %d",
        b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], n.turn,
        n.level, depth, g_allow_empty_caps, g_random_moves);
    return buf;
}

// Runs both searches on `n` and requires the same bin, the same h and no
// children left. With random moves on, each runs on a fresh thread, as the
// program runs a computer move, so that both draw the same number.
void expect_same(const node& n, int depth)
{
    const bool fresh = g_random_moves != 0;
    const Answer t = tree(n, depth, fresh);
    const Answer d = deep(n, depth, fresh);
    ASSERT_EQ(d.move, t.move) << describe(n, depth);
    ASSERT_EQ(d.h, t.h) << describe(n, depth);
    ASSERT_TRUE(d.childless);
}

class DeepSearch : public ::testing::Test {
protected:
    OptionsGuard guard;
    long live_before = node_alloc_live();

    void TearDown() override
    {
        deep_table_fail(false);
        EXPECT_EQ(node_alloc_live(), live_before) << "nodes leaked";
    }
};

// One position of the differential test, described by index: depth
// fastest, then stones per bin 1..8, side to move, empty-capture setting
// and kind of position; every combination occurs five times in
// 20,480 positions. Random moves are on for one position in sixteen, drawn
// at random: each search then needs a thread of its own, and threads are
// slow to make under Wine.
void differential_case(int i, std::mt19937& rng)
{
    // Each level costs the tree search about five times the one before:
    // depths 6 and 7 come once in 32 positions.
    static const int depths[32] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 3, 4,
                                   0, 1, 2, 3, 4, 5, 2, 5, 0, 1, 2, 3, 4, 5, 3, 4};
    static const Kind kinds[] = {Kind::Played, Kind::NearEnd, Kind::Heavy, Kind::Scattered};
    const int depth = depths[i % 32];
    int rest = i / 32;
    const int stones = 1 + rest % 8;
    rest /= 8;
    const int turn = rest % 2 ? 13 : 6;
    rest /= 2;
    g_allow_empty_caps = rest % 2;
    rest /= 2;
    const Kind kind = kinds[rest % 4];
    g_random_moves = rng() % 16 == 0;
    expect_same(make_position(kind, stones, turn, rng), depth);
}

TEST_F(DeepSearch, AgreesWithTreeSearchOnTwentyThousandPositions)
{
    std::mt19937 rng(14);
    for (int i = 0; i < 20480 && !HasFatalFailure(); ++i)
        differential_case(i, rng);
}

// Deeper, and slower: labelled `slow` in the test list.
TEST_F(DeepSearch, SlowAgreesWithTreeSearchAtDepthsNineAndTen)
{
    std::mt19937 rng(910);
    const Kind kinds[] = {Kind::Played, Kind::NearEnd, Kind::Heavy, Kind::Scattered};
    for (int i = 0; i < 12 && !HasFatalFailure(); ++i) {
        g_allow_empty_caps = i % 2;
        g_random_moves = i % 3 == 2;
        const int stones = 1 + static_cast<int>(rng() % 8);
        expect_same(make_position(kinds[i % 4], stones, i % 8 < 4 ? 6 : 13, rng), i % 3 == 0 ? 10 : 9);
    }
}

TEST_F(DeepSearch, WithoutItsTableStillAgrees)
{
    // The table's allocation fails: the search goes on without one.
    std::mt19937 rng(3);
    deep_table_fail(true);
    for (int i = 0; i < 600 && !HasFatalFailure(); ++i) {
        g_allow_empty_caps = i % 2;
        const Kind kind = i % 3 ? Kind::Played : Kind::NearEnd;
        expect_same(make_position(kind, 1 + i % 8, (i / 2) % 2 ? 6 : 13, rng), 4 + i % 3);
    }

    // Deeper, against the same search with its table.
    node opening{};
    init_node(&opening, 6, 4);
    deep_stats without, with;
    node a = opening, b = opening;
    const int move_without = deep_comp_move(&a, 13, &without);
    deep_table_fail(false);
    const int move_with = deep_comp_move(&b, 13, &with);
    EXPECT_FALSE(without.table);
    EXPECT_EQ(without.probes, 0);
    EXPECT_TRUE(with.table);
    EXPECT_GT(with.hits, 0);
    EXPECT_EQ(move_without, move_with);
    EXPECT_EQ(a.h, b.h);
}

TEST_F(DeepSearch, BoardsTheTableCannotHoldAreSearchedWithoutIt)
{
    // More stones in play than an entry holds, and (bad input) a negative bin.
    const node boards[] = {
        position({20, 20, 20, 20, 20, 20, 0, 20, 20, 20, 20, 20, 20, 0}, 6),
        position({3, 0, 30, 1, 2, 60, 10, 4, 0, 45, 1, 1, 2, 9}, 13),
        position({4, -3, 4, 4, 4, 4, 0, 4, 4, -1, 4, 4, 4, 0}, 6),
        position({0, 5, 0, 2, 0, 1, 3, 0, -2, 6, 0, 1, 0, 2}, 13),
    };
    for (const node& n : boards) {
        for (int depth = 0; depth <= 6 && !HasFatalFailure(); ++depth)
            expect_same(n, depth);
        deep_stats st;
        node c = n;
        deep_comp_move(&c, 6, &st);
        EXPECT_FALSE(st.table);
    }
}

TEST_F(DeepSearch, GetCompMoveUsesTheTreeSearchUpToItsBound)
{
    // The tree search makes nodes (and so can run out of them); above its
    // bound get_comp_move makes none and still plays the same move.
    std::mt19937 rng(8);
    const node n = make_position(Kind::Played, 1, 13, rng);
    const long live = node_alloc_thread_live();
    node_alloc_reset_thread_peak();
    node m = n;
    EXPECT_EQ(get_comp_move(&m, TREE_SEARCH_DEPTH), tree(n, TREE_SEARCH_DEPTH).move);
    EXPECT_GT(node_alloc_thread_peak(), live);

    node_alloc_reset_thread_peak();
    m = n;
    const int deep_move = get_comp_move(&m, TREE_SEARCH_DEPTH + 1);
    EXPECT_EQ(node_alloc_thread_peak(), live) << "no nodes above the bound";
    EXPECT_EQ(deep_move, tree(n, TREE_SEARCH_DEPTH + 1).move);

    node_alloc_fail(0, -1);
    testing::internal::CaptureStdout();
    m = n;
    EXPECT_EQ(get_comp_move(&m, TREE_SEARCH_DEPTH), -2);
    m = n;
    EXPECT_EQ(get_comp_move(&m, TREE_SEARCH_DEPTH + 1), deep_move);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "gen_node: out of memory\n");
    node_alloc_fail(-1, 0);
}

TEST_F(DeepSearch, AgreesWithTreeSearchAboveItsBoundNearTheEnd)
{
    // Few stones left: the tree search can still go deep.
    std::mt19937 rng(21);
    for (int i = 0; i < 40 && !HasFatalFailure(); ++i) {
        g_allow_empty_caps = i % 2;
        g_random_moves = i % 4 == 3;
        const node n = make_position(Kind::NearEnd, 1 + i % 3, i % 2 ? 6 : 13, rng);
        const int depth = TREE_SEARCH_DEPTH + 1 + i % 3;
        const Answer t = tree(n, depth, g_random_moves);
        const Answer g = run(n, depth, g_random_moves, [](node* p, int d) { return get_comp_move(p, d); });
        ASSERT_EQ(g.move, t.move) << describe(n, depth);
        ASSERT_EQ(g.h, t.h) << describe(n, depth);
    }
}

TEST_F(DeepSearch, EdgesOfTheSearchMatchTheTreeSearch)
{
    // Depth 0 and negative depths score every move one move deep.
    node n{};
    init_node(&n, 6, 4);
    for (int depth : {0, -1, -3}) {
        n.level = 3;
        expect_same(n, depth);
    }
    // A move that ends the game is a leaf; a plain move that empties the
    // mover's row is not.
    expect_same(position({0, 0, 0, 0, 0, 1, 10, 4, 4, 4, 4, 4, 4, 13}, 6), 10);
    expect_same(position({0, 0, 0, 0, 0, 3, 10, 4, 4, 4, 4, 4, 4, 10}, 6), 2);
    expect_same(position({0, 0, 0, 0, 0, 3, 10, 4, 4, 4, 4, 4, 4, 10}, 6), 5);

    // No stones on the side to move: no move, h from the position.
    node empty = position({0, 0, 0, 0, 0, 0, 20, 4, 4, 4, 4, 4, 4, 4}, 6);
    empty.h = -5;
    EXPECT_EQ(deep_comp_move(&empty, 12), -2);
    EXPECT_EQ(empty.h, 28);

    // Refusals print what the tree search prints.
    for (int depth : {-4, TREE_SEARCH_DEPTH + 1}) {
        node bad{};
        init_node(&bad, 6, 4);
        bad.level = depth < 0 ? 3 : -TREE_SEARCH_DEPTH - 5; // the level limit is negative
        bad.h = 99;
        testing::internal::CaptureStdout();
        EXPECT_EQ(deep_comp_move(&bad, depth), -2);
        EXPECT_EQ(tree_comp_move(&bad, depth), -2);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "gen_nodes: bad args\ngen_nodes: bad args\n");
        EXPECT_EQ(bad.h, 99);
    }
    node odd{};
    init_node(&odd, 6, 4);
    odd.turn = 7;
    testing::internal::CaptureStdout();
    EXPECT_EQ(deep_comp_move(&odd, 12), -2);
    EXPECT_EQ(deep_comp_move(nullptr, 12), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "gen_nodes: bad args\nget_comp_move: bad args\n");

    // Children the node had before are freed first.
    node parent{};
    init_node(&parent, 13, 4);
    const Answer childless = deep(parent, 11);
    node* c;
    gen_node(&parent, 8, &c);
    gen_node(&parent, 10, &c);
    gen_node(c, 0, &c);
    EXPECT_EQ(deep_comp_move(&parent, 11), childless.move);
    EXPECT_EQ(parent.h, childless.h);
    EXPECT_EQ(parent.first_child, nullptr);
}

TEST_F(DeepSearch, DrawsOneRandomNumberPerMoveChosen)
{
    // As the tree search: one draw when random moves are on and there is a
    // move; none otherwise. The next draw on the thread tells.
    node n{};
    init_node(&n, 6, 4);
    node none = position({0, 0, 0, 0, 0, 0, 20, 4, 4, 4, 4, 4, 4, 4}, 6);
    auto next_after = [](node start, bool random, bool use_deep) {
        g_random_moves = random;
        int next = 0;
        std::thread([&] {
            use_deep ? deep_comp_move(&start, 12) : tree_comp_move(&start, 4);
            next = next_random();
        }).join();
        return next;
    };
    EXPECT_EQ(next_after(n, true, true), 18467);
    EXPECT_EQ(next_after(n, true, false), 18467);
    EXPECT_EQ(next_after(n, false, true), 41);
    EXPECT_EQ(next_after(none, true, true), 41);
    EXPECT_EQ(next_after(none, true, false), 41);
}

TEST_F(DeepSearch, AnswerThatNoDepthCutsOffComesAtOnceForAnyDepth)
{
    // Few stones: every line ends within a few moves, so even the largest
    // depth finishes, with the value of the whole game.
    g_allow_empty_caps = 0;
    node n = position({0, 0, 0, 1, 0, 0, 20, 0, 0, 1, 0, 1, 0, 25}, 6, 40);
    ref::Search r;
    std::vector<int> best;
    ref::Pos p;
    for (int i = 0; i < 14; ++i)
        p.b[i] = n.bins[i];
    p.turn = n.turn;
    p.level = n.level;
    const int v = r.value(p, INT_MAX, &best);
    for (int depth : {TREE_SEARCH_DEPTH + 1, 1000, INT_MAX}) {
        deep_stats st;
        node c = n;
        EXPECT_EQ(deep_comp_move(&c, depth, &st), best.front());
        EXPECT_EQ(c.h, v);
        EXPECT_TRUE(st.settled);
        EXPECT_LT(st.depth_reached, 20);
    }
}

TEST_F(DeepSearch, AbandonedSearchReturnsNoMove)
{
    node n{};
    init_node(&n, 6, 6);
    n.h = -1;
    const int result = abandoned_search([&] { return deep_comp_move(&n, 60); }); // far too deep to finish
    EXPECT_EQ(result, -2);
    EXPECT_EQ(n.first_child, nullptr);
    EXPECT_EQ(n.h, 36) << "h from the position";

    // A request made before the search starts holds until cleared.
    n.h = -1;
    EXPECT_EQ(deep_comp_move(&n, 12), -2);
    EXPECT_EQ(n.h, 36);
    search_stop_clear();
    const int move = deep_comp_move(&n, 12);
    EXPECT_TRUE(move >= 0 && move <= 5) << move;
}

TEST_F(DeepSearch, TwoSearchesAtOnce)
{
    // One gets the table kept between searches, the other one of its own.
    node a{}, b{};
    init_node(&a, 6, 4);
    init_node(&b, 13, 6);
    const int depth = 14;
    const Answer da = deep(a, depth), db = deep(b, depth);
    for (int round = 0; round < 3; ++round) {
        node ca = a, cb = b;
        int ma = 0, mb = 0;
        deep_stats sa, sb;
        std::thread ta([&] { ma = deep_comp_move(&ca, depth, &sa); });
        std::thread tb([&] { mb = deep_comp_move(&cb, depth, &sb); });
        ta.join();
        tb.join();
        EXPECT_EQ(ma, da.move);
        EXPECT_EQ(ca.h, da.h);
        EXPECT_EQ(mb, db.move);
        EXPECT_EQ(cb.h, db.h);
        EXPECT_TRUE(sa.table && sb.table);
    }
}

} // namespace
