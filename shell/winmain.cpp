// The program's entry point: the main window and its message loop.
#include "shell/shell.h"

int WINAPI WinMain(HINSTANCE hinst, HINSTANCE, LPSTR, int show)
{
    if (!register_main_class(hinst))
        return 0;
    create_main_window(show);

    MSG msg{};
    // GetMessage gives -1 only for bad arguments; stop then rather than spin.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
