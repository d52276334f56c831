// The game session's screen: what game/session asks of the board, the status bar, the History list, the
// sound and the result box, done on the main window; the search thread, cursor and timer by the controller.
#include "shell/shell.h"

#include "board/board.h"
#include "game/controller.h"
#include "game/session.h"
#include "game/texts.h"
#include "resources/resource.h"
#include "shell/dialogs.h"
#include "shell/status.h"

#include <mmsystem.h>

BOOL(WINAPI* g_play_sound)(LPCSTR, HMODULE, DWORD) = PlaySoundA;

namespace {

// The main window, known from its WM_CREATE on (before g_hwnd_main is set).
HWND s_window = nullptr;

// What the session asks of the screen, done on the main window.
const session_view main_window_view = {
    [](int bin, bool empty_caps) { animate_move(s_window, bin, empty_caps); },
    [](const int (&before)[14], const int (&after)[14]) { notify_counts(s_window, before, after); },
    [] { redraw_board(s_window); },
    [](const bool (&bins)[14]) { repaint_bins(s_window, bins); },
    [](int bin) { NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, s_window, OBJID_CLIENT, bin + 1); },
    [](int& frame, int bin) { set_frame(s_window, frame, bin); },
    [](const char* text) { set_status_text(s_window, 0, text); },
    [](const node* n) {
        if (n != nullptr)
            update_status(s_window, const_cast<node*>(n));
        else
            for (int part = 1; part < 5; ++part)
                set_status_text(s_window, part, "");
    },
    [](const char* line) { history_add(g_hist_dlg, line); },
    [] { history_clear(g_hist_dlg); },
    [] { history_show_game(g_hist_dlg); },
    [] { g_play_sound(MAKEINTRESOURCEA(IDW_MOVE), g_hinst, SND_RESOURCE | SND_ASYNC); },
    [](const char* text) { MessageBoxA(s_window, text, game_over_text, MB_OK); },
    game_shown,
    [](request_id request) { PostMessageA(s_window, WM_COMPUTER_MOVE, request, 0); },
    start_search_thread,
    stop_search_thread,
    set_busy_cursor,
    set_hint_timer,
};

} // namespace

void connect_game_view(HWND hwnd)
{
    s_window = hwnd;
    g_view = main_window_view;
}
