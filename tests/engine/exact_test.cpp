// The endgame table and the exact solver against a full-depth minimax of the
// game as the controller plays it; the table's image refused when damaged;
// the solver's budget, stop flag and refusals.
#include <atomic>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/exact/endgame.h"
#include "engine/exact/solver.h"
#include "tests/engine/positions.h"

namespace {

// Unoptimised builds (the sanitizers) check fewer positions.
#ifdef NDEBUG
constexpr int FULL_TABLE_STONES = 10, RANDOM_POSITIONS = 1500;
#else
constexpr int FULL_TABLE_STONES = 7, RANDOM_POSITIONS = 150;
#endif
constexpr int MAX_RANDOM_STONES = 14, SMALL_TABLE_STONES = 6;

class Exact : public EngineTest {
protected:
    void TearDown() override
    {
        exact_memory_fail(false);
        EngineTest::TearDown();
    }
};

// Every position with k stones in the twelve playing bins, side `turn`.
void each_position(int k, int turn, node& n, int from, const std::function<void(const node&)>& visit)
{
    static const int playing[12] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12};
    if (from == 11) {
        n.bins[playing[11]] = k;
        n.turn = turn;
        visit(n);
        return;
    }
    for (int c = 0; c <= k; ++c) {
        n.bins[playing[from]] = c;
        each_position(k - c, turn, n, from + 1, visit);
    }
}

// A position with 1..MAX_RANDOM_STONES stones in play, now and then heaped
// into one bin so that sowings lap the board; random stores.
node random_position(std::mt19937& rng)
{
    node n{};
    const int k = 1 + static_cast<int>(rng() % MAX_RANDOM_STONES);
    const int heap = rng() % 8 == 0 ? static_cast<int>(rng() % 13) : -1;
    for (int i = 0; i < k; ++i) {
        const int b = static_cast<int>(rng() % 12);
        ++n.bins[heap >= 0 && heap != 6 && rng() % 4 != 0 ? heap : b < 6 ? b : b + 1];
    }
    n.bins[6] = static_cast<int>(rng() % 20);
    n.bins[13] = static_cast<int>(rng() % 20);
    n.turn = rng() % 2 ? TOP_STORE : BOTTOM_STORE;
    return n;
}

endgame_table built(int stones, bool caps)
{
    endgame_table t;
    EXPECT_EQ(endgame_build(t, stones, caps), 0);
    return t;
}

TEST_F(Exact, EveryTableEntryIsTheMinimax)
{
    for (bool caps : {false, true}) {
        const endgame_table t = built(FULL_TABLE_STONES, caps);
        ASSERT_EQ(t.image.size(), endgame_image_size(FULL_TABLE_STONES));
        ref::to_the_end minimax;
        minimax.empty_caps = caps;
        uint64_t seen = 0;
        for (int k = 0; k <= FULL_TABLE_STONES; ++k) {
            for (int turn : {BOTTOM_STORE, TOP_STORE}) {
                node n{};
                each_position(k, turn, n, 0, [&](const node& p) {
                    const ref::Pos rp = to_ref(p);
                    const int want = minimax.margin(rp, minimax.top_share(rp));
                    ASSERT_EQ(endgame_margin(t, p.bins, turn), want)
                        << testing::PrintToString(bins_of(&p)) << " turn " << turn << " caps " << caps;
                    seen += turn == BOTTOM_STORE;
                });
            }
        }
        EXPECT_EQ(seen, endgame_positions(FULL_TABLE_STONES));
        node over{};
        over.bins[0] = FULL_TABLE_STONES + 1;
        EXPECT_EQ(endgame_margin(t, over.bins, BOTTOM_STORE), ENDGAME_NONE) << "more stones than N";
    }
}

// Each position under both rules: with no table, the small table of its
// rule, and the other rule's table (which the solver must leave alone).
TEST_F(Exact, SolverIsTheMinimaxOnRandomPositions)
{
    exact_solver s;
    ASSERT_EQ(exact_solver_init(s, 4), 0);
    for (bool caps : {false, true}) {
        const endgame_table own = built(SMALL_TABLE_STONES, caps), other = built(SMALL_TABLE_STONES, !caps);
        const endgame_table* tables[3] = {nullptr, &own, &other};
        ref::to_the_end minimax;
        minimax.empty_caps = caps;
        std::mt19937 rng(caps ? 7 : 3);
        for (int i = 0; i < RANDOM_POSITIONS; ++i) {
            const node n = random_position(rng);
            const ref::Pos rp = to_ref(n);
            const int want = minimax.margin(rp, minimax.top_share(rp));
            const endgame_table* t = tables[i % 3];
            exact_move got[6];
            int margin = 99, lo = 99, hi = 99;
            const int count = exact_move_values(s, &n, caps, t, -1, nullptr, got, margin);
            const std::string where = testing::PrintToString(bins_of(&n)) + " turn " +
                                      std::to_string(n.turn) + " caps " + std::to_string(caps) + " table " +
                                      std::to_string(i % 3);
            ASSERT_EQ(margin, want) << where;
            int legal = 0;
            for (int bin = first_bin(n.turn); bin < n.turn; ++bin) {
                if (n.bins[bin] == 0 || count == 0)
                    continue;
                ASSERT_LT(legal, count) << where;
                EXPECT_EQ(got[legal].bin, bin) << where;
                EXPECT_EQ(got[legal++].margin, minimax.margin(rp, minimax.move_share(rp, bin))) << where;
            }
            EXPECT_EQ(count, legal) << where;
            ASSERT_EQ(exact_position_value(s, &n, caps, t, -1, nullptr, lo, hi), 0) << where;
            EXPECT_EQ(lo, want) << where;
            EXPECT_EQ(hi, want) << where;
            if (i % 50 == 0)
                exact_solver_clear(s); // cold searches too, not only ones the entries shortcut
        }
    }
}

TEST_F(Exact, DamagedTruncatedOrForeignImagesAreRefused)
{
    const endgame_table t = built(SMALL_TABLE_STONES, true);
    const std::vector<uint8_t>& good = t.image;
    EXPECT_EQ(endgame_validate(good.data(), good.size(), SMALL_TABLE_STONES, true), 0);
    std::mt19937 rng(11);
    for (int i = 0; i < 400; ++i) {
        // Every header byte, the last byte, then bytes anywhere; each changed by a random non-zero amount.
        const std::size_t at = i < int(ENDGAME_HEADER_SIZE)    ? std::size_t(i)
                               : i == int(ENDGAME_HEADER_SIZE) ? good.size() - 1
                                                               : rng() % good.size();
        std::vector<uint8_t> bad = good;
        bad[at] = static_cast<uint8_t>(bad[at] + 1 + rng() % 255);
        EXPECT_LT(endgame_validate(bad.data(), bad.size(), SMALL_TABLE_STONES, true), 0) << "byte " << at;
    }
    for (std::size_t size : {std::size_t(0), ENDGAME_HEADER_SIZE - 1, ENDGAME_HEADER_SIZE, good.size() - 1})
        EXPECT_EQ(endgame_validate(good.data(), size, SMALL_TABLE_STONES, true), ENDGAME_BAD_SIZE) << size;
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_EQ(endgame_validate(longer.data(), longer.size(), SMALL_TABLE_STONES, true), ENDGAME_BAD_SIZE);
    EXPECT_EQ(endgame_validate(good.data(), good.size(), SMALL_TABLE_STONES, false), ENDGAME_FOREIGN);
    EXPECT_EQ(endgame_validate(good.data(), good.size(), SMALL_TABLE_STONES + 1, true), ENDGAME_FOREIGN);

    // Through a file: a good one comes back whole, a damaged one is refused and leaves no table.
    const std::string path = testing::TempDir() + "exact_test_table.bin";
    ASSERT_EQ(endgame_write_file(t, path.c_str()), 0);
    endgame_table back;
    ASSERT_EQ(endgame_read_file(back, path.c_str(), SMALL_TABLE_STONES, true), 0);
    EXPECT_EQ(back.image, good);
    std::vector<uint8_t> damaged = good;
    damaged[good.size() / 2] ^= 0x10;
    ASSERT_EQ(endgame_load(back, damaged.data(), damaged.size(), SMALL_TABLE_STONES, true), ENDGAME_DAMAGED);
    EXPECT_TRUE(back.image.empty());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(damaged.data(), 1, damaged.size(), f);
    std::fclose(f);
    EXPECT_EQ(endgame_read_file(back, path.c_str(), SMALL_TABLE_STONES, true), ENDGAME_DAMAGED);
    const node few = position({1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, BOTTOM_STORE);
    EXPECT_EQ(endgame_margin(back, few.bins, BOTTOM_STORE), ENDGAME_NONE) << "no table, no value";
    std::remove(path.c_str());
    EXPECT_EQ(endgame_read_file(back, path.c_str(), SMALL_TABLE_STONES, true), ENDGAME_IO);
}

TEST_F(Exact, BuildReportsProgressAndStopsWhenCancelled)
{
    std::vector<uint64_t> done;
    const auto record = [](void* context, uint64_t d, uint64_t total) {
        static_cast<std::vector<uint64_t>*>(context)->push_back(total - d);
    };
    endgame_table t;
    ASSERT_EQ(endgame_build(t, 4, false, record, &done), 0);
    ASSERT_FALSE(done.empty());
    EXPECT_EQ(done.back(), 0u) << "the last report is the whole table";
    const std::atomic<bool> cancel{true};
    EXPECT_EQ(endgame_build(t, 4, false, nullptr, nullptr, &cancel), ENDGAME_CANCELLED);
    EXPECT_TRUE(t.image.empty());
    EXPECT_EQ(endgame_build(t, -1, false), ENDGAME_BAD_ARGS);
    EXPECT_EQ(endgame_build(t, MAX_ENDGAME_STONES + 1, false), ENDGAME_BAD_ARGS);
}

TEST_F(Exact, OutOfMemoryIsAResultNotACrash)
{
    const endgame_table good = built(3, false);
    exact_memory_fail(true);
    endgame_table t;
    EXPECT_EQ(endgame_build(t, 3, false), ENDGAME_NO_MEMORY);
    EXPECT_EQ(endgame_load(t, good.image.data(), good.image.size(), 3, false), ENDGAME_NO_MEMORY);
    exact_solver s;
    EXPECT_EQ(exact_solver_init(s, 1), EXACT_NO_MEMORY);
    node n = position({1, 2, 0, 0, 0, 1, 0, 1, 0, 0, 3, 0, 0, 0}, BOTTOM_STORE);
    exact_move out[6];
    int margin = 0;
    EXPECT_EQ(exact_move_values(s, &n, false, nullptr, -1, nullptr, out, margin), EXACT_NO_MEMORY);
}

TEST_F(Exact, OutOfTimeOrStoppedIsNotProvenAndWritesNothing)
{
    exact_solver s;
    ASSERT_EQ(exact_solver_init(s, 1), 0);
    node opening;
    init_node(&opening, BOTTOM_STORE, 4);
    exact_move out[6] = {{-7, -7}};
    int margin = -7;
    // Bin 0 ends the game at once (its capture empties the top row); bin 5 needs a search.
    const node first_move_free = position({1, 0, 0, 0, 0, 30, 0, 0, 0, 0, 0, 10, 0, 0}, BOTTOM_STORE);
    EXPECT_EQ(exact_move_values(s, &first_move_free, false, nullptr, 0, nullptr, out, margin),
              EXACT_NOT_PROVEN);
    EXPECT_EQ(exact_move_values(s, &opening, true, nullptr, 0, nullptr, out, margin), EXACT_NOT_PROVEN);
    const std::atomic<bool> stop{true};
    EXPECT_EQ(exact_move_values(s, &opening, true, nullptr, -1, &stop, out, margin), EXACT_NOT_PROVEN);
    EXPECT_EQ(margin, -7);
    EXPECT_EQ(out[0].bin, -7);
    EXPECT_EQ(out[1].margin, 0);
    int lo = 0, hi = 0;
    EXPECT_EQ(exact_position_value(s, &opening, true, nullptr, 0, nullptr, lo, hi), EXACT_NOT_PROVEN);
    EXPECT_LE(lo, hi);
}

TEST_F(Exact, RefusesBadPositionsAndValuesAFinishedGame)
{
    exact_solver s;
    ASSERT_EQ(exact_solver_init(s, 1), 0);
    exact_move out[6];
    int margin = 0;
    node n = position({0, 0, 0, 0, 0, 0, 20, 3, 0, 1, 0, 0, 0, 5}, BOTTOM_STORE);
    EXPECT_EQ(exact_move_values(s, &n, false, nullptr, -1, nullptr, out, margin), 0);
    EXPECT_EQ(margin, -4) << "over: the top row's stones are the top side's";
    EXPECT_EQ(exact_move_values(s, nullptr, false, nullptr, -1, nullptr, out, margin), EXACT_BAD_ARGS);
    n.turn = 7;
    EXPECT_EQ(exact_move_values(s, &n, false, nullptr, -1, nullptr, out, margin), EXACT_BAD_ARGS);
    n = position({-1, 2, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0}, BOTTOM_STORE);
    EXPECT_EQ(exact_move_values(s, &n, false, nullptr, -1, nullptr, out, margin), EXACT_BAD_ARGS);
    n = position({100, 0, 0, 0, 0, 0, 0, 28, 0, 0, 0, 0, 0, 0}, BOTTOM_STORE);
    EXPECT_EQ(exact_move_values(s, &n, false, nullptr, -1, nullptr, out, margin), EXACT_BAD_ARGS);
}

// Two workers share one table, each with its own solver, while a third
// search is stopped from this thread.
TEST_F(Exact, WorkersShareATableAndStopOnRequest)
{
    const endgame_table t = built(SMALL_TABLE_STONES, false);
    std::mt19937 rng(5);
    std::vector<node> set;
    for (int i = 0; i < 40; ++i)
        set.push_back(random_position(rng));
    int answers[2][40] = {};
    const auto work = [&](int w) {
        exact_solver s;
        exact_solver_init(s, 1);
        exact_move out[6];
        for (int i = 0; i < 40; ++i)
            exact_move_values(s, &set[i], false, &t, -1, nullptr, out, answers[w][i]);
    };
    std::atomic<bool> stop{false};
    int stopped = 0;
    std::thread long_search([&] {
        exact_solver s;
        exact_solver_init(s, 1);
        node opening;
        init_node(&opening, BOTTOM_STORE, 6);
        int lo = 0, hi = 0;
        stopped = exact_position_value(s, &opening, false, &t, -1, &stop, lo, hi);
    });
    std::thread a(work, 0), b(work, 1);
    a.join();
    b.join();
    stop = true;
    long_search.join();
    EXPECT_EQ(stopped, EXACT_NOT_PROVEN);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(answers[0][i], answers[1][i]);
}

} // namespace
