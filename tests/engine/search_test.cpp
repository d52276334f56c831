// The computer's search against the independent reference minimax, the deep
// search against the node tree search, running out of memory at every
// allocation, and abandoning; the same for the value of every move.
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <tuple>

#include "engine/deep/lines.h"
#include "engine/deep_search.h"
#include "tests/engine/positions.h"

namespace {

using Search = EngineTest;

// A position reached by random play from an opening, played on until a row
// is nearly empty, or with the stones scattered anywhere (a heavy bin of 13
// or more now and then). Stones per bin 1..8, or as asked.
node random_position(std::mt19937& rng, int stones_asked = 0)
{
    for (;;) {
        const int stones = stones_asked ? stones_asked : 1 + static_cast<int>(rng() % 8),
                  kind = static_cast<int>(rng() % 3);
        node n{};
        init_node(&n, rng() % 2 ? TOP_STORE : BOTTOM_STORE, stones);
        ref::Pos p = to_ref(n);
        if (kind == 2) {
            p.b = {};
            for (int s = 0; s < 12 * stones; ++s)
                ++p.b[rng() % 14];
            p.level = static_cast<int>(rng() % 50);
            if (rng() % 3 == 0)
                p.b[first_bin(p.turn) + rng() % 6] += 13 + static_cast<int>(rng() % 14);
        }
        const int moves = kind == 0 ? static_cast<int>(rng() % 30) : kind == 1 ? 200 : 0;
        bool over = false;
        for (int i = 0; i < moves && !over; ++i) {
            if (kind == 1 && (ref::row_sum(p, 0) <= 2 || ref::row_sum(p, 7) <= 2))
                break;
            const int first = first_bin(p.turn), bin = first + static_cast<int>(rng() % 6);
            over = ref::row_sum(p, first) == 0 || (p.b[bin] && ref::play(p, bin, g_allow_empty_caps != 0));
        }
        if (!over)
            return position(p.b, p.turn, p.level);
    }
}

// The move the search must choose among `best` (increasing bin order): the
// lowest, or with random moves (one draw, 41 on a fresh thread, so step 5)
// the one at position 5 mod m of the child list, which runs from the highest.
int expected_choice(const std::vector<int>& best, bool random)
{
    const int m = static_cast<int>(best.size());
    return m == 0 ? -2 : random ? best[m - 1 - 5 % m] : best.front();
}

struct answer {
    int move, h;
    bool operator==(const answer&) const = default;
};

const auto tree = +[](node* n, int depth) { return tree_comp_move(n, depth); };
const auto deep = +[](node* n, int depth) { return deep_comp_move(n, depth); };
const auto comp = +[](node* n, int depth) { return get_comp_move(n, depth); };

// A search on a copy of `start`; on a thread of its own, as the program runs
// a computer move, when its random draw must be a thread's first.
answer run(const node& start, int (*search)(node*, int), int depth, bool new_thread)
{
    node n = start;
    answer a{};
    auto body = [&] {
        a = {search(&n, depth), n.h};
        EXPECT_EQ(n.first_child, nullptr);
    };
    new_thread ? std::thread(body).join() : body();
    return a;
}

TEST_F(Search, AgreesWithTheReferenceOnRandomPositions)
{
    std::mt19937 rng(7);
    for (int i = 0; i < 3000 && !HasFatalFailure(); ++i) {
        g_allow_empty_caps = i % 2;
        g_random_moves = i % 3 == 0;
        node n = random_position(rng);
        const int depth = i % 100 == 0 ? 6 : i % 5;
        std::vector<int> best;
        const int v = ref::search{g_allow_empty_caps != 0}.value(to_ref(n), n.level + depth, &best);
        ASSERT_EQ(run(n, comp, depth, g_random_moves), (answer{expected_choice(best, g_random_moves), v}))
            << i;
        // gen_nodes leaves exactly the ties, highest bin first.
        ASSERT_EQ(gen_nodes(&n, n.level + depth), 0);
        ASSERT_EQ(child_moves(&n), std::vector<int>(best.rbegin(), best.rend())) << i;
        for (const node* c = n.first_child; c; c = c->next_sibling)
            ASSERT_EQ(c->h, v);
        while (n.first_child)
            free_node(n.first_child);
    }
}

// Few stones: every line ends within a few moves, so any depth finishes,
// with the value of the whole game and no overflow of the level limit.
TEST_F(Search, HugeDepthsAndRefusals)
{
    const node n = position({0, 0, 0, 1, 0, 0, 20, 0, 0, 1, 0, 1, 0, 25}, BOTTOM_STORE, 40);
    std::vector<int> best, shallow;
    const int v = ref::search{}.value(to_ref(n), INT_MAX, &best);
    for (int depth : {1000, INT_MAX})
        EXPECT_TRUE(run(n, tree, depth, false) == run(n, deep, depth, false) &&
                    run(n, tree, depth, false) == (answer{best.front(), v}));
    ref::search{}.value(to_ref(n), n.level, &shallow);
    EXPECT_EQ(run(n, comp, -40, false).move, shallow.front()) << "to the node's own level: one move deep";
    node m = n;
    testing::internal::CaptureStdout();
    EXPECT_EQ(gen_nodes(&m, -1) + gen_nodes(nullptr, 3) + get_comp_move(nullptr, 3), -3);
    EXPECT_EQ(get_comp_move(&m, -41) + deep_comp_move(&m, -41) + get_comp_move(&m, INT_MIN), -6);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "gen_nodes: bad args\ngen_nodes: bad args\nget_comp_move: bad "
              "args\ngen_nodes: bad args\ngen_nodes: bad args\ngen_nodes: bad args\n");
}

// Every allocation of a search failing in turn: the move and value are those
// of the tree that could be built, and nothing leaks.
TEST_F(Search, OutOfMemoryAtEachAllocation)
{
    std::mt19937 rng(5);
    g_allow_empty_caps = g_random_moves = 0;
    for (int round = 0; round < 4; ++round) {
        node n = random_position(rng);
        ref::search full;
        full.value(to_ref(n), n.level + 3);
        for (long k = 0; k < full.allocations; ++k) {
            std::vector<int> best;
            const int v = ref::search{false, 0, k}.value(to_ref(n), n.level + 3, &best);
            node_alloc_fail(k, 1);
            testing::internal::CaptureStdout();
            const answer got = run(n, comp, 3, false);
            ASSERT_EQ(testing::internal::GetCapturedStdout(), "gen_node: out of memory\n") << k;
            ASSERT_EQ(got, (answer{expected_choice(best, false), best.empty() ? n.h : v})) << k;
            ASSERT_EQ(node_alloc_live(), live_before);
        }
    }
}

// A search far too deep to finish, asked to stop once it has run a while.
TEST_F(Search, AbandonedSearchesFreeEverythingAndReturnNoMove)
{
    node n{};
    init_node(&n, BOTTOM_STORE, 6);
    deep_threads_force(4);
    for (auto [search, depth] : {std::pair{tree, 40}, {deep, 60}}) {
        n.h = -1;
        int result = 0;
        std::thread t([&] { result = search(&n, depth); });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        search_stop_request();
        t.join();
        EXPECT_EQ(result, -2);
        EXPECT_EQ(n.first_child, nullptr);
        EXPECT_EQ(n.h, 36) << "h from the position";
        // The request holds for searches started later, until cleared.
        EXPECT_EQ(search(&n, 12), -2);
        search_stop_clear();
        EXPECT_GE(search(&n, 5), 0);
    }
}

void expect_deep_as_tree(std::mt19937& rng, int positions, int depth_from, int depths)
{
    for (int i = 0; i < positions && !testing::Test::HasFatalFailure(); ++i) {
        g_allow_empty_caps = rng() % 2;
        g_random_moves = rng() % 4 == 0;
        const node n = random_position(rng);
        const int depth = depth_from + i % depths;
        deep_threads_force(1 + i % 4);
        ASSERT_EQ(run(n, deep, depth, g_random_moves), run(n, tree, depth, g_random_moves))
            << i << " depth " << depth << " caps " << g_allow_empty_caps << " random " << g_random_moves;
    }
}

TEST_F(Search, DeepSearchAgreesWithTheTreeSearch)
{
    std::mt19937 rng(14);
    expect_deep_as_tree(rng, 8000, 0, 7); // one of the last ones needs the empty-capture rule at the last ply
    deep_table_fail(true);                // the search goes on without its table
    expect_deep_as_tree(rng, 400, 4, 3);
    deep_table_fail(false);
    // Boards no table entry holds: too many stones, and (bad input) negative bins.
    for (const Bins& b : {Bins{20, 20, 20, 20, 20, 20, 0, 20, 20, 20, 20, 20, 20, 0},
                          Bins{4, -3, 4, 4, 4, 4, 0, 4, 4, -1, 4, 4, 4, 0}})
        for (int depth = 0; depth <= 6; ++depth)
            EXPECT_EQ(run(position(b, BOTTOM_STORE), deep, depth, false),
                      run(position(b, BOTTOM_STORE), tree, depth, false));
}

// Every stones count, both rules, random moves on and off: many threads find what one and the tree search
// find, also after the other rule's search of the position, whose entries must not serve, and with the same
// bins but more stones in store 13, which add to the value.
TEST_F(Search, ThreadsFindWhatOneThreadAndTheTreeSearchFind)
{
    std::mt19937 rng(19);
    for (int i = 0; i < 192 && !HasFatalFailure(); ++i) {
        g_random_moves = i % 2;
        node n = random_position(rng, 1 + i / 2 % 8);
        const int depth = 7 + i % 7;
        answer cold[2];
        for (int caps : {0, 1}) {
            g_allow_empty_caps = caps;
            deep_table_clear();
            deep_threads_force(1);
            cold[caps] = run(n, deep, depth, g_random_moves);
            ASSERT_TRUE(depth > 7 || cold[caps] == run(n, tree, depth, g_random_moves)) << i;
        }
        deep_threads_force(2 + i % 3);
        for (int caps : {0, 0, 1, 1}) {
            g_allow_empty_caps = caps;
            ASSERT_EQ(run(n, deep, depth, g_random_moves), cold[caps]) << i << " caps " << caps;
        }
        n.bins[TOP_STORE] += 5;
        ASSERT_EQ(run(n, deep, depth, g_random_moves), (answer{cold[1].move, cold[1].h + 5})) << i;
    }
}

// A thread that cannot start leaves the work to fewer; the environment
// variable lowers the count, and any other value leaves the machine's.
TEST_F(Search, ThreadsThatCannotStartAndTheThreadCountAsked)
{
    const node n = position({4, 4, 4, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0}, BOTTOM_STORE);
    const int machine = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const answer want = run(n, deep, 14, false);
    static char env[40];
    // clang-format off
    for (auto [value, force, fail, threads] : {std::tuple{"", 4, 1, 3}, {"", 4, 3, 1}, {"1", 0, 0, 1},
             {"0", 0, 0, machine}, {"-2", 0, 0, machine}, {"2x", 0, 0, machine}, {"999", 0, 0, machine}}) {
        // clang-format on
        std::snprintf(env, sizeof env, "WKIVARI_SEARCH_THREADS=%s", value);
        putenv(env);
        deep_threads_force(force);
        deep_thread_fail(fail);
        deep_table_clear();
        node m = n;
        deep_stats st;
        EXPECT_EQ((answer{deep_comp_move(&m, 14, &st), m.h}), want) << value << fail;
        EXPECT_EQ(st.threads, threads) << value << fail;
    }
    putenv(const_cast<char*>("WKIVARI_SEARCH_THREADS="));
}

// Up to its bound the computer builds the node tree, and so feels a lack of memory; above it, it needs none.
TEST_F(Search, TheTreeSearchServesTheDepthsUpToItsBound)
{
    const node start = position({4, 4, 4, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0}, BOTTOM_STORE);
    const int bound = TREE_SEARCH_DEPTH;
    node_alloc_fail(0, -1);
    EXPECT_NE(run(start, tree, bound, false), run(start, deep, bound, false)); // so the two are told apart
    EXPECT_EQ(run(start, comp, bound, false), run(start, tree, bound, false));
    EXPECT_EQ(run(start, comp, bound + 1, false), run(start, deep, bound + 1, false));
}

TEST_F(Search, SlowDeepSearchAgreesWithTheTreeSearchAtDepthsNineAndTen)
{
    std::mt19937 rng(910);
    expect_deep_as_tree(rng, 12, 9, 2);
}

using value_list = std::vector<std::tuple<int, int, bool>>; // bin, h, exact; or the result alone

value_list values_of(auto search, const node& n, int depth, bool caps)
{
    move_value out[6];
    const int count = search(&n, depth, {caps, false}, out);
    value_list v;
    for (int i = 0; i < count; ++i)
        v.emplace_back(out[i].bin, out[i].h, out[i].exact);
    return count < 0 ? value_list{{count, 0, false}} : v;
}

// Each move's child valued by the reference to the level limit (`deep`: by the deep search of the child
// alone), and whether every line below it ends by then.
value_list reference_values(const node& n, int depth, bool caps, bool deep)
{
    ref::search s{caps};
    const int limit = n.level + depth;
    value_list v;
    for (int bin = first_bin(n.turn); bin < n.turn; ++bin) {
        ref::Pos c = to_ref(n);
        if (!n.bins[bin])
            continue;
        const bool over = ref::play(c, bin, caps);
        node child = position(c.b, c.turn, c.level);
        if (!over && c.level < limit && deep)
            deep_comp_move(&child, depth - 1, nullptr, {caps, false});
        v.emplace_back(bin, over || c.level >= limit || deep ? child.h : s.value(c, limit),
                       over || s.ends(c, limit));
    }
    return v;
}

// Both searches, the deep one with one to four threads and with and without its table, the tree one also
// running out of node memory (it hands over to the deep search); above the tree search's depths, each child
// searched alone.
TEST_F(Search, MoveValuesAgreeWithTheReferenceOnRandomPositions)
{
    std::mt19937 rng(23);
    deep::line_check kept[] = {{false, true}, {true, true}}; // for every walk under the rule
    for (int i = 0; i < 2500 && !HasFatalFailure(); ++i) {
        const bool caps = (g_allow_empty_caps = static_cast<int>(rng() % 2)) != 0;
        const int pick = static_cast<int>(rng() % 500);
        const bool deep = pick < 8;
        const int depth = deep        ? TREE_SEARCH_DEPTH + 1 + pick % 2
                          : pick < 40 ? 6 + (pick < 12) + (pick < 9)
                                      : pick % 6;
        node n = random_position(rng);
        deep_threads_force(1 + static_cast<int>(rng() % 4));
        deep_table_fail(rng() % 10 == 0);
        // Children the node has already do not count; the node is left as it was.
        if (i % 5 == 0)
            gen_nodes(&n, n.level + 1);
        const node before = n;
        const value_list want = reference_values(n, depth, caps, deep);
        ASSERT_TRUE(deep || values_of(deep_move_values, n, depth, caps) == want) << i << " depth " << depth;
        node_alloc_fail(i % 10 == 4 ? i % 20 : -1, 1);
        testing::internal::CaptureStdout(); // gen_node's complaints
        const value_list got = values_of(move_values, n, depth, caps);
        node_alloc_fail(-1, 0);
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(got, want) << i << " depth " << depth;
        ASSERT_EQ(std::memcmp(&n, &before, sizeof n), 0);
        while (n.first_child)
            free_node(n.first_child);
        // Endgames deep enough that the walks of every line meet positions again by paths of other
        // lengths: what the walks keep of them changes no answer.
        const node e = random_position(rng, 1 + i % 3);
        deep::padded_board p{{}, e.turn, 0};
        std::copy(e.bins, e.bins + 14, p.b);
        ASSERT_EQ(kept[caps].ends_within(p, 12 + i % 14),
                  deep::line_check(caps, false).ends_within(p, 12 + i % 14))
            << i;
    }
    deep_table_fail(false);
}

// The mark of a true result where random positions rarely look: a plain move that empties the mover's row
// is searched on, so a reply cut by the depth below it leaves the move inexact; a move whose every reply
// ends the game is exact from the depth that sees the replies. Tree and deep paths, both rules.
TEST_F(Search, MoveValuesAreExactOnlyWhereEveryLineEnds)
{
    struct fixed {
        Bins bins;
        int turn, bin;
        const char* exact[2]; // '=' where exact at depths 1, 2, 3 and one above the tree search's; by rule
    };
    const fixed cases[] = {
        {{0, 0, 0, 0, 0, 2, 0, 8, 1, 1, 0, 0, 0, 0}, BOTTOM_STORE, 5, {"....", "...."}},
        {{0, 0, 0, 0, 0, 1, 0, 8, 1, 1, 0, 0, 0, 0}, BOTTOM_STORE, 5, {"====", "===="}},
        {{0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}, BOTTOM_STORE, 3, {".===", ".==="}},
        {{8, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0}, TOP_STORE, 12, {"....", "...."}},
        {{1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 2, 0, 0, 0}, BOTTOM_STORE, 0, {"....", "...="}},
    };
    for (const bool caps : {false, true})
        for (const fixed& f : cases)
            for (int i = 0; i < 4; ++i) {
                const int depth = i < 3 ? i + 1 : TREE_SEARCH_DEPTH + 1;
                const node n = position(f.bins, f.turn, 3);
                const value_list got = values_of(move_values, n, depth, caps);
                EXPECT_EQ(got, reference_values(n, depth, caps, i == 3)) << caps << " depth " << depth;
                const auto move =
                    std::find_if(got.begin(), got.end(), [&](auto& v) { return std::get<0>(v) == f.bin; });
                ASSERT_NE(move, got.end());
                EXPECT_EQ(std::get<2>(*move), f.exact[caps][i] == '=')
                    << caps << " depth " << depth << " " << &f - cases;
            }
}

// Bad input; a search abandoned, and the request holding until cleared.
TEST_F(Search, MoveValuesRefusalsAndAbandoning)
{
    const node n = position({6, 6, 6, 6, 6, 6, 0, 6, 6, 6, 6, 6, 6, 0}, BOTTOM_STORE, 40);
    const node bad = position(bins_of(&n), 3), none = position({0, 0, 0, 0, 0, 0, 36}, TOP_STORE);
    move_value out[6];
    testing::internal::CaptureStdout();
    for (int depth : {4, TREE_SEARCH_DEPTH + 1})
        EXPECT_EQ(move_values(&bad, depth, {}, out) + move_values(&n, -41, {}, out) +
                      move_values(nullptr, depth, {}, out) + move_values(&none, depth, {}, out),
                  -3);
    EXPECT_EQ(testing::internal::GetCapturedStdout().size(), 6 * std::strlen("move_values: bad args\n"));
    deep_threads_force(2);
    for (int depth : {TREE_SEARCH_DEPTH, 40}) {
        std::thread stop(
            [] { std::this_thread::sleep_for(std::chrono::milliseconds(30)), search_stop_request(); });
        EXPECT_EQ(move_values(&n, depth, {}, out), -2);
        stop.join();
        EXPECT_EQ(move_values(&n, 3, {}, out) + move_values(&none, depth, {}, out), -4);
        search_stop_clear();
    }
}

} // namespace
