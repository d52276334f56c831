// Start-up of the program: the class, the main window and the message loop.
#include "shell/shell.h"

#include "resources/resource.h"

#include <commctrl.h>

HINSTANCE g_hinst = nullptr;
HWND g_hwnd_main = nullptr;
HCURSOR g_saved_cursor = nullptr;
HCURSOR g_busy_cursor = nullptr;

namespace {

// The class name, which is also the title.
char app_name[20];

} // namespace

int register_main_class(HINSTANCE hinst)
{
    g_hinst = hinst;
    InitCommonControls();
    LoadStringA(g_hinst, IDS_APP_NAME, app_name, sizeof app_name);

    WNDCLASSA wc{};
    // No redraw-on-resize and no double clicks; no class cursor either, the
    // program sets the cursor itself.
    wc.style = 0;
    wc.lpfnWndProc = main_wnd_proc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = g_hinst;
    wc.hIcon = LoadIconA(g_hinst, MAKEINTRESOURCEA(IDI_WKIVARI));
    wc.hCursor = nullptr;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN);
    wc.lpszClassName = app_name;
    return RegisterClassA(&wc) != 0 ? 1 : 0;
}

HWND create_main_window(int show)
{
    // A fixed frame: no sizing border, no maximise box. The creation handler
    // replaces the provisional 100 x 100 with the board's size.
    g_hwnd_main = CreateWindowExA(0, app_name, app_name, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr, g_hinst, nullptr);
    ShowWindow(g_hwnd_main, show);
    UpdateWindow(g_hwnd_main);
    return g_hwnd_main;
}

int run_program(HINSTANCE hinst, int show)
{
    // A start that shows nothing is a failure, and says so in its exit code;
    // 10 stays the launcher's sign of a display that makes no windows.
    if (!register_main_class(hinst))
        return exit_no_class;
    // Without a window (no display to draw on, say) nothing could ever end
    // the message loop: end at once instead of running unseen, with a code
    // of its own, which the Linux launcher recognises.
    if (!create_main_window(show))
        return ERROR_BAD_ENVIRONMENT;

    MSG msg{};
    // GetMessage gives -1 only for bad arguments; stop then rather than spin.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
