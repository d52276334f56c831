// Game records: writing the game path as text, and reading one back with every move checked.
#include "game/record.h"

#include "engine/engine.h"
#include "game/options.h"
#include "game/play.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// The board after `played`'s move under one empty-capture rule.
std::array<int32_t, 14> sown(const node* played, bool empty_caps)
{
    node n = *played->parent;
    n.turn = other_side(n.turn);
    do_move(&n, played->move, empty_caps);
    std::array<int32_t, 14> bins;
    std::copy(n.bins, n.bins + 14, bins.begin());
    return bins;
}

const char* result_tag(const node* current)
{
    node n = *current;
    calc_h(&n);
    if (!game_over(&n))
        return "*";
    const int side = winner(&n);
    return side == 0 ? "Tie" : bin_label[side];
}

std::string line_no(std::size_t line)
{
    return "line " + std::to_string(line);
}

// Whether `s` is well-formed UTF-8 (ASCII included) without control
// characters other than tabs.
bool is_text(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t') || c == 0x7F)
                return false;
            ++i;
            continue;
        }
        // The length of the sequence, and the smallest code point it may carry (no overlong forms).
        const std::size_t len = c >= 0xF0 ? (c <= 0xF4 ? 4 : 0) : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (len == 0 || i + len > s.size())
            return false;
        unsigned long cp = c & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (next & 0x3F);
        }
        const unsigned long least = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

std::string_view trimmed(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// A tag line `[Name "value"]`: false when it has another form.
bool split_tag(std::string_view line, std::string_view& name, std::string_view& value)
{
    if (line.size() < 5 || line.front() != '[' || line.back() != ']')
        return false;
    line = line.substr(1, line.size() - 2);
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || space == 0)
        return false;
    name = line.substr(0, space);
    const std::string_view quoted = line.substr(space + 1);
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
        return false;
    value = quoted.substr(1, quoted.size() - 2);
    const auto word = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    };
    return std::all_of(name.begin(), name.end(), word) && value.find('"') == std::string_view::npos;
}

// "Player 1" or "Player 2": the side, else 0.
int side_named(std::string_view name)
{
    return name == bin_label[TOP_STORE] ? TOP_STORE : name == bin_label[BOTTOM_STORE] ? BOTTOM_STORE : 0;
}

bool is_date(std::string_view v)
{
    if (v.size() != 10 || v[4] != '.' || v[7] != '.')
        return false;
    for (std::size_t i = 0; i < v.size(); ++i)
        if (i != 4 && i != 7 && !((v[i] >= '0' && v[i] <= '9') || v[i] == '?'))
            return false;
    return true;
}

// Checks a tag's value and takes what it sets; an error, or empty.
std::string take_tag(std::string_view name, std::string_view value, game_record& out)
{
    if (name == "Stones") {
        if (value.size() != 1 || value[0] < '0' + MIN_STONES || value[0] > '0' + MAX_STONES)
            return "Stones must be " + std::to_string(MIN_STONES) + " to " + std::to_string(MAX_STONES);
        out.stones = value[0] - '0';
    } else if (name == "EmptyCaptures") {
        if (value != "0" && value != "1")
            return "EmptyCaptures must be 0 or 1";
        out.empty_caps = value == "1";
    } else if (name == "First") {
        if ((out.first = side_named(value)) == 0)
            return "First must be \"Player 1\" or \"Player 2\"";
    } else if (name == "Game") {
        if (value != "wKivari")
            return "the record is of another game (Game \"" + std::string(value) + "\")";
    } else if (name == "Date") {
        if (!is_date(value))
            return "Date must look like 2026.12.08";
    } else if (name == "Result") {
        if (value != "Player 1" && value != "Player 2" && value != "Tie" && value != "*")
            return "Result must be \"Player 1\", \"Player 2\", \"Tie\" or \"*\"";
    }
    return {};
}

// A move line, "Player 2: 3": the bin, else -1.
int move_named(std::string_view line)
{
    const std::size_t colon = line.find(": ");
    const int side = colon == std::string_view::npos ? 0 : side_named(line.substr(0, colon));
    const std::string_view column = colon == std::string_view::npos ? "" : line.substr(colon + 2);
    if (side == 0 || column.size() != 1 || column[0] < '1' || column[0] > '6')
        return -1;
    return bin_in_column(side, column[0] - '0');
}

} // namespace

std::string write_record(const node* current, const std::string& date, std::string& error,
                         const std::vector<std::string>& comments)
{
    std::vector<const node*> path;
    for (const node* n = current; n != nullptr; n = n->parent)
        path.push_back(n);
    std::reverse(path.begin(), path.end());
    // The rule shows only in the moves where it changes the sowing; without
    // one the game's rule is the option's.
    bool used[2] = {false, false};
    for (std::size_t i = 1; i < path.size(); ++i) {
        const auto plain = sown(path[i], false), empty = sown(path[i], true);
        if (plain != empty)
            used[std::equal(empty.begin(), empty.end(), path[i]->bins) ? 1 : 0] = true;
    }
    if (used[0] && used[1]) {
        error = "its moves were made under both empty-capture rules, and a record holds one";
        return {};
    }
    const bool empty_caps = used[0] || used[1] ? used[1] : g_allow_empty_caps != 0;
    const node* root = path.front();
    std::string text = "[Game \"wKivari\"]\r\n[Stones \"" + std::to_string(root->bins[0]) + "\"]\r\n";
    text += std::string("[EmptyCaptures \"") + (empty_caps ? "1" : "0") + "\"]\r\n";
    text += std::string("[First \"") + bin_label[root->turn] + "\"]\r\n";
    text += "[Date \"" + date + "\"]\r\n[Result \"" + result_tag(current) + "\"]\r\n\r\n";
    for (std::size_t i = 1; i < path.size(); ++i) {
        char line[80];
        format_history_line(path[i], line);
        text += line;
        if (i - 1 < comments.size() && !comments[i - 1].empty())
            text += " ; " + comments[i - 1];
        text += "\r\n";
    }
    return text;
}

bool read_record(std::string_view text, game_record& out, std::string& error)
{
    out = game_record{};
    if (text.size() > max_record_bytes) {
        error = "the record is larger than 1 MB";
        return false;
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    const auto fail = [&error](std::size_t line, const std::string& why) {
        error = line_no(line) + ": " + why;
        return false;
    };
    bool tagged[3] = {false, false, false}; // Stones, EmptyCaptures, First
    static const char* const required[3] = {"Stones", "EmptyCaptures", "First"};
    node n{};
    bool playing = false;
    std::size_t ended_at = 0;
    for (std::size_t number = 1, at = 0; at < text.size(); ++number) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > max_record_line)
            return fail(number, "the line is longer than " + std::to_string(max_record_line) + " characters");
        if (!is_text(line))
            return fail(number, "the record is not text");
        line = trimmed(line);
        if (line.empty() || line.front() == ';')
            continue;
        std::string_view name, value;
        if (line.front() == '[') {
            if (!split_tag(line, name, value))
                return fail(number, "a tag must look like [Name \"value\"]");
            if (playing)
                return fail(number, "the tags come before the moves");
            for (int k = 0; k < 3; ++k) {
                if (name == required[k] && tagged[k])
                    return fail(number, "the " + std::string(name) + " tag is given twice");
                tagged[k] = tagged[k] || name == required[k];
            }
            if (const std::string why = take_tag(name, value, out); !why.empty())
                return fail(number, why);
            continue;
        }
        // A move may carry a comment after it on its line.
        line = trimmed(line.substr(0, line.find(';')));
        const int bin = move_named(line);
        const std::size_t colon = line.find(": ");
        if (bin < 0 && colon != std::string_view::npos && side_named(line.substr(0, colon)) != 0 &&
            line.size() > colon + 2 &&
            std::all_of(line.begin() + colon + 2, line.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return fail(number,
                        "there is no bin " + std::string(line.substr(colon + 2)) + ": the bins are 1 to 6");
        if (bin < 0)
            return fail(number, "this is neither a tag nor a move (a move looks like \"Player 2: 3\")");
        if (!playing) {
            for (int k = 0; k < 3; ++k) {
                if (!tagged[k]) {
                    error = std::string("the ") + required[k] + " tag is missing";
                    return false;
                }
            }
            init_node(&n, out.first, out.stones);
            playing = true;
        }
        if (ended_at != 0) {
            error = "the game ended at " + line_no(ended_at) + "; " + line_no(number) +
                    " is a move after the end";
            return false;
        }
        if (side_of(bin) != n.turn)
            return fail(number, std::string(bin_label[side_of(bin)]) + " is not to move");
        if (n.bins[bin] < 1)
            return fail(number,
                        "bin " + std::string(bin_label[bin]) + " of " + bin_label[n.turn] + " is empty");
        n.turn = other_side(n.turn);
        do_move(&n, bin, out.empty_caps);
        calc_h(&n);
        out.moves.push_back(bin);
        if (game_over(&n))
            ended_at = number;
    }
    for (int k = 0; k < 3; ++k) {
        if (!tagged[k]) {
            error = std::string("the ") + required[k] + " tag is missing";
            return false;
        }
    }
    return true;
}
