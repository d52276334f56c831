// The game's Win32 side: the session's screen on the main window, the computer's search thread and its
// messages, the hint's timer and the cursors. What happens in the game is decided in game/session.
#include "game/controller.h"

#include "board/board.h"
#include "engine/engine.h"
#include "engine/exact/solver.h"
#include "game/review.h"
#include "game/session.h"
#include "game/tables.h"
#include "shell/shell.h"

#include <atomic>

HANDLE g_thread = INVALID_HANDLE_VALUE;
decltype(&CreateThread) g_create_thread = CreateThread;

namespace {

constexpr UINT_PTR hint_timer = 1;
constexpr UINT hint_frame_ms = 2000;

// When the position now on show was shown (GetTickCount): a key typed
// earlier was meant for a position before it.
DWORD s_shown_at = 0;

// The exact search's own table of proven bounds, made on its first search and kept from one to the next
// (the size bench/exact_bench measures the solver with); the endgame table it reads (null while there is
// none); its stop flag.
constexpr int exact_solver_megabytes = 64;
exact_solver s_solver;
const endgame_table* s_endgame = nullptr;
std::atomic<bool> s_exact_stop{false};

// The solver, its table made by the first search that needs it; null when memory is short.
exact_solver* solver()
{
    const bool ready = !s_solver.entries.empty() || exact_solver_init(s_solver, exact_solver_megabytes) == 0;
    return ready ? &s_solver : nullptr;
}

int find_proven()
{
    if (solver() == nullptr)
        return EXACT_NO_MEMORY;
    int margin = 0;
    return exact_move_values(s_solver, g_order.position, g_order.settings.empty_caps, s_endgame,
                             PROVEN_BUDGET_MS, &s_exact_stop, g_found_exact, margin);
}

// The review judges by the values at its depth, or by proven results where the solver finds them in time.
int review_position()
{
    return review_values(g_order.position, g_order.depth, g_order.settings, solver(), s_endgame,
                         PROVEN_MOST_STONES, REVIEW_PROVEN_BUDGET_MS, &s_exact_stop, g_found_values);
}

} // namespace

unsigned positions_seen_by(DWORD time)
{
    return static_cast<LONG>(time - s_shown_at) >= 0 ? g_positions_shown : g_positions_shown - 1;
}

int init_game(HWND)
{
    return session_init();
}

void game_shown()
{
    s_shown_at = GetTickCount();
}

bool start_search_thread()
{
    if (g_order.kind == search_kind::exact || g_order.kind == search_kind::review)
        s_endgame = endgame_for(g_order.settings.empty_caps); // the first asks for the table
    HANDLE thread = g_create_thread(nullptr, 0, comp_move_thread, nullptr, 0, nullptr);
    g_thread = thread != nullptr ? thread : INVALID_HANDLE_VALUE;
    return g_thread != INVALID_HANDLE_VALUE;
}

void stop_search_thread()
{
    // The search polls the request and frees what it made; waiting instead
    // of killing the thread keeps the allocator and the tree sound.
    search_stop_request();
    s_exact_stop = true;
    WaitForSingleObject(g_thread, INFINITE);
    CloseHandle(g_thread);
    g_thread = INVALID_HANDLE_VALUE;
    search_stop_clear(); // its result, if queued, no longer matches a running search
    s_exact_stop = false;
}

void set_busy_cursor(bool on)
{
    if (on)
        g_saved_cursor = SetCursor(g_busy_cursor);
    else
        SetCursor(g_saved_cursor);
}

void set_hint_timer(bool on)
{
    if (on)
        SetTimer(g_hwnd_main, hint_timer, hint_frame_ms, nullptr);
    else
        KillTimer(g_hwnd_main, hint_timer);
}

void free_game()
{
    session_free_game();
}

int make_move(HWND, node*& current, int bin)
{
    return session_play(current, bin);
}

void new_game(HWND)
{
    session_new_game();
}

bool open_game(HWND, const game_record& record)
{
    return session_open(record);
}

void start_computer_move(HWND, WPARAM request)
{
    session_computer_turn(request);
}

DWORD WINAPI comp_move_thread(LPVOID)
{
    const search_kind kind = g_order.kind;
    const int result = kind == search_kind::exact    ? find_proven()
                       : kind == search_kind::review ? review_position()
                       : kind == search_kind::values
                           ? move_values(g_order.position, g_order.depth, g_order.settings, g_found_values)
                           : get_comp_move(g_order.position, g_order.depth, g_order.settings);
    PostMessageA(g_hwnd_main, WM_COMPUTER_MOVED, g_order.request, result);
    return 0;
}

void computer_moved(HWND, WPARAM request, LPARAM result)
{
    if (g_thread == INVALID_HANDLE_VALUE || !session_result_wanted(request))
        return; // stale: New Game or shutdown has already dealt with its search
    // The thread posted this as its last act; it ends before the next starts.
    WaitForSingleObject(g_thread, INFINITE);
    CloseHandle(g_thread);
    g_thread = INVALID_HANDLE_VALUE;
    session_search_done(static_cast<int>(result));
}

void abandon_search()
{
    session_abandon();
}

LRESULT game_cursor()
{
    if (g_searching && (g_order.kind == search_kind::move || g_order.kind == search_kind::hint))
        SetCursor(g_busy_cursor);
    return 0;
}

void click_board(LPARAM point)
{
    session_hide_focus();
    if (g_current == nullptr)
        return;
    const int x = static_cast<short>(LOWORD(point));
    const int y = static_cast<short>(HIWORD(point));
    session_play_bin(hit_bin(x, y, g_current->turn));
}

void game_timer(HWND, WPARAM timer)
{
    if (timer == hint_timer)
        session_hint_over();
}
