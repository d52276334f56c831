// Tests of the help viewer on the real main window: contents, index, a missing or damaged file, a UTF-8 file.
#include "shell/help.h"
#include "shell/help_file.h"

#include "resources/resource.h"
#include "tests/win32/harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>

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

// The height of control `c`'s font, and the width of `text` in it.
SIZE text_size(HWND c, const std::wstring& text = L"")
{
    HDC dc = GetDC(c);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(c, WM_GETFONT, 0, 0)));
    TEXTMETRICA tm{};
    SIZE size{};
    GetTextMetricsA(dc, &tm);
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old), ReleaseDC(c, dc);
    return {size.cx, tm.tmHeight};
}

// The viewer's inside, its heading's text height and the topics it shows at once. Meanwhile every control
// must lie inside, the one-line ones as tall as their text and the list as wide as each topic's name.
std::array<int, 4> measure(int dpi)
{
    RECT client, r;
    GetClientRect(g_help_wnd, &client);
    for (int id = IDC_HELP_TABS; id <= IDC_HELP_TEXT; ++id) {
        HWND c = GetDlgItem(g_help_wnd, id);
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, g_help_wnd, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
            << id << " at " << dpi;
        GetClientRect(c, &r);
        const bool one_line = id == IDC_HELP_KEY_LABEL || id == IDC_HELP_KEYWORD || id == IDC_HELP_TITLE;
        EXPECT_TRUE(!one_line || r.bottom >= text_size(c).cy) << id << " at " << dpi;
    }
    HWND list = GetDlgItem(g_help_wnd, IDC_HELP_TOPICS);
    const int item = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    GetClientRect(list, &r);
    for (int i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
        std::wstring topic(SendMessageW(list, LB_GETTEXTLEN, i, 0) + 1, L'\0');
        topic.resize(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(topic.data())));
        const SIZE size = text_size(list, topic);
        EXPECT_TRUE(item >= size.cy && size.cx < r.right) << "topic " << i << " at " << dpi;
    }
    return {client.right, client.bottom, text_size(GetDlgItem(g_help_wnd, IDC_HELP_TITLE)).cy,
            r.bottom / std::max(item, 1)};
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
// the size Windows suggests. At each DPI its texts fit; at 192 its inside and heading are about twice as
// large, with as many topics shown.
TEST_F(Viewer, FitsItsTextsAtTheDisplaysDpiAndAfterAMoveToAnother)
{
    const char* const wanted = std::getenv("WKIVARI_TEST_DPI");
    const int dpi = wanted != nullptr ? std::atoi(wanted) : 96, other = dpi == 96 ? 192 : 96;
    ASSERT_NE(command(IDM_HELP_CONTENTS), nullptr);
    RECT place, work;
    GetWindowRect(g_help_wnd, &place);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(place.right - place.left, std::min<LONG>(MulDiv(780, dpi, 96), work.right - work.left));
    EXPECT_EQ(place.bottom - place.top, std::min<LONG>(MulDiv(500, dpi, 96), work.bottom - work.top));
    measure(dpi);
    if (other > dpi) // smaller, so that twice the size fits the screen
        SetWindowPos(g_help_wnd, nullptr, 0, 0, 620, 480, SWP_NOMOVE | SWP_NOZORDER);
    const std::array<int, 4> before = measure(dpi);
    GetWindowRect(g_help_wnd, &place);
    place.right = place.left + MulDiv(place.right - place.left, other, dpi);
    place.bottom = place.top + MulDiv(place.bottom - place.top, other, dpi);
    SendMessageA(g_help_wnd, WM_DPICHANGED, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&place));
    const std::array<int, 4> moved = measure(other), &big = other > dpi ? moved : before,
                             &small = other > dpi ? before : moved;
    for (int k = 0; k < 3; ++k) // the inside's width and height, the heading: twice, give or take a tenth
        EXPECT_LE(std::abs(big[k] - 2 * small[k]), big[k] / 10)
            << k << ": " << big[k] << " against " << small[k];
    EXPECT_GE(big[3], small[3]) << "topics shown";
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
