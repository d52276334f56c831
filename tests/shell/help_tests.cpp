// Tests of the Help menu: the browser command line, the registry fallback of the home page, and the help
// viewer on the real main window.
#include "shell/help.h"
#include "shell/shell.h"

#include "board/board.h"
#include "engine/engine.h"
#include "game/controller.h"
#include "resources/resource.h"
#include "tests/win32/harness.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

// Waits on Wine and on the programs the shell starts.
const ULONGLONG wait_limit_ms = 20000;

namespace {

std::string exe_dir()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

// ---- the browser's command line ---------------------------------------------------

std::string command_for(const std::string& registered, const std::string& address, int* result = nullptr)
{
    char buffer[url_command_size] = "";
    registered.copy(buffer, sizeof buffer - 1);
    const int rc = browser_command(buffer, sizeof buffer, address.c_str());
    if (result != nullptr)
        *result = rc;
    return buffer;
}

TEST(BrowserCommand, AQuotedPlaceholderGoesWithItsQuoteAndEverythingAfterIt)
{
    EXPECT_EQ(command_for(R"("C:\Web\browser.exe" -new "%1" --private)", "https://a.example/"),
              R"("C:\Web\browser.exe" -new  https://a.example/)");
}

TEST(BrowserCommand, ABarePlaceholderIsCutThere)
{
    EXPECT_EQ(command_for(R"(C:\Web\browser.exe %1 -nohome)", "https://a.example/"),
              R"(C:\Web\browser.exe  https://a.example/)");
    EXPECT_EQ(command_for(R"(C:\Web\browser.exe -url=%1)", "https://a.example/"),
              R"(C:\Web\browser.exe -url= https://a.example/)");
}

TEST(BrowserCommand, WithoutAPlaceholderTheAddressFollowsTheWholeCommand)
{
    EXPECT_EQ(command_for(R"("C:\Web\browser.exe" -new)", "https://a.example/"),
              R"("C:\Web\browser.exe" -new https://a.example/)");
    EXPECT_EQ(command_for("", "https://a.example/"), " https://a.example/");
}

TEST(BrowserCommand, TheQuotedPlaceholderIsLookedForFirst)
{
    EXPECT_EQ(command_for(R"(browser.exe %1x "%1")", "u"), R"(browser.exe %1x  u)");
}

TEST(BrowserCommand, An259CharacterAddressFitsBehindTheLongestRegisteredCommand)
{
    const std::string registered(259, 'c');
    const std::string address = "https://" + std::string(259 - 8, 'a');
    int rc = -9;
    const std::string line = command_for(registered, address, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(line, registered + " " + address);
    EXPECT_EQ(line.size(), url_command_size - 1);
}

TEST(BrowserCommand, ACommandLineThatWouldNotFitIsRefusedUnchanged)
{
    const std::string registered(259, 'c');
    int rc = 0;
    EXPECT_EQ(command_for(registered, std::string(260, 'a'), &rc), registered);
    EXPECT_EQ(rc, -1);
    char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(browser_command(unterminated, sizeof unterminated, "u"), -1);
    EXPECT_EQ(browser_command(nullptr, 10, "u"), -1);
}

// ---- the registry and the fallback to the registered browser ------------------------

// Keys under HKEY_CLASSES_ROOT that a test makes in this Wine prefix and removes again;
// what the recorder writes goes into the test's directory.
class Registry : public InTempDir {
protected:
    void SetUp() override
    {
        for (const char* ext : {".htm", ".html"}) {
            HKEY key;
            if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ext, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
                RegCloseKey(key);
                GTEST_SKIP() << ext << " is registered on this machine already; these tests need it free";
            }
        }
        ASSERT_NO_FATAL_FAILURE(InTempDir::SetUp());
        recorder_ = exe_dir() + "record_command.exe";
        ASSERT_TRUE(file_exists(recorder_)) << recorder_;
    }

    void TearDown() override
    {
        for (const std::string& key : made_)
            RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
        InTempDir::TearDown();
    }

    void set_default(const std::string& subkey, const std::string& value)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, subkey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS)
            << subkey;
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
        made_.push_back(subkey.substr(0, subkey.find('\\')));
    }

    // A browser class whose command records its command line in `name`.
    std::string browser_class(const std::string& cls, const std::string& name)
    {
        const std::string out = dir_ + "\\" + name;
        set_default(cls + "\\shell\\open\\command", "\"" + recorder_ + "\" \"" + out + "\" \"%1\" --ignored");
        return out;
    }

    // The command line the recorder got, once it has run.
    std::string recorded(const std::string& out)
    {
        EXPECT_TRUE(pump_until([&] { return file_exists(out); })) << "nothing was started";
        return read_file(out);
    }

    std::string recorder_;
    std::vector<std::string> made_;
};

// An address no shell can open, so the fallback is taken.
constexpr char unopenable[] = "wkivari-nowhere:home";

TEST_F(Registry, ReadsAKeysDefaultValue)
{
    set_default("wKivariTest.value", "the value");
    char out[url_command_size] = "untouched";
    EXPECT_EQ(reg_query_default(HKEY_CLASSES_ROOT, "wKivariTest.value", out), 0);
    EXPECT_STREQ(out, "the value");
}

TEST_F(Registry, AMissingKeyOrAnOverlongValueLeavesTheOutputUntouched)
{
    char out[url_command_size] = "untouched";
    EXPECT_NE(reg_query_default(HKEY_CLASSES_ROOT, "wKivariTest.none", out), 0);
    EXPECT_STREQ(out, "untouched");
    set_default("wKivariTest.long", std::string(300, 'v'));
    EXPECT_NE(reg_query_default(HKEY_CLASSES_ROOT, "wKivariTest.long", out), 0);
    EXPECT_STREQ(out, "untouched");
}

TEST_F(Registry, WhenTheShellFailsTheHtmBrowserGetsTheAddress)
{
    set_default(".htm", "wKivariTest.htm");
    const std::string out = browser_class("wKivariTest.htm", "htm.txt");
    EXPECT_GT(open_url(unopenable, SW_HIDE), 32);
    // Cut at the quoted placeholder: the space before it stays, so two spaces.
    EXPECT_EQ(recorded(out), "\"" + recorder_ + "\" \"" + out + "\"  " + unopenable);
}

TEST_F(Registry, HtmlIsReadOnlyWhenHtmCannotBe)
{
    const std::string htm = browser_class("wKivariTest.htm", "htm.txt");
    const std::string html = browser_class("wKivariTest.html", "html.txt");
    set_default(".html", "wKivariTest.html");

    // No .htm at all.
    EXPECT_GT(open_url(unopenable, SW_HIDE), 32);
    EXPECT_NE(recorded(html).find(unopenable), std::string::npos);
    DeleteFileA(html.c_str());

    // A .htm whose value does not fit the 260-byte buffer cannot be read either.
    set_default(".htm", std::string(300, 'x'));
    EXPECT_GT(open_url(unopenable, SW_HIDE), 32);
    EXPECT_NE(recorded(html).find(unopenable), std::string::npos);
    DeleteFileA(html.c_str());

    // A readable .htm wins, and .html is not used.
    set_default(".htm", "wKivariTest.htm");
    EXPECT_GT(open_url(unopenable, SW_HIDE), 32);
    EXPECT_NE(recorded(htm).find(unopenable), std::string::npos);
    EXPECT_FALSE(file_exists(html));
}

TEST_F(Registry, WithoutABrowserCommandTheShellsFailureIsReturned)
{
    const INT_PTR nothing_registered = open_url(unopenable, SW_HIDE);
    EXPECT_LE(nothing_registered, 32);
    EXPECT_GE(nothing_registered, 0);

    // A class without a command: the same.
    set_default(".htm", "wKivariTest.nocommand");
    set_default("wKivariTest.nocommand", "a class with no command");
    EXPECT_EQ(open_url(unopenable, SW_HIDE), nothing_registered);
}

TEST_F(Registry, WhenTheShellOpensTheAddressNothingElseIsStarted)
{
    // A protocol of our own that the shell opens with the recorder.
    set_default("wkivari-test", "URL:wKivari test");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "wkivari-test", 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    RegSetValueExA(key, "URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    RegCloseKey(key);
    const std::string by_shell = browser_class("wkivari-test", "shell.txt");
    set_default(".htm", "wKivariTest.htm");
    const std::string fallback = browser_class("wKivariTest.htm", "htm.txt");

    EXPECT_GT(open_url("wkivari-test:home", SW_HIDE), 32);
    EXPECT_NE(recorded(by_shell).find("wkivari-test:home"), std::string::npos);
    EXPECT_FALSE(file_exists(fallback));
}

// ---- the help viewer on the real main window ----------------------------------------

// What a reader of the file finds in it: the topic titles and how many keywords.
struct file_outline {
    std::vector<std::string> titles;
    int keywords = 0;
};

file_outline outline_of(const std::string& data)
{
    file_outline outline;
    std::istringstream in(data);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("@topic ", 0) == 0) {
            outline.titles.push_back(line.substr(7));
        } else if (line.rfind("@keywords ", 0) == 0) {
            std::istringstream words(line.substr(10));
            std::string word;
            while (std::getline(words, word, ','))
                if (word.find_first_not_of(' ') != std::string::npos)
                    ++outline.keywords;
        }
    }
    return outline;
}

void press(HWND control, WPARAM key)
{
    SendMessageA(control, WM_KEYDOWN, key, 1);
    SendMessageA(control, WM_KEYUP, key, 0xC0000001);
}

void type(HWND control, const std::string& text)
{
    for (char c : text)
        SendMessageA(control, WM_CHAR, static_cast<unsigned char>(c), 1);
}

HWND viewer_item(int id)
{
    return GetDlgItem(g_help_wnd, id);
}

int viewer_page()
{
    return static_cast<int>(SendMessageA(viewer_item(IDC_HELP_TABS), TCM_GETCURSEL, 0, 0));
}

// The main window, and the real help file to compare with. The working
// directory is not the program's: the viewer finds its file beside the exe
// all the same.
class Viewer : public MainWindow {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindow::SetUp());
        ASSERT_NO_FATAL_FAILURE(open());
        help_file_ = read_file(exe_dir() + "wkivari.hlp");
        ASSERT_FALSE(help_file_.empty()) << "wkivari.hlp is not beside the test program";
    }

    void TearDown() override
    {
        close_main_window();
        // The viewer is owned by the main window and goes with it.
        EXPECT_EQ(g_help_wnd, nullptr);
        MainWindow::TearDown();
    }

    HWND command(int id)
    {
        SendMessageA(hwnd_, WM_COMMAND, id, 0);
        pump_pending();
        return g_help_wnd;
    }

    // Shows the file `data` in the viewer, through the same call the menu makes.
    void show_file(const std::string& name, const std::string& data)
    {
        const std::string path = dir_ + "\\" + name;
        write_file(path, data);
        ASSERT_NE(show_help(hwnd_, path.c_str(), help_contents_page), nullptr);
        pump_pending();
    }

    std::string help_file_;
};

TEST_F(Viewer, ContentsOpensAWindowOwnedByTheMainWindowAtTheTopics)
{
    HWND viewer = command(IDM_HELP_CONTENTS);
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(IsWindowVisible(viewer));
    EXPECT_EQ(GetWindow(viewer, GW_OWNER), hwnd_);
    EXPECT_EQ(viewer_page(), help_contents_page);
    EXPECT_TRUE(IsWindowVisible(viewer_item(IDC_HELP_TOPICS)));
    EXPECT_FALSE(IsWindowVisible(viewer_item(IDC_HELP_KEYWORD)));
    EXPECT_FALSE(IsWindowVisible(viewer_item(IDC_HELP_INDEX)));
    EXPECT_EQ(GetFocus(), viewer_item(IDC_HELP_TOPICS));
    const file_outline outline = outline_of(help_file_);
    ASSERT_FALSE(outline.titles.empty());
    EXPECT_EQ(window_text(viewer_item(IDC_HELP_TITLE)), outline.titles.front());
}

TEST_F(Viewer, EveryTopicOfTheFileIsListedInOrderAndOpens)
{
    command(IDM_HELP_CONTENTS);
    ASSERT_NE(g_help_wnd, nullptr);
    HWND topics = viewer_item(IDC_HELP_TOPICS);
    const file_outline outline = outline_of(help_file_);
    EXPECT_EQ(list_lines(topics), outline.titles);
    // Walked with the arrow keys, as a reader would.
    for (std::size_t i = 0; i < outline.titles.size(); ++i) {
        if (i > 0)
            press(topics, VK_DOWN);
        EXPECT_EQ(window_text(viewer_item(IDC_HELP_TITLE)), outline.titles[i]);
        EXPECT_GT(window_text(viewer_item(IDC_HELP_TEXT)).size(), 40u) << outline.titles[i];
    }
}

TEST_F(Viewer, SearchOpensTheIndexWithAnEmptyKeywordAndEveryKeyword)
{
    HWND viewer = command(IDM_HELP_SEARCH);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer_page(), help_index_page);
    EXPECT_TRUE(IsWindowVisible(viewer_item(IDC_HELP_INDEX)));
    EXPECT_FALSE(IsWindowVisible(viewer_item(IDC_HELP_TOPICS)));
    EXPECT_EQ(window_text(viewer_item(IDC_HELP_KEYWORD)), "");
    EXPECT_EQ(GetFocus(), viewer_item(IDC_HELP_KEYWORD));
    const std::vector<std::string> entries = list_lines(viewer_item(IDC_HELP_INDEX));
    EXPECT_EQ(static_cast<int>(entries.size()), outline_of(help_file_).keywords);
    // Each entry names its topic after a tab.
    const file_outline outline = outline_of(help_file_);
    for (const std::string& entry : entries) {
        const auto tab = entry.find('\t');
        ASSERT_NE(tab, std::string::npos) << entry;
        EXPECT_NE(std::find(outline.titles.begin(), outline.titles.end(), entry.substr(tab + 1)),
                  outline.titles.end())
            << entry;
    }
}

TEST_F(Viewer, TypingNarrowsTheKeywordsAndEnterOpensTheFirst)
{
    command(IDM_HELP_SEARCH);
    ASSERT_NE(g_help_wnd, nullptr);
    HWND field = viewer_item(IDC_HELP_KEYWORD);
    HWND index = viewer_item(IDC_HELP_INDEX);
    const std::size_t all = list_lines(index).size();

    type(field, "cap");
    const std::vector<std::string> caps = list_lines(index);
    ASSERT_FALSE(caps.empty());
    EXPECT_LT(caps.size(), all);
    for (const std::string& entry : caps) {
        std::string word = entry.substr(0, entry.find('\t'));
        for (char& c : word)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(word.rfind("cap", 0) == 0 || word.find(" cap") != std::string::npos) << entry;
    }
    type(field, "tures");
    const std::vector<std::string> captures = list_lines(index);
    EXPECT_LE(captures.size(), caps.size());
    ASSERT_FALSE(captures.empty());

    press(field, VK_RETURN);
    EXPECT_EQ(window_text(viewer_item(IDC_HELP_TITLE)),
              captures.front().substr(captures.front().find('\t') + 1));

    type(field, "zzz");
    EXPECT_TRUE(list_lines(index).empty());
    press(field, VK_RETURN); // nothing to open: harmless
    SendMessageA(field, WM_CHAR, VK_BACK, 1);
    SendMessageA(field, WM_CHAR, VK_BACK, 1);
    SendMessageA(field, WM_CHAR, VK_BACK, 1);
    EXPECT_EQ(list_lines(index), captures);
}

TEST_F(Viewer, ADoubleClickOnAKeywordOpensItsTopic)
{
    command(IDM_HELP_SEARCH);
    ASSERT_NE(g_help_wnd, nullptr);
    HWND index = viewer_item(IDC_HELP_INDEX);
    const std::vector<std::string> entries = list_lines(index);
    ASSERT_GT(entries.size(), 3u);
    const int pick = static_cast<int>(entries.size()) - 1;
    SendMessageA(index, LB_SETTOPINDEX, pick, 0);
    RECT r{};
    ASSERT_NE(SendMessageA(index, LB_GETITEMRECT, pick, reinterpret_cast<LPARAM>(&r)), LB_ERR);
    const LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
    SendMessageA(index, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(index, WM_LBUTTONUP, 0, at);
    SendMessageA(index, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(index, WM_LBUTTONUP, 0, at);
    const std::string& entry = entries[pick];
    EXPECT_EQ(window_text(viewer_item(IDC_HELP_TITLE)), entry.substr(entry.find('\t') + 1));
}

TEST_F(Viewer, TabWalksTheControlsOfThePageAndEscClosesTheViewer)
{
    command(IDM_HELP_SEARCH);
    ASSERT_NE(g_help_wnd, nullptr);
    std::vector<HWND> visited{GetFocus()};
    for (int i = 0; i < 4; ++i) {
        press(GetFocus(), VK_TAB);
        visited.push_back(GetFocus());
    }
    const std::vector<HWND> expected{viewer_item(IDC_HELP_KEYWORD), viewer_item(IDC_HELP_INDEX),
                                     viewer_item(IDC_HELP_TEXT), viewer_item(IDC_HELP_TABS),
                                     viewer_item(IDC_HELP_KEYWORD)};
    EXPECT_EQ(visited, expected);

    press(GetFocus(), VK_ESCAPE);
    EXPECT_TRUE(pump_until([] { return g_help_wnd == nullptr; }));
    EXPECT_TRUE(IsWindow(hwnd_));
}

TEST_F(Viewer, EnterInTheContentsOpensTheSelectedTopic)
{
    command(IDM_HELP_CONTENTS);
    ASSERT_NE(g_help_wnd, nullptr);
    HWND topics = viewer_item(IDC_HELP_TOPICS);
    const file_outline outline = outline_of(help_file_);
    ASSERT_GE(outline.titles.size(), 3u);
    // A selection made without notification (as LB_SETCURSEL does), then Enter.
    SendMessageA(topics, LB_SETCURSEL, 2, 0);
    press(topics, VK_RETURN);
    EXPECT_EQ(window_text(viewer_item(IDC_HELP_TITLE)), outline.titles[2]);
}

TEST_F(Viewer, ASecondCommandBringsTheSameWindowToTheFrontAtTheAskedPage)
{
    HWND first = command(IDM_HELP_CONTENTS);
    ASSERT_NE(first, nullptr);
    SetForegroundWindow(hwnd_);
    pump_pending();
    ASSERT_EQ(GetForegroundWindow(), hwnd_);

    EXPECT_EQ(command(IDM_HELP_SEARCH), first);
    EXPECT_EQ(GetForegroundWindow(), first);
    EXPECT_EQ(viewer_page(), help_index_page);
    EXPECT_EQ(GetFocus(), viewer_item(IDC_HELP_KEYWORD));

    // The search starts again from an empty keyword.
    type(viewer_item(IDC_HELP_KEYWORD), "sto");
    SetForegroundWindow(hwnd_);
    EXPECT_EQ(command(IDM_HELP_SEARCH), first);
    EXPECT_EQ(window_text(viewer_item(IDC_HELP_KEYWORD)), "");

    EXPECT_EQ(command(IDM_HELP_CONTENTS), first);
    EXPECT_EQ(viewer_page(), help_contents_page);
    EXPECT_EQ(GetFocus(), viewer_item(IDC_HELP_TOPICS));
}

TEST_F(Viewer, AMissingFileIsSaidInTheViewer)
{
    const std::string path = dir_ + "\\absent.hlp";
    ASSERT_NE(show_help(hwnd_, path.c_str(), help_index_page), nullptr);
    EXPECT_EQ(window_text(viewer_item(IDC_HELP_TITLE)), "The help file is missing");
    EXPECT_NE(window_text(viewer_item(IDC_HELP_TEXT)).find(path), std::string::npos);
    EXPECT_TRUE(list_lines(viewer_item(IDC_HELP_TOPICS)).empty());
    EXPECT_TRUE(list_lines(viewer_item(IDC_HELP_INDEX)).empty());
    type(viewer_item(IDC_HELP_KEYWORD), "a");
    press(viewer_item(IDC_HELP_KEYWORD), VK_RETURN);
    EXPECT_EQ(window_text(viewer_item(IDC_HELP_TITLE)), "The help file is missing");
}

TEST_F(Viewer, DamagedFilesAreSaidInTheViewerWithTheLine)
{
    struct damaged {
        const char* name;
        std::string data;
        const char* said;
    };
    const std::vector<damaged> files{
        {"binary", std::string("@topic A\nok\n\x01\x02\0\0\xff", 17), "line 3"},
        {"nul_title", std::string("@topic A\0B\ntext\n", 16), "line 1"},
        {"prose", "Just some text.\n@topic A\ntext\n", "line 1: text before the first topic"},
        {"empty", "", "no topic"},
        {"comments_only", "# nothing here\n\n", "no topic"},
        {"unknown", "@topic A\ntext\n@picture x.bmp\n", "line 3"},
        {"no_text", "@topic A\n@topic B\ntext\n", "line 2"},
        {"no_text_at_end", "@topic A\ntext\n@topic B\n", "has no text"},
        {"untitled", "@topic\ntext\n", "line 1"},
        {"long_title", "@topic " + std::string(200, 't') + "\ntext\n", "line 1"},
        {"early_keywords", "@keywords a, b\n@topic A\ntext\n", "line 1"},
        {"long_line", "@topic A\n@keywords " + std::string(100000, 'k') + "\ntext\n", "line 2"},
        {"huge", "@topic A\n" + std::string(3 << 20, 'x') + "\n", "larger"},
    };
    for (const damaged& file : files) {
        SCOPED_TRACE(file.name);
        show_file(std::string(file.name) + ".hlp", file.data);
        ASSERT_NE(g_help_wnd, nullptr);
        EXPECT_EQ(window_text(viewer_item(IDC_HELP_TITLE)), "The help file is damaged");
        EXPECT_NE(window_text(viewer_item(IDC_HELP_TEXT)).find(file.said), std::string::npos)
            << window_text(viewer_item(IDC_HELP_TEXT));
        EXPECT_TRUE(list_lines(viewer_item(IDC_HELP_TOPICS)).empty());
        EXPECT_TRUE(list_lines(viewer_item(IDC_HELP_INDEX)).empty());
    }
    // The real file shows again afterwards.
    command(IDM_HELP_CONTENTS);
    EXPECT_EQ(list_lines(viewer_item(IDC_HELP_TOPICS)), outline_of(help_file_).titles);
}

TEST_F(Viewer, LinesJoinIntoParagraphsAndListItemsKeepTheirLines)
{
    show_file("small.hlp", "# comment\r\n"
                           "@topic First\r\n"
                           "@keywords one, shared\r\n"
                           "A paragraph\r\n"
                           "   on two lines.\r\n"
                           "\r\n"
                           "\r\n"
                           "Items:\r\n"
                           "- a\r\n"
                           "- b\r\n"
                           "@topic  Second \n"
                           "@keywords shared,, two\n"
                           "@keywords more\n"
                           "Tabs\tbecome spaces.\n");
    ASSERT_NE(g_help_wnd, nullptr);
    EXPECT_EQ(list_lines(viewer_item(IDC_HELP_TOPICS)), (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(window_text(viewer_item(IDC_HELP_TEXT)),
              "A paragraph on two lines.\r\n\r\nItems:\r\n- a\r\n- b");
    press(viewer_item(IDC_HELP_TOPICS), VK_DOWN);
    EXPECT_EQ(window_text(viewer_item(IDC_HELP_TITLE)), "Second");
    EXPECT_EQ(window_text(viewer_item(IDC_HELP_TEXT)), "Tabs become spaces.");
    // Sorted by keyword; a keyword of two topics lists both, in file order.
    EXPECT_EQ(list_lines(viewer_item(IDC_HELP_INDEX)),
              (std::vector<std::string>{"more\tSecond", "one\tFirst", "shared\tFirst", "shared\tSecond",
                                        "two\tSecond"}));
}

TEST_F(Viewer, TheFileIsFoundBesideTheProgram)
{
    EXPECT_EQ(help_file_path(), exe_dir() + "wkivari.hlp");
}

} // namespace
