// The game's flow: set-up, New Game, a move and the hand-over, a record opened, undo and redo; the
// screen is asked through g_view.
#include "game/session.h"

#include <algorithm>
#include <vector>

#include "game/options.h"
#include "game/record.h"
#include "game/review.h"
#include "game/stone_lists.h"
#include "game/texts.h"

session_view g_view;
int g_focus_bin = -1;
int g_hint_bin = -1;
int g_last_move_bin = -1;
bool g_started = false;
unsigned g_positions_shown = 0;

namespace {

bool show_move(node* played);

void note_shown()
{
    ++g_positions_shown;
    g_view.shown();
}

// After a move that did not end the game, and after New Game.
void hand_over(const node* n)
{
    if (computer_plays(n->turn)) {
        g_view.ask_computer(want_request());
    } else {
        g_view.message(your_turn);
        session_want_values();
    }
}

void show_result(const node* n)
{
    g_view.message(game_over_text);
    g_view.result(result_text(n));
    g_view.message(new_game_prompt);
}

// Plays out the move that made `played` current: animation, status, History
// line, sound, end test and result. False when the game ended with it.
bool show_move(node* played)
{
    drop_request(); // a computer move asked for the position before is not wanted now
    session_end_aids();
    g_view.frame(g_focus_bin, -1);
    g_view.frame(g_last_move_bin, -1);
    calc_h(played);
    g_view.animate(played->move, recorded_rule(played));
    g_view.counts_changed(played->parent->bins, played->bins);
    g_view.frame(g_last_move_bin, played->move);
    note_shown();
    keep_lists(played->level);
    g_view.position(played);

    char line[80];
    format_history_line(played, line);
    g_view.history_add(line);

    if (g_sounds)
        g_view.sound();

    // The engine's test takes the stones in play from the board, so a stones
    // option changed during the game does not move the thresholds.
    session_place_focus();
    if (game_over(played)) {
        show_result(played);
        return false;
    }
    return true;
}

} // namespace

int session_init()
{
    g_root = new_node();
    g_current = g_root;
    if (g_root == nullptr) {
        g_view.message(out_of_memory);
        return -2;
    }
    const int stones = stones_for_game();
    init_node(g_root, g_first_turn, stones);
    g_current = g_root;
    init_stones(stones);
    g_view.redraw();
    g_view.message(new_game_prompt);
    g_started = false;
    g_last_move_bin = -1;
    note_shown();
    keep_opening_lists();
    return 0;
}

void session_free_game()
{
    if (g_root == nullptr)
        return;
    while (g_root->first_child != nullptr)
        free_node(g_root->first_child);
    g_current = g_root;
}

int session_play(node*& current, int bin)
{
    if (current == nullptr)
        return -3; // no game record: nothing to play on
    if (!playable(current, bin) || gen_node(current, bin, &current) < 0) {
        g_view.message(move_refused);
        return -3;
    }
    node* played = current;
    while (played->next_sibling != nullptr)
        free_node(played->next_sibling); // the moves taken back from here are dropped
    review_game_moved();
    if (!show_move(played))
        return -3;
    hand_over(played);
    return 0;
}

void session_new_game()
{
    if (g_root == nullptr)
        return;
    session_abandon();
    review_end();   // its game is gone
    drop_request(); // a computer move requested in the old game is not wanted
    session_free_game();
    g_allow_empty_caps = own_empty_caps();
    g_own_empty_caps = -1;
    const int stones = stones_for_game();
    init_node(g_root, g_first_turn, stones);
    g_current = g_root;
    init_stones(stones);
    keep_opening_lists();
    g_started = true;
    g_last_move_bin = -1;
    session_end_aids();
    g_view.redraw();
    note_shown();
    g_view.history_clear();
    g_view.position(g_current);
    hand_over(g_current);
    session_place_focus();
}

bool session_open(const game_record& record)
{
    if (g_root == nullptr)
        return false;
    // Laid out beside the game first: a record that does not fit in memory
    // leaves the game as it was.
    node* root = new_node();
    if (root == nullptr || init_node(root, record.first, record.stones) < 0) {
        if (root != nullptr)
            delete_node(root);
        return false;
    }
    const int option = g_allow_empty_caps;
    g_allow_empty_caps = record.empty_caps ? 1 : 0;
    node* n = root;
    for (const int bin : record.moves) {
        if (gen_node(n, bin, &n) < 0) {
            free_node(root);
            g_allow_empty_caps = option;
            return false;
        }
        calc_h(n);
    }
    if (g_own_empty_caps < 0 && option != g_allow_empty_caps)
        g_own_empty_caps = option;

    session_abandon();
    review_end();
    drop_request();
    session_end_aids();
    free_node(g_root);
    g_root = root;
    g_current = n;
    // The stones come dealt afresh and sown by the moves, at once.
    init_stones(record.stones);
    keep_opening_lists();
    std::vector<node*> path;
    for (node* p = n; p != root; p = p->parent)
        path.push_back(p);
    std::reverse(path.begin(), path.end());
    for (node* played : path) {
        sow_stones(
            played->move, g_allow_empty_caps != 0, [] {}, [](int) {});
        keep_lists(played->level);
    }
    g_started = true;
    g_view.frame(g_focus_bin, -1);
    g_last_move_bin = n == root ? -1 : n->move;
    g_view.redraw();
    note_shown();
    g_view.history_show();
    g_view.position(n);
    if (game_over(n))
        show_result(n);
    else
        hand_over(n);
    session_place_focus();
    return true;
}

void session_undo()
{
    if (node* n = undo_target(g_current); n != nullptr)
        session_go_to(n);
}

void session_go_to(node* n)
{
    session_abandon();
    drop_request(); // nor is a computer move asked for and not yet started
    g_current = n;
    session_end_aids();
    restore_lists(n->level);
    g_last_move_bin = n == g_root ? -1 : n->move; // the move that led here
    g_view.redraw();
    note_shown();
    g_view.history_show();
    g_view.position(n == g_root && !g_started ? nullptr : n);
    if (waits_for_new_game(n, g_started))
        g_view.message(new_game_prompt);
    else
        hand_over(n);
    session_place_focus();
    review_continue();
}

void session_redo()
{
    // A move played again is played as a click would be.
    if (g_current == nullptr || g_current->first_child == nullptr || session_thinking() || request_wanted())
        return;
    session_abandon();
    // The computer's moves that were taken back with the person's come back with it.
    for (node* next : redo_line(g_current)) {
        g_current = next;
        if (!show_move(next))
            return review_continue();
    }
    hand_over(g_current);
}

void session_play_bin(int bin)
{
    // While the computer thinks its move is awaited; a hint gives way to the
    // person's own choice. A bin that cannot be played is refused by
    // session_play, which says so.
    if (g_current == nullptr || bin < 0 || session_thinking())
        return;
    session_abandon();
    if (session_play(g_current, bin) < 0)
        review_continue();
}

bool playable_now(int bin)
{
    return !session_thinking() && playable(g_current, bin);
}
