// The game's decisions, apart from how they are shown.
#include "game/play.h"

#include <algorithm>

#include "engine/engine.h"
#include "game/options.h"
#include "game/texts.h"

namespace {

constexpr int fallback_stones = 4;

request_id s_last_request = 0;
// The request posted and not yet started, 0 when none is wanted.
request_id s_wanted = 0;

} // namespace

bool computer_plays(int side)
{
    return g_num_players == 0 || (g_num_players == 1 && side == TOP_STORE);
}

bool person_plays(const node* n)
{
    return n != nullptr && is_side(n->turn) && !computer_plays(n->turn);
}

int stones_for_game()
{
    return g_num_stones >= MIN_STONES && g_num_stones <= MAX_STONES ? g_num_stones : fallback_stones;
}

bool recorded_rule(const node* played)
{
    const bool now = g_allow_empty_caps != 0;
    node again = *played->parent;
    do_move(&again, played->move, now);
    return std::equal(again.bins, again.bins + 14, played->bins) ? now : !now;
}

bool waits_for_new_game(const node* n, bool started)
{
    return game_over(n) || (n->parent == nullptr && !started);
}

int winner(const node* n)
{
    const int twice_h = 2 * n->h, total = stone_total(n);
    return twice_h > total ? TOP_STORE : twice_h == total ? 0 : BOTTOM_STORE;
}

const char* result_text(const node* n)
{
    const int side = winner(n);
    return side == TOP_STORE ? top_wins : side == 0 ? tie_game : bottom_wins;
}

node* undo_target(node* current)
{
    if (current == nullptr || current->parent == nullptr || g_num_players == 0)
        return nullptr;
    node* n = current->parent;
    while (n->parent != nullptr && computer_plays(n->turn))
        n = n->parent;
    // The computer opened: no earlier turn, and the moves to play again stay.
    return computer_plays(n->turn) ? nullptr : n;
}

std::vector<node*> redo_line(node* current)
{
    std::vector<node*> line;
    for (node* next = current ? current->first_child : nullptr; next != nullptr; next = next->first_child) {
        line.push_back(next);
        if (game_over(next) || !computer_plays(next->turn))
            break;
    }
    return line;
}

bool playable(const node* n, int bin)
{
    return n != nullptr && is_side(n->turn) && side_of(bin) == n->turn && n->bins[bin] > 0;
}

bool hint_possible(const node* n)
{
    if (!person_plays(n))
        return false;
    const int first = first_bin(n->turn);
    return std::any_of(n->bins + first, n->bins + first + 6, [](int c) { return c != 0; });
}

int next_bin(const node* n, int column, int step)
{
    for (int i = 0; i < 6; ++i) {
        const int bin = bin_in_column(n->turn, (column - 1 + step * i + 12) % 6 + 1);
        if (n->bins[bin] > 0)
            return bin;
    }
    return -1;
}

request_id want_request()
{
    return s_wanted = ++s_last_request;
}

request_id new_request()
{
    return ++s_last_request;
}

bool take_request(request_id request)
{
    if (request == 0 || request != s_wanted)
        return false;
    s_wanted = 0;
    return true;
}

void drop_request()
{
    s_wanted = 0;
}

bool request_wanted()
{
    return s_wanted != 0;
}
