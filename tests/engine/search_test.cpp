// The computer's search: values, pruning to the ties, the choice among equal
// moves, depth 0, running out of memory, abandoning, and a check against an
// independent minimax on thousands of positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <random>
#include <thread>

#include "engine/deep_search.h"
#include "tests/engine/positions.h"
#include "tests/engine/reference.h"

namespace {

ref::Pos to_ref(const node& n)
{
    ref::Pos p;
    for (int i = 0; i < 14; ++i)
        p.b[i] = n.bins[i];
    p.turn = n.turn;
    p.level = n.level;
    return p;
}

// The move the search must choose among `best` (increasing bin order): the
// lowest, or with random moves the one at position 5 mod m of the child
// list, which runs from the highest bin down.
int expected_choice(const std::vector<int>& best, bool random)
{
    if (!random)
        return best.front();
    const int m = static_cast<int>(best.size());
    return best[m - 1 - (5 % m)];
}

// get_comp_move on a thread of its own, as the program runs it: the thread's
// random state starts fresh.
int search_on_new_thread(node* n, int depth)
{
    int result = 0;
    std::thread t([&] { result = get_comp_move(n, depth); });
    t.join();
    return result;
}

// Random positions: reached by random play from an opening, or with stones
// scattered anywhere.
node random_position(std::mt19937& rng)
{
    std::uniform_int_distribution<int> stones_d(1, 8), pick(0, 13), coin(0, 1);
    for (;;) {
        const int stones = stones_d(rng);
        node n{};
        init_node(&n, coin(rng) ? 6 : 13, stones);
        if (coin(rng)) {
            const int moves = std::uniform_int_distribution<int>(0, 30)(rng);
            ref::Pos p = to_ref(n);
            bool over = false;
            for (int i = 0; i < moves && !over; ++i) {
                std::vector<int> legal;
                for (int b = p.turn - 6; b < p.turn; ++b)
                    if (p.b[b])
                        legal.push_back(b);
                if (legal.empty())
                    break;
                over = ref::play(p, legal[rng() % legal.size()], g_allow_empty_caps != 0);
            }
            if (over)
                continue;
            for (int i = 0; i < 14; ++i)
                n.bins[i] = p.b[i];
            n.turn = p.turn;
            n.level = p.level;
        } else {
            for (int& b : n.bins)
                b = 0;
            for (int s = 0; s < 12 * stones; ++s)
                ++n.bins[pick(rng)];
        }
        calc_h(&n);
        return n;
    }
}

class Search : public ::testing::Test {
protected:
    OptionsGuard guard;
    long live_before = node_alloc_live();

    void TearDown() override { EXPECT_EQ(node_alloc_live(), live_before) << "nodes leaked"; }
};

TEST_F(Search, SideWithNoStonesHasNoMove)
{
    node n = position({0, 0, 0, 0, 0, 0, 20, 4, 4, 4, 4, 4, 4, 4}, 6);
    n.h = -5;
    EXPECT_EQ(gen_nodes(&n, 3), 0);
    EXPECT_EQ(n.first_child, nullptr);
    EXPECT_EQ(n.h, 28);
    n.h = -5;
    EXPECT_EQ(get_comp_move(&n, 5), -2);
    EXPECT_EQ(n.h, 28);
    EXPECT_EQ(n.first_child, nullptr);
}

TEST_F(Search, DepthZeroStillScoresEveryMoveOneDeep)
{
    node n{};
    init_node(&n, 6, 4);
    // One move deep the bottom side keeps h at 24 with bins 0, 1 or 2.
    EXPECT_EQ(gen_nodes(&n, 0), 0);
    EXPECT_EQ(child_moves(&n), (std::vector<int>{2, 1, 0}));
    for (const node* c = n.first_child; c; c = c->next_sibling)
        EXPECT_EQ(c->first_child, nullptr);
    EXPECT_EQ(get_comp_move(&n, 0), 0);
    EXPECT_EQ(n.h, 24);

    init_node(&n, 13, 4);
    EXPECT_EQ(get_comp_move(&n, 0), 7) << "the top side maximises";
    EXPECT_EQ(n.h, 24);
}

TEST_F(Search, PrunesToTheTiesInDecreasingBinOrder)
{
    std::mt19937 rng(7);
    int checked = 0;
    for (int i = 0; i < 300; ++i) {
        node n = random_position(rng);
        std::vector<int> best;
        ref::Search r;
        const int v = r.value(to_ref(n), n.level + 3, &best);
        ASSERT_EQ(gen_nodes(&n, n.level + 3), 0);
        EXPECT_EQ(n.h, v);
        std::vector<int> expected(best.rbegin(), best.rend());
        EXPECT_EQ(child_moves(&n), expected);
        // Every child left reaches the value, and so on down.
        std::vector<const node*> stack{&n};
        while (!stack.empty()) {
            const node* p = stack.back();
            stack.pop_back();
            for (const node* c = p->first_child; c; c = c->next_sibling) {
                EXPECT_EQ(c->h, p->h);
                EXPECT_EQ(c->parent, p);
                stack.push_back(c);
            }
        }
        checked += n.first_child != nullptr;
        while (n.first_child)
            free_node(n.first_child);
    }
    EXPECT_GT(checked, 250);
}

TEST_F(Search, ChoosesLowestBestBinOrStepsFiveWithRandomMoves)
{
    // Find positions with 1..6 equally good moves and check both choices.
    std::mt19937 rng(11);
    std::array<int, 7> seen{};
    for (int i = 0; i < 4000 && *std::min_element(seen.begin() + 1, seen.end()) < 3; ++i) {
        node n = random_position(rng);
        std::vector<int> best;
        ref::Search r;
        r.value(to_ref(n), n.level + 2, &best);
        if (best.empty() || seen[best.size()] >= 3)
            continue;
        ++seen[best.size()];
        g_random_moves = 0;
        EXPECT_EQ(get_comp_move(&n, 2), expected_choice(best, false));
        g_random_moves = 1;
        EXPECT_EQ(search_on_new_thread(&n, 2), expected_choice(best, true)) << best.size();
        EXPECT_EQ(n.first_child, nullptr);
    }
    for (int m = 1; m <= 6; ++m)
        EXPECT_GE(seen[m], 1) << m << " best moves never seen";
}

TEST_F(Search, FreshThreadsDrawTheSameFirstNumber)
{
    int first = -1, second = -1;
    std::thread([&] { first = next_random(); }).join();
    std::thread([&] {
        second = next_random();
        second = next_random();
    }).join();
    EXPECT_EQ(first, 41);
    EXPECT_EQ(second, 18467);
}

TEST_F(Search, GameEndingMoveIsALeafButEmptyingARowIsNot)
{
    // The only move ends in the store and empties the bottom row.
    node n = position({0, 0, 0, 0, 0, 1, 10, 4, 4, 4, 4, 4, 4, 13}, 6);
    EXPECT_EQ(gen_nodes(&n, 10), 0);
    ASSERT_NE(n.first_child, nullptr);
    EXPECT_EQ(n.first_child->first_child, nullptr);
    EXPECT_EQ(n.h, 37);
    free_node(n.first_child);

    // A plain move empties the bottom row; the top side's replies are made.
    n = position({0, 0, 0, 0, 0, 3, 10, 4, 4, 4, 4, 4, 4, 10}, 6);
    EXPECT_EQ(gen_nodes(&n, 2), 0);
    ASSERT_NE(n.first_child, nullptr);
    EXPECT_NE(n.first_child->first_child, nullptr);
    while (n.first_child)
        free_node(n.first_child);
}

TEST_F(Search, OldChildrenAreFreedAndTheValueIsBackedUp)
{
    node n{};
    init_node(&n, 13, 4);
    node* c;
    gen_node(&n, 8, &c);
    gen_node(&n, 10, &c);
    gen_node(c, 0, &c);
    const int move = get_comp_move(&n, 4);
    EXPECT_EQ(n.first_child, nullptr);
    ref::Search r;
    std::vector<int> best;
    EXPECT_EQ(n.h, r.value(to_ref(n), 4, &best));
    EXPECT_EQ(move, best.front());

    // The backed-up value differs from the position's own total here.
    node p = position({0, 0, 0, 0, 0, 1, 20, 0, 0, 0, 0, 0, 4, 3}, 13);
    EXPECT_EQ(p.h, 7);
    EXPECT_EQ(get_comp_move(&p, 3), 12);
    EXPECT_EQ(p.h, r.value(to_ref(p), 3));
    EXPECT_NE(p.h, 7);
}

TEST_F(Search, RefusesBadArguments)
{
    node n{};
    init_node(&n, 6, 4);
    n.h = 99;
    testing::internal::CaptureStdout();
    EXPECT_EQ(gen_nodes(&n, -1), -1);
    EXPECT_EQ(gen_nodes(nullptr, 3), -1);
    EXPECT_EQ(get_comp_move(nullptr, 3), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "gen_nodes: bad args\ngen_nodes: bad args\nget_comp_move: bad args\n");
    EXPECT_EQ(n.h, 99);
    EXPECT_EQ(n.first_child, nullptr);

    // A negative depth beyond the node's level: no move.
    n.level = 3;
    testing::internal::CaptureStdout();
    EXPECT_EQ(get_comp_move(&n, -4), -2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "gen_nodes: bad args\n");
    EXPECT_EQ(n.first_child, nullptr);
    // Down to the node's own level it still searches one move deep.
    EXPECT_EQ(get_comp_move(&n, -3), 0);
}

TEST_F(Search, HugeDepthDoesNotOverflowTheLevelLimit)
{
    // Few stones: the whole game tree is small, so any depth finishes.
    node n = position({0, 0, 0, 1, 0, 0, 20, 0, 0, 1, 0, 1, 0, 25}, 6, 40);
    std::vector<int> best;
    ref::Search r;
    const int v = r.value(to_ref(n), INT_MAX, &best);
    EXPECT_EQ(tree_comp_move(&n, INT_MAX), best.front());
    EXPECT_EQ(n.h, v);
    n.h = 0;
    EXPECT_EQ(get_comp_move(&n, INT_MAX), best.front()) << "the deep search";
    EXPECT_EQ(n.h, v);
    testing::internal::CaptureStdout();
    EXPECT_EQ(get_comp_move(&n, INT_MIN), -2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "gen_nodes: bad args\n");
}

TEST_F(Search, AgreesWithIndependentMinimaxOnRandomPositions)
{
    std::mt19937 rng(2026);
    for (int i = 0; i < 3000; ++i) {
        g_allow_empty_caps = i % 3 == 0;
        node n = random_position(rng);
        const int depth = i % 5; // 0..4
        std::vector<int> best;
        ref::Search r;
        r.empty_caps = g_allow_empty_caps != 0;
        const int v = r.value(to_ref(n), n.level + depth, &best);
        const int move = get_comp_move(&n, depth);
        ASSERT_EQ(n.h, v) << "position " << i;
        ASSERT_EQ(move, best.empty() ? -2 : best.front()) << "position " << i;
        ASSERT_EQ(n.first_child, nullptr);
    }
}

TEST_F(Search, AgreesWithIndependentMinimaxDeeper)
{
    std::mt19937 rng(99);
    for (int i = 0; i < 60; ++i) {
        node n = random_position(rng);
        std::vector<int> best;
        ref::Search r;
        const int v = r.value(to_ref(n), n.level + 6, &best);
        const int move = get_comp_move(&n, 6);
        ASSERT_EQ(n.h, v) << "position " << i;
        ASSERT_EQ(move, best.empty() ? -2 : best.front()) << "position " << i;
    }
}

TEST_F(Search, OutOfMemoryEverywhereMeansNoMove)
{
    node n{};
    init_node(&n, 6, 4);
    node_alloc_fail(0, -1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(get_comp_move(&n, 5), -2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "gen_node: out of memory\n");
    node* c = nullptr;
    testing::internal::CaptureStdout();
    EXPECT_EQ(gen_node(&n, 0, &c), -2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "gen_node: out of memory\n");
    EXPECT_EQ(c, nullptr);
    EXPECT_EQ(n.first_child, nullptr);
    node_alloc_fail(-1, 0);
    EXPECT_EQ(get_comp_move(&n, 2), 0) << "memory is back";
}

TEST_F(Search, OutOfMemoryAtEachAllocationSearchesThePartialTree)
{
    // Fail every single allocation of a depth-3 search in turn; each time
    // the move and value must be those of the tree that could be built.
    std::mt19937 rng(5);
    for (int round = 0; round < 4; ++round) {
        node n = random_position(rng);
        ref::Search full;
        full.value(to_ref(n), n.level + 3);
        for (long k = 0; k < full.allocations; ++k) {
            ref::Search r;
            r.fail_at = k;
            std::vector<int> best;
            const int v = r.value(to_ref(n), n.level + 3, &best);
            node_alloc_fail(k, 1);
            testing::internal::CaptureStdout();
            const int move = get_comp_move(&n, 3);
            const std::string out = testing::internal::GetCapturedStdout();
            node_alloc_fail(-1, 0);
            ASSERT_EQ(out, "gen_node: out of memory\n") << k;
            ASSERT_EQ(move, best.empty() ? -2 : best.front()) << k;
            if (!best.empty()) {
                ASSERT_EQ(n.h, v) << k;
            }
            ASSERT_EQ(n.first_child, nullptr);
            ASSERT_EQ(node_alloc_live(), live_before);
        }
    }
}

TEST_F(Search, AbandonedSearchFreesEverythingAndReturnsNoMove)
{
    node n{};
    init_node(&n, 6, 4);
    const int result = abandoned_search([&] { return tree_comp_move(&n, 40); });
    EXPECT_EQ(result, -2);
    EXPECT_EQ(n.first_child, nullptr);
    EXPECT_EQ(n.h, 24);

    // A request made before the search starts also holds, until cleared.
    EXPECT_EQ(get_comp_move(&n, 3), -2);
    search_stop_clear();
    EXPECT_EQ(get_comp_move(&n, 3), 0);
}

TEST_F(Search, TwoThreadsSearchAndAllocateAtOnce)
{
    node a{}, b{};
    init_node(&a, 6, 4);
    init_node(&b, 13, 6);
    const int move_a = get_comp_move(&a, 6), h_a = a.h;
    const int move_b = get_comp_move(&b, 6), h_b = b.h;

    for (int round = 0; round < 3; ++round) {
        int ra = 0, rb = 0;
        // Meanwhile this thread makes and frees nodes of its own.
        std::thread ta([&] { ra = get_comp_move(&a, 6); });
        std::thread tb([&] { rb = get_comp_move(&b, 6); });
        node c{};
        init_node(&c, 6, 4);
        for (int i = 0; i < 2000; ++i) {
            node* k;
            gen_node(&c, i % 6, &k);
            if (i % 3 == 2)
                while (c.first_child)
                    free_node(c.first_child);
        }
        while (c.first_child)
            free_node(c.first_child);
        ta.join();
        tb.join();
        EXPECT_EQ(ra, move_a);
        EXPECT_EQ(rb, move_b);
        EXPECT_EQ(a.h, h_a);
        EXPECT_EQ(b.h, h_b);
    }
}

} // namespace
