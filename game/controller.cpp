// The game controller: the game record, every move, the computer's search thread and the end of a game.
#include "game/controller.h"

#include "board/board.h"
#include "engine/engine.h"
#include "game/options.h"
#include "resources/resource.h"
#include "shell/dialogs.h"
#include "shell/shell.h"
#include "shell/status.h"

#include <algorithm>
#include <cstdio>

HANDLE g_thread = INVALID_HANDLE_VALUE;
BOOL(WINAPI* g_play_sound)(LPCSTR, HMODULE, DWORD) = PlaySoundA;
decltype(&CreateThread) g_create_thread = CreateThread;

namespace {

const char new_game_prompt[] = "Select 'File->New Game' to start...";
const char your_turn[] = "Select bin to move from.";

// Used when the option holds a count the engine would refuse; read_options
// never stores one, this only keeps a bad value from reaching a game.
constexpr int fallback_stones = 4;

int stones_for_game()
{
    return g_num_stones >= 1 && g_num_stones <= 8 ? g_num_stones : fallback_stones;
}

// Computer-move requests are numbered 1, 2, ... in wParam. s_wanted is the
// number of the one posted and not yet started, 0 when none is wanted: New
// Game drops it, so a request still queued from the old game starts nothing.
// The search carries its request's number back in WM_COMPUTER_MOVED, so the
// result of a search that New Game or shutdown abandoned is told apart.
WPARAM s_last_request = 0;
WPARAM s_wanted = 0;

// What the running search works on, copied on the user interface thread
// before its thread starts: the thread reads no option the user can change
// meanwhile (an Options dialog confirmed during the search changes the next
// one), and nothing here is written again until the thread has ended.
struct search_order {
    node* position;
    int depth;
    search_settings settings;
    WPARAM request;
};
search_order s_order{};

// After a move that did not end the game, and after New Game.
void hand_over(HWND hwnd, const node* n)
{
    if (computer_plays(n->turn)) {
        s_wanted = ++s_last_request;
        PostMessageA(hwnd, WM_COMPUTER_MOVE, s_wanted, 0);
    } else {
        set_status_text(hwnd, 0, your_turn);
    }
}

// Player 1, the top side, is credited with h: its store and whatever is left
// in its row; Player 2 with the rest of the stones in play.
void show_result(HWND hwnd, const node* n)
{
    set_status_text(hwnd, 0, "Game over.");
    const int twice_h = 2 * n->h, total = stone_total(n);
    const char* text = twice_h > total ? "Player 1 wins!" : twice_h == total ? "Tie game!" : "Player 2 wins!";
    MessageBoxA(hwnd, text, "Game over.", MB_OK);
    set_status_text(hwnd, 0, new_game_prompt);
}

} // namespace

bool computer_plays(int side)
{
    return g_num_players == 0 || (g_num_players == 1 && side == TOP_STORE);
}

int init_game(HWND hwnd)
{
    g_root = new_node();
    g_current = g_root;
    if (g_root == nullptr) {
        set_status_text(hwnd, 0, "ERROR: out of memory");
        return -2;
    }
    const int stones = stones_for_game();
    init_node(g_root, g_first_turn, stones);
    g_current = g_root;
    init_stones(stones);
    redraw_board(hwnd);
    set_status_text(hwnd, 0, new_game_prompt);
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
    if (!is_side(current->turn) || side_of(bin) != current->turn || current->bins[bin] < 1 ||
        gen_node(current, bin, &current) < 0) {
        set_status_text(hwnd, 0, "ERROR: could not make move");
        return -3;
    }
    node* played = current;
    s_wanted = 0; // a computer move asked for the position before is not wanted now
    calc_h(played);
    animate_move(hwnd, bin);
    update_status(hwnd, played);

    char line[80];
    format_history_line(played, line);
    history_add(g_hist_dlg, line);

    if (g_sounds)
        g_play_sound(MAKEINTRESOURCEA(IDW_MOVE), g_hinst, SND_RESOURCE | SND_ASYNC);

    // The engine's test takes the stones in play from the board, so a stones
    // option changed during the game does not move the thresholds.
    if (game_over(played)) {
        show_result(hwnd, played);
        return -3;
    }
    hand_over(hwnd, played);
    return 0;
}

void new_game(HWND hwnd)
{
    if (g_root == nullptr)
        return;
    abandon_search();
    s_wanted = 0; // a computer move requested in the old game is not wanted
    free_game();
    const int stones = stones_for_game();
    init_node(g_root, g_first_turn, stones);
    g_current = g_root;
    init_stones(stones);
    redraw_board(hwnd);
    history_clear(g_hist_dlg);
    update_status(g_hwnd_main, g_current);
    hand_over(hwnd, g_current);
}

void start_computer_move(HWND hwnd, WPARAM request)
{
    // One search at a time, and only for the request still wanted.
    if (g_current == nullptr || request == 0 || request != s_wanted || g_thread != INVALID_HANDLE_VALUE)
        return;
    s_wanted = 0;
    // Whatever the option holds, the search is never handed a negative depth.
    s_order = {g_current, std::clamp(g_difficulty, 0, MAX_SEARCH_DEPTH), current_search_settings(), request};
    HANDLE thread = g_create_thread(nullptr, 0, comp_move_thread, nullptr, 0, nullptr);
    g_thread = thread != nullptr ? thread : INVALID_HANDLE_VALUE;
    if (g_thread == INVALID_HANDLE_VALUE) {
        // Nothing is left waiting for a result: a click may play the
        // computer's side, after which it is asked again, or New Game starts over.
        set_status_text(hwnd, 0, "The computer cannot move: out of resources.");
        return;
    }
    g_saved_cursor = SetCursor(g_busy_cursor);
    set_status_text(hwnd, 0, "Computer is pondering move...");
}

DWORD WINAPI comp_move_thread(LPVOID)
{
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
    make_move(hwnd, g_current, static_cast<int>(bin));
    SetCursor(g_saved_cursor);
}

LRESULT game_cursor()
{
    if (g_thread != INVALID_HANDLE_VALUE)
        SetCursor(g_busy_cursor);
    return 0;
}

void click_board(LPARAM point)
{
    // While the computer thinks the position belongs to its search.
    if (g_current == nullptr || g_thread != INVALID_HANDLE_VALUE)
        return;
    const int x = static_cast<short>(LOWORD(point));
    const int y = static_cast<short>(HIWORD(point));
    const int bin = hit_bin(x, y, g_current->turn);
    if (bin < 0)
        return;
    make_move(g_hwnd_main, g_current, bin);
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
