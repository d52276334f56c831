// The game's decisions, its records and the stone lists, natively: whole games played
// through the engine as the controller plays them, and what undo, redo, the
// result, the keys and the stone lists make of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "game/options.h"
#include "game/play.h"
#include "game/session.h"
#include "game/record.h"
#include "game/stone_lists.h"
#include "game/texts.h"

namespace {

constexpr int B = BOTTOM_STORE, T = TOP_STORE;

// A random non-empty bin of the side to move.
int random_bin(const node* n, std::mt19937& rng)
{
    int bin = first_bin(n->turn) + static_cast<int>(rng() % 6);
    while (n->bins[bin] == 0)
        bin = first_bin(n->turn) + (bin - first_bin(n->turn) + 1) % 6;
    return bin;
}

// A game record as the controller keeps it: the root, and each move a child
// of the position it was played from. Random moves until the end or `moves`.
struct game {
    node* root = new_node();
    std::vector<node*> path; // root first
    game(std::mt19937& rng, int moves)
    {
        init_node(root, rng() % 2 ? B : T, 1 + static_cast<int>(rng() % MAX_STONES));
        path.push_back(root);
        for (int i = 0; i < moves && !game_over(path.back()); ++i) {
            node* n = path.back();
            node* child = nullptr;
            if (gen_node(n, random_bin(n, rng), &child) < 0)
                break;
            calc_h(child); // as the controller does after every move
            path.push_back(child);
        }
    }
    ~game()
    {
        while (root->first_child)
            free_node(root->first_child);
        free_node(root);
    }
};

class Play : public testing::Test {
protected:
    void TearDown() override { g_num_players = 1, g_allow_empty_caps = 0, g_num_stones = 4; }
};

// Ctrl+Z and then Ctrl+Y bring back the position a person was to move in, with every player count; undo
// lands on a person's turn or nowhere, and redo stops at the next person's turn or the end.
TEST_F(Play, TakingBackAndPlayingAgainReturnToEachTurn)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        g_num_players = round % 3;
        EXPECT_EQ(computer_plays(B) * 2 + computer_plays(T), g_num_players == 0   ? 3
                                                             : g_num_players == 1 ? 1
                                                                                  : 0);
        game g(rng, 1 + static_cast<int>(rng() % 60));
        for (size_t i = 0; i < g.path.size(); ++i) {
            node* n = g.path[i];
            node* back = undo_target(n);
            if (g_num_players == 0 || i == 0) {
                EXPECT_EQ(back, nullptr);
                continue;
            }
            if (g_num_players == 2) {
                EXPECT_EQ(back, n->parent);
            }
            if (back == nullptr) { // only when the computer has had every turn before
                for (size_t j = 0; j < i; ++j)
                    EXPECT_TRUE(computer_plays(g.path[j]->turn)) << round << " " << i;
                continue;
            }
            EXPECT_TRUE(person_plays(back)) << round << " " << i;
            for (const node* m = n->parent; m != back; m = m->parent)
                EXPECT_TRUE(computer_plays(m->turn)) << "a person's turn was skipped";
            const std::vector<node*> line = redo_line(back);
            ASSERT_FALSE(line.empty());
            EXPECT_EQ(line.front(), g.path[back->level + 1]);
            for (size_t k = 0; k + 1 < line.size(); ++k)
                EXPECT_TRUE(computer_plays(line[k]->turn) && !game_over(line[k]));
            if (person_plays(n) || game_over(n)) {
                EXPECT_EQ(line.back(), n) << round << " " << i;
            }
        }
        EXPECT_TRUE(redo_line(g.path.back()).empty());
    }
}

// Who plays, whether a hint may be asked, and which player a finished game names.
TEST_F(Play, TurnsHintsAndResults)
{
    std::mt19937 rng(11);
    std::array<int, 3> results{};
    for (int round = 0; round < 400; ++round) {
        g_num_players = 2 - round % 2;
        game g(rng, 200);
        for (const node* n : g.path) {
            const int first = first_bin(n->turn);
            const bool stones =
                std::any_of(n->bins + first, n->bins + first + 6, [](int c) { return c > 0; });
            EXPECT_EQ(hint_possible(n), person_plays(n) && stones);
        }
        const node* end = g.path.back();
        ASSERT_TRUE(game_over(end));
        int top = 0;
        for (int b = 7; b <= 13; ++b)
            top += end->bins[b];
        const int all = stone_total(end);
        const char* expected = 2 * top > all ? top_wins : 2 * top == all ? tie_game : bottom_wins;
        EXPECT_STREQ(result_text(end), expected);
        ++results[expected == top_wins ? 0 : expected == tie_game ? 1 : 2];
        EXPECT_TRUE(waits_for_new_game(end, true));
        EXPECT_EQ(waits_for_new_game(g.root, false), true);
        EXPECT_EQ(waits_for_new_game(g.root, true), game_over(g.root));
    }
    EXPECT_GT(std::min({results[0], results[1], results[2]}), 0) << "every result was met";
    EXPECT_FALSE(hint_possible(nullptr));
}

TEST_F(Play, ANewGameStartsWithTheOptionsStonesOrFour)
{
    for (int stones : {MIN_STONES - 1, MIN_STONES, 5, MAX_STONES, MAX_STONES + 1, -7}) {
        g_num_stones = stones;
        EXPECT_EQ(stones_for_game(), stones >= MIN_STONES && stones <= MAX_STONES ? stones : 4);
    }
}

// Lists dealt as bin b's k-th stone of colour (b + k) mod 5.
void deal(const std::array<int, 14>& counts)
{
    for (int b = 0; b < 14; ++b)
        for (int k = 0; k <= counts[b]; ++k)
            g_stones[b][k] = k < counts[b] ? (b + k) % 5 : -1;
}

std::vector<int> list_of(int bin)
{
    return {g_stones[bin], g_stones[bin] + bin_count(bin)};
}

// clang-format off
// After the move from `bin`, the bins changed in order (a pause before each but the first), and one list.
struct sowing { std::array<int, 14> bins; int bin, empty_caps; std::vector<int> changed; int list_bin;
    std::vector<int> list; };
const sowing sowings[] = {
    // The stone picked up last is sown first.
    {{3, 1, 1, 1, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0}, 0, 0, {0, 1, 2, 3}, 3, {3, 0}},
    // A lap past the emptied bin, skipping store 13, captures bin 10 after one more pause.
    {{4, 4, 13, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0}, 2, 0,
     {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 1, 2, 2, 10, 6}, 6, {1, 2, 0, 1, 2, 3, 2}},
    // The top side skips store 6, and captures into store 13.
    {{4, 4, 4, 4, 4, 4, 2, 4, 4, 11, 4, 4, 4, 0}, 9, 0, {9, 10, 11, 12, 13, 0, 1, 2, 3, 4, 5, 7}, 6, {1, 2}},
    {{4, 4, 5, 4, 4, 4, 0, 4, 2, 4, 0, 4, 4, 1}, 8, 0, {8, 9, 10, 10, 2, 13}, 13, {3, 3, 2, 3, 4, 0, 1}},
    // No capture in the own store or in the opponent's empty bin.
    {{4, 4, 4, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0}, 2, 0, {2, 3, 4, 5, 6}, 6, {2}},
    {{4, 4, 4, 4, 5, 4, 0, 4, 4, 0, 4, 4, 4, 0}, 4, 0, {4, 5, 6, 7, 8, 9}, 9, {4}},
    // Facing an empty bin, the lone stone is captured only with the option.
    {{2, 4, 0, 4, 4, 4, 0, 4, 4, 0, 0, 4, 4, 0}, 0, 0, {0, 1, 2}, 2, {0}},
    {{2, 4, 0, 4, 4, 4, 0, 4, 4, 0, 0, 4, 4, 0}, 0, 1, {0, 1, 2, 2, 10, 6}, 6, {0}}};
// clang-format on

// Each stone keeps its colour as it is sown and captured, in the steps the animation shows.
TEST_F(Play, SowingMovesEachStoneStepByStep)
{
    for (const sowing& s : sowings) {
        deal(s.bins);
        std::vector<int> steps; // -1 for each pause
        sow_stones(
            s.bin, s.empty_caps != 0, [&] { steps.push_back(-1); }, [&](int bin) { steps.push_back(bin); });
        // The pick-up at once, a pause before each stone, and one before a capture's three bins.
        const size_t n = static_cast<size_t>(s.bins[s.bin]);
        std::vector<int> expected{s.changed[0]};
        for (size_t k = 1; k < s.changed.size(); ++k) {
            if (k <= n + 1)
                expected.push_back(-1);
            expected.push_back(s.changed[k]);
        }
        EXPECT_EQ(steps, expected) << "bin " << s.bin;
        EXPECT_EQ(list_of(s.list_bin), s.list) << "bin " << s.bin;
    }
    deal({0, 4, 4, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0});
    const std::string before = pack_stones();
    for (int bin : {0, 6, 13, -1, 14}) // empty, the stores, off the board
        sow_stones(
            bin, false, [] { ADD_FAILURE(); }, [](int) { ADD_FAILURE(); });
    EXPECT_EQ(pack_stones(), before);
}

// Over random games the lists hold exactly the engine's counts, the same stones, and the lists kept per move
// come back as they were; each move's recorded rule is the one it was played under.
TEST_F(Play, TheListsFollowTheEngineAndComeBackByLevel)
{
    std::mt19937 rng(9);
    int mattered = 0;
    for (int round = 0; round < 200; ++round) {
        g_allow_empty_caps = round % 2;
        game g(rng, 0);
        ASSERT_EQ(init_stones(g.root->bins[0]), 0);
        keep_opening_lists();
        std::vector<std::string> shown{pack_stones()};
        std::string colours = shown[0];
        std::sort(colours.begin(), colours.end());
        node* n = g.root;
        for (int i = 0; i < 80 && !game_over(n); ++i) {
            const int bin = random_bin(n, rng);
            ASSERT_GE(gen_node(n, bin, &n), 0);
            calc_h(n);
            // A move played again takes the rule it was played under, whatever the option says now.
            const bool played = round % 2;
            node other = *n->parent;
            do_move(&other, bin, !played);
            const bool matters = !std::equal(other.bins, other.bins + 14, n->bins);
            mattered += matters;
            for (int option : {0, 1}) {
                g_allow_empty_caps = option;
                EXPECT_EQ(recorded_rule(n), matters ? played : option != 0);
            }
            g_allow_empty_caps = played;
            sow_stones(
                bin, g_allow_empty_caps != 0, [] {}, [](int) {});
            for (int b = 0; b < 14; ++b)
                ASSERT_EQ(bin_count(b), n->bins[b]) << "round " << round << " move " << i << " bin " << b;
            std::string now = pack_stones();
            shown.push_back(now);
            std::sort(now.begin(), now.end());
            ASSERT_EQ(now, colours) << "no stone changes colour";
            keep_lists(n->level);
        }
        for (int level = n->level; level >= 0; --level) {
            ASSERT_TRUE(restore_lists(level));
            EXPECT_EQ(pack_stones(), shown[level]);
        }
        EXPECT_FALSE(restore_lists(n->level + 1));
        keep_lists(1); // a new move at level 1 drops the lists of the moves after it
        EXPECT_FALSE(restore_lists(2));
    }
    EXPECT_GT(mattered, 10) << "moves whose rule matters";
}

// The boards of a record's moves played under one rule, the opening first.
std::vector<std::vector<int32_t>> replayed(const game_record& r, bool empty_caps)
{
    node n{};
    init_node(&n, r.first, r.stones);
    std::vector<std::vector<int32_t>> boards{{n.bins, n.bins + 14}};
    for (const int bin : r.moves) {
        n.turn = other_side(n.turn);
        do_move(&n, bin, empty_caps);
        boards.emplace_back(n.bins, n.bins + 14);
    }
    return boards;
}

// Random games of every stones count, under one rule or with the option changed between moves, written and
// read back (also with LF ends and a byte-order mark): the same start, moves and final board, the result
// tagged once the game is over. A game whose moves need both rules is refused, and no one rule replays it. A
// record cut anywhere reads as the game's first moves or is refused.
TEST_F(Play, RecordsReadBackAsTheGamesTheyWereWrittenFrom)
{
    std::mt19937 rng(5);
    int mixed_refused = 0;
    std::map<std::string, int> results;
    for (int round = 0; round < 600; ++round) {
        const bool mixed = round % 3 == 2;
        g_allow_empty_caps = round % 2;
        game g(rng, 0);
        for (node* n = g.root; !game_over(n) && n->level < 200;) {
            g_allow_empty_caps = mixed ? static_cast<int>(rng() % 2) : g_allow_empty_caps;
            ASSERT_GE(gen_node(n, random_bin(n, rng), &n), 0);
            calc_h(n);
            g.path.push_back(n);
        }
        const node* last = g.path[rng() % g.path.size()];
        std::vector<int> moves;
        std::vector<std::vector<int32_t>> boards;
        for (const node* n = last; n != nullptr; n = n->parent) {
            boards.emplace(boards.begin(), n->bins, n->bins + 14);
            if (n->parent != nullptr)
                moves.insert(moves.begin(), n->move);
        }
        std::string error, text = write_record(last, "2026.12.08", error);
        game_record r{g.root->bins[0], false, g.root->turn, moves};
        if (text.empty()) {
            EXPECT_TRUE(mixed && !error.empty());
            EXPECT_TRUE(replayed(r, false) != boards && replayed(r, true) != boards);
            ++mixed_refused;
            continue;
        }
        std::string lf = "\xEF\xBB\xBF" + text;
        lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
        for (const std::string& form : {text, lf}) {
            ASSERT_TRUE(read_record(form, r, error)) << error << "\n" << text;
            EXPECT_TRUE(r.stones == g.root->bins[0] && r.first == g.root->turn && r.moves == moves) << text;
            EXPECT_EQ(replayed(r, r.empty_caps), boards) << text;
        }
        // The Result tag as a person counts the stones: the top row and store against the rest.
        node over = *last;
        calc_h(&over);
        const int top = std::accumulate(last->bins + 7, last->bins + 14, 0), all = stone_total(last);
        const std::string result = !game_over(&over) ? "*"
                                   : 2 * top > all   ? "Player 1"
                                   : 2 * top < all   ? "Player 2"
                                                     : "Tie";
        EXPECT_NE(text.find("\r\n[Result \"" + result + "\"]\r\n"), std::string::npos) << text;
        ++results[result];
        const std::size_t cut = rng() % text.size();
        if (read_record(text.substr(0, cut), r, error))
            EXPECT_TRUE(std::equal(r.moves.begin(), r.moves.end(), moves.begin()) &&
                        r.moves.size() <= moves.size());
        else
            EXPECT_FALSE(error.empty());
    }
    EXPECT_GT(mixed_refused, 5);
    EXPECT_EQ(results.size(), 4u) << "every result was written";
}

// Move values on show, over positions of random games at small depths: every move of the side to move has
// its label, none else; the best shows 0, and each other shows how many stones worse it is for its mover;
// "=" marks the values that are the game's result. Taking them off leaves no label.
TEST_F(Play, MoveValuesShowEachMovesLossAgainstTheBest)
{
    std::mt19937 rng(17);
    for (int round = 0; round < 60; ++round) {
        game g(rng, static_cast<int>(rng() % 40));
        const node* n = g.path.back();
        move_value v[6];
        const int count = move_values(n, static_cast<int>(rng() % 5), {rng() % 2 == 0, false}, v);
        bool changed[14] = {};
        keep_values(n, v, count, changed);
        const int sign = n->turn == TOP_STORE ? 1 : -1; // the mover's gain in h
        int least = INT_MAX;
        for (int i = 0, bin = 0; bin < 14; ++bin) {
            char label[8];
            value_label(bin, label);
            const bool move = i < count && v[i].bin == bin;
            ASSERT_EQ(changed[bin] && label[0] != 0, move) << bin;
            ASSERT_EQ(move, side_of(bin) == n->turn && n->bins[bin] > 0);
            if (!move)
                continue;
            const bin_value& b = g_bin_values[bin];
            least = std::min(least, b.loss);
            EXPECT_EQ(label, (v[i].exact ? "=" : "") + std::to_string(-b.loss));
            for (int j = 0; j < count; ++j) // each pair apart by the difference of their values
                EXPECT_EQ(b.loss - g_bin_values[v[j].bin].loss, sign * (v[j].h - v[i].h));
            ++i;
        }
        EXPECT_TRUE(count == 0 || least == 0);
        drop_values(changed);
        EXPECT_FALSE(values_shown());
    }
}

// Each fault of a record refused with its line, from the first tag to a move after the end of a game.
TEST_F(Play, HostileRecordsAreRefusedAtTheirLine)
{
    std::mt19937 rng(3);
    game g(rng, 1000); // to its end
    std::string error, ended = write_record(g.path.back(), "2026.12.08", error);
    const std::size_t last_move = 7 + g.path.size() - 1;
    for (int i = 0; i < 10000; ++i)
        ended += "Player 1: 1\r\n";
    const std::string head = "[Stones \"4\"]\n[EmptyCaptures \"0\"]\n[First \"Player 2\"]\n";
    const std::pair<std::string, std::string> rows[] = {
        {head + "Player 1: 3\n", "line 4: Player 1 is not to move"},
        {head + "Player 2: 3\nPlayer 2: 3\n",
         "line 5: bin 3 of Player 2 is empty"}, // the first gave an extra turn
        {"[Stones \"9\"]\n", "line 1: Stones must be 1 to 8"},
        {"[Stones \"4\"]\n[EmptyCaptures \"0\"]\nPlayer 2: 3\n", "the First tag is missing"},
        {"[First \"Player 1\"]\n[Stones \"3\"]\n", "the EmptyCaptures tag is missing"},
        {"[EmptyCaptures \"yes\"]\n", "line 1: EmptyCaptures must be 0 or 1"},
        {"[First \"Player 3\"]\n", "line 1: First must be \"Player 1\" or \"Player 2\""},
        {"[Game \"Chess\"]\n", "line 1: the record is of another game (Game \"Chess\")"},
        {head + "[Date \"8.12.2026\"]\n", "line 4: Date must look like 2026.12.08"},
        {head + "[Result \"won\"]\n", "line 4: Result must be \"Player 1\", \"Player 2\", \"Tie\" or \"*\""},
        {"[Stones \"4\"]\n[Stones \"4\"]\n", "line 2: the Stones tag is given twice"},
        {"[Stones 4]\n", "line 1: a tag must look like [Name \"value\"]"},
        {head + "Player 2: 1\n[Date \"2026.12.08\"]\n", "line 5: the tags come before the moves"},
        {head + "Player 2: 7\n", "line 4: there is no bin 7: the bins are 1 to 6"},
        {head + "Player 2 3\n",
         "line 4: this is neither a tag nor a move (a move looks like \"Player 2: 3\")"},
        {head + std::string(1001, 'x') + "\n", "line 4: the line is longer than 1000 characters"},
        {head + std::string("Player 2: 1\0\n", 13), "line 4: the record is not text"},
        {head + "; caf\xC3\x28\n", "line 4: the record is not text"},
        {head + "Player 2: 1\rPlayer 1: 1\n", "line 4: the record is not text"},
        {std::string(max_record_bytes + 1, '\n'), "the record is larger than 1 MB"},
        {ended, "the game ended at line " + std::to_string(last_move) + "; line " +
                    std::to_string(last_move + 1) + " is a move after the end"},
    };
    for (const auto& [text, why] : rows) {
        game_record r;
        error.clear();
        EXPECT_FALSE(read_record(text, r, error)) << text.substr(0, 200);
        EXPECT_EQ(error, why);
    }
    // What a person may write: comments, blank lines, spaces, unknown tags, UTF-8.
    game_record r;
    EXPECT_TRUE(read_record(
        "; by hand\n\n  [Event \"Caf\xC3\xA9\"]\n" + head + "\t Player 2: 3 \n\nPlayer 2: 1\n", r, error))
        << error;
    EXPECT_EQ(r.moves, (std::vector<int>{2, 0}));
}

// A fresh random source deals next_random() mod 5 per stone, bins 0..5 then 7..12; the stores stay empty.
TEST(Dealing, TakesTheRandomSourceInBinOrder)
{
    std::vector<int> dealt, drawn(48);
    std::thread([] { init_stones(4); }).join();
    std::thread([&] { std::generate(drawn.begin(), drawn.end(), [] { return next_random() % 5; }); }).join();
    for (int b = 0; b < 14; ++b)
        dealt.insert(dealt.end(), g_stones[b], g_stones[b] + bin_count(b));
    EXPECT_EQ(dealt, drawn);
}

} // namespace
