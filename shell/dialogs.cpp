// The History dialog (the moves so far, growing while it is open), the About dialog, and dialog placing.
#include "shell/dialogs.h"

#include "engine/engine.h"
#include "resources/resource.h"
#include "shell/shell.h"
#include "wkivari_version.h"

#include <algorithm>
#include <cstdio>

HWND g_hist_dlg = nullptr;

namespace {

// The list shows about seven lines; from the eighth on, the newest line is
// kept at the bottom.
constexpr int history_visible_lines = 7;

// The About text: author, e-mail, version, an empty line, three lines of description.
const char* const about_lines[7] = {
    "By " WKIVARI_MAKER,         WKIVARI_CONTACT,
    "Version: " WKIVARI_VERSION, "",
    "A sowing game of two rows", "of six bins and two stores,",
    "for one or two players.",
};

void fill_history(HWND dlg)
{
    if (g_root == nullptr || g_current == nullptr)
        return;
    // Walk only the game path: below g_current the nodes belong to a running search.
    for (node* n = g_root; n != g_current && n->first_child != nullptr;) {
        n = n->first_child;
        char line[80];
        format_history_line(n, line);
        history_add(dlg, line);
    }
}

} // namespace

void history_add(HWND dlg, const char* text)
{
    if (dlg == nullptr || text == nullptr)
        return;
    HWND list = GetDlgItem(dlg, IDC_HISTORY_LIST);
    if (list == nullptr)
        return;
    const LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (index > history_visible_lines - 1)
        SendMessageA(list, LB_SETTOPINDEX, index - (history_visible_lines - 1), 0);
}

void history_show_game(HWND dlg)
{
    history_clear(dlg);
    if (dlg != nullptr)
        fill_history(dlg);
}

void history_clear(HWND dlg)
{
    if (dlg == nullptr)
        return;
    HWND list = GetDlgItem(dlg, IDC_HISTORY_LIST);
    if (list == nullptr)
        return;
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
}

void center_dialog(HWND dlg, HWND owner)
{
    RECT d;
    RECT o;
    if (!GetWindowRect(dlg, &d) || !GetWindowRect(owner, &o))
        return;
    const int dw = d.right - d.left;
    const int dh = d.bottom - d.top;
    const int ow = o.right - o.left;
    const int oh = o.bottom - o.top;

    HDC dc = GetDC(dlg);
    const int screen_w = GetDeviceCaps(dc, HORZRES);
    const int screen_h = GetDeviceCaps(dc, VERTRES);
    ReleaseDC(dlg, dc);

    // The test against 0 comes first; a dialog larger than the screen thus
    // ends up at a negative position on the far edge's side.
    int x = o.left + (ow - dw) / 2;
    if (x < 0)
        x = 0;
    else if (x + dw > screen_w)
        x = screen_w - dw;
    int y = o.top + (oh - dh) / 2;
    if (y < 0)
        y = 0;
    else if (y + dh > screen_h)
        y = screen_h - dh;
    SetWindowPos(dlg, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR CALLBACK history_dlg_proc(HWND dlg, UINT msg, WPARAM wparam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        g_hist_dlg = dlg;
        center_dialog(dlg, g_hwnd_main);
        fill_history(dlg);
        return TRUE;
    case WM_COMMAND:
        // Enter, Esc and the close button: the dialog has no buttons of its own.
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)
            EndDialog(dlg, 1);
        return FALSE;
    case WM_DESTROY:
        // Also when another History dialog is still open: it gets no more lines.
        g_hist_dlg = nullptr;
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK about_dlg_proc(HWND dlg, UINT msg, WPARAM wparam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG: {
        center_dialog(dlg, g_hwnd_main);
        HWND list = GetDlgItem(dlg, IDC_ABOUT_TEXT);
        for (const char* line : about_lines)
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)
            EndDialog(dlg, 1);
        return FALSE;
    case WM_DESTROY:
        return TRUE;
    default:
        return FALSE;
    }
}

void fit_and_center(HWND hwnd, int width, int height, HWND owner)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT work{0, 0, width, height};
    if (GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor))
        work = monitor.rcWork;
    SetWindowPos(hwnd, nullptr, 0, 0, std::min(width, static_cast<int>(work.right - work.left)),
                 std::min(height, static_cast<int>(work.bottom - work.top)),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (owner != nullptr)
        center_dialog(hwnd, owner);
}
