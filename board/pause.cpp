// The sowing animation's pause, during which the window still paints and answers other programs.
#include "board/board.h"

namespace {

bool g_pausing = false;

// Paints waiting at once; a window that never validates must not hold the
// pause in this loop.
constexpr int max_paints_per_wake = 32;

} // namespace

bool anim_pausing()
{
    return g_pausing;
}

void anim_pause(int ms)
{
    if (ms <= 0)
        return;
    const bool outer = g_pausing;
    g_pausing = true;
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        // Clicks, menu commands and posted messages stay queued for after the
        // move; paints and messages sent by other threads are handled now, so
        // the window is redrawn when uncovered and answers other programs.
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_PAINT | QS_SENDMESSAGE,
                                    MWMO_INPUTAVAILABLE);
        // Peeked at least once a pause, so that the system never takes the
        // window for a hung one.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE); // delivers what was sent
        for (int i = 0; i < max_paints_per_wake &&
                        PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_PAINT);
             ++i)
            DispatchMessageA(&msg);
    }
    g_pausing = outer;
}
