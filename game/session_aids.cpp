// What the session's searches are for and what their results mean: the computer's move, the hint, the
// move values and their proven results, kept as numbers with their one label.
#include "game/session.h"

#include <algorithm>
#include <cstdio>

#include "game/options.h"
#include "game/review.h"
#include "game/texts.h"

search_order g_order{};
move_value g_found_values[6];
exact_move g_found_exact[6];
bool g_searching = false;
bool g_show_values = false;
bin_value g_bin_values[14];

namespace {

// The position the running search works on: it builds and frees its tree
// below this copy, so the game path, with the moves taken back, stays whole.
node s_searched{};

// The exact search of the values on show has ended (proven or not): it is not asked again for them.
bool s_exact_tried = false;

void end_hint()
{
    g_view.hint_timer(false);
    g_view.frame(g_hint_bin, -1);
}

// The bins marked in `changed` gained or lost a value: a reader hears of each, and they are repainted.
void tell_values(const bool (&changed)[14])
{
    for (int bin = 0; bin < 14; ++bin)
        if (changed[bin])
            g_view.value_changed(bin);
    g_view.repaint(changed);
}

void clear_values()
{
    s_exact_tried = false;
    bool changed[14] = {};
    drop_values(changed);
    tell_values(changed);
}

// A values or exact search gives way; it is asked for again when wanted.
void abandon_values()
{
    if (g_searching && (g_order.kind == search_kind::values || g_order.kind == search_kind::exact))
        session_abandon();
}

// The values on show are at a depth, and the position is small enough to be worth searching to its end.
bool exact_wanted()
{
    return values_shown() && !s_exact_tried && stones_in_play(g_current) <= PROVEN_MOST_STONES;
}

// The review's search gives way to the game's own; the review goes on after it.
void abandon_review()
{
    if (g_searching && g_order.kind == search_kind::review)
        session_abandon();
}

// Starts a search for `request` on the current position.
void start_search(request_id request, search_kind kind)
{
    s_searched = *g_current;
    s_searched.parent = s_searched.first_child = s_searched.next_sibling = nullptr;
    // Whatever the option holds, the search is never handed a negative depth.
    g_order = {&s_searched, std::clamp(g_difficulty, 0, MAX_SEARCH_DEPTH), current_search_settings(), request,
               kind};
    g_searching = g_view.start_search();
    if (!g_searching) {
        // Nothing is left waiting for a result: a click may play the
        // computer's side, after which it is asked again, or New Game starts
        // over. A hint or values that cannot start just do not come.
        if (kind == search_kind::move)
            g_view.message(cannot_search);
        return;
    }
    if (kind == search_kind::values || kind == search_kind::exact)
        return; // no busy cursor, and the status stays as it is
    g_view.busy(true);
    g_view.message(kind == search_kind::hint ? looking_for_hint : pondering);
}

void show_hint(int bin)
{
    if (g_current == nullptr || side_of(bin) != g_current->turn || g_current->bins[bin] < 1) {
        g_view.message(waits_for_new_game(g_current, g_started) ? new_game_prompt : your_turn);
        return;
    }
    g_view.frame(g_hint_bin, bin);
    g_view.hint_timer(true);
    char text[80];
    snprintf(text, sizeof text, "Hint: bin %s", bin_label[bin]);
    g_view.message(text);
    session_want_values();
}

void show_values(int count)
{
    bool changed[14] = {};
    keep_values(g_current, g_found_values, count, changed);
    tell_values(changed);
}

void show_proven(int count)
{
    bool changed[14] = {};
    keep_proven(g_current, g_found_exact, count, changed);
    tell_values(changed);
}

} // namespace

// The hint and the values belong to the position on show: a new one takes both off.
void session_end_aids()
{
    end_hint();
    clear_values();
}

void session_want_values()
{
    if (!g_show_values || request_wanted() || !hint_possible(g_current) ||
        (values_shown() && !exact_wanted())) {
        review_continue();
        return;
    }
    abandon_review();
    if (!g_searching)
        start_search(new_request(), values_shown() ? search_kind::exact : search_kind::values);
}

bool session_computer_turn(request_id request)
{
    // One search at a time, and only for the request still wanted.
    if (g_current == nullptr || g_searching || !take_request(request)) {
        review_continue();
        return false;
    }
    start_search(request, search_kind::move);
    return g_searching;
}

bool session_result_wanted(request_id request)
{
    return g_searching && request == g_order.request;
}

void session_search_done(int result)
{
    if (g_order.kind == search_kind::review) {
        review_searched(result);
        return;
    }
    g_searching = false;
    if (g_order.kind == search_kind::values) {
        // Values that did not come are not asked for again at once: a failing search would only fail again.
        if (result > 0 && g_current != nullptr) {
            show_values(result);
            session_want_values(); // the exact search next, when it is worth one
        } else {
            review_continue();
        }
        return;
    }
    if (g_order.kind == search_kind::exact) {
        s_exact_tried = true; // not proven within the budget: the values at the depth stay
        if (result > 0 && g_current != nullptr)
            show_proven(result);
        review_continue();
        return;
    }
    if (g_order.kind == search_kind::hint)
        show_hint(result);
    else
        session_play(g_current, result);
    g_view.busy(false);
}

void session_abandon()
{
    if (!g_searching)
        return;
    g_view.stop_search();
    g_searching = false;
    g_view.busy(false);
}

bool session_thinking()
{
    return g_searching && g_order.kind == search_kind::move;
}

void session_ask_hint()
{
    abandon_values(); // they come again once the hint is shown
    abandon_review();
    if (g_searching || request_wanted() || !hint_possible(g_current)) {
        review_continue();
        return;
    }
    start_search(new_request(), search_kind::hint);
}

void session_hint_over()
{
    end_hint();
}

bool session_toggle_values()
{
    g_show_values = !g_show_values;
    if (g_show_values) {
        session_want_values();
    } else {
        abandon_values();
        clear_values();
        review_continue();
    }
    return g_show_values;
}

void session_refresh_values()
{
    abandon_values();
    clear_values();
    session_want_values();
}

void keep_values(const node* n, const move_value* values, int count, bool (&changed)[14])
{
    if (n == nullptr || count <= 0)
        return;
    const bool top = n->turn == TOP_STORE;
    count = std::min(count, 6);
    int best = values[0].h;
    for (int i = 1; i < count; ++i)
        best = top ? std::max(best, values[i].h) : std::min(best, values[i].h);
    for (int i = 0; i < count; ++i) {
        const int bin = values[i].bin;
        if (bin < 0 || bin > 13)
            continue;
        g_bin_values[bin] = {true, top ? best - values[i].h : values[i].h - best, values[i].exact};
        changed[bin] = true;
    }
}

void keep_proven(const node* n, const exact_move* moves, int count, bool (&changed)[14])
{
    if (n == nullptr || count <= 0)
        return;
    // The margins leave the stores out; the final lead counts them.
    const int lead = n->bins[n->turn] - n->bins[opposite[n->turn]];
    count = std::min(count, 6);
    int best = lead + moves[0].margin;
    for (int i = 1; i < count; ++i)
        best = std::max(best, lead + moves[i].margin);
    for (int i = 0; i < count; ++i) {
        const int bin = moves[i].bin;
        if (bin < 0 || bin > 13)
            continue;
        const int result = lead + moves[i].margin;
        g_bin_values[bin] = {true, best - result, true, true, result};
        changed[bin] = true;
    }
}

void drop_values(bool (&changed)[14])
{
    for (int bin = 0; bin < 14; ++bin) {
        changed[bin] = g_bin_values[bin].shown;
        g_bin_values[bin] = {};
    }
}

bool values_shown()
{
    return std::any_of(std::begin(g_bin_values), std::end(g_bin_values),
                       [](const bin_value& v) { return v.shown; });
}

void value_label(int bin, char (&text)[8])
{
    text[0] = 0;
    if (bin < 0 || bin > 13 || !g_bin_values[bin].shown)
        return;
    const bin_value& v = g_bin_values[bin];
    if (v.proven)
        snprintf(text, sizeof text, v.result == 0 ? "=0" : "=%+d", static_cast<short>(v.result));
    else
        snprintf(text, sizeof text, "%s%d", v.exact ? "=" : "", static_cast<short>(-v.loss));
}

void value_description(int bin, char (&text)[32])
{
    text[0] = 0;
    if (bin < 0 || bin > 13 || !g_bin_values[bin].shown)
        return;
    const bin_value& v = g_bin_values[bin];
    const char* best = v.loss == 0 ? ", best" : "";
    if (!v.proven)
        snprintf(text, sizeof text, "Value: %d%s", -v.loss, best);
    else if (v.result == 0)
        snprintf(text, sizeof text, "Result: draw%s", best);
    else
        snprintf(text, sizeof text, "Result: %s by %d%s", v.result > 0 ? "wins" : "loses",
                 static_cast<short>(v.result > 0 ? v.result : -v.result), best);
}
