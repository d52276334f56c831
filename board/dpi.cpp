// The board's scale: the DPI it is drawn for, and the system's sizes at a DPI.
#include "board/board.h"

int g_dpi = 96;

namespace {

// Windows 10 1607 and later have these; they are looked up so that the game
// still starts, at the system's DPI, on older systems.
template <class F> F user32_function(const char* name)
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name))) : nullptr;
}

} // namespace

int scaled(int length)
{
    return MulDiv(length, g_dpi, 96);
}

int usable_dpi(int dpi)
{
    // 500 % is the largest scale Windows offers; a nonsense value draws at 100 %.
    return dpi >= 48 && dpi <= 480 ? dpi : 96;
}

int window_dpi(HWND hwnd)
{
    static const auto for_window = user32_function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (for_window && hwnd)
        if (const UINT dpi = for_window(hwnd))
            return usable_dpi(static_cast<int>(dpi));
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return usable_dpi(dpi);
}

int metric_for_dpi(int index, int dpi)
{
    static const auto for_dpi = user32_function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    return for_dpi ? for_dpi(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);
}

bool nonclient_metrics_for_dpi(int dpi, NONCLIENTMETRICSW* metrics)
{
    static const auto for_dpi =
        user32_function<BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT)>("SystemParametersInfoForDpi");
    *metrics = NONCLIENTMETRICSW{};
    metrics->cbSize = sizeof *metrics;
    return for_dpi && for_dpi(SPI_GETNONCLIENTMETRICS, sizeof *metrics, metrics, 0, static_cast<UINT>(dpi));
}
