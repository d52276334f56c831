// What the Win32 tests share: message pumping, windows, files, options, modal dialogs and the fixtures.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "engine/engine.h"
#include "engine/node_alloc.h"
#include "game/controller.h"
#include "game/options.h"
#include "shell/shell.h"

// Backstop for every wait: a fault fails the test instead of hanging it. Each test program defines it.
extern const ULONGLONG wait_limit_ms;

// Dispatches what is queued; true when a quit message came, whose code goes to *quit_code.
inline bool pump_pending(int* quit_code = nullptr)
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

// Pumps until `done` holds; false when it never did.
inline bool pump_until(const std::function<bool()>& done)
{
    for (const ULONGLONG end = GetTickCount64() + wait_limit_ms; !done(); pump_pending())
        if (GetTickCount64() > end ||
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT) == WAIT_FAILED)
            return false;
    return true;
}

// The program's message loop: runs until the quit message and gives its code.
inline std::optional<int> run_until_quit()
{
    int code = 0;
    for (const ULONGLONG end = GetTickCount64() + wait_limit_ms; GetTickCount64() < end;
         MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT))
        if (pump_pending(&code))
            return code;
    return std::nullopt;
}

inline bool queued(UINT msg)
{
    MSG m;
    return PeekMessageA(&m, nullptr, msg, msg, PM_NOREMOVE) != 0;
}

inline std::string class_name(HWND hwnd)
{
    char name[64] = "";
    return std::string(name, GetClassNameA(hwnd, name, sizeof name));
}

inline std::string window_text(HWND hwnd)
{
    std::string text(GetWindowTextLengthA(hwnd) + 1, '\0');
    text.resize(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size())));
    return text;
}

// The first of this thread's top-level windows, newest first, for which `wanted` holds, or null.
inline HWND find_window(const std::function<bool(HWND)>& wanted)
{
    std::vector<HWND> all;
    auto add = [](HWND hwnd, LPARAM windows) {
        return reinterpret_cast<std::vector<HWND>*>(windows)->push_back(hwnd), TRUE;
    };
    EnumThreadWindows(GetCurrentThreadId(), add, reinterpret_cast<LPARAM>(&all));
    for (HWND hwnd : all)
        if (wanted(hwnd))
            return hwnd;
    return nullptr;
}

inline std::vector<std::string> list_lines(HWND list)
{
    std::vector<std::string> lines(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (size_t i = 0; i < lines.size(); ++i) {
        lines[i].resize(SendMessageA(list, LB_GETTEXTLEN, i, 0) + 1);
        lines[i].resize(SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(lines[i].data())));
    }
    return lines;
}

// The text of part `part` of the main window's status bar.
inline std::string status_text(int part)
{
    char text[256] = "";
    return std::string(text,
                       LOWORD(SendMessageA(g_status_bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text))));
}

// Client point at the middle of a playing bin's cell.
inline LPARAM bin_point(int bin)
{
    return MAKELPARAM(column_of(bin) * g_bin_w + g_bin_w / 2, row_of(bin) * g_bin_h + g_bin_h / 2);
}

// The settings file as the program finds it: in the working directory.
constexpr char settings_path[] = ".\\kivari.ini";

// The file's bytes; empty when there is no such file.
inline std::string read_file(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

inline void write_file(const std::string& path, const std::string& data)
{
    std::ofstream(path, std::ios::binary) << data;
}

inline bool file_exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct option_values {
    int first_turn, allow_empty_caps, random_moves, sounds, tooltips, num_players, difficulty, num_stones,
        random_seed;
    bool operator==(const option_values&) const = default;
};

inline option_values current_values()
{
    return {g_first_turn,  g_allow_empty_caps, g_random_moves, g_sounds,     g_tooltips,
            g_num_players, g_difficulty,       g_num_stones,   g_random_seed};
}

inline void set_values(const option_values& v)
{
    g_first_turn = v.first_turn, g_allow_empty_caps = v.allow_empty_caps, g_random_moves = v.random_moves;
    g_sounds = v.sounds, g_tooltips = v.tooltips, g_num_players = v.num_players;
    g_difficulty = v.difficulty, g_num_stones = v.num_stones, g_random_seed = v.random_seed;
}

// DialogBoxParam returns only when its dialog ends, so what a test does meanwhile runs from a thread timer,
// one step per tick, in whatever modal loop runs then (a message box's too). A step that opens a message box
// must post, not send, so that the next step can answer the box.
using step = std::function<void()>;

namespace harness_detail {

inline std::deque<step> pending_steps;
inline ULONGLONG steps_deadline = 0;

inline bool is_dialog(HWND hwnd)
{
    return class_name(hwnd) == "#32770";
}

// A modal dialog shows itself once its loop first finds the queue empty: a tick before that waits. Past the
// deadline, or with no step left, whatever dialog is open is ended so that the test ends.
inline void CALLBACK run_next_step(HWND, UINT, UINT_PTR, DWORD)
{
    static bool in_step = false;
    const bool late = GetTickCount64() > steps_deadline;
    if (in_step || (!late && find_window([](HWND w) { return is_dialog(w) && !IsWindowVisible(w); })))
        return;
    if (late || pending_steps.empty()) {
        ADD_FAILURE() << (late ? "the steps did not finish in time"
                               : "a dialog stayed open after the last step");
        pending_steps.clear();
        while (HWND dlg = find_window(is_dialog))
            EndDialog(dlg, 0), DestroyWindow(dlg);
        return;
    }
    const step next = std::move(pending_steps.front());
    pending_steps.pop_front();
    in_step = true, next(), in_step = false;
}

} // namespace harness_detail

// Runs `opens`, which opens a modal dialog or box, and `steps` while it is open; the last step must close it.
inline void with_dialog(const std::function<void()>& opens, std::vector<step> steps)
{
    using namespace harness_detail;
    pending_steps.assign(steps.begin(), steps.end());
    steps_deadline = GetTickCount64() + wait_limit_ms;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, run_next_step);
    opens();
    KillTimer(nullptr, timer);
    EXPECT_TRUE(pending_steps.empty()) << "the dialog closed before its last step";
    pending_steps.clear();
    pump_pending();
}

// The same for the menu command `command` sent to the main window.
inline void with_dialog(HWND main, UINT command, std::vector<step> steps)
{
    with_dialog([&] { SendMessageA(main, WM_COMMAND, command, 0); }, std::move(steps));
}

// A step tried again at each tick until `ready` holds.
inline step until(std::function<bool()> ready)
{
    return [ready] {
        if (!ready())
            harness_detail::pending_steps.push_front(until(ready));
    };
}

// This thread's shown dialog titled `title`, holding control `control` unless that is 0.
inline HWND find_dialog(const char* title, int control = 0)
{
    return find_window([&](HWND w) {
        return harness_detail::is_dialog(w) && IsWindowVisible(w) && window_text(w) == title &&
               (!control || GetDlgItem(w, control));
    });
}

// The shown dialog-class window owned by `owner` (a message box), or null.
inline HWND box_owned_by(HWND owner)
{
    return find_window([&](HWND w) {
        return harness_detail::is_dialog(w) && IsWindowVisible(w) && GetWindow(w, GW_OWNER) == owner;
    });
}

inline std::string message_text(HWND box)
{
    return window_text(GetDlgItem(box, 0xFFFF)); // the message box's text control
}

// A click on a button as the user makes it.
inline void click(HWND dlg, int id)
{
    SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}

// What the OK button sends, posted, so that a message box it opens runs its loop after the step.
inline void post_ok(HWND dlg)
{
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
}

inline void press_escape(HWND dlg)
{
    SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
}

// A fresh working directory per test, and the option values put back afterwards.
class InTempDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        // Wine reuses process ids, so the name carries the start time too.
        static const std::string run =
            std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
        static int counter;
        dir_ = std::string(temp) + "kivari-" + run + "-" + std::to_string(++counter);
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr) && SetCurrentDirectoryA(dir_.c_str())) << dir_;
    }
    void TearDown() override
    {
        set_values(saved_options_);
        std::error_code ignored;
        std::filesystem::current_path(saved_dir_, ignored);
        std::filesystem::remove_all(dir_, ignored);
    }
    bool dir_is_empty() const { return std::filesystem::is_empty(dir_); }

    std::string dir_;
    const std::filesystem::path saved_dir_ = std::filesystem::current_path();
    const option_values saved_options_ = current_values();
};

// The real main window, made by open() with the animation's pause off. Afterwards the window goes, the game
// record it made is released and no node may be left over.
class MainWindow : public InTempDir {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(InTempDir::SetUp());
        static const bool registered = register_main_class(GetModuleHandleA(nullptr)) != 0; // once a process
        ASSERT_TRUE(registered);
        g_anim_pause_ms = 0;
        live_before_ = node_alloc_live();
    }
    void TearDown() override
    {
        close_main_window();
        if (g_root != nullptr)
            free_game(), delete_node(g_root); // the root the test's window made
        g_root = g_current = nullptr;
        EXPECT_EQ(node_alloc_live(), live_before_);
        InTempDir::TearDown();
    }
    void open()
    {
        hwnd_ = create_main_window(SW_SHOWNORMAL);
        ASSERT_TRUE(hwnd_ != nullptr && hwnd_ == g_hwnd_main);
        pump_pending();
    }
    // Destroys the window, if it is still there, and lets its last messages run.
    void close_main_window()
    {
        node_alloc_fail(-1, 0);
        if (hwnd_ != nullptr && IsWindow(hwnd_))
            DestroyWindow(hwnd_);
        pump_pending(); // and the quit message the window posted
    }

    HWND hwnd_ = nullptr;
    long live_before_ = 0;
};
