// Reading wkivari.hlp: topics, their text and the index keywords.
#include "shell/help_file.h"

#include <algorithm>
#include <string_view>

namespace {

std::string_view trim(std::string_view s)
{
    const auto begin = s.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    const auto end = s.find_last_not_of(" \t");
    return s.substr(begin, end - begin + 1);
}

unsigned char lower(char c)
{
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

bool less_ignoring_case(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lower(x) < lower(y); });
}

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

bool starts_with(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

constexpr std::string_view utf8_bom = "\xEF\xBB\xBF";

// Tabs inside a line read as spaces.
std::string spaced(std::string_view v)
{
    std::string s(v);
    std::replace(s.begin(), s.end(), '\t', ' ');
    return s;
}

std::string unknown(std::string_view text)
{
    return "unknown line \"" + spaced(text.substr(0, 20)) + "\"";
}

} // namespace

bool parse_help(const std::string& data, help_file& out, std::string& problem)
{
    out = {};
    auto& topics = out.topics;
    auto& keys = out.keys;
    bool in_paragraph = false;
    int line_no = 0;
    // Editors such as Notepad open a UTF-8 file with a byte-order mark.
    out.utf8 = starts_with(data, utf8_bom);
    std::size_t pos = out.utf8 ? utf8_bom.size() : 0;
    auto damaged = [&](const std::string& why) {
        problem = "line " + std::to_string(line_no) + ": " + why;
        out = {};
        return false;
    };
    auto end_topic = [&]() { return topics.empty() || !topics.back().text.empty(); };
    while (pos < data.size()) {
        std::size_t end = data.find('\n', pos);
        if (end == std::string::npos)
            end = data.size();
        std::string_view line(data.data() + pos, end - pos);
        pos = end + 1;
        ++line_no;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        for (char c : line)
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f)
                return damaged("a character that is not text");
        const std::string_view text = trim(line);
        if (!text.empty() && text[0] == '#')
            continue;
        if (starts_with(text, "@topic")) {
            if (text.size() > 6 && !blank(text[6]))
                return damaged(unknown(text));
            if (!end_topic())
                return damaged("the topic \"" + topics.back().title + "\" has no text");
            const std::string title = spaced(trim(text.substr(6)));
            if (title.empty())
                return damaged("a topic without a title");
            if (title.size() > max_help_title)
                return damaged("a topic title longer than 80 characters");
            if (topics.size() == max_help_topics)
                return damaged("more than 200 topics");
            topics.push_back({title, {}});
            in_paragraph = false;
        } else if (starts_with(text, "@keywords")) {
            if (text.size() > 9 && !blank(text[9]))
                return damaged(unknown(text));
            if (topics.empty())
                return damaged("keywords before the first topic");
            std::size_t from = 9;
            while (from <= text.size()) {
                std::size_t comma = text.find(',', from);
                if (comma == std::string::npos)
                    comma = text.size();
                const std::string word = spaced(trim(text.substr(from, comma - from)));
                from = comma + 1;
                if (word.empty())
                    continue;
                if (word.size() > max_help_keyword)
                    return damaged("a keyword longer than 60 characters");
                if (keys.size() == max_help_keywords)
                    return damaged("more than 2000 keywords");
                keys.push_back({word, static_cast<int>(topics.size() - 1)});
            }
        } else if (!text.empty() && text[0] == '@') {
            return damaged(unknown(text));
        } else if (text.empty()) {
            in_paragraph = false;
        } else {
            if (topics.empty())
                return damaged("text before the first topic");
            std::string& body = topics.back().text;
            const bool item = text.size() > 1 && text[0] == '-' && blank(text[1]);
            const bool example = text[0] == '|' && (text.size() == 1 || blank(text[1]));
            if (!in_paragraph && !body.empty())
                body += "\r\n\r\n";
            else if (in_paragraph)
                body += item || example ? "\r\n" : " ";
            body += example ? std::string(trim(text.substr(1))) : spaced(text);
            in_paragraph = true;
        }
    }
    ++line_no;
    if (topics.empty())
        return damaged("the file holds no topic");
    if (!end_topic())
        return damaged("the topic \"" + topics.back().title + "\" has no text");
    std::stable_sort(keys.begin(), keys.end(), [](const help_keyword& a, const help_keyword& b) {
        return less_ignoring_case(a.word, b.word);
    });
    return true;
}

bool keyword_matches(const std::string& word, const std::string& typed)
{
    const std::string_view t = trim(typed);
    if (t.empty())
        return true;
    auto same = [](char x, char y) { return lower(x) == lower(y); };
    for (std::size_t at = 0; at + t.size() <= word.size(); ++at)
        if ((at == 0 || word[at - 1] == ' ' || word[at - 1] == '-') &&
            std::equal(t.begin(), t.end(), word.begin() + at, same))
            return true;
    return false;
}
