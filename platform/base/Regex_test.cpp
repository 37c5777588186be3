#include "platform/base/Regex.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using base::Regex;

Regex compiled(std::string_view pattern, Regex::Options options = {}) {
    auto regex = Regex::compile(pattern, options);
    EXPECT_TRUE(regex.ok()) << pattern;
    return std::move(regex).value();
}

std::vector<std::string> texts(const std::vector<Regex::Match>& matches, std::size_t group = 0) {
    std::vector<std::string> out;
    for (const auto& match : matches)
        out.push_back(match.text(group));
    return out;
}

using Texts = std::vector<std::string>;

TEST(RegexTest, ReportsCompileErrorsWithTheirMessage) {
    for (const char* bad : {"(unclosed", "a{2,1}", "[z-a]", "(?<=a+)b", "\\", "*"}) {
        const auto regex = Regex::compile(bad);
        ASSERT_FALSE(regex.ok()) << bad;
        EXPECT_EQ(regex.error().domain, base::CocoaErrorDomain);
        EXPECT_EQ(regex.error().code, 2048);
        EXPECT_NE(regex.error().localizedDescription().find(bad), std::string::npos);
        EXPECT_NE(regex.error().localizedDescription().find("offset"), std::string::npos);
    }
    EXPECT_FALSE(Regex::compile("\xFF").ok()); // a pattern must be UTF-8
}

TEST(RegexTest, SupportsLookbehindAndLookahead) {
    EXPECT_EQ(texts(compiled("(?<=\\$)\\d+").matches("cost $42, then 7, then $7")),
              (Texts{"42", "7"}));
    EXPECT_EQ(texts(compiled("(?<!\\$)\\b\\d+").matches("cost $42, then 7")), (Texts{"7"}));
    EXPECT_EQ(texts(compiled("\\w+(?=@)").matches("me@host you@there")), (Texts{"me", "you"}));
    EXPECT_EQ(texts(compiled("(?<=\xC3\xA9)t").matches("\xC3\xA9t\xC3\xA9 et")), (Texts{"t"}));
}

TEST(RegexTest, CaptureGroupsGiveRangesAndTexts) {
    const auto regex = compiled("(\\w+)=(\\d+)?");
    EXPECT_EQ(regex.numberOfCaptureGroups(), 2u);
    const auto all = regex.matches("a=1 bb= c=33");
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(texts(all, 1), (Texts{"a", "bb", "c"}));
    EXPECT_TRUE(all[0].groups[2].matched);
    EXPECT_EQ(all[0].groups[2].bytes, (Regex::Range{2, 1}));
    EXPECT_FALSE(all[1].groups[2].matched); // the optional group took no part
    EXPECT_EQ(all[1].groups[0].bytes, (Regex::Range{4, 3}));
    EXPECT_EQ(all[2].text(2), "33");
    EXPECT_EQ(all[2].groups[0].bytes, (Regex::Range{8, 4}));

    const auto first = regex.firstMatch("x y z=9");
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->text(), "z=9");
    EXPECT_EQ(regex.firstMatch("no pairs"), std::nullopt);
}

TEST(RegexTest, WorksOnCharactersNotBytes) {
    // "." is one character, \w knows accented letters, case folding is Unicode.
    EXPECT_EQ(texts(compiled("^.$").matches("\xC3\xA9")), (Texts{"\xC3\xA9"}));
    EXPECT_EQ(texts(compiled("^..$").matches("\xF0\x9F\x98\x80!")), (Texts{"\xF0\x9F\x98\x80!"}));
    EXPECT_EQ(texts(compiled("\\w+").matches("caf\xC3\xA9 na\xC3\xAFve")),
              (Texts{"caf\xC3\xA9", "na\xC3\xAFve"}));
    EXPECT_EQ(compiled("\xC3\xA9t\xC3\xA9", {.caseInsensitive = true})
                  .numberOfMatches("\xC3\x89T\xC3\x89"),
              1u);
    EXPECT_EQ(compiled("\xC3\xA9t\xC3\xA9").numberOfMatches("\xC3\x89T\xC3\x89"), 0u);
    // Ill-formed bytes in the subject never match but do not stop the search.
    EXPECT_EQ(texts(compiled("b.").matches("b\xFF b\xC3\xA9")), (Texts{"b\xC3\xA9"}));
    EXPECT_EQ(compiled(".").numberOfMatches("a\xFF"
                                            "b"),
              2u);
}

TEST(RegexTest, ReportsRangesInUTF16Units) {
    const std::string subject = "\xF0\x9F\x98\x80 caf\xC3\xA9 ok"; // emoji (2 units), space ...
    const auto regex = compiled("(caf.) (ok)");
    const auto match = regex.firstMatch(subject);
    ASSERT_TRUE(match.has_value());
    EXPECT_EQ(match->groups[0].bytes, (Regex::Range{5, 8}));
    EXPECT_EQ(match->utf16Range(subject), (Regex::Range{3, 7}));
    EXPECT_EQ(match->utf16Range(subject, 1), (Regex::Range{3, 4}));
    EXPECT_EQ(match->utf16Range(subject, 2), (Regex::Range{8, 2}));
    EXPECT_EQ(match->utf16Range(subject, 3), std::nullopt);
    EXPECT_EQ(compiled("(x)?y").firstMatch("y")->utf16Range("y", 1), std::nullopt);
}

TEST(RegexTest, Options) {
    const std::string lines = "one\ntwo\r\nthree";
    EXPECT_EQ(compiled("^\\w+$").numberOfMatches(lines), 0u);
    EXPECT_EQ(texts(compiled("^\\w+$", {.multiline = true}).matches(lines)),
              (Texts{"one", "two", "three"}));
    // CRLF is one line break: no empty line starts between CR and LF.
    EXPECT_EQ(compiled("^", {.multiline = true}).numberOfMatches(lines), 3u);
    EXPECT_EQ(compiled("one.two").numberOfMatches(lines), 0u);
    EXPECT_EQ(compiled("one.two", {.dotAll = true}).numberOfMatches(lines), 1u);
    EXPECT_EQ(compiled("ONE", {.caseInsensitive = true}).numberOfMatches(lines), 1u);
}

TEST(RegexTest, EmptyMatchesAdvanceByCharacter) {
    const auto all = compiled("a*").matches("baaac");
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].groups[0].bytes, (Regex::Range{0, 0}));
    EXPECT_EQ(all[1].groups[0].bytes, (Regex::Range{1, 3}));
    EXPECT_EQ(all[2].groups[0].bytes, (Regex::Range{4, 0}));
    EXPECT_EQ(all[3].groups[0].bytes, (Regex::Range{5, 0}));

    const std::string subject = "\xC3\xA9\xF0\x9F\x98\x80";
    const auto empties = compiled("x*").matches(subject);
    ASSERT_EQ(empties.size(), 3u);
    EXPECT_EQ(empties[1].groups[0].bytes.location, 2u); // never inside a character
    EXPECT_EQ(empties[2].groups[0].bytes.location, 6u);
    EXPECT_EQ(compiled("").numberOfMatches(""), 1u);
}

TEST(RegexTest, ReplacesWithTemplates) {
    const auto pairs = compiled("(\\w+)=(\\w+)");
    EXPECT_EQ(pairs.replace("a=1&b=2", "$2=$1"), "1=a&2=b");
    EXPECT_EQ(pairs.replace("a=1", "[$0]"), "[a=1]");
    EXPECT_EQ(pairs.replace("a=1", "\\$1 costs \\\\"), "$1 costs \\");
    EXPECT_EQ(pairs.replace("a=1", "$10"), "a0");  // no group 10: group 1 then "0"
    EXPECT_EQ(pairs.replace("a=1", "$9|$"), "|$"); // a group that does not exist gives nothing
    EXPECT_EQ(pairs.replace("no pairs here", "x"), "no pairs here");
    EXPECT_EQ(compiled("(x)?y").replace("y y", "<$1>"), "<> <>");
    EXPECT_EQ(compiled("(?<=@)\\w+").replace("@keyword@ and @other@", "V"), "@V@ and @V@");
    EXPECT_EQ(compiled("a*").replace("baac", "-"), "-b--c-");

    // Twelve groups: "$12" names the twelfth.
    const auto many = compiled("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)");
    EXPECT_EQ(many.replace("abcdefghijkl", "$12$1"), "la");
}

} // namespace
