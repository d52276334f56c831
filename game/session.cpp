// The session's state for the position on show: the move values as numbers and their one label.
#include "game/session.h"

#include <algorithm>
#include <cstdio>

bin_value g_bin_values[14];

void keep_values(const node* n, const move_value* values, int count, bool (&changed)[14])
{
    if (n == nullptr || count <= 0)
        return;
    const bool top = n->turn == TOP_STORE;
    count = std::min(count, 6);
    int best = values[0].h;
    for (int i = 1; i < count; ++i)
        best = top ? std::max(best, values[i].h) : std::min(best, values[i].h);
    for (int i = 0; i < count; ++i) {
        const int bin = values[i].bin;
        if (bin < 0 || bin > 13)
            continue;
        g_bin_values[bin] = {true, top ? best - values[i].h : values[i].h - best, values[i].exact};
        changed[bin] = true;
    }
}

void drop_values(bool (&changed)[14])
{
    for (int bin = 0; bin < 14; ++bin) {
        changed[bin] = g_bin_values[bin].shown;
        g_bin_values[bin] = {};
    }
}

bool values_shown()
{
    return std::any_of(std::begin(g_bin_values), std::end(g_bin_values),
                       [](const bin_value& v) { return v.shown; });
}

void value_label(int bin, char (&text)[8])
{
    text[0] = 0;
    if (bin >= 0 && bin < 14 && g_bin_values[bin].shown)
        snprintf(text, sizeof text, "%s%d", g_bin_values[bin].exact ? "=" : "", -g_bin_values[bin].loss);
}

void value_description(int bin, char (&text)[32])
{
    text[0] = 0;
    if (bin >= 0 && bin < 14 && g_bin_values[bin].shown)
        snprintf(text, sizeof text, "Value: %d%s", -g_bin_values[bin].loss,
                 g_bin_values[bin].loss == 0 ? ", best" : "");
}
