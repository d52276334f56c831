// The main window's status bar: its creation, height, layout into parts and texts.
#include "shell/shell.h"

#include "board/board.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <cstdio>

HWND g_status_bar = nullptr;

const int status_part_percents[status_part_count] = {45, 13, 10, 13, 19};

namespace {

// SB_SETPARTS takes at most this many parts.
constexpr int max_parts = 25;

// What part 0 says, kept while a progress shows over it.
char s_message[256] = "";

} // namespace

void create_status_bar(HWND hwnd)
{
    g_status_bar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, "", hwnd, IDC_STATUS_BAR);
    // Hidden until size_status_bar has placed and divided it.
    if (g_status_bar != nullptr)
        ShowWindow(g_status_bar, SW_HIDE);
}

int status_bar_height(HWND hwnd)
{
    if (g_status_bar == nullptr)
        create_status_bar(hwnd);
    if (g_status_bar == nullptr)
        return 0;
    RECT r;
    GetWindowRect(g_status_bar, &r);
    return r.bottom - r.top;
}

void size_status_bar(HWND hwnd, int count, const int* percents)
{
    if (g_status_bar == nullptr)
        create_status_bar(hwnd);
    if (hwnd == nullptr || g_status_bar == nullptr)
        return;
    if (count < 1 || count > max_parts || (count > 1 && percents == nullptr))
        return;

    RECT outer;
    GetWindowRect(hwnd, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    const int bar_height = status_bar_height(hwnd);
    // The bar keeps itself at the bottom of the client area all the same.
    MoveWindow(g_status_bar, 0, height - bar_height, width, bar_height, FALSE);

    // Each part's width is truncated on its own, so the edges are not the
    // truncated running percentages.
    int edges[max_parts];
    int edge = 0;
    for (int i = 0; i < count - 1; ++i) {
        edge += percents[i] * width / 100;
        edges[i] = edge;
    }
    edges[count - 1] = -1;
    SendMessageA(g_status_bar, SB_SETPARTS, count, reinterpret_cast<LPARAM>(edges));
    ShowWindow(g_status_bar, SW_SHOW);
}

void set_status_bar_dpi(int dpi)
{
    static HFONT font = nullptr; // the bar's, until the next change
    NONCLIENTMETRICSW metrics;
    if (g_status_bar == nullptr || !nonclient_metrics_for_dpi(dpi, &metrics))
        return;
    HFONT made = CreateFontIndirectW(&metrics.lfStatusFont);
    if (made == nullptr)
        return;
    SendMessageA(g_status_bar, WM_SETFONT, reinterpret_cast<WPARAM>(made), FALSE);
    SendMessageA(g_status_bar, WM_SIZE, 0, 0); // its height follows the font
    if (font != nullptr)
        DeleteObject(font);
    font = made;
}

void set_status_text(HWND hwnd, int part, const char* text)
{
    if (hwnd == nullptr || g_status_bar == nullptr)
        return;
    if (part == 0)
        snprintf(s_message, sizeof s_message, "%s", text != nullptr ? text : "");
    SendMessageA(g_status_bar, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text));
    if (part == 0) // what to do next: a screen reader says it
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, g_status_bar, OBJID_CLIENT, CHILDID_SELF);
}

void show_status_progress(HWND hwnd, const char* text)
{
    if (hwnd == nullptr || g_status_bar == nullptr)
        return;
    SendMessageA(g_status_bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text != nullptr ? text : s_message));
}
