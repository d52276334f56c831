// The review of the game on show: its positions searched one at a time on the session's worker, between
// the game's own searches; the jump to a reviewed position; the comments a saved record keeps.
#include <algorithm>

#include "game/options.h"
#include "game/play.h"
#include "game/review.h"
#include "game/session.h"

review_view g_review_view{};
review_state g_review;

namespace {

// The position the running review search works on (the search builds its tree below this copy).
node s_searched{};

void tell_changed()
{
    if (g_review_view.changed != nullptr)
        g_review_view.changed();
}

bool review_search_runs()
{
    return g_searching && g_order.kind == search_kind::review;
}

// The node of the game's line after `moves` moves, when that line still holds the reviewed moves.
node* reviewed_line_at(std::size_t moves)
{
    node* n = g_root;
    for (std::size_t k = 0; n != nullptr && k < moves; ++k) {
        n = n->first_child;
        if (n == nullptr || n->move != g_review.moves[k])
            return nullptr;
    }
    return n;
}

} // namespace

bool review_begin(int depth)
{
    if (review_search_runs())
        session_abandon();
    g_review = review_state{};
    if (g_root == nullptr || g_root->first_child == nullptr)
        return false;
    g_review.on = true;
    g_review.depth = std::clamp(depth, 0, MAX_SEARCH_DEPTH);
    for (node* n = g_root; n->first_child != nullptr; n = n->first_child) {
        node copy = *n;
        copy.parent = copy.first_child = copy.next_sibling = nullptr;
        g_review.positions.push_back(copy);
        g_review.moves.push_back(n->first_child->move);
        g_review.rules.push_back(recorded_rule(n->first_child));
    }
    tell_changed();
    review_continue();
    return true;
}

void review_end()
{
    if (review_search_runs())
        session_abandon();
    const bool was_on = g_review.on;
    g_review = review_state{};
    if (was_on && g_review_view.ended != nullptr)
        g_review_view.ended();
}

void review_stop()
{
    if (review_search_runs())
        session_abandon();
    g_review.stopped = true;
    tell_changed();
    session_want_values();
}

void review_close()
{
    review_end();
    session_want_values(); // the worker is free again for what the game wants
}

bool review_complete()
{
    return g_review.on && g_review.judged.size() == g_review.moves.size();
}

bool review_follows_game()
{
    return g_review.on && reviewed_line_at(g_review.moves.size()) != nullptr;
}

void review_game_moved()
{
    if (g_review.on && !g_review.moved_off && !review_follows_game()) {
        g_review.moved_off = true;
        tell_changed();
    }
}

void review_continue()
{
    if (!g_review.on || g_review.stopped || review_complete() || g_searching || request_wanted())
        return;
    const std::size_t k = g_review.judged.size();
    s_searched = g_review.positions[k];
    g_order = {&s_searched, g_review.depth, {g_review.rules[k], false}, new_request(), search_kind::review};
    // A review that cannot start now tries again after the game's next search.
    g_searching = g_view.start_search();
}

void review_searched(int result)
{
    g_searching = false;
    const std::size_t k = g_review.judged.size();
    reviewed_move m;
    if (!g_review.on || k >= g_review.moves.size() ||
        !judge_move(&g_review.positions[k], g_review.moves[k], g_found_values, result, m))
        return; // stopped or refused: the same position is searched again later
    g_review.judged.push_back(m);
    tell_changed();
    review_continue();
}

bool review_jump(int index)
{
    if (!g_review.on || index < -1 || index >= static_cast<int>(g_review.moves.size()) ||
        g_num_players == 0 || session_thinking())
        return false;
    node* n = reviewed_line_at(static_cast<std::size_t>(index + 1));
    while (n != nullptr && n->parent != nullptr && computer_plays(n->turn))
        n = n->parent;
    if (n == nullptr || computer_plays(n->turn))
        return false;
    session_go_to(n);
    return true;
}

std::vector<std::string> review_comments(const node* current)
{
    std::vector<std::string> comments;
    if (!review_complete() || current == nullptr)
        return comments;
    std::vector<const node*> path;
    for (const node* n = current; n != nullptr && n->parent != nullptr; n = n->parent)
        path.push_back(n);
    if (path.size() > g_review.moves.size() || (path.empty() ? current : path.back()->parent) != g_root)
        return comments;
    std::reverse(path.begin(), path.end());
    for (std::size_t k = 0; k < path.size(); ++k) {
        if (path[k]->move != g_review.moves[k])
            return {};
        comments.push_back(review_comment(g_review.judged[k]));
    }
    return comments;
}
