// Stand-ins run in the game's Wine prefix by the packaging tests.
//   stand_in close SECONDS     waits for the wKivari main window and asks it to
//                              close, as its close box does: 0 once asked, else 1
//   stand_in exit MARKER CODE  a game for the runner's tests: the first run (no
//                              MARKER yet) makes MARKER and ends with CODE, a later one with 0
#include <windows.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "close") == 0) {
        for (int waited = 0; waited < std::atoi(argv[2]) * 10; ++waited) {
            HWND hwnd = FindWindowA("wKivari", "wKivari");
            if (hwnd && IsWindowVisible(hwnd))
                return PostMessageA(hwnd, WM_CLOSE, 0, 0) ? 0 : 1;
            Sleep(100);
        }
        return 1;
    }
    if (argc != 4 || std::strcmp(argv[1], "exit") != 0)
        return 99;
    if (GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES)
        return 0;
    const HANDLE marker = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (marker == INVALID_HANDLE_VALUE)
        return 98;
    CloseHandle(marker);
    return std::atoi(argv[3]);
}
