// The Game menu's commands, and the keys of the main window: a key either gives one of those commands or
// is turned into an intent that game/session's keyboard rules act on.
#include "game/controller.h"

#include "game/options.h"
#include "game/options_file.h"
#include "game/session.h"
#include "resources/resource.h"

void show_pace(HWND hwnd)
{
    const UINT item = g_animation_speed == PACE_INSTANT ? IDM_PACE_INSTANT
                      : g_animation_speed == PACE_FAST  ? IDM_PACE_FAST
                                                        : IDM_PACE_NORMAL;
    CheckMenuRadioItem(GetMenu(hwnd), IDM_PACE_NORMAL, IDM_PACE_INSTANT, item, MF_BYCOMMAND);
}

bool game_command(HWND hwnd, UINT id)
{
    switch (id) {
    case IDM_UNDO:
        session_undo();
        return true;
    case IDM_REDO:
        session_redo();
        return true;
    case IDM_HINT:
        session_key(key_intent::hint, 0, g_positions_shown);
        return true;
    case IDM_PACE_NORMAL:
    case IDM_PACE_FAST:
    case IDM_PACE_INSTANT:
        g_animation_speed = id == IDM_PACE_INSTANT ? PACE_INSTANT
                            : id == IDM_PACE_FAST  ? PACE_FAST
                                                   : PACE_NORMAL;
        show_pace(hwnd);
        if (!write_pace())
            report_unsaved_options(hwnd);
        return true;
    case IDM_MOVE_VALUES:
        CheckMenuItem(GetMenu(hwnd), IDM_MOVE_VALUES,
                      MF_BYCOMMAND | (!g_show_values ? MF_CHECKED : MF_UNCHECKED));
        session_toggle_values();
        return true;
    case IDM_OPEN_GAME:
        open_game_file(hwnd);
        return true;
    case IDM_SAVE_GAME:
        save_game(hwnd);
        return true;
    case IDM_COPY_GAME:
        copy_game(hwnd);
        return true;
    case IDM_PASTE_GAME:
        paste_game(hwnd);
        return true;
    default:
        return false;
    }
}

bool game_key(HWND hwnd, WPARAM key, bool ctrl)
{
    if (ctrl) {
        const UINT id = key == 'Z'   ? IDM_UNDO
                        : key == 'Y' ? IDM_REDO
                        : key == 'O' ? IDM_OPEN_GAME
                        : key == 'S' ? IDM_SAVE_GAME
                        : key == 'C' ? IDM_COPY_GAME
                        : key == 'V' ? IDM_PASTE_GAME
                                     : 0;
        return id != 0 && game_command(hwnd, id);
    }
    if (key == 'V')
        return game_command(hwnd, IDM_MOVE_VALUES);
    int column = 0;
    if (key >= '1' && key <= '6')
        column = static_cast<int>(key - '0');
    else if (key >= VK_NUMPAD1 && key <= VK_NUMPAD6)
        column = static_cast<int>(key - VK_NUMPAD0);
    const unsigned seen = positions_seen_by(static_cast<DWORD>(GetMessageTime()));
    if (column != 0)
        session_key(key_intent::play_column, column, seen);
    else if (key == VK_LEFT || key == VK_RIGHT)
        session_key(key == VK_LEFT ? key_intent::focus_left : key_intent::focus_right, 0, seen);
    else if (key == VK_RETURN || key == VK_SPACE)
        session_key(key_intent::play_focus, 0, seen);
    else if (key == 'H')
        session_key(key_intent::hint, 0, seen);
    else
        return false;
    return true;
}
