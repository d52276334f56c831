// A game's review: each move against the best at a depth, the marks, the tallies and their texts.
#include "game/review.h"

#include <algorithm>

review_mark mark_of(int loss)
{
    return loss >= 6   ? review_mark::blunder
           : loss >= 3 ? review_mark::mistake
           : loss >= 1 ? review_mark::inaccuracy
                       : review_mark::none;
}

const char* mark_name(review_mark mark)
{
    switch (mark) {
    case review_mark::inaccuracy:
        return "inaccuracy";
    case review_mark::mistake:
        return "mistake";
    case review_mark::blunder:
        return "blunder";
    default:
        return "";
    }
}

bool judge_move(const node* n, int bin, const move_value* values, int count, reviewed_move& out)
{
    if (n == nullptr || values == nullptr || count <= 0)
        return false;
    count = std::min(count, 6);
    const bool top = n->turn == TOP_STORE;
    // h is the top side's total: the top side wants it high, the bottom side low.
    const auto better = [top](int32_t a, int32_t b) { return top ? a > b : a < b; };
    const move_value* played = nullptr;
    const move_value* best = &values[0];
    for (int i = 0; i < count; ++i) {
        if (values[i].bin == bin)
            played = &values[i];
        if (better(values[i].h, best->h))
            best = &values[i];
    }
    if (played == nullptr)
        return false;
    out.mover = n->turn;
    out.bin = bin;
    out.best = best->bin;
    out.loss = top ? best->h - played->h : played->h - best->h;
    out.exact = played->exact;
    out.lead = stone_total(n) - 2 * played->h;
    return true;
}

int stones_in_play(const node* n)
{
    return stone_total(n) - n->bins[BOTTOM_STORE] - n->bins[TOP_STORE];
}

int review_values(const node* n, int depth, search_settings settings, exact_solver* solver,
                  const endgame_table* table, int most_stones, int budget_ms, const std::atomic<bool>* stop,
                  move_value (&out)[6])
{
    const int count = move_values(n, depth, settings, out);
    const int in_play = stones_in_play(n);
    exact_move proven[6];
    int margin = 0;
    if (solver == nullptr || count <= 0 || in_play > most_stones ||
        exact_move_values(*solver, n, settings.empty_caps, table, budget_ms, stop, proven, margin) != count)
        return count;
    // A margin shares out the stones in play; the stores stand as they are.
    for (int i = 0; i < count; ++i) {
        const int mover_total = n->bins[n->turn] + (in_play + proven[i].margin) / 2;
        out[i] = {proven[i].bin, n->turn == TOP_STORE ? mover_total : stone_total(n) - mover_total, true};
    }
    return count;
}

int review_game(const node* start, const std::vector<int>& moves, int depth, search_settings settings,
                const std::atomic<bool>* stop, review_progress progress, void* context,
                std::vector<reviewed_move>& out, exact_solver* solver, const endgame_table* table)
{
    if (start == nullptr)
        return 0;
    node n{};
    std::copy(start->bins, start->bins + 14, n.bins);
    n.turn = start->turn;
    calc_h(&n);
    int judged = 0;
    for (const int bin : moves) {
        if ((stop != nullptr && stop->load()) || bin < 0 || bin > 13 || side_of(bin) != n.turn ||
            n.bins[bin] < 1 || game_over(&n))
            break;
        move_value values[6];
        reviewed_move m;
        const int count = review_values(&n, depth, settings, solver, table, PROVEN_MOST_STONES,
                                        REVIEW_PROVEN_BUDGET_MS, stop, values);
        if (!judge_move(&n, bin, values, count, m))
            break;
        out.push_back(m);
        ++judged;
        n.turn = other_side(n.turn);
        do_move(&n, bin, settings.empty_caps);
        calc_h(&n);
        if (progress != nullptr)
            progress(context, judged, static_cast<int>(moves.size()));
    }
    return judged;
}

void tally_review(const std::vector<reviewed_move>& moves, review_tally (&out)[2])
{
    out[0] = out[1] = {};
    for (const reviewed_move& m : moves) {
        review_tally& t = out[m.mover == TOP_STORE ? 1 : 0];
        ++t.moves;
        t.lost += m.loss;
        const review_mark mark = mark_of(m.loss);
        t.inaccuracies += mark == review_mark::inaccuracy;
        t.mistakes += mark == review_mark::mistake;
        t.blunders += mark == review_mark::blunder;
    }
}

std::string review_move_text(int number, const reviewed_move& m)
{
    std::string text = std::to_string(number) + ". " + bin_label[m.mover] + ": " + bin_label[m.bin];
    if (m.loss == 0)
        return text + ", best";
    return text + ", lost " + std::to_string(m.loss) + ", best " + bin_label[m.best];
}

std::string review_comment(const reviewed_move& m)
{
    return m.loss == 0 ? "0" : "-" + std::to_string(m.loss) + ", best " + bin_label[m.best];
}
