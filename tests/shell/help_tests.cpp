// Tests of the help viewer on the real main window: contents, index, a missing or damaged file, a UTF-8 file.
#include "shell/help.h"
#include "shell/help_file.h"

#include "resources/resource.h"
#include "tests/win32/harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>

const ULONGLONG wait_limit_ms = 20000;

namespace {

// The main window, and the help file beside the program as the reader reads it.
class Viewer : public MainWindow {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindow::SetUp());
        ASSERT_NO_FATAL_FAILURE(open());
        std::string problem;
        ASSERT_TRUE(parse_help(read_file(help_file_path()), file_, problem)) << problem;
    }
    HWND command(int id) { return SendMessageA(hwnd_, WM_COMMAND, id, 0) == 0 ? g_help_wnd : nullptr; }
    HWND item(int id) { return GetDlgItem(g_help_wnd, id); }
    std::string shown(int id) { return window_text(item(id)); }
    void key(int id, WPARAM key) { SendMessageA(item(id), WM_KEYDOWN, key, 1); }
    help_file file_;
};

// What a user sees of the viewer at one DPI.
struct view {
    SIZE client{};
    bool inside = true;   // every control lies in the client area
    bool fits = true;     // the one-line controls are as tall as their text, the list as wide as each topic
    int title_height = 0; // the heading's text
    int rows = 0;         // topics the list shows at once
};

int text_height(HWND c, const wchar_t* text = L"", int* width = nullptr)
{
    HDC dc = GetDC(c);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(c, WM_GETFONT, 0, 0)));
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SIZE size{};
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
    SelectObject(dc, old);
    ReleaseDC(c, dc);
    if (width != nullptr)
        *width = size.cx;
    return tm.tmHeight;
}

view measure(HWND viewer)
{
    view v;
    RECT client, r;
    GetClientRect(viewer, &client);
    v.client = {client.right, client.bottom};
    for (int id = IDC_HELP_TABS; id <= IDC_HELP_TEXT; ++id) {
        HWND c = GetDlgItem(viewer, id);
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, viewer, reinterpret_cast<POINT*>(&r), 2);
        v.inside =
            v.inside && r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom;
        GetClientRect(c, &r);
        if (id == IDC_HELP_KEY_LABEL || id == IDC_HELP_KEYWORD || id == IDC_HELP_TITLE)
            v.fits = v.fits && r.bottom >= text_height(c);
    }
    HWND list = GetDlgItem(viewer, IDC_HELP_TOPICS);
    const int item_height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    GetClientRect(list, &r);
    v.rows = r.bottom / std::max(item_height, 1);
    for (int i = 0, n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)); i < n; ++i) {
        std::wstring topic(SendMessageW(list, LB_GETTEXTLEN, i, 0) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(topic.data()));
        int width = 0;
        v.fits = v.fits && item_height >= text_height(list, topic.c_str(), &width) && width < r.right;
    }
    v.title_height = text_height(GetDlgItem(viewer, IDC_HELP_TITLE));
    return v;
}

// True when `big` is twice `small` give or take a tenth.
bool twice(int big, int small)
{
    return std::abs(big - 2 * small) <= big / 10;
}

TEST(BrowserCommand, IsCutAtThePlaceholderAndRefusedWhenItWouldNotFit)
{
    char line[url_command_size] = "\"b.exe\" -n \"%1\" -x";
    EXPECT_TRUE(browser_command(line, sizeof line, "u") == 0 && line == std::string("\"b.exe\" -n  u"));
    std::string(url_command_size / 2 - 1, 'c').copy(line, url_command_size);
    EXPECT_EQ(browser_command(line, sizeof line, std::string(url_command_size / 2, 'a').c_str()), -1);
}

TEST_F(Viewer, ContentsListsEveryTopicAndTheArrowKeysOpenEachWithItsText)
{
    ASSERT_NE(command(IDM_HELP_CONTENTS), nullptr);
    for (const help_topic& topic : file_.topics) {
        EXPECT_EQ(shown(IDC_HELP_TITLE) + "|" + shown(IDC_HELP_TEXT), topic.title + "|" + topic.text);
        key(IDC_HELP_TOPICS, VK_DOWN);
    }
}

TEST_F(Viewer, SearchListsTheKeywordsTheTypedLettersFindAndEnterOpensTheFirstOnesTopic)
{
    ASSERT_NE(command(IDM_HELP_SEARCH), nullptr);
    for (const char* typed : {"", "c", " CAP", "captures", "capturesz"}) {
        SetWindowTextA(item(IDC_HELP_KEYWORD), typed);
        std::vector<std::string> found;
        for (const help_keyword& k : file_.keys)
            if (keyword_matches(k.word, typed))
                found.push_back(k.word + "\t" + file_.topics[k.topic].title);
        EXPECT_EQ(list_lines(item(IDC_HELP_INDEX)), found) << typed;
        const auto opens = found.empty() ? shown(IDC_HELP_TITLE) : found[0].substr(found[0].find('\t') + 1);
        key(IDC_HELP_KEYWORD, VK_RETURN);
        EXPECT_EQ(shown(IDC_HELP_TITLE), opens);
    }
}

// The viewer opens at the display's DPI (WKIVARI_TEST_DPI in a run that sets Wine's), its 96-DPI size
// scaled within the screen, and goes to a monitor of 192 DPI (of 96 from 192) as Windows moves it, taking
// the size Windows suggests. At each DPI the heading, the field and every topic's name show whole inside
// the window; at 192 the window's inside and its fonts are about twice as large, with as many topics shown.
TEST_F(Viewer, FitsItsTextsAtTheDisplaysDpiAndAfterAMoveToAnother)
{
    const char* const wanted = std::getenv("WKIVARI_TEST_DPI");
    const int dpi = wanted != nullptr ? std::atoi(wanted) : 96, other = dpi == 96 ? 192 : 96;
    ASSERT_NE(command(IDM_HELP_CONTENTS), nullptr);
    const view opened = measure(g_help_wnd);
    RECT place, work;
    GetWindowRect(g_help_wnd, &place);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(place.right - place.left,
              std::min(MulDiv(780, dpi, 96), static_cast<int>(work.right - work.left)));
    EXPECT_EQ(place.bottom - place.top,
              std::min(MulDiv(500, dpi, 96), static_cast<int>(work.bottom - work.top)));
    if (other > dpi) // smaller, so that twice the size fits the screen
        SetWindowPos(g_help_wnd, nullptr, 0, 0, 620, 480, SWP_NOMOVE | SWP_NOZORDER);
    const view before = measure(g_help_wnd);
    GetWindowRect(g_help_wnd, &place);
    place.right = place.left + MulDiv(place.right - place.left, other, dpi);
    place.bottom = place.top + MulDiv(place.bottom - place.top, other, dpi);
    SendMessageA(g_help_wnd, WM_DPICHANGED, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&place));
    const view moved = measure(g_help_wnd);
    const view& big = other > dpi ? moved : before;
    const view& small = other > dpi ? before : moved;
    for (const view* v : {&opened, &before, &moved})
        EXPECT_TRUE(v->inside && v->fits) << (v == &moved ? other : dpi);
    EXPECT_TRUE(twice(big.client.cx, small.client.cx) && twice(big.client.cy, small.client.cy))
        << big.client.cx << "x" << big.client.cy << " against " << small.client.cx << "x" << small.client.cy;
    EXPECT_TRUE(twice(big.title_height, small.title_height))
        << big.title_height << ", " << small.title_height;
    EXPECT_GE(big.rows, small.rows);
}

TEST_F(Viewer, AMissingOrDamagedFileIsSaidWithNothingToOpenAndTheViewerGoesWithTheMainWindow)
{
    write_file(dir_ + "\\bad.hlp", "@topic A\n");
    for (const auto& [name, said] : {std::pair{"absent.hlp", "absent.hlp"}, {"bad.hlp", "line 2"}}) {
        ASSERT_NE(show_help(hwnd_, (dir_ + "\\" + name).c_str(), help_index_page), nullptr);
        SetWindowTextA(item(IDC_HELP_KEYWORD), "a");
        key(IDC_HELP_KEYWORD, VK_RETURN);
        EXPECT_NE(shown(IDC_HELP_TEXT).find(said), std::string::npos) << name;
        EXPECT_TRUE(list_lines(item(IDC_HELP_TOPICS)).empty() && list_lines(item(IDC_HELP_INDEX)).empty());
    }
    close_main_window();
    EXPECT_EQ(g_help_wnd, nullptr);
}

TEST_F(Viewer, AUtf8FileWithAByteOrderMarkShowsItsLettersAndFindsThemTyped)
{
    write_file(dir_ + "\\u.hlp",
               "\xEF\xBB\xBF@topic Caf\xC3\xA9\n@keywords \xC3\xA9t\xC3\xA9, other\nNa\xC3\xAFve.\n");
    ASSERT_NE(show_help(hwnd_, (dir_ + "\\u.hlp").c_str(), help_index_page), nullptr);
    wchar_t title[16] = L"";
    GetWindowTextW(item(IDC_HELP_TITLE), title, 16);
    EXPECT_EQ(std::wstring(title), L"Caf\u00e9");
    SendMessageW(item(IDC_HELP_KEYWORD), WM_CHAR, L'\u00e9', 1);
    EXPECT_EQ(SendMessageA(item(IDC_HELP_INDEX), LB_GETCOUNT, 0, 0), 1);
}

} // namespace
