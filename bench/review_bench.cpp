// The time Review Game takes over whole games: every move of a 60-move game
// judged (move_values at each position, one after the other, as the
// session's worker does it) at Difficulty 15 and 19.
//
//   kivari_review_bench [--depths=15,19] [--games=3] [--moves=60] [--stones=4] [--proven]
//
// --proven judges as the program does with proven results: the endgame
// tables built first (their time printed), then a 64 MB solver table, each
// position with few stones in play solved within its budget. The last
// column counts the moves whose values are the game's true result.
//
// The games are the same on every run and machine: both sides play the
// computer's move at depth 4 and, one move in four, a move drawn from a
// seeded std::mt19937 instead, so the games hold mistakes as real ones do.
// Seeds count up from 1 and a game counts once it lasts the moves asked for;
// it is reviewed from its opening to that move. Both empty-capture rules.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/exact/endgame.h"
#include "engine/exact/solver.h"
#include "game/options.h"
#include "game/review.h"

namespace {

std::vector<int> parse_list(const char* text)
{
    std::vector<int> out;
    for (const char* p = text; *p != '\0';) {
        char* end = nullptr;
        const long v = std::strtol(p, &end, 10);
        if (end == p)
            break;
        out.push_back(static_cast<int>(v));
        p = *end == ',' ? end + 1 : end;
    }
    return out;
}

// A game of at least `length` moves from the `stones` opening, its bins in
// `moves`; false when the seed's game ends before.
bool make_game(int stones, bool caps, int seed, int length, std::vector<int>& moves)
{
    std::mt19937 rng(static_cast<std::mt19937::result_type>(seed));
    g_allow_empty_caps = caps ? 1 : 0;
    node* root = new_node();
    if (root == nullptr)
        return false;
    init_node(root, BOTTOM_STORE, stones);
    calc_h(root);
    moves.clear();
    node* cur = root;
    while (static_cast<int>(moves.size()) < length && game_over(cur) == 0) {
        int bin = get_comp_move(cur, 4, search_settings{caps, false});
        if (rng() % 4 == 0) {
            std::vector<int> legal;
            for (int b = first_bin(cur->turn); b < cur->turn; ++b)
                if (cur->bins[b] > 0)
                    legal.push_back(b);
            bin = legal[rng() % legal.size()];
        }
        if (bin < 0 || gen_node(cur, bin, &cur) != 0)
            break;
        calc_h(cur);
        moves.push_back(bin);
    }
    free_node(root);
    return static_cast<int>(moves.size()) == length;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> depths{15, 19};
    int games = 3, length = 60, stones = 4;
    bool proven = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--depths=", 9) == 0)
            depths = parse_list(argv[i] + 9);
        else if (std::strncmp(argv[i], "--games=", 8) == 0)
            games = std::atoi(argv[i] + 8);
        else if (std::strncmp(argv[i], "--moves=", 8) == 0)
            length = std::atoi(argv[i] + 8);
        else if (std::strncmp(argv[i], "--stones=", 9) == 0)
            stones = std::atoi(argv[i] + 9);
        else if (std::strcmp(argv[i], "--proven") == 0)
            proven = true;
        else {
            std::fprintf(stderr, "usage: kivari_review_bench [--depths=15,19] [--games=3] [--moves=60] "
                                 "[--stones=4] [--proven]\n");
            return 2;
        }
    }
    endgame_table tables[2];
    exact_solver solver;
    if (proven) {
        const auto t0 = std::chrono::steady_clock::now();
        for (const bool caps : {false, true})
            endgame_build(tables[caps], ENDGAME_STONES, caps);
        std::printf("endgame tables (N = %d, both rules) built in %.1f s\n", ENDGAME_STONES,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        exact_solver_init(solver, 64);
    }
    std::printf("%-6s %-5s %-5s %-6s %10s %12s %8s %6s\n", "rule", "seed", "depth", "moves", "seconds",
                "slowest move", "judged", "exact");
    for (const bool caps : {false, true}) {
        int found = 0;
        for (int seed = 1; found < games && seed < 10000; ++seed) {
            std::vector<int> moves;
            if (!make_game(stones, caps, seed, length, moves))
                continue;
            ++found;
            node start;
            init_node(&start, BOTTOM_STORE, stones);
            calc_h(&start);
            for (const int depth : depths) {
                std::vector<reviewed_move> out;
                struct timing {
                    std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
                    double slowest = 0;
                } t;
                const auto t0 = t.last;
                const int judged = review_game(
                    &start, moves, depth, search_settings{caps, false}, nullptr,
                    [](void* context, int, int) {
                        auto* t = static_cast<timing*>(context);
                        const auto now = std::chrono::steady_clock::now();
                        const double s = std::chrono::duration<double>(now - t->last).count();
                        t->slowest = s > t->slowest ? s : t->slowest;
                        t->last = now;
                    },
                    &t, out, proven ? &solver : nullptr, proven ? &tables[caps] : nullptr);
                int exact = 0;
                for (const reviewed_move& m : out)
                    exact += m.exact;
                const double seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                std::printf("%-6s %-5d %-5d %-6d %10.2f %12.2f %8d %6d\n", caps ? "caps" : "plain", seed,
                            depth, length, seconds, t.slowest, judged, exact);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
