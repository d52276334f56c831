// The computer's move time over the positions players meet: the openings
// with 1 to 8 stones per bin, and for 3 to 8 stones positions reached by
// random play, each searched under both empty-capture settings, one search
// per position and depth as get_comp_move makes it. Prints per stones count
// the slowest and the median move and the nodes per second. With --values,
// the same for the values of every move (move_values), as Show Move Values
// asks for them.
//
//   kivari_set_bench [--depths=19,20,21] [--threads=N] [--give-up=SECONDS]
//                    [--stones=3,7] [--random-moves] [--quick] [--each]
//                    [--values]
//
// --threads=N      sets WKIVARI_SEARCH_THREADS, which the deep search reads
//                  as it starts; without it the engine takes its default.
// --give-up=S      a position is not searched deeper once a depth took
//                  longer than S seconds (default 4).
// --stones=LIST    only these stones counts.
// --random-moves   searches with random moves on (default off).
// --quick          the openings and two random positions per stones count.
// --each           one line per search, on standard output.
// --values         times move_values instead of the move; the digest then
//                  covers every move's value and exact flag.
//
// The positions are the same on every run and every machine: the random
// games come from std::mt19937 with fixed seeds, mapped to moves by modulo.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/deep_search.h"
#include "engine/engine.h"
#include "game/options.h"

// Forgets the deep search's kept entries, so that each search starts cold.
// Weak: the benchmark also builds on engines that keep nothing between
// searches, and then there is nothing to forget.
void deep_table_clear() __attribute__((weak));

namespace {

constexpr int MIN_RANDOM_STONES = 3;
constexpr int RANDOM_POSITIONS = 20; // per stones count and empty-capture setting
constexpr int QUICK_RANDOM_POSITIONS = 2;
constexpr int MIN_MOVES_IN = 2;
constexpr int MAX_MOVES_IN = 40;
constexpr int MAX_SEEDS = 1000; // per stones count and setting; far more than ever needed

struct position {
    node n;       // standalone: no parent, no children
    int stones;   // per bin at the opening
    bool caps;    // empty captures on
    int seed;     // of the random game; -1 for the opening
    int moves_in; // moves played from the opening
    std::string name;
};

// A random game from the opening: its length 2..40 and each move (one of
// the mover's non-empty bins, in increasing order) by modulo from the seeded
// generator. False when the game ended before its last move was played or
// with it, as the controller's end test finds it.
bool random_position(int stones, bool caps, int seed, position& out)
{
    std::mt19937 rng(static_cast<std::mt19937::result_type>(seed));
    const int moves_in = MIN_MOVES_IN + static_cast<int>(rng() % (MAX_MOVES_IN - MIN_MOVES_IN + 1));
    g_allow_empty_caps = caps ? 1 : 0;
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
        out.stones = stones;
        out.caps = caps;
        out.seed = seed;
        out.moves_in = moves_in;
        out.name = std::to_string(stones) + "-stone seed " + std::to_string(seed) + " (" +
                   std::to_string(moves_in) + " in" + (caps ? ", caps" : "") + ")";
    }
    while (root.first_child)
        free_node(root.first_child);
    return goes_on;
}

// The openings, then for each stones count from 3 the first seeds
// (1000 * stones, counting up) whose game goes on, the same seeds under both
// settings.
std::vector<position> make_set(const std::vector<int>& stones_counts, int random_per_count, int& ended)
{
    ended = 0;
    std::vector<position> set;
    for (int stones : stones_counts) {
        for (bool caps : {false, true}) {
            position p;
            init_node(&p.n, BOTTOM_STORE, stones);
            p.stones = stones;
            p.caps = caps;
            p.seed = -1;
            p.moves_in = 0;
            p.name = std::to_string(stones) + "-stone opening" + (caps ? " (caps)" : "");
            set.push_back(p);
        }
        if (stones < MIN_RANDOM_STONES)
            continue;
        for (bool caps : {false, true}) {
            int found = 0;
            for (int i = 0; i < MAX_SEEDS && found < random_per_count; ++i) {
                position p;
                if (random_position(stones, caps, 1000 * stones + i, p)) {
                    set.push_back(p);
                    ++found;
                } else {
                    ++ended;
                }
            }
        }
    }
    g_allow_empty_caps = 0;
    return set;
}

// The threads a deep search used, where its counters tell.
template <typename Stats> auto threads_used(const Stats& s, int) -> decltype(s.threads + 0)
{
    return s.threads;
}
template <typename Stats> int threads_used(const Stats&, long)
{
    return 0;
}

struct result {
    bool searched = false;
    double ms = 0;
    long long nodes = -1; // unknown for the tree search
    int threads = 0;      // that the deep search used; 0 where it does not tell
    int move = 0;         // for --values, the number of moves valued
    int h = 0;            // for --values, a digest of the values
};

bool g_values = false;

// One search as get_comp_move makes it at this depth, on a fresh copy.
result search_here(const position& p, int depth, bool random_moves)
{
    if (deep_table_clear)
        deep_table_clear();
    node n = p.n;
    const search_settings settings{p.caps, random_moves};
    result r;
    deep_stats stats;
    const auto t0 = std::chrono::steady_clock::now();
    move_value values[6];
    if (g_values) {
        r.move = move_values(&n, depth, settings, values);
    } else if (depth <= TREE_SEARCH_DEPTH) {
        r.move = get_comp_move(&n, depth, settings);
    } else {
        r.move = deep_comp_move(&n, depth, &stats, settings);
        r.nodes = stats.nodes;
        r.threads = threads_used(stats, 0);
    }
    r.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    r.h = n.h;
    if (g_values) {
        unsigned d = 0;
        for (int i = 0; i < r.move; ++i)
            d = d * 31 + static_cast<unsigned>(values[i].bin * 512 + values[i].h * 2 + values[i].exact);
        r.h = static_cast<int>(d & 0xffff);
    }
    r.searched = true;
    return r;
}

// As in the program, each search runs on a thread of its own, so its random
// source starts anew.
result search(const position& p, int depth, bool random_moves)
{
    result r;
    std::thread([&] { r = search_here(p, depth, random_moves); }).join();
    return r;
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

void print_load(const char* when)
{
    char line[128] = "?";
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (!std::fgets(line, sizeof line, f))
            std::strcpy(line, "?\n");
        std::fclose(f);
    }
    std::printf("load at %s: %s", when, line);
    if (!std::strchr(line, '\n'))
        std::printf("\n");
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

// A digest of every chosen bin and value at one depth, so that runs with
// different thread counts can be compared move for move.
unsigned long long digest(const std::vector<result>& rs)
{
    unsigned long long d = 1469598103934665603ull;
    for (const result& r : rs) {
        const unsigned long long v = r.searched ? (static_cast<unsigned>(r.move) & 0xff) |
                                                      static_cast<unsigned long long>(r.h & 0xffff) << 8
                                                : 0xffffffull;
        d = (d ^ v) * 1099511628211ull;
    }
    return d;
}

void print_table(int depth, double give_up, const std::vector<position>& set, const std::vector<result>& rs)
{
    std::printf("\ndepth %d (%s search%s)\n", depth, depth <= TREE_SEARCH_DEPTH ? "tree" : "deep",
                g_values ? ", values of every move" : "");
    std::printf("stones positions given-up slowest-ms median-ms    Mnodes/s  slowest position\n");
    int worst = -1;
    for (int stones = MIN_STONES; stones <= MAX_STONES; ++stones) {
        int count = 0, skipped = 0, slowest = -1;
        std::vector<double> times;
        double secs = 0;
        long long nodes = 0;
        bool nodes_known = true;
        for (size_t i = 0; i < set.size(); ++i) {
            if (set[i].stones != stones)
                continue;
            ++count;
            if (!rs[i].searched) {
                ++skipped;
                continue;
            }
            times.push_back(rs[i].ms);
            secs += rs[i].ms / 1000;
            nodes += rs[i].nodes;
            nodes_known = nodes_known && rs[i].nodes >= 0;
            if (slowest < 0 || rs[i].ms > rs[slowest].ms)
                slowest = static_cast<int>(i);
        }
        if (count == 0)
            continue;
        if (slowest < 0) {
            std::printf("%6d %9d %8d          -         -           -\n", stones, count, skipped);
            continue;
        }
        char rate[32] = "-";
        if (nodes_known && secs > 0)
            std::snprintf(rate, sizeof rate, "%.1f", nodes / secs / 1e6);
        std::printf("%6d %9d %8d %10.1f %9.1f %11s  %s\n", stones, count, skipped, rs[slowest].ms,
                    median(times), rate, set[slowest].name.c_str());
        if (worst < 0 || rs[slowest].ms > rs[worst].ms)
            worst = slowest;
    }
    int searched = 0;
    std::vector<double> times;
    for (const result& r : rs) {
        searched += r.searched;
        if (r.searched)
            times.push_back(r.ms);
    }
    if (worst >= 0)
        std::printf("depth %d slowest: %.1f ms, %s; median %.1f ms; %d of %zu searched; digest %016llx\n",
                    depth, rs[worst].ms, set[worst].name.c_str(), median(times), searched, set.size(),
                    digest(rs));
    if (searched < static_cast<int>(set.size()))
        std::printf(
            "  (the %zu given up took over %.1f s at a lower depth, so the slowest here is at least that)\n",
            set.size() - searched, give_up);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> depths = {19, 20, 21};
    std::vector<int> stones_counts = {1, 2, 3, 4, 5, 6, 7, 8};
    double give_up = 4;
    bool quick = false, each = false, random_moves = false;
    const char* threads = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strncmp(a, "--depths=", 9) == 0)
            depths = parse_list(a + 9);
        else if (std::strncmp(a, "--stones=", 9) == 0)
            stones_counts = parse_list(a + 9);
        else if (std::strncmp(a, "--threads=", 10) == 0)
            threads = a + 10;
        else if (std::strncmp(a, "--give-up=", 10) == 0)
            give_up = std::atof(a + 10);
        else if (std::strcmp(a, "--quick") == 0)
            quick = true;
        else if (std::strcmp(a, "--each") == 0)
            each = true;
        else if (std::strcmp(a, "--random-moves") == 0)
            random_moves = true;
        else if (std::strcmp(a, "--values") == 0)
            g_values = true;
        else {
            std::fprintf(stderr, "unknown argument %s (see the top of bench/set_bench.cpp)\n", a);
            return 2;
        }
    }
    std::sort(depths.begin(), depths.end());
    depths.erase(std::unique(depths.begin(), depths.end()), depths.end());
    stones_counts.erase(std::remove_if(stones_counts.begin(), stones_counts.end(),
                                       [](int s) { return s < MIN_STONES || s > MAX_STONES; }),
                        stones_counts.end());
    if (depths.empty() || depths.front() < 0 || stones_counts.empty() || !(give_up > 0)) {
        std::fprintf(stderr, "need depths >= 0, stones counts 1..8 and a positive give-up time\n");
        return 2;
    }
    // Before any search: the engine reads it as each deep search starts.
    if (threads)
        setenv("WKIVARI_SEARCH_THREADS", threads, 1);

    const int per_count = quick ? QUICK_RANDOM_POSITIONS : RANDOM_POSITIONS;
    int ended = 0;
    const std::vector<position> set = make_set(stones_counts, per_count, ended);
    std::printf("set: the openings (1..8 stones); for 3..8 stones the first %d seeds 1000*stones+i whose "
                "random game of 2..40 moves goes on (%d seeds skipped, their game ended); each under empty "
                "captures off and on\n",
                per_count, ended);
    std::printf("positions: %zu; random moves %s; give up deeper after %.1f s; table cleared before each "
                "search: %s\n",
                set.size(), random_moves ? "on" : "off", give_up,
                deep_table_clear ? "yes" : "no (engine keeps none)");
    std::printf("threads: %s (hardware %u)\n", threads ? threads : "engine default",
                std::thread::hardware_concurrency());
    print_load("start");
    std::fflush(stdout);

    std::vector<std::vector<result>> results(depths.size(), std::vector<result>(set.size()));
    for (size_t i = 0; i < set.size(); ++i) {
        for (size_t d = 0; d < depths.size(); ++d) {
            result& r = results[d][i] = search(set[i], depths[d], random_moves);
            if (each)
                std::printf("%-40s depth %2d: %9.1f ms  bin %2d  h %3d  nodes %lld\n", set[i].name.c_str(),
                            depths[d], r.ms, r.move, r.h, r.nodes);
            if (r.ms > give_up * 1000)
                break;
        }
        if (each)
            std::fflush(stdout);
        else
            std::fprintf(stderr, "\r%zu/%zu", i + 1, set.size());
    }
    if (!each)
        std::fprintf(stderr, "\n");

    for (size_t d = 0; d < depths.size(); ++d)
        print_table(depths[d], give_up, set, results[d]);
    std::printf("\n");
    int fewest = 0, most = 0;
    for (const std::vector<result>& rs : results) {
        for (const result& r : rs) {
            if (r.threads > 0) {
                fewest = fewest ? std::min(fewest, r.threads) : r.threads;
                most = std::max(most, r.threads);
            }
        }
    }
    if (most > 0)
        std::printf("threads the deep searches used: %d to %d\n", fewest, most);
    print_load("end");
    return 0;
}
