// The rules of the game, the game record and the computer's search.
// Plain C++ with no platform header: built natively for tests and
// benchmarks, and with mingw-w64 for the program.
#pragma once

#include <array>
#include <cstdint>

// One position of the game tree.
struct node {
    node* parent;       // the position before the move; null in the root
    node* first_child;  // newest child first
    node* next_sibling; // next (older) child of the parent
    int32_t bins[14];   // 0..5 bottom row, 6 bottom store, 7..12 top row, 13 top store
    int32_t h;          // the top side's total, or the value the search backed up
    int32_t level;      // moves from the root
    int32_t move;       // bin sown to reach this node; 0 in the root
    int32_t turn;       // side to move: 6 (bottom) or 13 (top)
};

// The two sides are named by their stores, which is also the value of a
// node's `turn`: the bottom side sows bins 0..5 into store 6, the top side
// bins 7..12 into store 13.
constexpr int BOTTOM_STORE = 6;
constexpr int TOP_STORE = 13;

// True for BOTTOM_STORE and TOP_STORE, the only valid values of `turn`.
constexpr bool is_side(int turn)
{
    return turn == BOTTOM_STORE || turn == TOP_STORE;
}
// The side (its store) that owns a playing bin; -1 for a store or a bad index.
constexpr int side_of(int bin)
{
    return bin >= 0 && bin < BOTTOM_STORE          ? BOTTOM_STORE
           : bin > BOTTOM_STORE && bin < TOP_STORE ? TOP_STORE
                                                   : -1;
}
constexpr int other_side(int turn)
{
    return turn == BOTTOM_STORE ? TOP_STORE : BOTTOM_STORE;
}
// A side's six playing bins run from first_bin(side) to just before its store.
constexpr int first_bin(int side)
{
    return side - 6;
}
// The sowing path: the place after `place` in a sowing from the playing bin
// `bin`, going round 0..13 and skipping the other side's store.
constexpr int next_place(int bin, int place)
{
    const int skip = bin < BOTTOM_STORE ? TOP_STORE : BOTTOM_STORE;
    if (++place == skip)
        ++place;
    return place > TOP_STORE ? 0 : place;
}

// On screen the board is 8 columns by 2 rows of cells: the top store fills
// column 0, the bottom store column 7, and columns 1..6 hold the top row's
// bins 12..7 and under them the bottom row's bins 0..5, so that both sides
// sow counter-clockwise.
//
// The screen column of a bin 0..13 (-1 gives 0).
constexpr int column_of(int bin)
{
    return bin < BOTTOM_STORE ? bin + 1 : 13 - bin;
}
// The screen row of a bin 0..13, 0 (top) or 1 (bottom); a store's cell
// starts in row 0 and fills both.
constexpr int row_of(int bin)
{
    return bin < BOTTOM_STORE ? 1 : 0;
}
// The bin whose cell holds screen column 0..7 in row 0 or 1.
constexpr int bin_at(int column, int row)
{
    return column == 0 ? TOP_STORE : column == 7 ? BOTTOM_STORE : row == 0 ? 13 - column : column - 1;
}
// The playing bin of side `side` in screen column 1..6.
constexpr int bin_in_column(int side, int column)
{
    return bin_at(column, side == BOTTOM_STORE ? 1 : 0);
}

// Facing bin of each playing bin; for a store, the other store.
extern const int opposite[14];
// Display names: a playing bin's screen column, a store's side.
extern const std::array<const char*, 14> bin_label;

// The game record; written only by the game controller.
extern node* g_root;
extern node* g_current;

// The stones per playing bin a game can start with.
constexpr int MIN_STONES = 1;
constexpr int MAX_STONES = 8;

// Deepest search the program asks for: the largest depth whose slowest move
// over the benchmark set (openings and positions from random play with every
// stones count, both empty-capture rules: kivari_set_bench in bench/) stays
// under two seconds on a two-core machine, the deep search on both cores.
// The next depth takes more than twice as long.
constexpr int MAX_SEARCH_DEPTH = 19;
// get_comp_move builds the node tree up to this depth (each level multiplies
// its work by up to six) and above it runs the deep search, which finds the
// same move and value without making nodes.
constexpr int TREE_SEARCH_DEPTH = 10;

// Move rules. Results: 0 done (game goes on), 1 game over, -1 refused,
// -2 out of memory. Refusals print one line to standard output.
int init_node(node* n, int turn, int stones);
int gen_node(node* parent, int bin, node** out);
int do_move(node* n, int bin);
// do_move under the given empty-capture rule instead of the option's.
int do_move(node* n, int bin, bool empty_caps);
int calc_h(node* n);
int free_node(node* n);

// The number of stones in play: the sum of all fourteen bins. Moves never
// create or destroy stones, so this is what the game was set up with, whatever
// the stones option says now.
int stone_total(const node* n);
// The end test on a position whose h is current: 1 when either row is empty.
int game_over(const node* n);

// The History line of the move that made `n` (not the root): the mover's
// label and the sown bin's, "Player 2: 3".
void format_history_line(const node* n, char (&line)[80]);

// The computer's search.
int gen_nodes(node* n, int limit);
int get_comp_move(node* n, int depth);

// The settings a search plays by, taken once when it is ordered: a search on
// another thread then reads nothing the user interface may be changing.
struct search_settings {
    bool empty_caps;   // g_allow_empty_caps
    bool random_moves; // g_random_moves
};
// The settings as the option globals hold them now.
search_settings current_search_settings();
// get_comp_move with settings taken earlier; the two-argument form reads the
// globals as it starts.
int get_comp_move(node* n, int depth, search_settings settings);

// The value of one legal move: the h that get_comp_move(n, depth) backs up
// into that move's child, and whether it is the game's true result.
struct move_value {
    int bin;    // the bin sown
    int32_t h;  // the child's backed-up value (the top side's total scale, as node::h)
    bool exact; // every line below the move ends the game within the search
};
// Values of every legal move of n, in increasing bin order, at `depth`: 0..6
// moves, or -1 for bad arguments, -2 when a stop was requested
// (search_stop_request). n is only read, its children not at all. Needs no
// node memory above TREE_SEARCH_DEPTH, and where the tree search runs out of
// it the values are found as above.
int move_values(const node* n, int depth, search_settings settings, move_value (&out)[6]);

// Asks every running get_comp_move to give up: it frees what it made and
// returns -2. The request holds until search_stop_clear(); the controller
// clears it only after the abandoned search's thread has ended.
void search_stop_request();
void search_stop_clear();
bool search_stop_requested();

// Per-thread linear congruential generator; every thread starts at state 1.
int next_random();

// Node memory. Safe to use from several threads at once; a node may be
// released on another thread than the one that made it. new_node returns
// null when memory is exhausted (or a test made this allocation fail).
node* new_node();
void delete_node(node* n);
