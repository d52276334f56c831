// The Help menu: our own help viewer on wkivari.hlp, and the home page opened in the user's browser.
#include "shell/help.h"

#include "board/board.h"
#include "resources/resource.h"
#include "shell/dialogs.h"
#include "shell/help_file.h"
#include "shell/shell.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

const char home_page_address[] = "https://wkivari.example.org/";

HWND g_help_wnd = nullptr;

// ---- the home page -------------------------------------------------------------

int browser_command(char* command, std::size_t size, const char* address)
{
    if (command == nullptr || address == nullptr || size == 0 || std::memchr(command, '\0', size) == nullptr)
        return -1;
    const std::size_t address_length = std::strlen(address);
    // Everything from the placeholder on goes, options behind it included; a
    // quoted one takes its opening quote along, so the address is not quoted.
    char* cut = std::strstr(command, "\"%1\"");
    if (cut == nullptr)
        cut = std::strstr(command, "%1");
    const std::size_t kept = cut != nullptr ? static_cast<std::size_t>(cut - command) : std::strlen(command);
    if (kept + 1 + address_length + 1 > size)
        return -1;
    command[kept] = ' ';
    std::memcpy(command + kept + 1, address, address_length + 1);
    return 0;
}

LONG reg_query_default(HKEY root, const char* subkey, char* out)
{
    HKEY key;
    LONG rc = RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    char value[260];
    LONG size = sizeof value;
    rc = RegQueryValueA(key, nullptr, value, &size);
    if (rc != ERROR_SUCCESS) {
        RegCloseKey(key);
        return rc;
    }
    // A value stored without its terminating zero still ends inside the buffer.
    value[sizeof value - 1] = '\0';
    std::memcpy(out, value, std::strlen(value) + 1);
    RegCloseKey(key);
    return 0;
}

INT_PTR open_url(const char* address, int show)
{
    const auto shell_result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", address, nullptr, nullptr, show));
    if (shell_result > 32)
        return shell_result;

    char command[url_command_size];
    if (reg_query_default(HKEY_CLASSES_ROOT, ".htm", command) != 0 &&
        reg_query_default(HKEY_CLASSES_ROOT, ".html", command) != 0)
        return shell_result;
    // The class name is at most 259 characters, so the key's name fits.
    std::strcat(command, "\\shell\\open\\command");
    if (reg_query_default(HKEY_CLASSES_ROOT, command, command) != 0)
        return shell_result;
    if (browser_command(command, sizeof command, address) != 0)
        return shell_result;
    return WinExec(command, show);
}

// ---- the help file -----------------------------------------------------------------

namespace {

// The file the viewer shows, or why it shows none.
std::string g_help_path;
help_file g_help;
std::string g_help_problem_title;
std::string g_help_problem;

// Text from the help file as the controls take it: UTF-8 when the file says
// so, else the ANSI code page as before.
std::wstring from_file(const std::string& s)
{
    const UINT code_page = g_help.utf8 ? CP_UTF8 : CP_ACP;
    const int n = MultiByteToWideChar(code_page, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    if (n > 0)
        MultiByteToWideChar(code_page, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string to_file(const std::wstring& w)
{
    const UINT code_page = g_help.utf8 ? CP_UTF8 : CP_ACP;
    const int n =
        WideCharToMultiByte(code_page, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(std::max(n, 0)), '\0');
    if (n > 0)
        WideCharToMultiByte(code_page, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                            nullptr);
    return s;
}

// Loads `path` into the viewer's globals; what went wrong goes to the
// problem texts instead.
void load_help(const char* path)
{
    g_help_path = path;
    g_help = {};
    g_help_problem_title.clear();
    g_help_problem.clear();

    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        g_help_problem_title = missing ? "The help file is missing" : "The help file cannot be read";
        g_help_problem = std::string(missing ? "There is no help file at\r\n\r\n"
                                             : "The help file could not be opened:\r\n\r\n") +
                         path + "\r\n\r\nwkivari.hlp belongs in the folder of wkivari.exe.";
        return;
    }
    std::string data;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != 0;
    if (ok && static_cast<unsigned long long>(size.QuadPart) > max_help_file_bytes) {
        CloseHandle(file);
        g_help_problem_title = "The help file is damaged";
        g_help_problem = std::string(path) + "\r\n\r\nis far larger than a help file can be.";
        return;
    }
    if (ok) {
        data.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        ok = data.empty() ||
             (ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) != 0);
        data.resize(ok ? got : 0);
    }
    CloseHandle(file);
    if (!ok) {
        g_help_problem_title = "The help file cannot be read";
        g_help_problem = "Reading the help file failed:\r\n\r\n" + std::string(path);
        return;
    }
    std::string why;
    if (!parse_help(data, g_help, why)) {
        g_help_problem_title = "The help file is damaged";
        g_help_problem = "The help file\r\n\r\n" + std::string(path) + "\r\n\r\ncannot be shown: " + why +
                         ".\r\n\r\nInstall wkivari.hlp again beside wkivari.exe.";
    }
}

// ---- the viewer window ---------------------------------------------------------------

constexpr char help_class[] = "wKivariHelp";
// Lengths at 96 DPI; the viewer draws them px(length) long.
constexpr int margin = 8;
constexpr int min_width = 560;
constexpr int min_height = 340;
constexpr int open_width = 780;
constexpr int open_height = 500;

// The DPI the viewer is laid out for, and its fonts made for it.
int g_help_dpi = 96;
HFONT g_text_font = nullptr;
HFONT g_title_font = nullptr;

int px(int length)
{
    return MulDiv(length, g_help_dpi, 96);
}

HWND item(int id)
{
    return GetDlgItem(g_help_wnd, id);
}

int current_page()
{
    return static_cast<int>(SendMessageA(item(IDC_HELP_TABS), TCM_GETCURSEL, 0, 0));
}

void show_topic(int topic)
{
    if (topic < 0 || topic >= static_cast<int>(g_help.topics.size()))
        return;
    SetWindowTextW(item(IDC_HELP_TITLE), from_file(g_help.topics[topic].title).c_str());
    SetWindowTextW(item(IDC_HELP_TEXT), from_file(g_help.topics[topic].text).c_str());
    SendMessageA(item(IDC_HELP_TOPICS), LB_SETCURSEL, topic, 0);
}

void fill_index()
{
    HWND list = item(IDC_HELP_INDEX);
    wchar_t typed_text[128] = L"";
    GetWindowTextW(item(IDC_HELP_KEYWORD), typed_text, 128);
    const std::string typed = to_file(typed_text);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const help_keyword& key : g_help.keys) {
        if (!keyword_matches(key.word, typed))
            continue;
        const std::wstring line = from_file(key.word + "\t" + g_help.topics[key.topic].title);
        const LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        if (at >= 0)
            SendMessageA(list, LB_SETITEMDATA, at, key.topic);
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void open_index_entry()
{
    HWND list = item(IDC_HELP_INDEX);
    const LRESULT at = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (at < 0)
        return;
    show_topic(static_cast<int>(SendMessageA(list, LB_GETITEMDATA, at, 0)));
}

void open_selected_topic()
{
    const LRESULT at = SendMessageA(item(IDC_HELP_TOPICS), LB_GETCURSEL, 0, 0);
    if (at >= 0)
        show_topic(static_cast<int>(at));
}

void switch_page(int page, bool focus)
{
    SendMessageA(item(IDC_HELP_TABS), TCM_SETCURSEL, page, 0);
    const int show_contents = page == help_contents_page ? SW_SHOW : SW_HIDE;
    const int show_index = page == help_index_page ? SW_SHOW : SW_HIDE;
    ShowWindow(item(IDC_HELP_TOPICS), show_contents);
    ShowWindow(item(IDC_HELP_KEY_LABEL), show_index);
    ShowWindow(item(IDC_HELP_KEYWORD), show_index);
    ShowWindow(item(IDC_HELP_INDEX), show_index);
    if (focus)
        SetFocus(item(page == help_contents_page ? IDC_HELP_TOPICS : IDC_HELP_KEYWORD));
}

// Fills the controls from what load_help found.
void show_file()
{
    HWND topics = item(IDC_HELP_TOPICS);
    SendMessageA(topics, LB_RESETCONTENT, 0, 0);
    for (const help_topic& topic : g_help.topics)
        SendMessageW(topics, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(from_file(topic.title).c_str()));
    SetWindowTextA(item(IDC_HELP_KEYWORD), "");
    fill_index();
    if (g_help.topics.empty()) {
        SetWindowTextA(item(IDC_HELP_TITLE), g_help_problem_title.c_str());
        SetWindowTextA(item(IDC_HELP_TEXT), g_help_problem.c_str());
    } else {
        show_topic(0);
    }
}

void layout(HWND hwnd)
{
    RECT client;
    GetClientRect(hwnd, &client);
    const int w = client.right, h = client.bottom;
    const int m = px(margin);
    const int left_w = std::clamp(w * 9 / 20, px(220), px(360));
    MoveWindow(item(IDC_HELP_TABS), m, m, left_w, h - 2 * m, TRUE);
    RECT page{m, m, m + left_w, h - m};
    SendMessageA(item(IDC_HELP_TABS), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
    InflateRect(&page, -px(4), -px(4));
    const int pw = page.right - page.left;
    MoveWindow(item(IDC_HELP_TOPICS), page.left, page.top, pw, page.bottom - page.top, TRUE);
    MoveWindow(item(IDC_HELP_KEY_LABEL), page.left, page.top + px(2), pw, px(16), TRUE);
    MoveWindow(item(IDC_HELP_KEYWORD), page.left, page.top + px(20), pw, px(22), TRUE);
    MoveWindow(item(IDC_HELP_INDEX), page.left, page.top + px(48), pw, page.bottom - page.top - px(48), TRUE);
    const int right = 2 * m + left_w;
    MoveWindow(item(IDC_HELP_TITLE), right + px(2), m + px(4), w - right - m - px(2), px(24), TRUE);
    MoveWindow(item(IDC_HELP_TEXT), right, m + px(32), w - right - m, h - 2 * m - px(32), TRUE);
}

// The tab order of what is shown now.
std::vector<HWND> tab_stops()
{
    std::vector<HWND> stops;
    for (int id : {IDC_HELP_TABS, IDC_HELP_TOPICS, IDC_HELP_KEYWORD, IDC_HELP_INDEX, IDC_HELP_TEXT}) {
        HWND c = item(id);
        if (c != nullptr && IsWindowVisible(c) && IsWindowEnabled(c))
            stops.push_back(c);
    }
    return stops;
}

void move_focus(HWND from, bool back)
{
    const std::vector<HWND> stops = tab_stops();
    if (stops.empty())
        return;
    auto at = std::find(stops.begin(), stops.end(), from);
    std::size_t i = at == stops.end() ? 0 : static_cast<std::size_t>(at - stops.begin());
    i = back ? (i + stops.size() - 1) % stops.size() : (i + 1) % stops.size();
    SetFocus(stops[i]);
    if (stops[i] == item(IDC_HELP_KEYWORD))
        SendMessageA(stops[i], EM_SETSEL, 0, -1);
}

// The viewer is a plain window, and whatever message loop runs (the
// program's, a dialog's) does no dialog keyboard handling for it, so each
// control handles Tab, Enter and Esc itself.
LRESULT CALLBACK key_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR)
{
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DefSubclassProc(hwnd, msg, wparam, lparam);
    case WM_KEYDOWN:
        switch (wparam) {
        case VK_TAB:
            if (GetKeyState(VK_CONTROL) < 0)
                switch_page(current_page() == help_contents_page ? help_index_page : help_contents_page,
                            true);
            else
                move_focus(hwnd, GetKeyState(VK_SHIFT) < 0);
            return 0;
        case VK_ESCAPE:
            PostMessageA(g_help_wnd, WM_CLOSE, 0, 0);
            return 0;
        case VK_RETURN:
            if (id == IDC_HELP_TOPICS)
                open_selected_topic();
            else if (id == IDC_HELP_KEYWORD || id == IDC_HELP_INDEX)
                open_index_entry();
            return 0;
        case VK_UP:
        case VK_DOWN:
        case VK_PRIOR:
        case VK_NEXT:
            // From the keyword field the arrows walk the list below it.
            if (id == IDC_HELP_KEYWORD)
                return SendMessageA(item(IDC_HELP_INDEX), msg, wparam, lparam);
            break;
        }
        break;
    case WM_CHAR:
        // Their key-down did the work; the controls would only beep.
        if (wparam == '\t' || wparam == '\r' || wparam == 0x1b)
            return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, key_proc, id);
        break;
    }
    return DefSubclassProc(hwnd, msg, wparam, lparam);
}

HWND make_control(HWND parent, const char* cls, const char* text, DWORD style, DWORD ex_style, int id)
{
    HWND c = CreateWindowExA(ex_style, cls, text, WS_CHILD | style, 0, 0, 10, 10, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_hinst, nullptr);
    if (c == nullptr)
        return nullptr;
    SetWindowSubclass(c, key_proc, id, 0);
    return c;
}

void create_controls(HWND hwnd)
{
    HWND tabs =
        make_control(hwnd, WC_TABCONTROLA, "", WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, IDC_HELP_TABS);
    TCITEMA tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<char*>("Contents");
    SendMessageA(tabs, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tab));
    tab.pszText = const_cast<char*>("Index");
    SendMessageA(tabs, TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&tab));

    make_control(hwnd, "LISTBOX", "", WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                 WS_EX_CLIENTEDGE, IDC_HELP_TOPICS);
    make_control(hwnd, "STATIC", "Type the first letters of a keyword:", SS_LEFT, 0, IDC_HELP_KEY_LABEL);
    make_control(hwnd, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, IDC_HELP_KEYWORD);
    make_control(hwnd, "LISTBOX", "",
                 WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS,
                 WS_EX_CLIENTEDGE, IDC_HELP_INDEX);
    HWND title = make_control(hwnd, "STATIC", "", WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0,
                              IDC_HELP_TITLE);
    make_control(hwnd, "EDIT", "",
                 WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                 WS_EX_CLIENTEDGE, IDC_HELP_TEXT);
    // The labels are no tab stops; they keep no key handling either.
    RemoveWindowSubclass(item(IDC_HELP_KEY_LABEL), key_proc, IDC_HELP_KEY_LABEL);
    RemoveWindowSubclass(title, key_proc, IDC_HELP_TITLE);
}

void delete_fonts()
{
    for (HFONT* font : {&g_text_font, &g_title_font}) {
        if (*font != nullptr)
            DeleteObject(*font);
        *font = nullptr;
    }
}

// Gives the controls fonts for g_help_dpi: the system's GUI font, made for
// the system's DPI, scaled, and for the heading the same bold and half as
// tall again (the stock font where making one fails). The fonts they had go
// after. The index's topic column follows: the list box measures it in the
// font's average width.
void set_fonts(bool redraw)
{
    HFONT text = nullptr, title = nullptr;
    LOGFONTA font{};
    if (GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font) != 0) {
        font.lfHeight = MulDiv(font.lfHeight, g_help_dpi, window_dpi(nullptr));
        text = CreateFontIndirectA(&font);
        font.lfHeight = font.lfHeight < 0 ? font.lfHeight * 3 / 2 : -px(16);
        font.lfWeight = FW_BOLD;
        title = CreateFontIndirectA(&font);
    }
    HGDIOBJ text_shown = text != nullptr ? text : GetStockObject(DEFAULT_GUI_FONT);
    HGDIOBJ title_shown = title != nullptr ? title : text_shown;
    for (int id = IDC_HELP_TABS; id <= IDC_HELP_TEXT; ++id)
        SendMessageA(item(id), WM_SETFONT,
                     reinterpret_cast<WPARAM>(id == IDC_HELP_TITLE ? title_shown : text_shown), redraw);
    int tab_stop = 92; // dialog units
    SendMessageA(item(IDC_HELP_INDEX), LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tab_stop));
    delete_fonts();
    g_text_font = text;
    g_title_font = title;
}

// The viewer came to a monitor of another DPI: new fonts, the place and
// size Windows suggests, and the controls laid out again.
void on_dpi_changed(HWND hwnd, int dpi, const RECT* suggested)
{
    g_help_dpi = usable_dpi(dpi);
    set_fonts(true);
    if (suggested != nullptr)
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    layout(hwnd);
}

LRESULT CALLBACK help_wnd_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_CREATE:
        g_help_wnd = hwnd;
        g_help_dpi = window_dpi(hwnd);
        create_controls(hwnd);
        set_fonts(false);
        layout(hwnd);
        return 0;
    case WM_DPICHANGED:
        on_dpi_changed(hwnd, HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
        return 0;
    case WM_SIZE:
        layout(hwnd);
        return 0;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = {px(min_width), px(min_height)};
        return 0;
    case WM_ACTIVATE:
        // Back to the control that had the focus, or the page's first one.
        if (LOWORD(wparam) != WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus == nullptr || GetParent(focus) != hwnd)
                switch_page(current_page(), true);
        }
        return 0;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lparam)->idFrom == IDC_HELP_TABS &&
            reinterpret_cast<NMHDR*>(lparam)->code == TCN_SELCHANGE)
            switch_page(current_page(), false);
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_HELP_TOPICS:
            if (HIWORD(wparam) == LBN_SELCHANGE || HIWORD(wparam) == LBN_DBLCLK)
                open_selected_topic();
            break;
        case IDC_HELP_INDEX:
            if (HIWORD(wparam) == LBN_DBLCLK)
                open_index_entry();
            break;
        case IDC_HELP_KEYWORD:
            if (HIWORD(wparam) == EN_CHANGE)
                fill_index();
            break;
        }
        return 0;
    case WM_CTLCOLORSTATIC:
        // The topic text reads as a page, not as a greyed-out field.
        if (reinterpret_cast<HWND>(lparam) == item(IDC_HELP_TEXT)) {
            SetBkColor(reinterpret_cast<HDC>(wparam), GetSysColor(COLOR_WINDOW));
            SetTextColor(reinterpret_cast<HDC>(wparam), GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        break;
    case WM_DESTROY:
        g_help_wnd = nullptr;
        delete_fonts();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

bool register_help_class()
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(g_hinst, help_class, &wc))
        return true;
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = help_wnd_proc;
    wc.hInstance = g_hinst;
    wc.hIcon = LoadIconA(g_hinst, MAKEINTRESOURCEA(IDI_WKIVARI));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = help_class;
    return RegisterClassExA(&wc) != 0;
}

} // namespace

std::string help_file_path()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return "wkivari.hlp";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768)
            return "wkivari.hlp";
        path.resize(path.size() * 2);
    }
    const auto slash = path.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "wkivari.hlp";
}

HWND show_help(HWND owner, const char* path, int page)
{
    if (path == nullptr)
        return nullptr;
    if (page != help_index_page)
        page = help_contents_page;
    if (g_hinst == nullptr)
        g_hinst = GetModuleHandleA(nullptr);
    if (g_help_wnd == nullptr) {
        if (!register_help_class())
            return nullptr;
        HWND hwnd = CreateWindowExA(0, help_class, "wKivari Help", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                    CW_USEDEFAULT, open_width, open_height, owner, nullptr, g_hinst, nullptr);
        if (hwnd == nullptr)
            return nullptr;
        // Only now is the window's DPI known. A large scale on a small
        // screen gets no more than the screen's work area.
        fit_and_center(hwnd, px(open_width), px(open_height), owner);
        load_help(path);
        show_file();
        switch_page(page, false);
        ShowWindow(hwnd, SW_SHOWNORMAL);
    } else {
        if (g_help_path != path) {
            load_help(path);
            show_file();
        }
        if (IsIconic(g_help_wnd))
            ShowWindow(g_help_wnd, SW_RESTORE);
    }
    if (page == help_index_page)
        SetWindowTextA(item(IDC_HELP_KEYWORD), ""); // the search starts with an empty keyword
    switch_page(page, false);
    SetForegroundWindow(g_help_wnd);
    SetActiveWindow(g_help_wnd);
    switch_page(page, true);
    return g_help_wnd;
}

LRESULT help_command(HWND hwnd, int command)
{
    switch (command) {
    case IDM_HELP_CONTENTS:
        show_help(hwnd, help_file_path().c_str(), help_contents_page);
        break;
    case IDM_HELP_SEARCH:
        show_help(hwnd, help_file_path().c_str(), help_index_page);
        break;
    }
    return 0;
}
