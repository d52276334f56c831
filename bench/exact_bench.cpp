// The endgame table's build time and size, and the exact solver on known
// results: the openings with 1, 2 and 3 stones per bin, the 4-stone opening
// with empty captures (or the best bound a budget reaches), and the largest
// stones in play at which every position of the benchmark set is proven
// within a second.
//
//   kivari_exact_bench [--sizes=12,14,16,17] [--stones=17] [--cache=DIR]
//                      [--openings=1,2,3] [--set] [--four=SECONDS]
//                      [--megabytes=64]
//
// --sizes=LIST     table sizes N to build and time, each rule alone, then
//                  both rules of the largest on two threads at once.
// --stones=N       the table the solver reads (default ENDGAME_STONES).
// --cache=DIR      reads that table from DIR, or builds and writes it there.
// --openings=LIST  stones per bin of the openings solved (every move).
// --set            the benchmark set, 1 s a position.
// --four=S         the 4-stone opening with empty captures for S seconds,
//                  printing the bound proven each minute.
// --megabytes=M    the solver's own table (default 64, as the program).
//
// Player 2, the bottom side, moves first, as in a new game by default.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "engine/exact/endgame.h"
#include "engine/exact/solver.h"
#include "game/options.h"

namespace {

using steady = std::chrono::steady_clock;

double seconds_since(steady::time_point t0)
{
    return std::chrono::duration<double>(steady::now() - t0).count();
}

std::vector<int> parse_list(const char* s)
{
    std::vector<int> v;
    while (*s) {
        char* end;
        const long x = std::strtol(s, &end, 10);
        if (end == s)
            break;
        v.push_back(static_cast<int>(x));
        s = *end == ',' ? end + 1 : end;
    }
    return v;
}

const char* rule_name(bool caps)
{
    return caps ? "empty caps" : "no empty caps";
}

void build_sizes(const std::vector<int>& sizes)
{
    if (sizes.empty())
        return;
    std::printf("Endgame tables: one int8 margin per position with N stones in play or fewer\n");
    std::printf("  N  rule            positions        bytes   build-s\n");
    for (int n : sizes) {
        for (bool caps : {false, true}) {
            endgame_table t;
            const auto t0 = steady::now();
            const int r = endgame_build(t, n, caps);
            std::printf("%3d  %-13s %11llu  %11zu  %8.2f%s\n", n, rule_name(caps),
                        static_cast<unsigned long long>(endgame_positions(n)), t.image.size(),
                        seconds_since(t0), r == 0 ? "" : "  (failed)");
        }
    }
    const int n = *std::max_element(sizes.begin(), sizes.end());
    endgame_table both[2];
    const auto t0 = steady::now();
    std::thread other([&] { endgame_build(both[1], n, true); });
    endgame_build(both[0], n, false);
    other.join();
    std::printf("both rules of N = %d on two threads: %.2f s, %.1f MB\n\n", n, seconds_since(t0),
                (both[0].image.size() + both[1].image.size()) / 1e6);
}

int table_for(endgame_table& t, int n, bool caps, const char* cache)
{
    std::string path;
    if (cache) {
        path = std::string(cache) + "/endgame-" + std::to_string(n) + (caps ? "-caps" : "") + ".bin";
        if (endgame_read_file(t, path.c_str(), n, caps) == 0)
            return 0;
    }
    const auto t0 = steady::now();
    const int r = endgame_build(t, n, caps);
    std::printf("built the N = %d table, %s: %.2f s\n", n, rule_name(caps), seconds_since(t0));
    if (r == 0 && cache && endgame_write_file(t, path.c_str()) != 0)
        std::printf("could not write %s\n", path.c_str());
    return r;
}

void solve_openings(const std::vector<int>& stones, const endgame_table* tables, int megabytes)
{
    if (stones.empty())
        return;
    std::printf("Openings, Player 2 (bottom) to move: Player 2's margin with best play, then each\n"
                "move's (bins by column)\n");
    for (int s : stones) {
        for (bool caps : {false, true}) {
            exact_solver solver;
            exact_solver_init(solver, megabytes);
            node n;
            init_node(&n, BOTTOM_STORE, s);
            exact_move out[6];
            int margin = 0;
            const auto t0 = steady::now();
            const int count = exact_move_values(solver, &n, caps, &tables[caps], -1, nullptr, out, margin);
            std::printf("%d stones, %-13s ", s, rule_name(caps));
            if (count < 0) {
                std::printf("failed (%d)\n", count);
                continue;
            }
            std::printf("%+3d  moves", margin);
            for (int i = 0; i < count; ++i)
                std::printf(" %s:%+d", bin_label[out[i].bin], out[i].margin);
            std::printf("   %.2f s, %lld positions\n", seconds_since(t0), solver.nodes);
        }
    }
    std::printf("\n");
}

void solve_four(double budget_s, const endgame_table& table, int megabytes)
{
    std::printf(
        "4-stone opening, empty captures, Player 2 to move (published: the first player wins by 10)\n");
    exact_solver solver;
    if (exact_solver_init(solver, megabytes) != 0) {
        std::printf("no memory for the solver's table\n");
        return;
    }
    std::printf("solver table: %.0f MB\n", solver.entries.size() * sizeof(exact_entry) / 1e6);
    node n;
    init_node(&n, BOTTOM_STORE, 4);
    const auto t0 = steady::now();
    long long nodes = 0;
    int lo = -48, hi = 48, r = EXACT_NOT_PROVEN;
    // Minute by minute: the solver keeps its proofs from one call to the next.
    while (r == EXACT_NOT_PROVEN && seconds_since(t0) < budget_s) {
        const int chunk = static_cast<int>(std::min(60.0, budget_s - seconds_since(t0)) * 1000);
        r = exact_position_value(solver, &n, true, &table, std::max(chunk, 1), nullptr, lo, hi);
        nodes += solver.nodes;
        std::printf("  %7.0f s: margin in [%d, %d]%s, %lld positions\n", seconds_since(t0), lo, hi,
                    r == 0 ? " (proven)" : "", nodes);
        std::fflush(stdout);
    }
    std::printf("\n");
}

// The benchmark set of bench/set_bench.cpp, the same positions: the openings
// with 1 to 8 stones per bin, and for 3 to 8 stones the first 20 seeds
// (1000 * stones, counting up) whose random game (2..40 moves, each by
// modulo from std::mt19937) goes on, under each rule.
struct set_position {
    node n;
    bool caps;
    std::string name;
};

bool random_game(int stones, bool caps, int seed, node& out)
{
    std::mt19937 rng(static_cast<std::mt19937::result_type>(seed));
    const int moves_in = 2 + static_cast<int>(rng() % 39);
    g_allow_empty_caps = caps ? 1 : 0;
    node root;
    init_node(&root, BOTTOM_STORE, stones);
    node* cur = &root;
    bool goes_on = true;
    for (int i = 0; i < moves_in && goes_on; ++i) {
        int bins[6], count = 0;
        for (int b = first_bin(cur->turn); b < cur->turn; ++b)
            if (cur->bins[b] > 0)
                bins[count++] = b;
        if (count == 0 || gen_node(cur, bins[rng() % count], &cur) != 0) {
            goes_on = false;
        } else {
            calc_h(cur);
            goes_on = game_over(cur) == 0;
        }
    }
    if (goes_on) {
        out = *cur;
        out.parent = out.first_child = out.next_sibling = nullptr;
    }
    while (root.first_child)
        free_node(root.first_child);
    g_allow_empty_caps = 0;
    return goes_on;
}

std::vector<set_position> make_set()
{
    std::vector<set_position> set;
    for (int stones = MIN_STONES; stones <= MAX_STONES; ++stones) {
        for (bool caps : {false, true}) {
            set_position p{{}, caps, std::to_string(stones) + "-stone opening"};
            init_node(&p.n, BOTTOM_STORE, stones);
            set.push_back(p);
        }
        for (bool caps : {false, true}) {
            for (int i = 0, found = 0; stones >= 3 && i < 1000 && found < 20; ++i) {
                set_position p{
                    {}, caps, std::to_string(stones) + "-stone seed " + std::to_string(1000 * stones + i)};
                if (random_game(stones, caps, 1000 * stones + i, p.n)) {
                    set.push_back(p);
                    ++found;
                }
            }
        }
    }
    return set;
}

int in_play(const node& n)
{
    return stone_total(&n) - n.bins[BOTTOM_STORE] - n.bins[TOP_STORE];
}

void solve_set(const endgame_table* tables, int megabytes)
{
    std::printf("Benchmark set: every move's margin, 1 s a position, the solver's table cold\n");
    std::printf("in-play positions proven slowest-s  slowest position\n");
    struct row {
        int positions = 0, proven = 0;
        double slowest = 0;
        std::string name;
    };
    std::map<int, row> rows;
    exact_solver solver;
    exact_solver_init(solver, megabytes);
    for (const set_position& p : make_set()) {
        exact_solver_clear(solver);
        exact_move out[6];
        int margin = 0;
        const auto t0 = steady::now();
        const int r = exact_move_values(solver, &p.n, p.caps, &tables[p.caps], 1000, nullptr, out, margin);
        const double s = seconds_since(t0);
        row& w = rows[in_play(p.n)];
        ++w.positions;
        w.proven += r >= 0;
        if (s >= w.slowest) {
            w.slowest = s;
            w.name = p.name + (p.caps ? " (caps)" : "");
        }
    }
    int all_proven_up_to = 0;
    bool still = true;
    for (const auto& [k, w] : rows) {
        std::printf("%7d %9d %6d %10.3f  %s\n", k, w.positions, w.proven, w.slowest, w.name.c_str());
        still = still && w.proven == w.positions;
        if (still)
            all_proven_up_to = k;
    }
    std::printf("every position with up to %d stones in play proven within 1 s\n\n", all_proven_up_to);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes = {12, 14, 16, 17}, openings = {1, 2, 3};
    int stones = ENDGAME_STONES, megabytes = 64;
    const char* cache = nullptr;
    bool set = false;
    double four = 0;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strncmp(a, "--sizes=", 8))
            sizes = parse_list(a + 8);
        else if (!std::strncmp(a, "--stones=", 9))
            stones = std::atoi(a + 9);
        else if (!std::strncmp(a, "--cache=", 8))
            cache = a + 8;
        else if (!std::strncmp(a, "--openings=", 11))
            openings = parse_list(a + 11);
        else if (!std::strcmp(a, "--set"))
            set = true;
        else if (!std::strncmp(a, "--four=", 7))
            four = std::atof(a + 7);
        else if (!std::strncmp(a, "--megabytes=", 12))
            megabytes = std::atoi(a + 12);
        else {
            std::fprintf(stderr, "unknown argument %s (see the top of bench/exact_bench.cpp)\n", a);
            return 2;
        }
    }
    build_sizes(sizes);
    endgame_table tables[2];
    for (bool caps : {false, true}) {
        if (table_for(tables[caps], stones, caps, cache) != 0) {
            std::printf("no N = %d table\n", stones);
            return 1;
        }
    }
    std::printf("the solver reads the N = %d tables\n\n", stones);
    solve_openings(openings, tables, megabytes);
    if (set)
        solve_set(tables, megabytes);
    if (four > 0)
        solve_four(four, tables[1], megabytes);
    return 0;
}
