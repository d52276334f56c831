// Tests of the help viewer on the real main window: contents, index, a missing or damaged file, a UTF-8 file.
#include "shell/help.h"
#include "shell/help_file.h"

#include "resources/resource.h"
#include "tests/win32/harness.h"

#include <gtest/gtest.h>

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
