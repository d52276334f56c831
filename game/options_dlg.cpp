// The Options dialog: shows the option globals, and on OK stores them and rewrites the settings file.
#include "game/controller.h"

#include "engine/engine.h"
#include "game/options.h"
#include "game/options_file.h"
#include "game/session.h"
#include "resources/resource.h"
#include "shell/dialogs.h"
#include "shell/shell.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

void set_int_text(HWND dlg, int id, int value)
{
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    SetDlgItemTextA(dlg, id, text);
}

void fill_controls(HWND dlg)
{
    set_int_text(dlg, IDC_DIFFICULTY, g_difficulty);
    set_int_text(dlg, IDC_RANDOM_SEED, g_random_seed);
    set_int_text(dlg, IDC_NUM_STONES, g_num_stones);
    const int players = g_num_players == 0   ? IDC_PLAYERS_0
                        : g_num_players == 1 ? IDC_PLAYERS_1
                                             : IDC_PLAYERS_2;
    CheckRadioButton(dlg, IDC_PLAYERS_0, IDC_PLAYERS_2, players);
    CheckDlgButton(dlg, IDC_FIRST_TURN, g_first_turn == BOTTOM_STORE ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_EMPTY_CAPS, own_empty_caps() != 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_RANDOM_MOVES, g_random_moves != 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_SOUNDS, g_sounds != 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_TOOLTIPS, g_tooltips != 0 ? BST_CHECKED : BST_UNCHECKED);
}

// The field as an unsigned number, 0 for text without a number. GetDlgItemInt
// also gives 0 for a number too large for it; that one becomes UINT_MAX,
// which no range takes.
UINT field_value(HWND dlg, int id)
{
    BOOL number = FALSE;
    const UINT value = GetDlgItemInt(dlg, id, &number, FALSE);
    char text[32] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    const char* p = text + std::strspn(text, " \t");
    p += *p == '+' || *p == '-';
    return number || !std::isdigit(static_cast<unsigned char>(*p)) ? value : UINT_MAX;
}

int checked(HWND dlg, int id)
{
    return IsDlgButtonChecked(dlg, id) == BST_CHECKED ? 1 : 0;
}

// Tells the user the allowed range in a box owned by the dialog, then puts
// the focus into the field with its text selected, ready to be typed over.
void refuse(HWND dlg, int id, const char* text)
{
    MessageBoxA(dlg, text, "Options", MB_OK | MB_ICONEXCLAMATION);
    HWND field = GetDlgItem(dlg, id);
    SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

// OK: the fields are read as unsigned numbers (text without a number gives
// 0). A stones count the engine cannot set up, or a depth beyond what the
// search is asked for, keeps the dialog open with nothing changed.
void on_ok(HWND dlg)
{
    const UINT difficulty = field_value(dlg, IDC_DIFFICULTY);
    const UINT seed = GetDlgItemInt(dlg, IDC_RANDOM_SEED, nullptr, FALSE);
    const UINT stones = field_value(dlg, IDC_NUM_STONES);
    if (difficulty > static_cast<UINT>(MAX_SEARCH_DEPTH)) {
        char text[80];
        snprintf(text, sizeof text, "The difficulty level must be from 0 to %d.", MAX_SEARCH_DEPTH);
        refuse(dlg, IDC_DIFFICULTY, text);
        return;
    }
    if (stones < static_cast<UINT>(MIN_STONES) || stones > static_cast<UINT>(MAX_STONES)) {
        char text[80];
        snprintf(text, sizeof text, "The number of stones must be from %d to %d.", MIN_STONES, MAX_STONES);
        refuse(dlg, IDC_NUM_STONES, text);
        return;
    }

    g_difficulty = static_cast<int>(difficulty);
    g_random_seed = static_cast<int>(seed);
    g_num_stones = static_cast<int>(stones);
    g_first_turn = checked(dlg, IDC_FIRST_TURN) ? BOTTOM_STORE : TOP_STORE;
    // The box shows the player's own option. Left as it was, an opened
    // record's rule stays with its game; changed, it is the player's choice
    // from now on, for the game on the board too, as any option change is.
    if (checked(dlg, IDC_EMPTY_CAPS) != (own_empty_caps() != 0)) {
        g_allow_empty_caps = checked(dlg, IDC_EMPTY_CAPS);
        g_own_empty_caps = -1;
    }
    g_random_moves = checked(dlg, IDC_RANDOM_MOVES);
    g_sounds = checked(dlg, IDC_SOUNDS);
    g_tooltips = checked(dlg, IDC_TOOLTIPS);
    g_num_players = checked(dlg, IDC_PLAYERS_0) ? 0 : checked(dlg, IDC_PLAYERS_1) ? 1 : 2;
    session_refresh_values(); // at the new Difficulty and rule
    // The options apply for this run whether or not they could be saved, but
    // the user learns that the next start will not have them.
    if (!write_options())
        report_unsaved_options(dlg);
    EndDialog(dlg, 1);
}

} // namespace

INT_PTR CALLBACK options_dlg_proc(HWND dlg, UINT msg, WPARAM wparam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        center_dialog(dlg, g_hwnd_main);
        fill_controls(dlg);
        return TRUE;
    case WM_COMMAND:
        // Cancel also comes for Esc and for the close box.
        if (LOWORD(wparam) == IDOK)
            on_ok(dlg);
        else if (LOWORD(wparam) == IDCANCEL)
            EndDialog(dlg, 1);
        return FALSE;
    case WM_DESTROY:
        return TRUE;
    default:
        return FALSE;
    }
}
