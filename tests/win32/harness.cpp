// The shared helpers and fixtures of the Win32 tests.
#include "tests/win32/harness.h"

#include "board/board.h"
#include "engine/engine.h"
#include "engine/node_alloc.h"
#include "game/controller.h"
#include "game/options.h"
#include "shell/shell.h"

#include <commctrl.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

// ---- message pumping -------------------------------------------------------------

bool pump_pending(int* quit_code)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            if (quit_code != nullptr)
                *quit_code = static_cast<int>(msg.wParam);
            return true;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return false;
}

bool pump_until(const std::function<bool()>& done)
{
    const ULONGLONG deadline = GetTickCount64() + wait_limit_ms;
    while (!done()) {
        if (GetTickCount64() > deadline)
            return false;
        pump_pending();
        if (!done())
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

std::optional<int> run_until_quit()
{
    const ULONGLONG deadline = GetTickCount64() + wait_limit_ms;
    int code = 0;
    while (GetTickCount64() < deadline) {
        if (pump_pending(&code))
            return code;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return std::nullopt;
}

bool queued(UINT msg)
{
    MSG m;
    return PeekMessageA(&m, nullptr, msg, msg, PM_NOREMOVE) != 0;
}

// ---- windows and what they show ----------------------------------------------------

std::string class_name(HWND hwnd)
{
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string window_text(HWND hwnd)
{
    const int length = GetWindowTextLengthA(hwnd);
    std::string text(length + 1, '\0');
    text.resize(GetWindowTextA(hwnd, text.data(), length + 1));
    return text;
}

namespace {

BOOL CALLBACK collect_window(HWND hwnd, LPARAM windows)
{
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(hwnd);
    return TRUE;
}

} // namespace

std::vector<HWND> thread_windows()
{
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), collect_window, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> desktop_windows()
{
    std::vector<HWND> windows;
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> child_windows(HWND parent)
{
    std::vector<HWND> windows;
    EnumChildWindows(parent, collect_window, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

HWND first_window(const std::vector<HWND>& windows, const std::function<bool(HWND)>& wanted)
{
    for (HWND hwnd : windows)
        if (wanted(hwnd))
            return hwnd;
    return nullptr;
}

HWND find_window(const std::function<bool(HWND)>& wanted)
{
    return first_window(thread_windows(), wanted);
}

std::vector<std::string> list_lines(HWND list)
{
    std::vector<std::string> lines;
    const auto count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const auto length = static_cast<int>(SendMessageA(list, LB_GETTEXTLEN, i, 0));
        std::string line(length + 1, '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
        line.resize(length);
        lines.push_back(line);
    }
    return lines;
}

std::string status_text(int part)
{
    const LRESULT length = SendMessageA(g_status_bar, SB_GETTEXTLENGTHA, part, 0);
    std::string text(LOWORD(length) + 1, '\0');
    SendMessageA(g_status_bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(length));
    return text;
}

LPARAM bin_point(int bin)
{
    const int column = bin < 6 ? bin + 1 : 13 - bin;
    const int row = bin < 6 ? 1 : 0;
    return MAKELPARAM(column * g_bin_w + g_bin_w / 2, row * g_bin_h + g_bin_h / 2);
}

// ---- files ---------------------------------------------------------------------------

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const std::string& path, const std::string& data)
{
    std::ofstream(path, std::ios::binary) << data;
}

bool file_exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ---- the option values ---------------------------------------------------------------

std::ostream& operator<<(std::ostream& out, const option_values& v)
{
    return out << "{first " << v.first_turn << ", empty caps " << v.allow_empty_caps << ", random "
               << v.random_moves << ", sounds " << v.sounds << ", tooltips " << v.tooltips << ", players "
               << v.num_players << ", depth " << v.difficulty << ", stones " << v.num_stones << ", seed "
               << v.random_seed << "}";
}

option_values current_values()
{
    return {g_first_turn,  g_allow_empty_caps, g_random_moves, g_sounds,     g_tooltips,
            g_num_players, g_difficulty,       g_num_stones,   g_random_seed};
}

void set_values(const option_values& v)
{
    g_first_turn = v.first_turn;
    g_allow_empty_caps = v.allow_empty_caps;
    g_random_moves = v.random_moves;
    g_sounds = v.sounds;
    g_tooltips = v.tooltips;
    g_num_players = v.num_players;
    g_difficulty = v.difficulty;
    g_num_stones = v.num_stones;
    g_random_seed = v.random_seed;
}

// ---- pixels --------------------------------------------------------------------------

image grab(HDC source, int x, int y, int width, int height)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(source);
    HBITMAP dib = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    image out;
    out.width = width;
    out.height = height;
    const auto* p = static_cast<const uint32_t*>(bits);
    out.px.assign(p, p + static_cast<size_t>(width) * height);
    for (uint32_t& v : out.px)
        v &= 0xFFFFFF; // the top byte is not part of the colour
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    return out;
}

image grab_client(HWND hwnd, const RECT& area)
{
    HDC dc = GetDC(hwnd);
    image out = grab(dc, area.left, area.top, area.right - area.left, area.bottom - area.top);
    ReleaseDC(hwnd, dc);
    return out;
}

image grab_client(HWND hwnd)
{
    RECT r{};
    GetClientRect(hwnd, &r);
    return grab_client(hwnd, r);
}

image grab_bitmap(HBITMAP bitmap)
{
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, bitmap);
    image out = grab(mem, 0, 0, info.bmWidth, info.bmHeight);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return out;
}

// ---- modal dialogs -------------------------------------------------------------------

namespace {

std::deque<step> pending_steps;
bool in_step = false;
ULONGLONG script_deadline = 0;

// A modal dialog shows itself only once its loop first finds the queue
// empty; a timer message can come before that.
bool a_dialog_is_not_shown_yet()
{
    return find_window([](HWND hwnd) { return is_dialog(hwnd) && !IsWindowVisible(hwnd); }) != nullptr;
}

void CALLBACK run_next_step(HWND, UINT, UINT_PTR, DWORD)
{
    if (in_step)
        return;
    if (a_dialog_is_not_shown_yet() && GetTickCount64() <= script_deadline)
        return;
    if (GetTickCount64() > script_deadline || pending_steps.empty()) {
        // A step that should have closed its dialog did not: close what is
        // open so the test ends instead of hanging.
        ADD_FAILURE() << (pending_steps.empty() ? "a dialog stayed open after the last step"
                                                : "the steps did not finish in time");
        pending_steps.clear();
        for (HWND hwnd : thread_windows())
            if (is_dialog(hwnd))
                EndDialog(hwnd, 0);
        return;
    }
    step next = std::move(pending_steps.front());
    pending_steps.pop_front();
    in_step = true;
    next();
    in_step = false;
}

} // namespace

void with_dialog(HWND main, UINT command, std::vector<step> steps)
{
    pending_steps.assign(steps.begin(), steps.end());
    script_deadline = GetTickCount64() + wait_limit_ms;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, run_next_step);
    ASSERT_NE(timer, 0u);
    SendMessageA(main, WM_COMMAND, command, 0);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(pending_steps.empty()) << "the dialog closed before its last step";
    pending_steps.clear();
    pump_pending();
}

step until(std::function<bool()> ready)
{
    return [ready] {
        if (!ready())
            pending_steps.push_front(until(ready));
    };
}

bool is_dialog(HWND hwnd)
{
    return class_name(hwnd) == "#32770";
}

HWND find_dialog(const char* title, int control)
{
    return find_window([&](HWND hwnd) {
        return is_dialog(hwnd) && IsWindowVisible(hwnd) && window_text(hwnd) == title &&
               (control == 0 || GetDlgItem(hwnd, control) != nullptr);
    });
}

HWND box_owned_by(HWND owner)
{
    return find_window([&](HWND hwnd) {
        return is_dialog(hwnd) && IsWindowVisible(hwnd) && GetWindow(hwnd, GW_OWNER) == owner;
    });
}

std::string message_text(HWND box)
{
    return item_text(box, 0xFFFF); // the message box's text control
}

std::string item_text(HWND dlg, int id)
{
    return window_text(GetDlgItem(dlg, id));
}

bool is_checked(HWND dlg, int id)
{
    return IsDlgButtonChecked(dlg, id) == BST_CHECKED;
}

void click(HWND dlg, int id)
{
    SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}

void post_ok(HWND dlg)
{
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
}

void press_escape(HWND dlg)
{
    SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
}

// ---- the fixtures --------------------------------------------------------------------

bool main_class_registered()
{
    static const bool registered = register_main_class(GetModuleHandleA(nullptr)) != 0;
    return registered;
}

namespace {

// The running test program's name, without its folder and ".exe".
std::string program_name()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).stem().string();
}

} // namespace

void InTempDir::SetUp()
{
    char temp[MAX_PATH], here[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, here), 0u);
    saved_dir_ = here;
    // Wine reuses process ids, so the name also carries the start time:
    // a run that was killed must not leave a name the next one wants.
    static const std::string run =
        program_name() + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
    static int counter;
    dir_ = std::string(temp) + "kivari-" + run + "-" + std::to_string(++counter);
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
    ASSERT_TRUE(SetCurrentDirectoryA(dir_.c_str())) << dir_;
}

void InTempDir::TearDown()
{
    set_values(saved_options_);
    if (!saved_dir_.empty())
        SetCurrentDirectoryA(saved_dir_.c_str());
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
}

bool InTempDir::dir_is_empty() const
{
    return std::filesystem::is_empty(std::filesystem::path(dir_));
}

void MainWindow::SetUp()
{
    ASSERT_NO_FATAL_FAILURE(InTempDir::SetUp());
    ASSERT_TRUE(main_class_registered());
    g_anim_pause_ms = 0;
    live_before_ = node_alloc_live();
}

void MainWindow::open()
{
    hwnd_ = create_main_window(SW_SHOWNORMAL);
    ASSERT_NE(hwnd_, nullptr);
    ASSERT_EQ(hwnd_, g_hwnd_main);
    pump_pending();
}

void MainWindow::close_main_window()
{
    node_alloc_fail(-1, 0);
    if (hwnd_ != nullptr && IsWindow(hwnd_))
        DestroyWindow(hwnd_);
    pump_pending(); // and the quit message the window posted
}

void MainWindow::TearDown()
{
    close_main_window();
    // The program keeps its root until it ends; each test's window made one
    // of its own, released here.
    if (g_root != nullptr) {
        free_game();
        delete_node(g_root);
    }
    g_root = g_current = nullptr;
    EXPECT_EQ(node_alloc_live(), live_before_);
    InTempDir::TearDown();
}
