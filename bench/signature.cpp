// The search signature: what the tree search and the deep search answer on a
// fixed set of positions, printed line by line and summed up in one digest,
// so that a change meant to leave the searches alone can be checked by
// diffing the output of a run before it with one after.
//
//   kivari_signature
//
// For every position (the openings with 1 to 8 stones, either side to move;
// two mid-game positions of search_bench.cpp; positions from seeded random
// play) under both empty-capture rules, and every depth of the list, it
// prints the tree search's move, value and node count (the yardstick counts
// the same moves) where the tree is small enough, the one-thread deep
// search's move, value and counters from a cold table, and the deep search's
// value of every root move (each child searched one ply less deep). It
// checks that two threads give the one-thread move and value, and that the
// tree search agrees, and says so on the line. Then a few searches with
// random moves on (each on a fresh thread, so the random source starts
// anew), without the table, and one run of searches that keeps its table
// from one to the next. The last line is an FNV-1a digest of every bin and
// value seen. Random moves are off everywhere else, so that the output is
// the same on every run.
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/yardstick.h"
#include "engine/deep_search.h"
#include "engine/engine.h"
#include "game/options.h"

namespace {

constexpr int TREE_DEPTH_LIMIT = 7; // deeper trees take too long for a quick check
const int DEPTHS[] = {1, 2, 3, 6, 7, 9, 12};
constexpr int DEEP_ONLY_DEPTH = 15; // the openings and mid-game positions only
constexpr int RANDOM_PER_STONES = 2;

uint64_t g_digest = 14695981039346656037ull;
int g_mismatches = 0;

void mix(int bin, int h)
{
    const uint64_t v = static_cast<uint64_t>(static_cast<uint32_t>(bin) & 0xFF) |
                       static_cast<uint64_t>(static_cast<uint32_t>(h) & 0xFFFF) << 8;
    for (int i = 0; i < 3; ++i) {
        g_digest ^= v >> (8 * i) & 0xFF;
        g_digest *= 1099511628211ull;
    }
}

struct position {
    std::string name;
    node n; // standalone: no parent, no children
};

node standalone(const int (&bins)[14], int turn, int level)
{
    node n{};
    for (int i = 0; i < 14; ++i)
        n.bins[i] = bins[i];
    n.turn = turn;
    n.level = level;
    calc_h(&n);
    return n;
}

// A random game from the opening, as set_bench.cpp plays it; false when the
// game ended on the way.
bool random_position(int stones, int seed, position& out)
{
    std::mt19937 rng(static_cast<std::mt19937::result_type>(seed));
    const int moves_in = 2 + static_cast<int>(rng() % 39);
    node root;
    init_node(&root, BOTTOM_STORE, stones);
    node* cur = &root;
    bool goes_on = true;
    for (int i = 0; i < moves_in && goes_on; ++i) {
        int bins[6];
        int count = 0;
        for (int b = first_bin(cur->turn); b < cur->turn; ++b) {
            if (cur->bins[b] > 0)
                bins[count++] = b;
        }
        if (count == 0 || gen_node(cur, bins[rng() % count], &cur) != 0) {
            goes_on = false;
            break;
        }
        calc_h(cur);
        goes_on = game_over(cur) == 0;
    }
    if (goes_on) {
        out.n = *cur;
        out.n.parent = out.n.first_child = out.n.next_sibling = nullptr;
        out.name = std::to_string(stones) + "-stone seed " + std::to_string(seed);
    }
    while (root.first_child)
        free_node(root.first_child);
    return goes_on;
}

std::vector<position> make_set()
{
    std::vector<position> set;
    for (int stones = MIN_STONES; stones <= MAX_STONES; ++stones) {
        for (int turn : {BOTTOM_STORE, TOP_STORE}) {
            position p;
            init_node(&p.n, turn, stones);
            p.name = std::to_string(stones) + "-stone opening, " + (turn == TOP_STORE ? "top" : "bottom");
            set.push_back(p);
        }
    }
    const int mid_a[14] = {6, 1, 2, 6, 6, 0, 8, 0, 5, 0, 6, 0, 6, 2};
    const int mid_b[14] = {1, 7, 0, 3, 1, 9, 4, 7, 1, 0, 2, 1, 8, 4};
    set.push_back({"mid_a", standalone(mid_a, BOTTOM_STORE, 5)});
    set.push_back({"mid_b", standalone(mid_b, TOP_STORE, 9)});
    // The random games are played under empty captures off.
    g_allow_empty_caps = 0;
    for (int stones = 2; stones <= MAX_STONES; ++stones) {
        int found = 0;
        for (int seed = 7000 + 100 * stones; found < RANDOM_PER_STONES; ++seed) {
            position p;
            if (random_position(stones, seed, p)) {
                set.push_back(p);
                ++found;
            }
        }
    }
    return set;
}

struct answer {
    int move;
    int h;
};

answer deep_cold(const node& at, int depth, bool caps, int threads, deep_stats* st = nullptr)
{
    node n = at;
    deep_threads_force(threads);
    deep_table_clear();
    const int move = deep_comp_move(&n, depth, st, search_settings{caps, false});
    return {move, n.h};
}

// The value of each root move: the child searched one ply less deep by the
// deep search, or the child itself where the move ends the game or reaches
// the depth.
void print_move_values(const node& at, int depth, bool caps)
{
    std::printf("  values");
    const int first = first_bin(at.turn);
    for (int b = first; b < first + 6; ++b) {
        if (at.bins[b] <= 0)
            continue;
        node c = at;
        c.level = at.level + 1;
        c.move = b;
        c.turn = other_side(at.turn);
        const int over = do_move(&c, b, caps);
        calc_h(&c);
        int h = c.h;
        if (over == 0 && depth > 1)
            h = deep_cold(c, depth - 1, caps, 1).h;
        std::printf(" %d:%d", b, h);
        mix(b, h);
    }
    std::printf("\n");
}

void print_search(const position& p, int depth, bool caps)
{
    std::printf("%s, caps %s, depth %d:", p.name.c_str(), caps ? "on" : "off", depth);
    answer tree{0, 0};
    const bool with_tree = depth <= TREE_DEPTH_LIMIT;
    if (with_tree) {
        g_allow_empty_caps = caps ? 1 : 0; // the yardstick reads the option
        board b;
        for (int i = 0; i < 14; ++i)
            b[i] = p.n.bins[i];
        const yardstick_result y = yardstick_search(b, p.n.turn, p.n.level, depth);
        g_allow_empty_caps = 0;
        node n = p.n;
        tree.move = tree_comp_move(&n, depth, search_settings{caps, false});
        tree.h = n.h;
        std::printf(" tree bin %d h %d nodes %lld%s;", tree.move, tree.h, y.nodes,
                    y.value == tree.h ? "" : " (YARDSTICK DIFFERS)");
        mix(tree.move, tree.h);
        g_mismatches += y.value != tree.h;
    }
    deep_stats st;
    const answer one = deep_cold(p.n, depth, caps, 1, &st);
    std::printf(" deep bin %d h %d nodes %lld probes %lld hits %lld reached %d%s", one.move, one.h, st.nodes,
                st.probes, st.hits, st.depth_reached, st.settled ? " settled" : "");
    mix(one.move, one.h);
    if (with_tree && (tree.move != one.move || tree.h != one.h)) {
        std::printf(" (TREE DIFFERS)");
        ++g_mismatches;
    }
    const answer two = deep_cold(p.n, depth, caps, 2);
    if (two.move == one.move && two.h == one.h) {
        std::printf("; 2 threads same\n");
    } else {
        std::printf("; 2 THREADS DIFFER: bin %d h %d\n", two.move, two.h);
        ++g_mismatches;
    }
    print_move_values(p.n, depth, caps);
}

// One search with random moves on, on a thread of its own.
template <typename Search> answer on_fresh_thread(const node& at, Search search)
{
    answer a{0, 0};
    std::thread([&] {
        node n = at;
        a.move = search(&n);
        a.h = n.h;
    }).join();
    return a;
}

void print_random_moves(const position& p, int depth, bool caps)
{
    const search_settings s{caps, true};
    const answer tree = on_fresh_thread(p.n, [&](node* n) { return tree_comp_move(n, depth, s); });
    deep_stats st;
    const answer deep = on_fresh_thread(p.n, [&](node* n) {
        deep_threads_force(1);
        deep_table_clear();
        return deep_comp_move(n, depth, &st, s);
    });
    std::printf(
        "%s, caps %s, depth %d, random moves: tree bin %d h %d; deep bin %d h %d nodes %lld hits %lld%s\n",
        p.name.c_str(), caps ? "on" : "off", depth, tree.move, tree.h, deep.move, deep.h, st.nodes, st.hits,
        tree.move == deep.move && tree.h == deep.h ? "" : " (DIFFER)");
    g_mismatches += tree.move != deep.move || tree.h != deep.h;
    mix(tree.move, tree.h);
    mix(deep.move, deep.h);
}

void print_random_moves_deep(const position& p, int depth, bool caps)
{
    deep_stats st;
    const answer deep = on_fresh_thread(p.n, [&](node* n) {
        deep_threads_force(1);
        deep_table_clear();
        return deep_comp_move(n, depth, &st, search_settings{caps, true});
    });
    std::printf("%s, caps %s, depth %d, random moves: deep bin %d h %d nodes %lld hits %lld\n",
                p.name.c_str(), caps ? "on" : "off", depth, deep.move, deep.h, st.nodes, st.hits);
    mix(deep.move, deep.h);
}

void print_without_table(const position& p, int depth, bool caps)
{
    deep_table_fail(true);
    deep_stats st;
    const answer a = deep_cold(p.n, depth, caps, 1, &st);
    deep_table_fail(false);
    std::printf("%s, caps %s, depth %d, no table: bin %d h %d nodes %lld%s\n", p.name.c_str(),
                caps ? "on" : "off", depth, a.move, a.h, st.nodes, st.table ? " (HAD A TABLE)" : "");
    mix(a.move, a.h);
}

// Searches one after another without clearing the table: each finds what
// the ones before left, as long as the rule and the stones stay the same.
// After the set, each of a few boards is searched under one rule, then the
// other, then with one stone more in the top store (which the entries'
// keys leave out).
void print_kept_run(const std::vector<position>& set)
{
    deep_threads_force(1);
    deep_table_clear();
    auto kept = [](const std::string& name, const node& at, bool caps) {
        node n = at;
        deep_stats st;
        const int move = deep_comp_move(&n, 12, &st, search_settings{caps, false});
        std::printf("%s, caps %s, depth 12, kept table: bin %d h %d nodes %lld hits %lld\n", name.c_str(),
                    caps ? "on" : "off", move, n.h, st.nodes, st.hits);
        mix(move, n.h);
    };
    for (bool caps : {false, true}) {
        for (const position& p : set)
            kept(p.name, p.n, caps);
    }
    for (size_t i = 4; i < set.size(); i += 4) {
        kept(set[i].name, set[i].n, false);
        kept(set[i].name, set[i].n, true);
        node more = set[i].n;
        ++more.bins[TOP_STORE];
        calc_h(&more);
        kept(set[i].name + " plus one in the top store", more, true);
    }
}

// A helper thread that fails to start: the search goes on with one fewer.
void print_thread_failure(const position& p, int depth)
{
    deep_threads_force(2);
    deep_thread_fail(1);
    deep_stats st;
    node n = p.n;
    deep_table_clear();
    const int move = deep_comp_move(&n, depth, &st, search_settings{false, false});
    deep_thread_fail(0);
    std::printf("%s, caps off, depth %d, a thread fails to start: bin %d h %d threads %d\n", p.name.c_str(),
                depth, move, n.h, st.threads);
    mix(move, n.h);
}

} // namespace

int main()
{
    g_random_moves = 0;
    const std::vector<position> set = make_set();
    for (const position& p : set) {
        for (bool caps : {false, true}) {
            for (int depth : DEPTHS)
                print_search(p, depth, caps);
            if (p.name.find("seed") == std::string::npos)
                print_search(p, DEEP_ONLY_DEPTH, caps);
        }
    }
    for (size_t i = 0; i < set.size(); i += 3) {
        for (bool caps : {false, true}) {
            print_random_moves(set[i], 7, caps);
            print_random_moves_deep(set[i], 12, caps);
            print_without_table(set[i], 9, caps);
        }
    }
    print_kept_run(set);
    print_thread_failure(set[8], 12);
    deep_threads_force(0);
    std::printf("mismatches: %d\ndigest %016llx\n", g_mismatches, static_cast<unsigned long long>(g_digest));
    std::fflush(stdout);
    return g_mismatches == 0 ? 0 : 1;
}
