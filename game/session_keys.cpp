// The keyboard's rules: which key acts on which position, and the focus frame.
#include "game/session.h"

namespace {

// The frame shows once a key has been used and a mouse click hides it, as
// focus cues do in Windows.
bool s_cues = false;
// The focused screen column, 1 (left) to 6; it stays when the turn changes.
int s_column = 1;

bool person_to_move()
{
    return person_plays(g_current) && !session_thinking();
}

} // namespace

void session_key(key_intent intent, int column, unsigned seen)
{
    // A key that plays acts on the position its player saw: one typed while
    // a move was still being sown, or before the computer's reply, is
    // dropped, and the computer's side is never played from the keyboard.
    const bool plays = intent == key_intent::play_column || intent == key_intent::play_focus;
    if (plays && (!person_to_move() || seen != g_positions_shown))
        return;
    // The first arrow or Enter only shows where the frame is; the hint
    // leaves the frame as it was.
    const bool framed = g_focus_bin >= 0;
    s_cues = s_cues || intent != key_intent::hint;
    switch (intent) {
    case key_intent::play_column:
        s_column = column;
        session_play_bin(bin_in_column(g_current->turn, column));
        break;
    case key_intent::focus_left:
    case key_intent::focus_right:
        if (framed) {
            const int step = intent == key_intent::focus_right ? 1 : -1;
            s_column = column_of(next_bin(g_current, column_of(g_focus_bin) + step, step));
        }
        break;
    case key_intent::play_focus:
        session_play_bin(g_focus_bin); // none (-1) while the frame is hidden
        break;
    case key_intent::hint:
        session_ask_hint();
        break;
    }
    session_place_focus();
}

void session_hide_focus()
{
    s_cues = false;
    session_place_focus();
}

void session_place_focus()
{
    g_view.frame(g_focus_bin, s_cues && person_to_move() ? next_bin(g_current, s_column, 1) : -1);
}
