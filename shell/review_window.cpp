// The Review window: depth, progress and Cancel above; the graph of the lead after each move with its
// mistakes marked; the move under the mouse; the list of judged moves; each side's tally.
#include "shell/review_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "board/board.h"
#include "game/options.h"
#include "game/review.h"
#include "shell/dialogs.h"
#include "shell/shell.h"
#include "resources/resource.h"

HWND g_review_wnd = nullptr;

namespace {

constexpr char review_class[] = "wKivariReview";
constexpr char graph_class[] = "wKivariReviewGraph";
constexpr int open_width = 640, open_height = 500, min_width = 480, min_height = 380;

int g_dpi_here = 96;
HFONT g_font = nullptr;
int g_selected = -1;      // the move whose position the board was put on; -1 none
int g_hovered = -1;       // the move under the mouse; -1 none
bool g_filling = false;   // the list's selection is being set by the window, not the user
std::size_t g_listed = 0; // moves in the list

int px(int length)
{
    return MulDiv(length, g_dpi_here, 96);
}

HWND item(int id)
{
    return GetDlgItem(g_review_wnd, id);
}

COLORREF mark_colour(review_mark mark)
{
    switch (mark) {
    case review_mark::inaccuracy:
        return RGB(230, 180, 0);
    case review_mark::mistake:
        return RGB(240, 120, 0);
    case review_mark::blunder:
        return RGB(210, 30, 30);
    default:
        return RGB(0, 0, 0);
    }
}

void show_move_line()
{
    // Once the game has left the reviewed moves, a chosen move no longer is the board's.
    const bool left = g_review.on && !review_follows_game();
    const int k = g_hovered >= 0 ? g_hovered : left ? -1 : g_selected;
    std::string text;
    if (k >= 0 && k < static_cast<int>(g_review.judged.size()))
        text = review_move_text(k + 1, g_review.judged[k]);
    else if (left)
        text = "The game has changed since: Review judges it as it is now.";
    else if (g_review.moves.empty())
        text = "The game has no moves to review yet.";
    else
        text = "Point at a move to see it; click it to put the board there.";
    SetWindowTextA(item(IDC_REVIEW_MOVE), text.c_str());
}

std::string tally_line(int side, const review_tally& t)
{
    char text[160];
    const double average = t.moves > 0 ? static_cast<double>(t.lost) / t.moves : 0.0;
    snprintf(text, sizeof text, "%s: %d move%s, %d inacc%s, %d mistake%s, %d blunder%s; average loss %.1f",
             bin_label[side], t.moves, t.moves == 1 ? "" : "s", t.inaccuracies,
             t.inaccuracies == 1 ? "uracy" : "uracies", t.mistakes, t.mistakes == 1 ? "" : "s", t.blunders,
             t.blunders == 1 ? "" : "s", average);
    return text;
}

void set_list_item(int k)
{
    const reviewed_move& m = g_review.judged[k];
    const std::string number = std::to_string(k + 1);
    const std::string played = std::string(bin_label[m.mover]) + ": " + bin_label[m.bin];
    const std::string loss = std::to_string(-m.loss);
    const std::string best = m.loss == 0 ? "" : bin_label[m.best];
    const std::string* cells[] = {&number, &played, &loss, nullptr, &best};
    const std::string mark = mark_name(mark_of(m.loss));
    cells[3] = &mark;
    HWND list = item(IDC_REVIEW_LIST);
    if (static_cast<std::size_t>(k) >= g_listed) {
        LVITEMA row{};
        row.mask = LVIF_TEXT;
        row.iItem = k;
        row.pszText = const_cast<char*>(number.c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row));
        g_listed = static_cast<std::size_t>(k) + 1;
    }
    for (int column = 1; column < 5; ++column) {
        LVITEMA cell{};
        cell.iSubItem = column;
        cell.pszText = const_cast<char*>(cells[column]->c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, k, reinterpret_cast<LPARAM>(&cell));
    }
}

// Everything shown follows g_review: progress, buttons, list, tallies, graph.
void refresh()
{
    if (g_review_wnd == nullptr)
        return;
    const int total = static_cast<int>(g_review.moves.size()),
              done = static_cast<int>(g_review.judged.size());
    SendMessageA(item(IDC_REVIEW_PROGRESS), PBM_SETRANGE32, 0, std::max(total, 1));
    SendMessageA(item(IDC_REVIEW_PROGRESS), PBM_SETPOS, done, 0);
    EnableWindow(item(IDC_REVIEW_CANCEL), g_review.on && !g_review.stopped && done < total);
    if (static_cast<std::size_t>(done) < g_listed) {
        SendMessageA(item(IDC_REVIEW_LIST), LVM_DELETEALLITEMS, 0, 0);
        g_listed = 0;
        g_selected = g_hovered = -1;
    }
    for (int k = static_cast<int>(g_listed); k < done; ++k)
        set_list_item(k);
    review_tally tally[2];
    tally_review(g_review.judged, tally);
    const std::string summary = tally_line(BOTTOM_STORE, tally[0]) + "\r\n" + tally_line(TOP_STORE, tally[1]);
    SetWindowTextA(item(IDC_REVIEW_SUMMARY), summary.c_str());
    show_move_line();
    InvalidateRect(item(IDC_REVIEW_GRAPH), nullptr, FALSE);
}

// Puts the board on move k's position and shows k as chosen, in the graph and the list.
void choose(int k)
{
    const int done = static_cast<int>(g_review.judged.size());
    if (done == 0)
        return;
    k = std::clamp(k, 0, done - 1);
    if (!review_jump(k))
        MessageBeep(MB_OK);
    g_selected = k;
    g_filling = true;
    HWND list = item(IDC_REVIEW_LIST);
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, k, reinterpret_cast<LPARAM>(&state));
    SendMessageA(list, LVM_ENSUREVISIBLE, k, FALSE);
    g_filling = false;
    show_move_line();
    InvalidateRect(item(IDC_REVIEW_GRAPH), nullptr, FALSE);
}

// The graph's plot: the rectangle the bars go in, and each move's slot width.
struct plot {
    RECT area;
    int moves;
    int scale; // stones of lead the half height stands for
    int mid;   // the zero line's y
    double slot;
};

plot plot_of(HWND graph)
{
    RECT client;
    GetClientRect(graph, &client);
    plot p{{client.left + px(40), client.top + px(18), client.right - px(8), client.bottom - px(20)},
           std::max(1, static_cast<int>(g_review.moves.size())),
           4,
           0,
           0};
    for (const reviewed_move& m : g_review.judged)
        p.scale = std::max(p.scale, std::abs(m.lead));
    p.mid = (p.area.top + p.area.bottom) / 2;
    p.slot = std::max(1.0, static_cast<double>(p.area.right - p.area.left) / p.moves);
    return p;
}

int move_at(HWND graph, int x)
{
    const plot p = plot_of(graph);
    if (x < p.area.left || x >= p.area.right)
        return -1;
    const int k = static_cast<int>((x - p.area.left) / p.slot);
    return k < static_cast<int>(g_review.judged.size()) ? k : -1;
}

void draw_text(HDC dc, int x, int y, const std::string& text, UINT align)
{
    SetTextAlign(dc, align);
    TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

void paint_graph(HWND graph, HDC dc)
{
    RECT client;
    GetClientRect(graph, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    SelectObject(dc, g_font != nullptr ? g_font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const plot p = plot_of(graph);
    const auto slot_x = [&](int k) { return p.area.left + static_cast<int>(k * p.slot); };
    const auto lead_y = [&](int lead) {
        // The largest lead leaves room for a mistake's dot beyond its bar.
        return p.mid - MulDiv(lead, (p.area.bottom - p.area.top) / 2 - px(12), p.scale);
    };

    if (g_selected >= 0) {
        RECT band{slot_x(g_selected), p.area.top, slot_x(g_selected + 1), p.area.bottom};
        FillRect(dc, &band, GetSysColorBrush(COLOR_BTNFACE));
    }
    for (const int lead : {p.scale, 0, -p.scale}) {
        char label[16];
        snprintf(label, sizeof label, lead > 0 ? "+%d" : "%d", lead);
        draw_text(dc, p.area.left - px(4), lead_y(lead) - px(7), label, TA_RIGHT | TA_TOP);
    }
    draw_text(dc, p.area.left + px(4), client.top + px(2),
              "Above the line: Player 2 ahead; below: Player 1 ahead; dark: proven", TA_LEFT | TA_TOP);

    // A move whose value is the game's true result in a darker shade.
    HBRUSH up = CreateSolidBrush(RGB(70, 120, 190)), down = CreateSolidBrush(RGB(150, 150, 150));
    HBRUSH up_proven = CreateSolidBrush(RGB(20, 60, 140)), down_proven = CreateSolidBrush(RGB(85, 85, 85));
    const int gap = p.slot >= px(6) ? std::max(1, static_cast<int>(p.slot) / 6) : 0;
    for (std::size_t k = 0; k < g_review.judged.size(); ++k) {
        const reviewed_move& m = g_review.judged[k];
        const int y = lead_y(m.lead);
        RECT bar{slot_x(static_cast<int>(k)) + gap, std::min(y, p.mid), slot_x(static_cast<int>(k) + 1) - gap,
                 std::max(y, p.mid) + 1};
        FillRect(dc, &bar, m.lead >= 0 ? (m.exact ? up_proven : up) : (m.exact ? down_proven : down));
        const review_mark mark = mark_of(m.loss);
        if (mark == review_mark::none)
            continue;
        // A dot past the bar's end, larger for a worse mistake.
        const int r = px(mark == review_mark::blunder ? 5 : mark == review_mark::mistake ? 4 : 3);
        const int cx = (bar.left + bar.right) / 2,
                  cy = m.lead >= 0 ? bar.top - r - px(1) : bar.bottom + r + px(1);
        HBRUSH dot = CreateSolidBrush(mark_colour(mark));
        HGDIOBJ old_brush = SelectObject(dc, dot);
        HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
        Ellipse(dc, cx - r, cy - r, cx + r + 1, cy + r + 1);
        SelectObject(dc, old_pen);
        SelectObject(dc, old_brush);
        DeleteObject(dot);
    }
    for (HBRUSH brush : {up, down, up_proven, down_proven})
        DeleteObject(brush);

    HPEN axis = CreatePen(PS_SOLID, std::max(1, px(1)), GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ old_pen = SelectObject(dc, axis);
    MoveToEx(dc, p.area.left, p.mid, nullptr);
    LineTo(dc, p.area.right, p.mid);
    MoveToEx(dc, p.area.left, p.area.top, nullptr);
    LineTo(dc, p.area.left, p.area.bottom);
    SelectObject(dc, old_pen);
    DeleteObject(axis);

    // Move numbers under the plot, as many as fit.
    int step = 1;
    for (int s : {1, 2, 5, 10, 20, 50, 100})
        if ((step = s) * p.slot >= px(24))
            break;
    for (int k = step; k <= p.moves; k += step)
        draw_text(dc, slot_x(k - 1) + static_cast<int>(p.slot / 2), p.area.bottom + px(3), std::to_string(k),
                  TA_CENTER | TA_TOP);
    if (GetFocus() == graph) {
        RECT focus = client;
        InflateRect(&focus, -px(2), -px(2));
        DrawFocusRect(dc, &focus);
    }
}

LRESULT CALLBACK graph_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        // Drawn off screen first, so the bars never flicker as moves come in.
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP bits = mem != nullptr ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr;
        if (bits != nullptr) {
            HGDIOBJ before = SelectObject(mem, bits);
            paint_graph(hwnd, mem);
            BitBlt(dc, 0, 0, client.right, client.bottom, mem, 0, 0, SRCCOPY);
            SelectObject(mem, before);
            DeleteObject(bits);
        } else {
            paint_graph(hwnd, dc);
        }
        if (mem != nullptr)
            DeleteDC(mem);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTALLKEYS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_MOUSEMOVE: {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        const int k = move_at(hwnd, static_cast<short>(LOWORD(lparam)));
        if (k != g_hovered) {
            g_hovered = k;
            show_move_line();
        }
        return 0;
    }
    case WM_MOUSELEAVE:
        g_hovered = -1;
        show_move_line();
        return 0;
    case WM_LBUTTONDOWN: {
        SetFocus(hwnd);
        const int k = move_at(hwnd, static_cast<short>(LOWORD(lparam)));
        if (k >= 0)
            choose(k);
        return 0;
    }
    case WM_KEYDOWN:
        switch (wparam) {
        case VK_LEFT:
            choose(g_selected < 0 ? 0 : g_selected - 1);
            return 0;
        case VK_RIGHT:
            choose(g_selected + 1);
            return 0;
        case VK_HOME:
            choose(0);
            return 0;
        case VK_END:
            choose(static_cast<int>(g_review.judged.size()) - 1);
            return 0;
        }
        break;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

// The tab order.
void move_focus(HWND from, bool back)
{
    HWND stops[] = {item(IDC_REVIEW_DEPTH), item(IDC_REVIEW_START), item(IDC_REVIEW_CANCEL),
                    item(IDC_REVIEW_GRAPH), item(IDC_REVIEW_LIST)};
    const int n = 5;
    int i = 0;
    while (i < n && stops[i] != from)
        ++i;
    for (int tries = 0; tries < n; ++tries) {
        i = i >= n ? 0 : back ? (i + n - 1) % n : (i + 1) % n;
        if (IsWindowEnabled(stops[i])) {
            SetFocus(stops[i]);
            return;
        }
    }
}

void start_review()
{
    BOOL ok = FALSE;
    const int depth =
        static_cast<int>(SendMessageA(item(IDC_REVIEW_SPIN), UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&ok)));
    review_begin(std::clamp(depth, 0, MAX_SEARCH_DEPTH));
    refresh();
}

// The window is a plain one: no dialog manager gives its controls Tab, Esc or Enter, so each does it itself.
LRESULT CALLBACK key_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR)
{
    if (msg == WM_KEYDOWN && wparam == VK_TAB) {
        move_focus(hwnd, GetKeyState(VK_SHIFT) < 0);
        return 0;
    }
    if (msg == WM_KEYDOWN && wparam == VK_ESCAPE) {
        PostMessageA(g_review_wnd, WM_CLOSE, 0, 0);
        return 0;
    }
    if (msg == WM_KEYDOWN && wparam == VK_RETURN && (id == IDC_REVIEW_DEPTH || id == IDC_REVIEW_START)) {
        start_review();
        return 0;
    }
    if (msg == WM_KEYDOWN && wparam == VK_SPACE && id == IDC_REVIEW_CANCEL) {
        review_stop();
        return 0;
    }
    if (msg == WM_CHAR && (wparam == '\t' || wparam == '\r' || wparam == 0x1b))
        return 0;
    if (msg == WM_GETDLGCODE)
        return DLGC_WANTALLKEYS | DefSubclassProc(hwnd, msg, wparam, lparam);
    if (msg == WM_NCDESTROY)
        RemoveWindowSubclass(hwnd, key_proc, id);
    return DefSubclassProc(hwnd, msg, wparam, lparam);
}

HWND make_control(HWND parent, const char* cls, const char* text, DWORD style, DWORD ex_style, int id)
{
    HWND c = CreateWindowExA(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_hinst, nullptr);
    if (c != nullptr && (style & WS_TABSTOP) != 0)
        SetWindowSubclass(c, key_proc, id, 0);
    return c;
}

void create_controls(HWND hwnd)
{
    make_control(hwnd, "STATIC", "Depth:", SS_LEFT, 0, IDC_REVIEW_LABEL);
    make_control(hwnd, "EDIT", "", WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                 IDC_REVIEW_DEPTH);
    HWND spin = make_control(hwnd, UPDOWN_CLASSA, "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0,
                             IDC_REVIEW_SPIN);
    SendMessageA(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(item(IDC_REVIEW_DEPTH)), 0);
    SendMessageA(spin, UDM_SETRANGE32, 0, MAX_SEARCH_DEPTH);
    SendMessageA(spin, UDM_SETPOS32, 0, std::clamp(g_difficulty, 0, MAX_SEARCH_DEPTH));
    make_control(hwnd, "BUTTON", "&Review", WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_REVIEW_START);
    make_control(hwnd, PROGRESS_CLASSA, "", 0, 0, IDC_REVIEW_PROGRESS);
    make_control(hwnd, "BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_REVIEW_CANCEL);
    const HWND graph =
        make_control(hwnd, graph_class, "Evaluation graph", WS_TABSTOP, WS_EX_CLIENTEDGE, IDC_REVIEW_GRAPH);
    (void)graph; // Tab and Esc through key_proc; the arrows are the graph's own
    make_control(hwnd, "STATIC", "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0, IDC_REVIEW_MOVE);
    HWND list = make_control(hwnd, WC_LISTVIEWA, "Moves",
                             WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                             WS_EX_CLIENTEDGE, IDC_REVIEW_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const char* const titles[] = {"Move", "Played", "Loss", "Mark", "Best"};
    for (int column = 0; column < 5; ++column) {
        LVCOLUMNA c{};
        c.mask = LVCF_TEXT | LVCF_SUBITEM;
        c.pszText = const_cast<char*>(titles[column]);
        c.iSubItem = column;
        SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&c));
    }
    make_control(hwnd, "STATIC", "", SS_LEFT | SS_NOPREFIX, 0, IDC_REVIEW_SUMMARY);
}

void set_fonts()
{
    HFONT font = nullptr;
    LOGFONTA lf{};
    if (GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf) != 0) {
        lf.lfHeight = MulDiv(lf.lfHeight, g_dpi_here, window_dpi(nullptr));
        font = CreateFontIndirectA(&lf);
    }
    for (int id = IDC_REVIEW_DEPTH; id <= IDC_REVIEW_LABEL; ++id)
        SendMessageA(item(id), WM_SETFONT,
                     reinterpret_cast<WPARAM>(font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT)),
                     TRUE);
    if (g_font != nullptr)
        DeleteObject(g_font);
    g_font = font;
}

void layout(HWND hwnd)
{
    RECT c;
    GetClientRect(hwnd, &c);
    const int w = c.right, h = c.bottom, m = px(8), row = px(24);
    const auto place = [](HWND control, int x, int y, int cx, int cy) {
        SetWindowPos(control, nullptr, x, y, std::max(cx, 0), std::max(cy, 0), SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(item(IDC_REVIEW_LABEL), m, m + px(4), px(44), px(16));
    place(item(IDC_REVIEW_DEPTH), m + px(48), m, px(52), row);
    SendMessageA(item(IDC_REVIEW_SPIN), UDM_SETBUDDY, reinterpret_cast<WPARAM>(item(IDC_REVIEW_DEPTH)), 0);
    place(item(IDC_REVIEW_START), m + px(108), m, px(80), row);
    place(item(IDC_REVIEW_CANCEL), w - m - px(80), m, px(80), row);
    place(item(IDC_REVIEW_PROGRESS), m + px(196), m + px(4), w - 2 * m - px(284), px(16));
    const int top = m + row + m, summary = px(34), list = std::max(px(90), (h - top) * 2 / 5);
    const int graph = h - top - px(22) - list - summary - 2 * m;
    place(item(IDC_REVIEW_GRAPH), m, top, w - 2 * m, graph);
    place(item(IDC_REVIEW_MOVE), m, top + graph + px(4), w - 2 * m, px(18));
    place(item(IDC_REVIEW_LIST), m, top + graph + px(22), w - 2 * m, list);
    place(item(IDC_REVIEW_SUMMARY), m, h - summary - m / 2, w - 2 * m, summary);
    const int widths[] = {50, 110, 50, 90, 50};
    for (int column = 0; column < 5; ++column)
        SendMessageA(item(IDC_REVIEW_LIST), LVM_SETCOLUMNWIDTH, column, px(widths[column]));
}

LRESULT CALLBACK review_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_CREATE:
        g_review_wnd = hwnd;
        g_dpi_here = window_dpi(hwnd);
        create_controls(hwnd);
        set_fonts();
        layout(hwnd);
        return 0;
    case WM_SIZE:
        layout(hwnd);
        return 0;
    case WM_DPICHANGED: {
        g_dpi_here = usable_dpi(HIWORD(wparam));
        set_fonts();
        const RECT* r = reinterpret_cast<const RECT*>(lparam);
        SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        layout(hwnd);
        return 0;
    }
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = {px(min_width), px(min_height)};
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE && (GetFocus() == nullptr || GetParent(GetFocus()) != hwnd))
            SetFocus(item(IDC_REVIEW_GRAPH));
        return 0;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDC_REVIEW_START && HIWORD(wparam) == BN_CLICKED)
            start_review();
        else if (LOWORD(wparam) == IDC_REVIEW_CANCEL && HIWORD(wparam) == BN_CLICKED)
            review_stop();
        return 0;
    case WM_NOTIFY: {
        const auto* note = reinterpret_cast<const NMLISTVIEW*>(lparam);
        if (note->hdr.idFrom == IDC_REVIEW_LIST && note->hdr.code == LVN_ITEMCHANGED && !g_filling &&
            (note->uNewState & LVIS_SELECTED) != 0 && (note->uOldState & LVIS_SELECTED) == 0)
            choose(note->iItem);
        return 0;
    }
    case WM_CLOSE:
        review_close(); // the game's searches get the worker back
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        g_review_view = {};
        review_end(); // closed with the main window: nothing more is searched
        g_review_wnd = nullptr;
        if (g_font != nullptr)
            DeleteObject(g_font);
        g_font = nullptr;
        g_listed = 0;
        g_selected = g_hovered = -1;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

bool register_classes()
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(g_hinst, review_class, &wc))
        return true;
    wc = WNDCLASSEXA{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = review_proc;
    wc.hInstance = g_hinst;
    wc.hIcon = LoadIconA(g_hinst, MAKEINTRESOURCEA(IDI_WKIVARI));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = review_class;
    if (RegisterClassExA(&wc) == 0)
        return false;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = graph_proc;
    wc.hIcon = nullptr;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = graph_class;
    return RegisterClassExA(&wc) != 0;
}

} // namespace

HWND show_review(HWND owner)
{
    if (g_review_wnd == nullptr) {
        if (!register_classes())
            return nullptr;
        HWND hwnd = CreateWindowExA(0, review_class, "Review Game", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                    CW_USEDEFAULT, open_width, open_height, owner, nullptr, g_hinst, nullptr);
        if (hwnd == nullptr)
            return nullptr;
        // Only now is the window's DPI known; a small screen gives no more than its work area.
        fit_and_center(hwnd, px(open_width), px(open_height), owner);
        g_review_view = {refresh, [] {
                             if (g_review_wnd != nullptr)
                                 DestroyWindow(g_review_wnd);
                         }};
        ShowWindow(hwnd, SW_SHOWNORMAL);
    } else if (IsIconic(g_review_wnd)) {
        ShowWindow(g_review_wnd, SW_RESTORE);
    }
    SetForegroundWindow(g_review_wnd);
    start_review();
    return g_review_wnd;
}
