// The main window's procedure: set-up, painting, menu commands and shutdown.
#include "shell/shell.h"

#include "board/board.h"
#include "game/controller.h"
#include "game/options.h"
#include "game/tables.h"
#include "resources/resource.h"
#include "shell/accessible.h"
#include "shell/dialogs.h"
#include "shell/help.h"
#include "shell/review_window.h"
#include "shell/status.h"

#include <commctrl.h>

namespace {

// The order matters: the window's size needs the bin size and the status
// bar's height, and the game's first paint needs the art.
LRESULT on_create(HWND hwnd)
{
    g_saved_cursor = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(g_saved_cursor);
    g_busy_cursor = LoadCursorA(nullptr, IDC_APPSTARTING);
    load_board_art(hwnd); // makes the status bar, still hidden, to learn its height
    size_status_bar(hwnd, status_part_count, status_part_percents);
    create_tooltips(hwnd); // needs the bin size; a failure leaves the board without tips
    read_options();
    show_pace(hwnd);
    connect_game_view(hwnd);
    // -2 without a game record; only -1 would make the platform refuse the window.
    return init_game(hwnd);
}

// The window came to a monitor of another DPI (or that monitor's scale
// changed): the board, the bar and the tips follow; the window keeps the
// place Windows suggests and takes the size of the new board.
void on_dpi_changed(HWND hwnd, int dpi, const RECT* suggested)
{
    set_status_bar_dpi(dpi);
    load_board_art(hwnd, dpi);
    if (suggested != nullptr)
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    size_status_bar(hwnd, status_part_count, status_part_percents);
    place_tooltips(hwnd);
    redraw_board(hwnd);
}

void on_destroy()
{
    abandon_search(); // before anything below the root is freed
    end_tables();
    release_board_art();
    free_game();
    g_status_bar = nullptr; // it goes with the window
    PostQuitMessage(0);
}

LRESULT on_command(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (LOWORD(wparam)) {
    case IDM_EXIT:
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case IDM_HELP_CONTENTS:
    case IDM_HELP_SEARCH:
        return help_command(hwnd, LOWORD(wparam));
    case IDM_HOMEPAGE:
        // The browser comes up as a normal window, in front.
        open_url(home_page_address, SW_SHOWNORMAL);
        return 0;
    case IDM_OPTIONS:
        // No owner, as History: the board and a running search go on meanwhile.
        DialogBoxParamA(g_hinst, MAKEINTRESOURCEA(IDD_OPTIONS), nullptr, options_dlg_proc, 0);
        return 0;
    case IDM_NEW_GAME:
        new_game(hwnd);
        return 0;
    case IDM_HISTORY:
        // No owner: the main window stays enabled, so the game goes on and
        // the list grows while it is shown.
        DialogBoxParamA(g_hinst, MAKEINTRESOURCEA(IDD_HISTORY), nullptr, history_dlg_proc, 0);
        return 0;
    case IDM_ABOUT:
        DialogBoxParamA(g_hinst, MAKEINTRESOURCEA(IDD_ABOUT), hwnd, about_dlg_proc, 0);
        return 0;
    case IDM_REVIEW:
        show_review(hwnd);
        return 0;
    default:
        if (game_command(hwnd, LOWORD(wparam)))
            return 0;
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}

// What would start another move, or end the game, while a move's stones are
// still being sown.
bool waits_for_the_move(UINT msg)
{
    return msg == WM_COMMAND || msg == WM_LBUTTONUP || msg == WM_KEYDOWN || msg == WM_COMPUTER_MOVE ||
           msg == WM_COMPUTER_MOVED || msg == WM_CLOSE;
}

} // namespace

LRESULT CALLBACK main_wnd_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    // Sent by another thread during the animation's pause: the move is not
    // finished, so this is queued and handled once it is.
    if (anim_pausing() && waits_for_the_move(msg)) {
        PostMessageA(hwnd, msg, wparam, lparam);
        return 0;
    }
    switch (msg) {
    case WM_CREATE:
        return on_create(hwnd);
    case WM_DESTROY:
        on_destroy();
        return 0;
    case WM_PAINT:
        paint_board(hwnd, g_stone_images);
        return 0;
    case WM_DPICHANGED:
        on_dpi_changed(hwnd, HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
        return 0;
    case WM_SETCURSOR:
        return game_cursor();
    case WM_GETOBJECT:
        if (const LRESULT object = board_object(hwnd, wparam, lparam))
            return object;
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    case WM_NOTIFY:
        if (lparam != 0 && reinterpret_cast<NMHDR*>(lparam)->code == TTN_NEEDTEXTA)
            return tooltip_text(hwnd, wparam, lparam);
        return 0;
    case WM_COMMAND:
        return on_command(hwnd, msg, wparam, lparam);
    case WM_LBUTTONUP:
        click_board(lparam);
        return 0;
    case WM_KEYDOWN: {
        const bool ctrl = GetKeyState(VK_CONTROL) < 0;
        // Bit 30 of lParam: the key was down already. Held down, only the
        // frame and the take-back repeat: a held key must not play moves
        // queued behind an animation, nor start game after game.
        if ((lparam & 0x40000000) != 0 && wparam != VK_LEFT && wparam != VK_RIGHT && !(ctrl && wparam == 'Z'))
            return 0;
        // The classic keys of Windows games act as their menu commands.
        if (wparam == VK_F1 || wparam == VK_F2 || wparam == VK_F6)
            return on_command(hwnd, WM_COMMAND,
                              wparam == VK_F1   ? IDM_HELP_CONTENTS
                              : wparam == VK_F2 ? IDM_NEW_GAME
                                                : IDM_REVIEW,
                              0);
        if (game_key(hwnd, wparam, ctrl))
            return 0;
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
    case WM_TIMER:
        game_timer(hwnd, wparam);
        return 0;
    case WM_COMPUTER_MOVE:
        start_computer_move(hwnd, wparam);
        return 0;
    case WM_COMPUTER_MOVED:
        computer_moved(hwnd, wparam, lparam);
        return 0;
    case WM_TABLE_PROGRESS:
        table_progress(hwnd, static_cast<int>(wparam));
        return 0;
    case WM_TABLE_BUILT:
        table_built(hwnd, wparam != 0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}
