// Tests of the help file's reader: small files as a table, the shipped file, and random damage to it.
#include "shell/help_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <regex>

#include "engine/engine.h"

namespace {

// A reading in one line: "title{text}" per topic, then " word>topic" per index entry; or the problem.
std::string outline(const std::string& data)
{
    help_file file;
    std::string out;
    if (!parse_help(data, file, out))
        return out;
    for (const help_topic& t : file.topics)
        out += t.title + "{" + t.text + "}";
    for (const help_keyword& k : file.keys)
        out += " " + k.word + ">" + std::to_string(k.topic);
    return out;
}

// clang-format off
TEST(HelpFile, ReadsTopicsParagraphsAndKeywordsSaysWhereADamagedFileGoesWrongAndMatchesKeywords)
{
    const std::string title = "@topic " + std::string(max_help_title, 't'), cut("@topic A\nok\n\x01\0", 14);
    const std::pair<std::string, std::string> cases[] = {
        {"# c\r\n@topic A\r\n@keywords b, C\r\nOne\r\n   two\tx.\r\n\r\n\r\nList:\r\n- a\r\n-\tb\r\n|  [a  \"b\"]\r\n"
         "@topic  B \n@keywords c,, a\n@keywords Z\nEnd.",
         "A{One two x.\r\n\r\nList:\r\n- a\r\n- b\r\n[a  \"b\"]}B{End.} a>1 b>0 C>0 c>1 Z>1"},
        {"\xEF\xBB\xBF# c\n@topic\t\xC3\xA9\nx", "\xC3\xA9{x}"}, {title + "\nx", title.substr(7) + "{x}"},
        {title + "t\nx", "line 1"}, {"@topicA\nx\n", "line 1"}, {"@topic\nx\n", "line 1"},
        {"@keywords a\n@topic A\nx", "line 1"}, {"@topic A\n@topic B\nx", "line 2"}, {"# none\n\n", "line 3"},
        {"@topic A\nx\n@topic B", "line 4"}, {"@topic A\nx\n@pic\n", "line 3"}, {"T\n@topic A\nx", "line 1"},
        {"@topic A\n@keywords " + std::string(max_help_keyword + 1, 'k') + "\nx", "line 2"}, {cut, "line 3"}};
    for (const auto& [data, expected] : cases)
        EXPECT_EQ(outline(data).substr(0, expected.size()), expected) << outline(data);
    EXPECT_TRUE(keyword_matches("a cap", " CAP ") && keyword_matches("x-y", "y") && keyword_matches("a", ""));
    EXPECT_FALSE(keyword_matches("escape", "cap") || keyword_matches("cap", "capture"));
}
// clang-format on

// The shipped file reads, with a byte-order mark too; random damage to it is read soundly or refused.
TEST(HelpFile, TheShippedFileReadsAndRandomDamageToItIsReadSoundlyOrRefused)
{
    std::ifstream in(SHIPPED_HELP, std::ios::binary);
    const std::string file(std::istreambuf_iterator<char>(in), {});
    ASSERT_EQ(outline(file).rfind("line ", 0), std::string::npos) << outline(file);
    EXPECT_EQ(outline("\xEF\xBB\xBF" + file), outline(file));
    std::mt19937 rng(20261207);
    for (int round = 0; round < 3000; ++round) {
        std::string data = file;
        for (int n = 1 + rng() % 4; n > 0 && !data.empty(); --n) {
            const std::size_t at = rng() % data.size(); // a byte changed, dropped or added, or the rest cut
            data.replace(at, rng() % 4 ? rng() % 2 : data.size(), rng() % 3, static_cast<char>(rng()));
        }
        help_file got;
        std::string problem;
        bool sound = parse_help(data, got, problem) ? !got.topics.empty()
                                                    : got.topics.empty() && problem.rfind("line ", 0) == 0;
        for (const help_topic& t : got.topics)
            sound = sound && !t.title.empty() && t.title.size() <= max_help_title && !t.text.empty();
        for (const help_keyword& k : got.keys)
            sound = sound && k.topic >= 0 && k.topic < static_cast<int>(got.topics.size()) &&
                    !k.word.empty() && k.word.size() <= max_help_keyword &&
                    keyword_matches(k.word, k.word.substr(0, round % 4));
        ASSERT_TRUE(sound) << "round " << round << ": " << problem;
    }
}

// The help file and the README give the level range the program allows.
TEST(HelpFile, TheLevelRangeTheHelpAndTheReadmeGiveIsTheProgramsOwn)
{
    const std::regex level("(level|Difficulty|looks)[^\n]*?(0 to|above) ([0-9]+)");
    for (const char* name : {SHIPPED_HELP, README}) {
        std::ifstream in(name, std::ios::binary);
        const std::string text(std::istreambuf_iterator<char>(in), {});
        int found = 0;
        for (std::sregex_iterator m(text.begin(), text.end(), level), end; m != end; ++m, ++found)
            EXPECT_EQ((*m)[3], std::to_string(MAX_SEARCH_DEPTH)) << name << ": " << m->str();
        EXPECT_GT(found, 0) << name;
    }
}

} // namespace
