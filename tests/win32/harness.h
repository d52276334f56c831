// What the Win32 tests share: message pumping, windows, files, options, pixels, modal dialogs, fixtures.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Backstop for anything that waits on Wine, on a search or on a started
// program: a fault fails the test instead of hanging it. No test measures
// time. Each test program defines it, as long as its slowest wait needs.
extern const ULONGLONG wait_limit_ms;

// ---- message pumping -------------------------------------------------------------

// Dispatches what is queued for this thread. True when a quit message came,
// whose code goes to *quit_code; what was queued behind it stays queued.
bool pump_pending(int* quit_code = nullptr);
// Pumps messages until `done` holds; false when it never did.
bool pump_until(const std::function<bool()>& done);
// The program's message loop: runs until the quit message and gives its code.
std::optional<int> run_until_quit();
// True when a message of this kind waits in the thread's queue.
bool queued(UINT msg);

// ---- windows and what they show ----------------------------------------------------

std::string class_name(HWND hwnd);
std::string window_text(HWND hwnd);
// This thread's top-level windows, the newest on top first.
std::vector<HWND> thread_windows();
// Every top-level window of every program on the display.
std::vector<HWND> desktop_windows();
// The children of `parent`, at every depth.
std::vector<HWND> child_windows(HWND parent);
// The first of `windows` for which `wanted` holds, or null.
HWND first_window(const std::vector<HWND>& windows, const std::function<bool(HWND)>& wanted);
// The first of this thread's top-level windows for which `wanted` holds, or null.
HWND find_window(const std::function<bool(HWND)>& wanted);

// The lines of a list box, in order.
std::vector<std::string> list_lines(HWND list);
// The text of part `part` of the main window's status bar.
std::string status_text(int part);
// Client point at the middle of a playing bin's cell: bottom bins 0..5 in
// columns 1..6 of row 1, top bins 12..7 in columns 1..6 of row 0.
LPARAM bin_point(int bin);

// ---- files ---------------------------------------------------------------------------

// The settings file as the program finds it: in the working directory.
constexpr char settings_path[] = ".\\kivari.ini";

// The file's bytes as they are; empty when there is no such file.
std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& data);
bool file_exists(const std::string& path);

// ---- the option values ---------------------------------------------------------------

struct option_values {
    int first_turn, allow_empty_caps, random_moves, sounds, tooltips, num_players, difficulty, num_stones,
        random_seed;
    bool operator==(const option_values&) const = default;
};

std::ostream& operator<<(std::ostream& out, const option_values& v);
option_values current_values();
void set_values(const option_values& v);

// ---- pixels --------------------------------------------------------------------------

// 32-bit pixels, 0x00RRGGBB, rows from the top.
struct image {
    int width = 0, height = 0;
    std::vector<uint32_t> px;
    uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
    uint32_t& at(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
};

// Copies what `source` shows at (x, y), width by height, into an image.
image grab(HDC source, int x, int y, int width, int height);
// What the window's client area shows now: all of it, or the rectangle `area`.
image grab_client(HWND hwnd);
image grab_client(HWND hwnd, const RECT& area);
// A bitmap as it looks drawn on the screen.
image grab_bitmap(HBITMAP bitmap);

// ---- modal dialogs -------------------------------------------------------------------
// DialogBoxParam does not return until its dialog ends, so what a test does
// while a dialog is open runs from a thread timer: one step per tick, in
// whatever modal loop is running at the time (nested ones, a message box's
// included). A step that opens a message box must post, not send, so that it
// returns and the next step can answer the box.

using step = std::function<void()>;

// Sends the menu command `command` to the main window (which opens a modal
// dialog) and runs `steps` while it is open; the last step must close it.
void with_dialog(HWND main, UINT command, std::vector<step> steps);
// A step that waits: it is tried again at the next tick until `ready` holds.
step until(std::function<bool()> ready);

bool is_dialog(HWND hwnd);
// This thread's shown dialog titled `title` (the newest is on top, found
// first), and holding the control `control` unless that is 0. Other test
// programs may show dialogs on the same display.
HWND find_dialog(const char* title, int control = 0);
// The shown dialog-class window owned by `owner` (a message box), or null.
HWND box_owned_by(HWND owner);
// The message of a message box.
std::string message_text(HWND box);

std::string item_text(HWND dlg, int id);
bool is_checked(HWND dlg, int id);
// A click on a button as the user makes it; an automatic box toggles, an
// automatic radio button is chosen.
void click(HWND dlg, int id);
// What the OK button sends when clicked; posted, so that a message box it
// opens runs its loop after the current step.
void post_ok(HWND dlg);
// Ends a dialog as the Esc key does.
void press_escape(HWND dlg);

// ---- the fixtures --------------------------------------------------------------------

// Registers the main window's class. It can be registered once per process,
// so every later call gives the first one's answer.
bool main_class_registered();

// A fresh working directory per test, so no settings file is read or left by
// accident, and the option values put back afterwards.
class InTempDir : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    bool dir_is_empty() const;

    std::string dir_, saved_dir_;
    option_values saved_options_ = current_values();
};

// The real main window, made by open() in the test's directory with the
// animation's pause off. Afterwards the window goes, the game record the
// window made is released and no node may be left over.
class MainWindow : public InTempDir {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the main window as the program does and lets it settle.
    void open();
    // Destroys the window, if it is still there, and lets its last messages run.
    void close_main_window();

    HWND hwnd_ = nullptr;
    long live_before_ = 0;
};
