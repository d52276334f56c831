// Keyboard play on the main window: the digit keys, the focus frame, the keys that take moves back, ask
// for a hint and keep games, and the Game menu's commands, which do what those keys do or set the pace.
#include "game/controller.h"

#include "board/board.h"
#include "engine/engine.h"
#include "game/options.h"
#include "game/options_file.h"
#include "game/play.h"
#include "resources/resource.h"

namespace {

// The frame shows once a key has been used and a mouse click hides it, as
// focus cues do in Windows.
bool s_cues = false;
// The focused screen column, 1 (left) to 6; it stays when the turn changes.
int s_column = 1;

bool person_to_move()
{
    return person_plays(g_current) && !computer_thinking();
}

} // namespace

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
    case IDM_REDO:
        return game_key(hwnd, id == IDM_UNDO ? 'Z' : 'Y', true);
    case IDM_HINT:
        return game_key(hwnd, 'H', false);
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
        return game_key(hwnd, 'V', false);
    case IDM_OPEN_GAME:
    case IDM_SAVE_GAME:
    case IDM_COPY_GAME:
    case IDM_PASTE_GAME:
        return game_key(hwnd,
                        id == IDM_OPEN_GAME   ? 'O'
                        : id == IDM_SAVE_GAME ? 'S'
                        : id == IDM_COPY_GAME ? 'C'
                                              : 'V',
                        true);
    default:
        return false;
    }
}

void place_focus(HWND hwnd)
{
    set_frame(hwnd, g_focus_bin, s_cues && person_to_move() ? next_bin(g_current, s_column, 1) : -1);
}

void hide_focus(HWND hwnd)
{
    s_cues = false;
    place_focus(hwnd);
}

bool game_key(HWND hwnd, WPARAM key, bool ctrl)
{
    if (ctrl) {
        switch (key) {
        case 'Z':
            undo_move(hwnd);
            return true;
        case 'Y':
            redo_move(hwnd);
            return true;
        case 'O':
            open_game_file(hwnd);
            return true;
        case 'S':
            save_game(hwnd);
            return true;
        case 'C':
            copy_game(hwnd);
            return true;
        case 'V':
            paste_game(hwnd);
            return true;
        default:
            return false;
        }
    }
    if (key == 'V') {
        toggle_values(hwnd);
        return true;
    }
    int column = 0;
    if (key >= '1' && key <= '6')
        column = static_cast<int>(key - '0');
    else if (key >= VK_NUMPAD1 && key <= VK_NUMPAD6)
        column = static_cast<int>(key - VK_NUMPAD0);
    const bool arrow = key == VK_LEFT || key == VK_RIGHT, enter = key == VK_RETURN || key == VK_SPACE;
    if (column == 0 && !arrow && !enter && key != 'H')
        return false;
    // A key that plays acts on the position its player saw: one typed while
    // a move was still being sown, or before the computer's reply, is dropped,
    // and the computer's side is never played from the keyboard.
    if ((column != 0 || enter) && (!person_to_move() || !shown_by(static_cast<DWORD>(GetMessageTime()))))
        return true;
    // The first arrow or Enter only shows where the frame is; the hint
    // leaves the frame as it was.
    const bool framed = g_focus_bin >= 0;
    s_cues = s_cues || key != 'H';
    if (column != 0) {
        s_column = column;
        play_bin(bin_in_column(g_current->turn, column));
    } else if (arrow && framed) {
        const int step = key == VK_RIGHT ? 1 : -1;
        s_column = column_of(next_bin(g_current, column_of(g_focus_bin) + step, step));
    } else if (enter) {
        play_bin(g_focus_bin); // none (-1) while the frame is hidden
    } else if (key == 'H') {
        ask_hint(hwnd);
    }
    place_focus(hwnd);
    return true;
}
