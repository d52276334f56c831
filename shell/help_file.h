// Reading wkivari.hlp, the help viewer's own plain-text help file. Plain C++, no platform header,
// so it is built and tested natively too.
//
// The format, one topic after another:
//
//   # a comment line, anywhere
//   @topic How to play               starts a topic (title up to 80 characters)
//   @keywords board, bins, sowing    index entries of the current topic (any number of lines)
//   The text: lines of a paragraph are joined with spaces; a blank line ends
//   the paragraph.
//   - a line starting with "- " is a list item and starts a line of its own.
//   | a line starting with "| " (or a lone "|") is an example: a line of its own as written.
//
// Topics are listed in file order. A UTF-8 byte-order mark may open the file;
// it marks the text as UTF-8. Anything else (text before the first topic, an
// unknown @ line, a control character, a topic without text, no topic at all,
// more than the limits below) makes the file damaged, and the viewer says where.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

constexpr std::size_t max_help_file_bytes = 1 << 20;
constexpr std::size_t max_help_topics = 200;
constexpr std::size_t max_help_title = 80;
constexpr std::size_t max_help_keyword = 60;
constexpr std::size_t max_help_keywords = 2000;

struct help_topic {
    std::string title;
    std::string text; // paragraphs with CR LF line ends, for an edit control
};

struct help_keyword {
    std::string word;
    int topic; // index into help_file::topics
};

struct help_file {
    std::vector<help_topic> topics;
    std::vector<help_keyword> keys; // sorted by word ignoring ASCII case, then in file order
    bool utf8 = false;              // the file opened with a UTF-8 byte-order mark
};

// Parses the file's bytes into `out`. On damage returns false with the reason
// ("line N: ...") in `problem` and `out` empty.
bool parse_help(const std::string& data, help_file& out, std::string& problem);

// Whether `typed` (blanks around it and ASCII case ignored) starts `word` or a
// word inside it after a space or a hyphen: "cap" finds "empty captures".
// Everything matches an empty `typed`.
bool keyword_matches(const std::string& word, const std::string& typed);
