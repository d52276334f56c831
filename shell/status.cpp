// The status bar's view of the current position and the stone counts shown in tooltips.
#include "shell/status.h"

#include "board/board.h"
#include "engine/engine.h"
#include "game/play.h"
#include "game/options.h"
#include "game/session.h"
#include "shell/shell.h"

#include <commctrl.h>
#include <algorithm>
#include <cstdio>

char g_tip_text[80];

namespace {

constexpr int grid_columns = 8;
constexpr int grid_rows = 2;

HWND g_tips = nullptr;

RECT tool_rect(int column, int row)
{
    return {column * g_bin_w, row * g_bin_h, (column + 1) * g_bin_w, (row + 1) * g_bin_h};
}

} // namespace

void update_status(HWND hwnd, node* n)
{
    if (n == nullptr)
        return;
    // Stones still in a side's row count for that side, not only its store.
    int top = 0;
    for (int bin = 7; bin <= 13; ++bin)
        top += n->bins[bin];
    int bottom = 0;
    for (int bin = 0; bin <= 6; ++bin)
        bottom += n->bins[bin];

    char text[80];
    snprintf(text, sizeof text, "Score: %d/%d", top, bottom);
    set_status_text(hwnd, 1, text);
    snprintf(text, sizeof text, "Level: %d", n->level);
    set_status_text(hwnd, 2, text);
    snprintf(text, sizeof text, "Heuristic: %d", n->h);
    set_status_text(hwnd, 3, text);
    if (computer_plays(n->turn))
        snprintf(text, sizeof text, "To move: Computer");
    else
        snprintf(text, sizeof text, "To move: %s", is_side(n->turn) ? bin_label[n->turn] : "?");
    set_status_text(hwnd, 4, text);
}

HWND create_tooltips(HWND hwnd)
{
    // TTS_ALWAYSTIP: tips show also while the main window is inactive.
    HWND tips = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr, g_hinst, nullptr);
    g_tips = tips;
    if (tips == nullptr)
        return nullptr;
    // A width, so that a tip keeps its line breaks.
    SendMessageA(tips, TTM_SETMAXTIPWIDTH, 0, 400);
    for (int row = 0; row < grid_rows; ++row) {
        for (int column = 0; column < grid_columns; ++column) {
            TOOLINFOA ti{};
            // Without lpReserved, which only common controls 6 know: the
            // manifest asks for them, and the older control would refuse it.
            ti.cbSize = TTTOOLINFOA_V2_SIZE;
            // The control watches the main window's mouse by itself; the
            // text is asked for each time a tip is about to show.
            ti.uFlags = TTF_SUBCLASS;
            ti.hwnd = hwnd;
            ti.uId = column + grid_columns * row;
            ti.rect = tool_rect(column, row);
            ti.hinst = g_hinst;
            ti.lpszText = LPSTR_TEXTCALLBACKA;
            if (!SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)))
                return nullptr;
        }
    }
    return tips;
}

void place_tooltips(HWND hwnd)
{
    if (g_tips == nullptr || !IsWindow(g_tips))
        return;
    for (int tool = 0; tool < grid_columns * grid_rows; ++tool) {
        TOOLINFOA ti{};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.hwnd = hwnd;
        ti.uId = tool;
        ti.rect = tool_rect(tool % grid_columns, tool / grid_columns);
        SendMessageA(g_tips, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

LRESULT tooltip_text(HWND, WPARAM, LPARAM hdr)
{
    // Read at every request, so switching the option acts at the next tip.
    if (!g_tooltips)
        return 1;
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(hdr);
    if (info == nullptr || g_current == nullptr)
        return 1;
    const UINT_PTR tool = info->hdr.idFrom;
    if (tool >= static_cast<UINT_PTR>(grid_columns * grid_rows))
        return 1;
    const int bin = bin_at(static_cast<int>(tool % grid_columns), static_cast<int>(tool / grid_columns));
    // Under the count, which kind of value the bin shows, if any.
    const bin_value& v = g_bin_values[bin];
    if (!v.shown)
        snprintf(g_tip_text, sizeof g_tip_text, "%d", g_current->bins[bin]);
    else if (v.proven)
        snprintf(g_tip_text, sizeof g_tip_text, "%d\r\nProven result", g_current->bins[bin]);
    else
        snprintf(g_tip_text, sizeof g_tip_text, "%d\r\nValue at depth %d", g_current->bins[bin],
                 std::clamp(g_difficulty, 0, MAX_SEARCH_DEPTH));
    info->lpszText = g_tip_text;
    return 1;
}
