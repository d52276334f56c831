// Screenshots of the real program for comparing two builds pixel by pixel:
// the board at the start and after a few moves, the Game menu open, the History, Options and
// About dialogs, the help viewer, the review and proven results late in a game (the endgame
// table built first, once per Wine prefix), each saved as a 24-bit BMP named after
// what it shows. The game is fixed (options, moves, seed), so two builds
// that draw alike give identical files.
//
//   wkivari_shots.exe DIR   (run in a folder without kivari.ini)
#include "board/board.h"
#include "engine/engine.h"
#include "game/controller.h"
#include "game/options.h"
#include "game/session.h"
#include "game/tables.h"
#include "resources/resource.h"
#include "game/review.h"
#include "shell/help.h"
#include "shell/review_window.h"
#include "shell/shell.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string g_dir;
int g_failures = 0;

void pump()
{
    for (int round = 0; round < 20; ++round) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
}

// The window as the screen shows it, frame and all.
void save(HWND hwnd, const char* name)
{
    RECT r;
    if (hwnd == nullptr || !GetWindowRect(hwnd, &r)) {
        std::fprintf(stderr, "shots: no window for %s\n", name);
        ++g_failures;
        return;
    }
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(dc, old);
    BITMAPINFOHEADER info{sizeof info, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const int stride = (w * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<size_t>(stride) * h);
    GetDIBits(dc, bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{0x4D42, 0, 0, 0, sizeof file + sizeof info};
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    const std::string path = g_dir + "\\" + name + ".bmp";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(&file, sizeof file, 1, f) != 1 ||
        std::fwrite(&info, sizeof info, 1, f) != 1 ||
        std::fwrite(pixels.data(), 1, pixels.size(), f) != pixels.size()) {
        std::fprintf(stderr, "shots: cannot write %s\n", path.c_str());
        ++g_failures;
    }
    if (f != nullptr)
        std::fclose(f);
}

// A modal dialog runs its own loop: it is found, saved and closed from a
// timer that fires inside that loop.
const char* g_dialog_name;
void CALLBACK save_dialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dlg = GetForegroundWindow();
    if (dlg == nullptr || dlg == g_hwnd_main)
        return; // not up yet
    KillTimer(nullptr, timer);
    save(dlg, g_dialog_name);
    PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
}

void shoot_dialog(UINT command, const char* name)
{
    g_dialog_name = name;
    SetTimer(nullptr, 0, 500, save_dialog);
    SendMessageA(g_hwnd_main, WM_COMMAND, command, 0);
    pump();
}

// A menu runs its own loop too: the window is saved with the popup open, and the menu closed.
void CALLBACK save_menu(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    save(g_hwnd_main, "game-menu");
    EndMenu();
}

// The result box at a game's end, answered.
void CALLBACK answer_box(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = GetForegroundWindow();
    char name[16] = "";
    if (box != nullptr && box != g_hwnd_main && GetClassNameA(box, name, sizeof name) &&
        std::string(name) == "#32770")
        PostMessageA(box, WM_COMMAND, IDOK, 0);
}

void click(int bin)
{
    SendMessageA(g_hwnd_main, WM_LBUTTONUP, 0,
                 MAKELPARAM(column_of(bin) * g_bin_w + g_bin_w / 2, row_of(bin) * g_bin_h + g_bin_h / 2));
    pump();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: wkivari_shots.exe DIR\n");
        return 2;
    }
    g_dir = argv[1];
    if (!register_main_class(GetModuleHandleA(nullptr)) || !create_main_window(SW_SHOWNORMAL))
        return 1;
    g_anim_pause_ms = 0;
    SetWindowPos(g_hwnd_main, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
    g_first_turn = BOTTOM_STORE, g_allow_empty_caps = 0, g_random_moves = 0, g_sounds = 0, g_tooltips = 1;
    g_num_players = 2, g_difficulty = 3, g_num_stones = 4, g_random_seed = 12345;
    pump();
    save(g_hwnd_main, "board-start");
    SendMessageA(g_hwnd_main, WM_COMMAND, IDM_NEW_GAME, 0);
    pump();
    save(g_hwnd_main, "board-new-game");
    for (int bin : {2, 9, 5, 11, 0})
        click(bin);
    save(g_hwnd_main, "board-played");
    SetTimer(nullptr, 0, 700, save_menu);
    PostMessageA(g_hwnd_main, WM_SYSCOMMAND, SC_KEYMENU, 'g');
    pump();
    shoot_dialog(IDM_HISTORY, "history");
    shoot_dialog(IDM_OPTIONS, "options");
    shoot_dialog(IDM_ABOUT, "about");
    SendMessageA(g_hwnd_main, WM_COMMAND, IDM_HELP_CONTENTS, 0);
    pump();
    save(g_help_wnd, "help-contents");
    if (g_help_wnd != nullptr)
        DestroyWindow(g_help_wnd);
    // A whole game against the computer, reviewed at the Difficulty, the board put on move 12.
    g_num_players = 1;
    const UINT_PTR boxes = SetTimer(nullptr, 0, 300, answer_box);
    SendMessageA(g_hwnd_main, WM_COMMAND, IDM_NEW_GAME, 0);
    for (int move = 0; move < 200 && !game_over(g_current); ++move) {
        pump();
        if (!session_thinking() && !computer_plays(g_current->turn))
            click(next_bin(g_current, 1 + move * 5 % 6, 1));
    }
    KillTimer(nullptr, boxes);
    SendMessageA(g_hwnd_main, WM_COMMAND, IDM_REVIEW, 0);
    for (int wait = 0; wait < 100 && !review_complete(); ++wait)
        pump();
    HWND graph = GetDlgItem(g_review_wnd, IDC_REVIEW_GRAPH);
    SendMessageA(graph, WM_KEYDOWN, VK_HOME, 0);
    for (int k = 0; k < 11; ++k)
        SendMessageA(graph, WM_KEYDOWN, VK_RIGHT, 0);
    pump();
    save(g_review_wnd, "review");
    DestroyWindow(g_review_wnd);
    // Late in a game between two people, the moves' proven results once the table is there.
    g_num_players = 2;
    SendMessageA(g_hwnd_main, WM_COMMAND, IDM_NEW_GAME, 0);
    for (int move = 0; move < 200 && stones_in_play(g_current) > 24 && !game_over(g_current); ++move)
        click(next_bin(g_current, 1 + move * 5 % 6, 1));
    for (int wait = 0; wait < 600 && endgame_for(g_allow_empty_caps != 0) == nullptr; ++wait)
        pump();
    SendMessageA(g_hwnd_main, WM_COMMAND, IDM_MOVE_VALUES, 0);
    for (int wait = 0; wait < 50 && (!values_shown() || g_searching); ++wait)
        pump();
    save(g_hwnd_main, "proven-values");
    DestroyWindow(g_hwnd_main);
    pump();
    return g_failures == 0 ? 0 : 1;
}
