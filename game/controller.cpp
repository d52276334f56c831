// The game controller: sets up the game record when the main window is made
// and frees it when the window goes.
#include "game/controller.h"

#include "board/board.h"
#include "engine/engine.h"
#include "game/options.h"
#include "shell/shell.h"

namespace {

// Used when the option holds a count the engine would refuse; read_options
// never stores one, this only keeps a bad value from reaching a game.
constexpr int fallback_stones = 4;

int stones_for_game()
{
    return g_num_stones >= 1 && g_num_stones <= 8 ? g_num_stones : fallback_stones;
}

} // namespace

int init_game(HWND hwnd)
{
    g_root = new_node();
    g_current = g_root;
    if (g_root == nullptr) {
        set_status_text(hwnd, 0, "ERROR: out of memory");
        return -2;
    }
    const int stones = stones_for_game();
    init_node(g_root, g_first_turn, stones);
    g_current = g_root;
    init_stones(stones);
    redraw_board(hwnd);
    set_status_text(hwnd, 0, "Select 'File->New Game' to start...");
    return 0;
}

void free_game()
{
    if (g_root == nullptr)
        return;
    while (g_root->first_child != nullptr)
        free_node(g_root->first_child);
    g_current = g_root;
}
