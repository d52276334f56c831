// Test helper run in the game's Wine prefix: waits for the wKivari main
// window and asks it to close, as the window's close box does. Exit status 0
// once asked, 1 if no such window showed within the given seconds.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    for (int waited = 0; waited < seconds * 10; ++waited) {
        HWND hwnd = FindWindowA("wKivari", "wKivari");
        if (hwnd && IsWindowVisible(hwnd)) {
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        }
        Sleep(100);
    }
    return 1;
}
