// The sowing animation on the stone lists.
#include "board/board.h"

#include "engine/engine.h"
#include "game/options.h"

int g_anim_pause_ms = 400;

void animate_move(HWND hwnd, int bin)
{
    animate_move(hwnd, bin, g_allow_empty_caps != 0);
}

void animate_move(HWND hwnd, int bin, bool empty_caps)
{
    sow_stones(
        bin, empty_caps, [] { anim_pause(g_anim_pause_ms); },
        [hwnd](int changed) { invalidate_bin(hwnd, changed); });
}
