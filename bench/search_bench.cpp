// Benchmarks of the computer's move search: get_comp_move against a plain
// array minimax on the same trees, and how quickly an abandoned search returns.
// With --summary it ends with a table comparing the two.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/yardstick.h"
#include "engine/engine.h"
#include "engine/node_alloc.h"

namespace {

struct position {
    const char* name;
    board bins;
    int turn;
    std::vector<int> moves;  // from the 4-stone opening, bottom side first
};

// The mid-game positions are written out and also replayed from the opening
// at start-up, so a typo in either is caught.
const position positions[] = {
    {"opening", {4, 4, 4, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 0}, 6, {}},
    // 2 (extra turn), 5; 9; 1 (captures bin 7's five); 11.
    {"mid_a", {6, 1, 2, 6, 6, 0, 8, 0, 5, 0, 6, 0, 6, 2}, 6, {2, 5, 9, 1, 11}},
    // 3; 10; 4; 8 (extra turn), 11; 0 (extra turn), 4; 9; 2.
    {"mid_b", {1, 7, 0, 3, 1, 9, 4, 7, 1, 0, 2, 1, 8, 4}, 13, {3, 10, 4, 8, 11, 0, 4, 9, 2}},
};
constexpr int num_positions = sizeof positions / sizeof positions[0];
constexpr int max_depth = 12;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "\n*** BENCHMARK CHECK FAILED: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

node make_root(const position& p) {
    node n{};
    for (int i = 0; i < 14; ++i) n.bins[i] = p.bins[i];
    n.turn = p.turn;
    n.level = static_cast<int>(p.moves.size());
    calc_h(&n);
    return n;
}

void check_positions() {
    for (const position& p : positions) {
        node root;
        init_node(&root, 6, 4);
        node* cur = &root;
        for (int m : p.moves) {
            if (gen_node(cur, m, &cur) != 0) fail(std::string(p.name) + ": move sequence does not replay");
        }
        const bool same = std::equal(p.bins.begin(), p.bins.end(), cur->bins) && cur->turn == p.turn;
        while (root.first_child) free_node(root.first_child);
        if (!same) fail(std::string(p.name) + ": board literal differs from its move sequence");
    }
}

// What a search from one position to one depth does, found once per pair
// outside the timed loops: the yardstick's value must be the engine's.
struct tree_facts {
    long long nodes;  // nodes made (the yardstick counts its moves; the trees are the same)
    long peak_live;   // most nodes alive at once during get_comp_move
};

const tree_facts& facts(int pos, int depth) {
    static std::map<std::pair<int, int>, tree_facts> known;
    auto it = known.find({pos, depth});
    if (it != known.end()) return it->second;

    const position& p = positions[pos];
    const yardstick_result y = yardstick_search(p.bins, p.turn, static_cast<int>(p.moves.size()), depth);

    node root = make_root(p);
    const long live_before = node_alloc_thread_live();
    node_alloc_reset_thread_peak();
    const int move = get_comp_move(&root, depth);
    const long peak = node_alloc_thread_peak() - live_before;

    const std::string where = std::string(p.name) + " depth " + std::to_string(depth);
    if (move < 0) fail(where + ": get_comp_move returned " + std::to_string(move));
    if (root.h != y.value)
        fail(where + ": engine value " + std::to_string(root.h) + ", yardstick value " +
             std::to_string(y.value));
    if (root.first_child || node_alloc_thread_live() != live_before) fail(where + ": search left nodes behind");
    return known.emplace(std::make_pair(pos, depth), tree_facts{y.nodes, peak}).first->second;
}

void set_counters(benchmark::State& state, const tree_facts& f) {
    state.counters["nodes"] = static_cast<double>(f.nodes);
    state.counters["nodes/s"] =
        benchmark::Counter(static_cast<double>(f.nodes), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_live"] = static_cast<double>(f.peak_live);
}

void bm_engine(benchmark::State& state, int pos, int depth) {
    const tree_facts& f = facts(pos, depth);
    node root = make_root(positions[pos]);
    for (auto _ : state) benchmark::DoNotOptimize(get_comp_move(&root, depth));
    set_counters(state, f);
}

void bm_yardstick(benchmark::State& state, int pos, int depth) {
    const tree_facts& f = facts(pos, depth);
    const position& p = positions[pos];
    const int level = static_cast<int>(p.moves.size());
    for (auto _ : state) benchmark::DoNotOptimize(yardstick_search(p.bins, p.turn, level, depth));
    set_counters(state, f);
}

// One trial per iteration: a deep search from the opening runs on its own
// thread for 200 ms, is asked to stop, and the time until the thread has
// returned is the iteration's time.
constexpr int abandon_depth = 20;
constexpr int abandon_trials = 20;

void bm_abandon(benchmark::State& state) {
    double worst = 0, total = 0;
    for (auto _ : state) {
        node root = make_root(positions[0]);
        const long live_before = node_alloc_live();
        int result = 0;
        search_stop_clear();
        std::thread worker([&] { result = get_comp_move(&root, abandon_depth); });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const auto t0 = std::chrono::steady_clock::now();
        search_stop_request();
        worker.join();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        search_stop_clear();
        if (result != -2) fail("abandoned search returned " + std::to_string(result) + ", not -2");
        if (root.first_child || node_alloc_live() != live_before) fail("abandoned search left nodes behind");
        state.SetIterationTime(s);
        worst = std::max(worst, s);
        total += s;
    }
    state.counters["max_ms"] = worst * 1e3;
    state.counters["mean_ms"] = total * 1e3 / static_cast<double>(state.iterations());
}

std::string bench_name(const char* kind, int pos, int depth) {
    return std::string(kind) + "/" + positions[pos].name + "/" + std::to_string(depth);
}

void register_benchmarks() {
    // Engine and yardstick of one tree run back to back, so that both see
    // the machine in the same state.
    for (int depth = 1; depth <= max_depth; ++depth) {
        for (int pos = 0; pos < num_positions; ++pos) {
            benchmark::internal::Benchmark* pair[] = {
                benchmark::RegisterBenchmark(bench_name("engine", pos, depth).c_str(), bm_engine, pos, depth),
                benchmark::RegisterBenchmark(bench_name("yardstick", pos, depth).c_str(), bm_yardstick, pos,
                                             depth),
            };
            for (auto* b : pair) {
                b->Unit(depth >= 8 ? benchmark::kMillisecond : benchmark::kMicrosecond);
                // A deep search takes seconds: a few single runs instead.
                if (depth == 11) b->Iterations(1)->Repetitions(3);
                if (depth >= 12) b->Iterations(1)->Repetitions(1);
            }
        }
    }
    benchmark::RegisterBenchmark(("abandon/opening/" + std::to_string(abandon_depth)).c_str(), bm_abandon)
        ->Iterations(abandon_trials)
        ->Repetitions(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

// Prints every run as the console reporter does and keeps the times and
// counters for the table at the end.
class summary_reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred || r.iterations == 0) continue;
            const std::string& name = r.run_name.function_name;
            // CPU time: a busy shared machine stretches wall time, not work.
            seconds_[name].push_back(r.cpu_accumulated_time / static_cast<double>(r.iterations));
            for (const auto& [key, counter] : r.counters) counters_[name][key] = counter.value;
        }
    }

    void print_table() const {
        std::printf("\nTimes are the median CPU time of one search over the repetitions.\n");
        std::printf("%-8s %5s %12s %12s %6s %12s %12s %10s\n", "position", "depth", "engine ms", "yardstick ms",
                    "ratio", "nodes", "nodes/s", "peak live");
        std::map<int, double> slowest;  // per depth: the slowest engine time over the positions
        std::map<int, int> measured;    // per depth: how many positions had an engine time
        double worst_ratio = 0;
        int worst_ratio_depth = 0;
        const char* worst_ratio_pos = "";
        for (int pos = 0; pos < num_positions; ++pos) {
            for (int depth = 1; depth <= max_depth; ++depth) {
                const double e = median(bench_name("engine", pos, depth));
                const double y = median(bench_name("yardstick", pos, depth));
                if (e < 0 && y < 0) continue;
                const std::string engine = bench_name("engine", pos, depth);
                const double nodes = counter(engine, "nodes");
                const double ratio = (e > 0 && y > 0) ? e / y : 0;
                std::printf("%-8s %5d %12s %12s %6s %12.0f %12s %10.0f\n", positions[pos].name, depth,
                            ms(e).c_str(), ms(y).c_str(), ratio > 0 ? fixed(ratio, 2).c_str() : "-", nodes,
                            e > 0 ? sci(nodes / e).c_str() : "-", counter(engine, "peak_live"));
                if (e > 0) {
                    slowest[depth] = std::max(slowest[depth], e);
                    ++measured[depth];
                }
                if (depth >= 6 && depth <= 11 && ratio > worst_ratio) {
                    worst_ratio = ratio;
                    worst_ratio_depth = depth;
                    worst_ratio_pos = positions[pos].name;
                }
            }
        }

        if (worst_ratio > 0)
            std::printf("\nworst engine/yardstick ratio at depths 6..11: %.2f (%s, depth %d); target 1.5\n",
                        worst_ratio, worst_ratio_pos, worst_ratio_depth);
        int bound = 0;
        for (int depth = 1; depth <= max_depth; ++depth) {
            if (measured[depth] != num_positions || slowest[depth] >= 2.0) break;
            bound = depth;
        }
        if (bound > 0)
            std::printf("largest depth whose slowest move (over %d positions) is under 2 s: %d\n", num_positions,
                        bound);

        const std::string abandon = "abandon/opening/" + std::to_string(abandon_depth);
        if (counters_.count(abandon))
            std::printf("abandon after 200 ms at depth %d: max %.3f ms, mean %.3f ms over %d trials; target 50\n",
                        abandon_depth, counter(abandon, "max_ms"), counter(abandon, "mean_ms"), abandon_trials);
    }

private:
    // CPU seconds per iteration, the median over the repetitions; -1 if not run.
    double median(const std::string& name) const {
        auto it = seconds_.find(name);
        if (it == seconds_.end() || it->second.empty()) return -1;
        std::vector<double> v = it->second;
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

    double counter(const std::string& name, const char* key) const {
        auto it = counters_.find(name);
        if (it == counters_.end()) return 0;
        auto c = it->second.find(key);
        return c == it->second.end() ? 0 : c->second;
    }

    static std::string fixed(double v, int decimals) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
        return buf;
    }
    static std::string ms(double s) { return s < 0 ? "-" : fixed(s * 1e3, s < 0.01 ? 4 : 1); }
    static std::string sci(double v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.3g", v);
        return buf;
    }

    std::map<std::string, std::vector<double>> seconds_;
    std::map<std::string, std::map<std::string, double>> counters_;
};

}  // namespace

int main(int argc, char** argv) {
    bool summary = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--summary") == 0)
            summary = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    check_positions();
    register_benchmarks();
    if (summary) {
        summary_reporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.print_table();
    } else {
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    return 0;
}
