// The option values and their start-up defaults (shared by both builds).
#include "game/options.h"

#include "engine/engine.h"

int g_first_turn = BOTTOM_STORE;
int g_allow_empty_caps = 0;
int g_random_moves = 0;
int g_sounds = 0;
int g_tooltips = 1;
int g_num_players = 1;
int g_difficulty = 5;
int g_num_stones = 4;
int g_random_seed = 0;
int g_animation_speed = PACE_NORMAL;
int g_own_empty_caps = -1;

int own_empty_caps()
{
    return g_own_empty_caps >= 0 ? g_own_empty_caps : g_allow_empty_caps;
}
