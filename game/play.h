// What the game decides, apart from how it is shown: who plays each side,
// the stones a new game starts with, the rule a recorded move was made
// under, the end of a game and its result, what undo takes back and redo
// plays again, when a hint may be asked, the bin a key means, and the
// numbering of the computer's move requests. Plain C++, tested natively; the
// Win32 controller (controller.cpp, keys.cpp) acts on these answers.
#pragma once

#include <cstdint>
#include <vector>

struct node;

// Whether the computer plays `side` (BOTTOM_STORE or TOP_STORE) under the
// current number of players: both sides with 0, the top side with 1, none
// with any other number.
bool computer_plays(int side);
// A side to move that a person plays: a real side the computer does not play.
bool person_plays(const node* n);

// The stones per bin for a new game: the option, or 4 when it holds a count
// the engine would refuse (read_options never stores one).
int stones_for_game();

// The empty-capture rule `played` (a child in the game record) was made
// under: the one whose sowing gives the recorded position. The option may
// have changed since.
bool recorded_rule(const node* played);

// Whether the message part asks for a new game instead of a move at `n`:
// after the end, and at the opening before the first New Game (`started`).
bool waits_for_new_game(const node* n, bool started);

// Who won a finished game: Player 1, the top side, is credited with h (its
// store and whatever is left in its row), Player 2 with the rest of the
// stones in play; more than half wins. TOP_STORE, BOTTOM_STORE, or 0 for
// equal halves.
int winner(const node* n);
// The result box's text for a finished game.
const char* result_text(const node* n);

// The position Ctrl+Z goes back to from `current`: the person's previous
// turn, so against the computer its moves since go too. Null when there is
// nothing to take back: at the opening, with no person playing, or when the
// computer opened and the person has had no turn before.
node* undo_target(node* current);
// The moves Ctrl+Y plays again from `current`, in order: the first move
// taken back, and after it the computer's moves that were taken back with
// it, up to the next turn of a person, the end of the game or the last
// move kept.
std::vector<node*> redo_line(node* current);

// Whether `bin` may be played at `n`, the one check every move passes: a
// non-empty bin of the side to move. A finished game's side to move may
// still sow, and a click may play the computer's side when its search could
// not start.
bool playable(const node* n, int bin);

// Whether a person may ask for a hint at `n` (nothing running or asked
// aside): a person's turn with a non-empty row to choose from.
bool hint_possible(const node* n);

// The first non-empty bin of the side to move at `n` from screen `column`
// on, going `step` (1 or -1) columns at a time and wrapping round; -1 when
// the row is empty.
int next_bin(const node* n, int column, int step);

// Computer-move requests are numbered 1, 2, ...; a request is wanted from
// when it is asked until it starts or something makes it stale (a move, New
// Game, undo). Results carry their request's number, so one from an
// abandoned search is told apart.
using request_id = std::uintptr_t;
// Numbers a new request for the computer's move and makes it the one wanted.
request_id want_request();
// Numbers a request that is not queued (a hint, started at once).
request_id new_request();
// True, and the request no longer wanted, when `request` is the one wanted.
bool take_request(request_id request);
// No request is wanted any more.
void drop_request();
// A request is asked for and has not started.
bool request_wanted();
