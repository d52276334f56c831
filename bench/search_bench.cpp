// Benchmarks of the computer's move search: the node tree search against a
// plain array minimax on the same trees, the deep search against the tree
// search, and how quickly an abandoned search returns. With --summary it ends
// with a table comparing them and the depth bound they give; with
// --settle=SECONDS it also searches the 4-stone opening until its value no
// longer depends on the depth, for at most that long.
// --deep_give_up=SECONDS: see deep_give_up_after.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "bench/yardstick.h"
#include "engine/deep_search.h"
#include "engine/engine.h"
#include "engine/node_alloc.h"

namespace {

struct position {
    const char* name;
    board bins;
    int turn;
    int stones;             // per bin in the opening it comes from
    std::vector<int> moves; // from that opening, bottom side first
};

// The mid-game positions are written out and also replayed from the opening
// at start-up, so a typo in either is caught.
const position positions[] = {
    {"opening", {4, 4, 4, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0}, 6, 4, {}},
    {"opening6", {6, 6, 6, 6, 6, 6, 0, 6, 6, 6, 6, 6, 6, 0}, 6, 6, {}},
    // 2 (extra turn), 5; 9; 1 (captures bin 7's five); 11.
    {"mid_a", {6, 1, 2, 6, 6, 0, 8, 0, 5, 0, 6, 0, 6, 2}, 6, 4, {2, 5, 9, 1, 11}},
    // 3; 10; 4; 8 (extra turn), 11; 0 (extra turn), 4; 9; 2.
    {"mid_b", {1, 7, 0, 3, 1, 9, 4, 7, 1, 0, 2, 1, 8, 4}, 13, 4, {3, 10, 4, 8, 11, 0, 4, 9, 2}},
};
constexpr int num_positions = sizeof positions / sizeof positions[0];
constexpr int max_tree_depth = 12;
constexpr int max_deep_depth = 30;

// Each level costs the tree search about five times the one before, the
// deep search two to five: a position is not measured deeper once a depth
// took longer than this. --deep_give_up=SECONDS sets the deep search's.
constexpr double tree_give_up_after = 5.0;
double deep_give_up_after = 10.0;

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "\n*** BENCHMARK CHECK FAILED: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

node make_root(const position& p)
{
    node n{};
    for (int i = 0; i < 14; ++i)
        n.bins[i] = p.bins[i];
    n.turn = p.turn;
    n.level = static_cast<int>(p.moves.size());
    calc_h(&n);
    return n;
}

void check_positions()
{
    for (const position& p : positions) {
        node root;
        init_node(&root, BOTTOM_STORE, p.stones);
        node* cur = &root;
        for (int m : p.moves) {
            if (gen_node(cur, m, &cur) != 0)
                fail(std::string(p.name) + ": move sequence does not replay");
        }
        const bool same = std::equal(p.bins.begin(), p.bins.end(), cur->bins) && cur->turn == p.turn;
        while (root.first_child)
            free_node(root.first_child);
        if (!same)
            fail(std::string(p.name) + ": board literal differs from its move sequence");
    }
}

std::string where(int pos, int depth)
{
    return std::string(positions[pos].name) + " depth " + std::to_string(depth);
}

// What the tree search from one position to one depth does, found once per
// pair outside the timed loops: the yardstick's value must be the tree
// search's, and the deep search's move and value must be the tree search's.
struct tree_facts {
    long long nodes; // nodes made (the yardstick counts its moves; the trees are the same)
    long peak_live;  // most nodes alive at once during the search
    int move;
    int value;
};

const tree_facts& facts(int pos, int depth)
{
    static std::map<std::pair<int, int>, tree_facts> known;
    auto it = known.find({pos, depth});
    if (it != known.end())
        return it->second;

    const position& p = positions[pos];
    const yardstick_result y = yardstick_search(p.bins, p.turn, static_cast<int>(p.moves.size()), depth);

    node root = make_root(p);
    const long live_before = node_alloc_thread_live();
    node_alloc_reset_thread_peak();
    const int move = tree_comp_move(&root, depth);
    const long peak = node_alloc_thread_peak() - live_before;

    if (move < 0)
        fail(where(pos, depth) + ": tree_comp_move returned " + std::to_string(move));
    if (root.h != y.value)
        fail(where(pos, depth) + ": tree search value " + std::to_string(root.h) + ", yardstick value " +
             std::to_string(y.value));
    if (root.first_child || node_alloc_thread_live() != live_before)
        fail(where(pos, depth) + ": search left nodes behind");
    return known.emplace(std::make_pair(pos, depth), tree_facts{y.nodes, peak, move, root.h}).first->second;
}

// The slowest single search of each kind from each position at each depth,
// over its repetitions; infinite where that depth was skipped. A depth after
// one that took too long is skipped, and every repetition of a depth
// decides alike, so that they all run or all skip.
std::map<std::tuple<std::string, int, int>, double> seconds;

bool give_up(benchmark::State& state, const std::string& kind, int pos, int depth, double limit)
{
    auto it = seconds.find({kind, pos, depth - 1});
    if (depth == 1 || it == seconds.end() || it->second <= limit)
        return false;
    seconds[{kind, pos, depth}] = std::numeric_limits<double>::infinity();
    state.SkipWithError(
        ("depth " + std::to_string(depth - 1) + " took over " + std::to_string(int(limit)) + " s").c_str());
    return true;
}

// Runs the timed loop, keeping the slowest iteration's wall time.
template <typename Search>
void timed(benchmark::State& state, const std::string& kind, int pos, int depth, Search search)
{
    double slowest = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(search());
        slowest =
            std::max(slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    double& recorded = seconds[{kind, pos, depth}];
    recorded = std::max(recorded, slowest);
}

void set_tree_counters(benchmark::State& state, const tree_facts& f)
{
    state.counters["nodes"] = static_cast<double>(f.nodes);
    state.counters["nodes/s"] =
        benchmark::Counter(static_cast<double>(f.nodes), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_live"] = static_cast<double>(f.peak_live);
}

void bm_tree(benchmark::State& state, int pos, int depth)
{
    if (give_up(state, "tree", pos, depth, tree_give_up_after))
        return;
    const tree_facts& f = facts(pos, depth);
    node root = make_root(positions[pos]);
    timed(state, "tree", pos, depth, [&] { return tree_comp_move(&root, depth); });
    set_tree_counters(state, f);
}

void bm_yardstick(benchmark::State& state, int pos, int depth)
{
    if (give_up(state, "yardstick", pos, depth, tree_give_up_after))
        return;
    const tree_facts& f = facts(pos, depth);
    const position& p = positions[pos];
    const int level = static_cast<int>(p.moves.size());
    timed(state, "yardstick", pos, depth, [&] { return yardstick_search(p.bins, p.turn, level, depth); });
    set_tree_counters(state, f);
}

void bm_deep(benchmark::State& state, int pos, int depth)
{
    if (give_up(state, "deep", pos, depth, deep_give_up_after))
        return;
    node root = make_root(positions[pos]);
    deep_stats st;
    const int move = deep_comp_move(&root, depth, &st);
    if (move < 0)
        fail(where(pos, depth) + ": deep_comp_move returned " + std::to_string(move));
    // Where the tree search was measured, the deep search must agree with it.
    if (depth <= max_tree_depth) {
        auto known = seconds.find({"tree", pos, depth});
        if (known != seconds.end() && known->second != std::numeric_limits<double>::infinity()) {
            const tree_facts& f = facts(pos, depth);
            if (move != f.move || root.h != f.value)
                fail(where(pos, depth) + ": deep search chose " + std::to_string(move) + " with value " +
                     std::to_string(root.h) + ", tree search " + std::to_string(f.move) + " with " +
                     std::to_string(f.value));
        }
    }
    const int value = root.h;
    timed(state, "deep", pos, depth, [&] { return deep_comp_move(&root, depth); });
    state.counters["nodes"] = static_cast<double>(st.nodes);
    state.counters["nodes/s"] =
        benchmark::Counter(static_cast<double>(st.nodes), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["hit_rate"] =
        st.probes ? static_cast<double>(st.hits) / static_cast<double>(st.probes) : 0;
    state.counters["value"] = value;
    state.counters["settled"] = st.settled;
}

// One trial per iteration: a search from the opening runs on its own thread
// for 200 ms, is asked to stop, and the time until the thread has returned
// is the iteration's time. Both depths are far beyond what finishes in 200 ms.
constexpr int abandon_trials = 20;

template <typename Search> void abandon(benchmark::State& state, Search search)
{
    double worst = 0, total = 0;
    for (auto _ : state) {
        node root = make_root(positions[0]);
        const long live_before = node_alloc_live();
        int result = 0;
        search_stop_clear();
        std::thread worker([&] { result = search(&root); });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const auto t0 = std::chrono::steady_clock::now();
        search_stop_request();
        worker.join();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        search_stop_clear();
        if (result != -2)
            fail("abandoned search returned " + std::to_string(result) + ", not -2");
        if (root.first_child || node_alloc_live() != live_before)
            fail("abandoned search left nodes behind");
        state.SetIterationTime(s);
        worst = std::max(worst, s);
        total += s;
    }
    state.counters["max_ms"] = worst * 1e3;
    state.counters["mean_ms"] = total * 1e3 / static_cast<double>(state.iterations());
}

constexpr int abandon_tree_depth = 20;
constexpr int abandon_deep_depth = 60;
const std::string abandon_tree_name = "abandon_tree/opening/" + std::to_string(abandon_tree_depth);
const std::string abandon_deep_name = "abandon_deep/opening/" + std::to_string(abandon_deep_depth);

std::string bench_name(const char* kind, int pos, int depth)
{
    return std::string(kind) + "/" + positions[pos].name + "/" + std::to_string(depth);
}

void register_benchmarks()
{
    // The three searches of one tree run back to back, so that they see the
    // machine in the same state.
    for (int depth = 1; depth <= max_deep_depth; ++depth) {
        for (int pos = 0; pos < num_positions; ++pos) {
            std::vector<benchmark::internal::Benchmark*> runs;
            if (depth <= max_tree_depth) {
                runs.push_back(benchmark::RegisterBenchmark(bench_name("tree", pos, depth).c_str(), bm_tree,
                                                            pos, depth));
                runs.push_back(benchmark::RegisterBenchmark(bench_name("yardstick", pos, depth).c_str(),
                                                            bm_yardstick, pos, depth));
            }
            runs.push_back(
                benchmark::RegisterBenchmark(bench_name("deep", pos, depth).c_str(), bm_deep, pos, depth));
            for (auto* b : runs) {
                b->Unit(depth >= 8 ? benchmark::kMillisecond : benchmark::kMicrosecond);
                // A search of seconds: a few single runs instead.
                if (depth == 11)
                    b->Iterations(1)->Repetitions(3);
                if (depth >= 12)
                    b->Iterations(1)->Repetitions(1);
            }
        }
    }
    benchmark::RegisterBenchmark(abandon_tree_name.c_str(),
                                 [](benchmark::State& state) {
                                     abandon(state,
                                             [](node* n) { return tree_comp_move(n, abandon_tree_depth); });
                                 })
        ->Iterations(abandon_trials)
        ->Repetitions(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(abandon_deep_name.c_str(),
                                 [](benchmark::State& state) {
                                     abandon(state,
                                             [](node* n) { return deep_comp_move(n, abandon_deep_depth); });
                                 })
        ->Iterations(abandon_trials)
        ->Repetitions(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

// Searches the 4-stone opening at an unbounded depth: the deep search stops
// by itself once no line its answer rests on is cut off by the depth, so the
// value holds at every greater depth. Gives up after `seconds`.
void settle(double seconds)
{
    node root = make_root(positions[0]);
    deep_stats st;
    int move = 0;
    bool finished = false;
    std::mutex mu;
    std::condition_variable cv;
    const auto t0 = std::chrono::steady_clock::now();
    std::thread worker([&] {
        move = deep_comp_move(&root, INT_MAX, &st);
        std::lock_guard<std::mutex> lock(mu);
        finished = true;
        cv.notify_one();
    });
    {
        std::unique_lock<std::mutex> lock(mu);
        if (!cv.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return finished; }))
            search_stop_request();
    }
    worker.join();
    search_stop_clear();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (move >= 0 && st.settled)
        std::printf("4-stone opening: value %d holds at every depth from %d on (bin %d); found in %.1f s, "
                    "%.3g nodes\n",
                    root.h, st.depth_reached, move, s, static_cast<double>(st.nodes));
    else
        std::printf("4-stone opening: value not settled within %.0f s (iterations finished up to depth %d)\n",
                    s, st.depth_reached);
}

// Prints every run as the console reporter does and keeps the times and
// counters for the table at the end.
class summary_reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred || r.iterations == 0)
                continue;
            const std::string& name = r.run_name.function_name;
            // CPU time: a busy shared machine stretches wall time, not work.
            seconds_[name].push_back(r.cpu_accumulated_time / static_cast<double>(r.iterations));
            for (const auto& [key, counter] : r.counters)
                counters_[name][key] = counter.value;
        }
    }

    void print_table() const
    {
        std::printf(
            "\nTimes are the median CPU time of one search over the repetitions; '-' not measured.\n");
        std::printf("%-8s %5s %11s %11s %6s %11s %9s %11s %9s %5s %5s\n", "position", "depth", "tree ms",
                    "yardstick", "t/y", "deep ms", "tree/deep", "deep nodes", "nodes/s", "hits", "value");
        std::map<int, double> slowest; // per depth: the slowest deep search over the positions
        std::map<int, int> measured;   // per depth: how many positions had a deep time
        double worst_ratio = 0;
        int worst_ratio_depth = 0;
        const char* worst_ratio_pos = "";
        for (int pos = 0; pos < num_positions; ++pos) {
            for (int depth = 1; depth <= max_deep_depth; ++depth) {
                const double t = median(bench_name("tree", pos, depth));
                const double y = median(bench_name("yardstick", pos, depth));
                const std::string deep = bench_name("deep", pos, depth);
                const double d = median(deep);
                if (t < 0 && y < 0 && d < 0)
                    continue;
                const double ty = (t > 0 && y > 0) ? t / y : 0;
                const double td = (t > 0 && d > 0) ? t / d : 0;
                const double nodes = counter(deep, "nodes");
                std::printf("%-8s %5d %11s %11s %6s %11s %9s %11s %9s %5s %5s%s\n", positions[pos].name,
                            depth, ms(t).c_str(), ms(y).c_str(), ty > 0 ? fixed(ty, 2).c_str() : "-",
                            ms(d).c_str(), td > 0 ? fixed(td, td < 10 ? 1 : 0).c_str() : "-",
                            d > 0 ? sci(nodes).c_str() : "-", d > 0 ? sci(nodes / d).c_str() : "-",
                            d > 0 ? (fixed(100 * counter(deep, "hit_rate"), 1) + "%").c_str() : "-",
                            d > 0 ? std::to_string(static_cast<int>(counter(deep, "value"))).c_str() : "-",
                            d > 0 && counter(deep, "settled") > 0 ? " settled" : "");
                if (d > 0) {
                    slowest[depth] = std::max(slowest[depth], d);
                    ++measured[depth];
                }
                if (depth >= 6 && depth <= 11 && ty > worst_ratio) {
                    worst_ratio = ty;
                    worst_ratio_depth = depth;
                    worst_ratio_pos = positions[pos].name;
                }
            }
        }

        std::printf("\n");
        if (worst_ratio > 0)
            std::printf("worst tree/yardstick ratio at depths 6..11: %.2f (%s, depth %d); target 1.5\n",
                        worst_ratio, worst_ratio_pos, worst_ratio_depth);
        const double t12 = median(bench_name("tree", 0, 12)), d12 = median(bench_name("deep", 0, 12));
        if (t12 > 0 && d12 > 0)
            std::printf("depth 12 from the 4-stone opening: tree %.0f ms, deep %.2f ms, %.0f times faster; "
                        "target 300\n",
                        t12 * 1e3, d12 * 1e3, t12 / d12);
        for (auto [depth, target] : {std::pair{16, 0.3}, std::pair{20, 2.0}}) {
            if (measured[depth] == 0)
                continue;
            std::printf(
                "deep search at depth %d: slowest %.3f s over %d of %d positions; target under %.1f s\n",
                depth, slowest[depth], measured[depth], num_positions, target);
        }
        int bound = 0;
        for (int depth = 1; depth <= max_deep_depth; ++depth) {
            if (measured[depth] != num_positions || slowest[depth] >= 2.0)
                break;
            bound = depth;
        }
        if (bound > 0)
            std::printf("largest depth whose slowest deep search (over %d positions) is under 2 s: %d\n",
                        num_positions, bound);
        print_opening_values();

        for (const std::string& name : {abandon_tree_name, abandon_deep_name})
            if (counters_.count(name))
                std::printf("%s after 200 ms: max %.3f ms, mean %.3f ms over %d trials; target 50\n",
                            name.c_str(), counter(name, "max_ms"), counter(name, "mean_ms"), abandon_trials);
    }

private:
    // The 4-stone opening's value by depth, and from which depth on it no
    // longer changed up to the deepest one measured.
    void print_opening_values() const
    {
        std::string values;
        int deepest = 0, since = 0, last = INT_MIN;
        for (int depth = 1; depth <= max_deep_depth; ++depth) {
            const std::string deep = bench_name("deep", 0, depth);
            if (median(deep) < 0)
                break;
            const int v = static_cast<int>(counter(deep, "value"));
            values += " " + std::to_string(v);
            if (v != last)
                since = depth;
            last = v;
            deepest = depth;
            if (counter(deep, "settled") > 0) {
                std::printf("4-stone opening by depth:%s; settled at depth %d\n", values.c_str(), depth);
                return;
            }
        }
        if (deepest > 0)
            std::printf("4-stone opening by depth:%s; the same from depth %d to %d, not settled\n",
                        values.c_str(), since, deepest);
    }

    // CPU seconds per iteration, the median over the repetitions; -1 if not run.
    double median(const std::string& name) const
    {
        auto it = seconds_.find(name);
        if (it == seconds_.end() || it->second.empty())
            return -1;
        std::vector<double> v = it->second;
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

    double counter(const std::string& name, const char* key) const
    {
        auto it = counters_.find(name);
        if (it == counters_.end())
            return 0;
        auto c = it->second.find(key);
        return c == it->second.end() ? 0 : c->second;
    }

    static std::string fixed(double v, int decimals)
    {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
        return buf;
    }
    static std::string ms(double s) { return s < 0 ? "-" : fixed(s * 1e3, s < 0.01 ? 4 : 1); }
    static std::string sci(double v)
    {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.3g", v);
        return buf;
    }

    std::map<std::string, std::vector<double>> seconds_;
    std::map<std::string, std::map<std::string, double>> counters_;
};

} // namespace

int main(int argc, char** argv)
{
    bool summary = false;
    double settle_seconds = 0;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--summary") == 0)
            summary = true;
        else if (std::strncmp(argv[i], "--settle=", 9) == 0)
            settle_seconds = std::atof(argv[i] + 9);
        else if (std::strncmp(argv[i], "--deep_give_up=", 15) == 0)
            deep_give_up_after = std::atof(argv[i] + 15);
        else
            argv[kept++] = argv[i];
    }
    argc = kept;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    check_positions();
    register_benchmarks();
    if (summary) {
        summary_reporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.print_table();
    } else {
        benchmark::RunSpecifiedBenchmarks();
    }
    if (settle_seconds > 0)
        settle(settle_seconds);
    benchmark::Shutdown();
    return 0;
}
