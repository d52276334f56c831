// The sowing animation on the stone lists.
#include "board/board.h"

#include "engine/engine.h"
#include "game/options.h"

int g_anim_pause_ms = 400;
void (*g_pause_step)(int ms) = anim_pause;

void animate_move(HWND hwnd, int bin)
{
    animate_move(hwnd, bin, g_allow_empty_caps != 0);
}

void animate_move(HWND hwnd, int bin, bool empty_caps)
{
    if (g_animation_speed == PACE_INSTANT) {
        // The same steps without pauses, shown in one repaint of the bins they changed.
        bool changed[14] = {};
        sow_stones(
            bin, empty_caps, [] {}, [&changed](int b) { changed[b] = true; });
        repaint_bins(hwnd, changed);
        return;
    }
    const int ms = g_animation_speed == PACE_FAST ? g_anim_pause_ms / 4 : g_anim_pause_ms;
    sow_stones(
        bin, empty_caps, [ms] { g_pause_step(ms); }, [hwnd](int changed) { invalidate_bin(hwnd, changed); });
}
