// The game controller: the game record, every move, the computer's search thread and the end of a game.
#include "game/controller.h"

#include "board/board.h"
#include "engine/engine.h"
#include "game/options.h"
#include "game/play.h"
#include "game/record.h"
#include "game/session.h"
#include "game/texts.h"
#include "resources/resource.h"
#include "shell/dialogs.h"
#include "shell/shell.h"
#include "shell/status.h"

#include <algorithm>
#include <cstdio>
#include <vector>

HANDLE g_thread = INVALID_HANDLE_VALUE;
bool g_show_values = false;
BOOL(WINAPI* g_play_sound)(LPCSTR, HMODULE, DWORD) = PlaySoundA;
decltype(&CreateThread) g_create_thread = CreateThread;

namespace {

// Computer-move requests (game/play.h) travel in wParam. New Game drops the
// one wanted, so a request still queued from the old game starts nothing.
// The search carries its request's number back in WM_COMPUTER_MOVED, so the
// result of a search that New Game or shutdown abandoned is told apart.

// What the running search works on, copied on the user interface thread
// before its thread starts: the thread reads no option the user can change
// meanwhile (an Options dialog confirmed during the search changes the next
// one), and nothing here is written again until the thread has ended. The
// search builds and frees its tree below a copy of the position, so the game
// record, with the moves taken back below the current position, stays whole.
struct search_order {
    node* position;
    int depth;
    search_settings settings;
    WPARAM request;
    bool hint;   // for the person to move: shown, never played
    bool values; // the value of every move, found quietly for the person to move
};
search_order s_order{};
node s_searched{};
move_value s_values[6]; // written by a values search's thread before it posts its result

// False from the start of the program until the first New Game: the opening
// then shows no position in the status bar.
bool s_started = false;

// When the position now on show was shown (GetTickCount): the start of the
// current turn, which a key that plays must not predate.
DWORD s_shown_at = 0;

constexpr UINT_PTR hint_timer = 1;
constexpr UINT hint_frame_ms = 2000;

bool show_move(HWND hwnd, node* played);

void end_hint(HWND hwnd)
{
    KillTimer(hwnd, hint_timer);
    set_frame(hwnd, g_hint_bin, -1);
}

// The hint and the values belong to the position on show: a new one takes both off.
void end_aids(HWND hwnd)
{
    end_hint(hwnd);
    clear_values(hwnd);
}

// A values search gives way; the values are asked for again when wanted.
void abandon_values()
{
    if (g_thread != INVALID_HANDLE_VALUE && s_order.values)
        abandon_search();
}

// Starts the search thread for `request` on the current position.
void start_search(HWND hwnd, WPARAM request, bool hint, bool values = false)
{
    s_searched = *g_current;
    s_searched.parent = s_searched.first_child = s_searched.next_sibling = nullptr;
    // Whatever the option holds, the search is never handed a negative depth.
    s_order = {
        &s_searched, std::clamp(g_difficulty, 0, MAX_SEARCH_DEPTH), current_search_settings(), request, hint,
        values};
    HANDLE thread = g_create_thread(nullptr, 0, comp_move_thread, nullptr, 0, nullptr);
    g_thread = thread != nullptr ? thread : INVALID_HANDLE_VALUE;
    if (g_thread == INVALID_HANDLE_VALUE) {
        // Nothing is left waiting for a result: a click may play the
        // computer's side, after which it is asked again, or New Game starts
        // over. A hint that cannot start just does not come.
        if (!hint && !values)
            set_status_text(hwnd, 0, cannot_search);
        return;
    }
    if (values)
        return; // no busy cursor, and the status stays as it is
    g_saved_cursor = SetCursor(g_busy_cursor);
    set_status_text(hwnd, 0, hint ? looking_for_hint : pondering);
}

// After a move that did not end the game, and after New Game.
void hand_over(HWND hwnd, const node* n)
{
    if (computer_plays(n->turn)) {
        PostMessageA(hwnd, WM_COMPUTER_MOVE, want_request(), 0);
    } else {
        set_status_text(hwnd, 0, your_turn);
        want_values(hwnd);
    }
}

void show_result(HWND hwnd, const node* n)
{
    set_status_text(hwnd, 0, game_over_text);
    MessageBoxA(hwnd, result_text(n), game_over_text, MB_OK);
    set_status_text(hwnd, 0, new_game_prompt);
}

} // namespace

int init_game(HWND hwnd)
{
    g_root = new_node();
    g_current = g_root;
    if (g_root == nullptr) {
        set_status_text(hwnd, 0, out_of_memory);
        return -2;
    }
    const int stones = stones_for_game();
    init_node(g_root, g_first_turn, stones);
    g_current = g_root;
    init_stones(stones);
    redraw_board(hwnd);
    set_status_text(hwnd, 0, new_game_prompt);
    s_started = false;
    g_last_move_bin = -1;
    s_shown_at = GetTickCount();
    keep_opening_lists();
    return 0;
}

void free_game()
{
    if (g_root == nullptr)
        return;
    while (g_root->first_child != nullptr)
        free_node(g_root->first_child);
    g_current = g_root;
}

int make_move(HWND hwnd, node*& current, int bin)
{
    if (current == nullptr)
        return -3; // no game record: nothing to play on
    if (!playable(current, bin) || gen_node(current, bin, &current) < 0) {
        set_status_text(hwnd, 0, move_refused);
        return -3;
    }
    node* played = current;
    while (played->next_sibling != nullptr)
        free_node(played->next_sibling); // the moves taken back from here are dropped
    if (!show_move(hwnd, played))
        return -3;
    hand_over(hwnd, played);
    return 0;
}

namespace {

// Plays out the move that made `played` current: animation, status, History
// line, sound, end test and result. False when the game ended with it.
bool show_move(HWND hwnd, node* played)
{
    drop_request(); // a computer move asked for the position before is not wanted now
    end_aids(hwnd);
    set_frame(hwnd, g_focus_bin, -1);
    set_frame(hwnd, g_last_move_bin, -1);
    calc_h(played);
    animate_move(hwnd, played->move, recorded_rule(played));
    notify_counts(hwnd, played->parent->bins, played->bins);
    set_frame(hwnd, g_last_move_bin, played->move);
    s_shown_at = GetTickCount();
    keep_lists(played->level);
    update_status(hwnd, played);

    char line[80];
    format_history_line(played, line);
    history_add(g_hist_dlg, line);

    if (g_sounds)
        g_play_sound(MAKEINTRESOURCEA(IDW_MOVE), g_hinst, SND_RESOURCE | SND_ASYNC);

    // The engine's test takes the stones in play from the board, so a stones
    // option changed during the game does not move the thresholds.
    place_focus(hwnd);
    if (game_over(played)) {
        show_result(hwnd, played);
        return false;
    }
    return true;
}

} // namespace

void new_game(HWND hwnd)
{
    if (g_root == nullptr)
        return;
    abandon_search();
    drop_request(); // a computer move requested in the old game is not wanted
    free_game();
    g_allow_empty_caps = own_empty_caps();
    g_own_empty_caps = -1;
    const int stones = stones_for_game();
    init_node(g_root, g_first_turn, stones);
    g_current = g_root;
    init_stones(stones);
    keep_opening_lists();
    s_started = true;
    g_last_move_bin = -1;
    end_aids(hwnd);
    redraw_board(hwnd);
    s_shown_at = GetTickCount();
    history_clear(g_hist_dlg);
    update_status(g_hwnd_main, g_current);
    hand_over(hwnd, g_current);
    place_focus(hwnd);
}

bool open_game(HWND hwnd, const game_record& record)
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

    abandon_search();
    drop_request();
    end_aids(hwnd);
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
    s_started = true;
    set_frame(hwnd, g_focus_bin, -1);
    g_last_move_bin = n == root ? -1 : n->move;
    redraw_board(hwnd);
    s_shown_at = GetTickCount();
    history_show_game(g_hist_dlg);
    update_status(hwnd, n);
    if (game_over(n))
        show_result(hwnd, n);
    else
        hand_over(hwnd, n);
    place_focus(hwnd);
    return true;
}

void start_computer_move(HWND hwnd, WPARAM request)
{
    // One search at a time, and only for the request still wanted.
    if (g_current == nullptr || g_thread != INVALID_HANDLE_VALUE || !take_request(request))
        return;
    start_search(hwnd, request, false);
}

DWORD WINAPI comp_move_thread(LPVOID)
{
    if (s_order.values) {
        const int count = move_values(s_order.position, s_order.depth, s_order.settings, s_values);
        PostMessageA(g_hwnd_main, WM_COMPUTER_MOVED, s_order.request, count);
        return 0;
    }
    const int bin = get_comp_move(s_order.position, s_order.depth, s_order.settings);
    PostMessageA(g_hwnd_main, WM_COMPUTER_MOVED, s_order.request, bin);
    return 0;
}

void computer_moved(HWND hwnd, WPARAM request, LPARAM bin)
{
    if (g_thread == INVALID_HANDLE_VALUE || request != s_order.request)
        return; // stale: New Game or shutdown has already dealt with its search
    // The thread posted this as its last act; it ends before the next starts.
    WaitForSingleObject(g_thread, INFINITE);
    CloseHandle(g_thread);
    g_thread = INVALID_HANDLE_VALUE;
    if (s_order.values) {
        show_values(hwnd, static_cast<int>(bin));
        return;
    }
    if (s_order.hint)
        show_hint(hwnd, static_cast<int>(bin));
    else
        make_move(hwnd, g_current, static_cast<int>(bin));
    SetCursor(g_saved_cursor);
}

LRESULT game_cursor()
{
    if (g_thread != INVALID_HANDLE_VALUE && !s_order.values)
        SetCursor(g_busy_cursor);
    return 0;
}

void click_board(LPARAM point)
{
    hide_focus(g_hwnd_main);
    if (g_current == nullptr)
        return;
    const int x = static_cast<short>(LOWORD(point));
    const int y = static_cast<short>(HIWORD(point));
    play_bin(hit_bin(x, y, g_current->turn));
}

void play_bin(int bin)
{
    // While the computer thinks its move is awaited; a hint gives way to the
    // person's own choice. A bin that cannot be played is refused by
    // make_move, which says so.
    if (g_current == nullptr || bin < 0 || computer_thinking())
        return;
    abandon_search();
    make_move(g_hwnd_main, g_current, bin);
}

bool playable_now(int bin)
{
    return !computer_thinking() && playable(g_current, bin);
}

bool shown_by(DWORD time)
{
    return static_cast<LONG>(time - s_shown_at) >= 0;
}

bool computer_thinking()
{
    return g_thread != INVALID_HANDLE_VALUE && !s_order.hint && !s_order.values;
}

void undo_move(HWND hwnd)
{
    node* n = undo_target(g_current);
    if (n == nullptr)
        return;
    abandon_search();
    drop_request(); // nor is a computer move asked for and not yet started
    g_current = n;
    end_aids(hwnd);
    restore_lists(n->level);
    g_last_move_bin = n == g_root ? -1 : n->move; // the move that led here
    redraw_board(hwnd);
    s_shown_at = GetTickCount();
    history_show_game(g_hist_dlg);
    if (n == g_root && !s_started) {
        for (int part = 1; part < 5; ++part)
            set_status_text(hwnd, part, "");
    } else {
        update_status(hwnd, n);
    }
    if (waits_for_new_game(n, s_started))
        set_status_text(hwnd, 0, new_game_prompt);
    else
        hand_over(hwnd, n);
    place_focus(hwnd);
}

void redo_move(HWND hwnd)
{
    // A move played again is played as a click would be.
    if (g_current == nullptr || g_current->first_child == nullptr || computer_thinking() || request_wanted())
        return;
    abandon_search();
    // The computer's moves that were taken back with the person's come back with it.
    for (node* next : redo_line(g_current)) {
        g_current = next;
        if (!show_move(hwnd, next))
            return;
    }
    hand_over(hwnd, g_current);
}

void ask_hint(HWND hwnd)
{
    abandon_values(); // they come again once the hint is shown
    if (g_thread != INVALID_HANDLE_VALUE || request_wanted() || !hint_possible(g_current))
        return;
    start_search(hwnd, new_request(), true);
}

void show_hint(HWND hwnd, int bin)
{
    if (g_current == nullptr || side_of(bin) != g_current->turn || g_current->bins[bin] < 1) {
        set_status_text(hwnd, 0, waits_for_new_game(g_current, s_started) ? new_game_prompt : your_turn);
        return;
    }
    set_frame(hwnd, g_hint_bin, bin);
    SetTimer(hwnd, hint_timer, hint_frame_ms, nullptr);
    char text[80];
    snprintf(text, sizeof text, "Hint: bin %s", bin_label[bin]);
    set_status_text(hwnd, 0, text);
    want_values(hwnd);
}

void want_values(HWND hwnd)
{
    if (!g_show_values || g_thread != INVALID_HANDLE_VALUE || request_wanted() || !hint_possible(g_current) ||
        values_shown())
        return;
    start_search(hwnd, new_request(), false, true);
}

void show_values(HWND hwnd, int count)
{
    bool changed[14] = {};
    keep_values(g_current, s_values, count, changed);
    for (int bin = 0; bin < 14; ++bin)
        if (changed[bin])
            NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, hwnd, OBJID_CLIENT, bin + 1);
    repaint_bins(hwnd, changed);
}

void clear_values(HWND hwnd)
{
    bool changed[14] = {};
    drop_values(changed);
    for (int bin = 0; bin < 14; ++bin)
        if (changed[bin])
            NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, hwnd, OBJID_CLIENT, bin + 1);
    repaint_bins(hwnd, changed);
}

void refresh_values(HWND hwnd)
{
    abandon_values();
    clear_values(hwnd);
    want_values(hwnd);
}

void toggle_values(HWND hwnd)
{
    g_show_values = !g_show_values;
    CheckMenuItem(GetMenu(hwnd), IDM_MOVE_VALUES, MF_BYCOMMAND | (g_show_values ? MF_CHECKED : MF_UNCHECKED));
    if (g_show_values) {
        want_values(hwnd);
        return;
    }
    abandon_values();
    clear_values(hwnd);
}

void game_timer(HWND hwnd, WPARAM timer)
{
    if (timer == hint_timer)
        end_hint(hwnd);
}

void abandon_search()
{
    if (g_thread == INVALID_HANDLE_VALUE)
        return;
    // The search polls the request and frees what it made; waiting instead of
    // killing the thread keeps the allocator and the tree sound.
    search_stop_request();
    WaitForSingleObject(g_thread, INFINITE);
    CloseHandle(g_thread);
    g_thread = INVALID_HANDLE_VALUE;
    search_stop_clear(); // its result, if queued, no longer matches a running search
    SetCursor(g_saved_cursor);
}
