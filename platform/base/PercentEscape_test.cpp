#include "platform/base/PercentEscape.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct EscapeCase {
    std::string text;
    std::string extra;
    std::string expected;
};

TEST(PercentEscapeTest, EscapesWhatMayNotStandInAURL) {
    const std::vector<EscapeCase> cases = {
        {"", "", ""},
        {"plain-text_1.2~", "", "plain-text_1.2~"},
        {"a b", "", "a%20b"},
        {"\"<>\\^`{|}", "", "%22%3C%3E%5C%5E%60%7B%7C%7D"},
        {"tab\there\nnul", "", "tab%09here%0Anul"},
        {std::string("a\0b", 3), "", "a%00b"},
        {"\x7F", "", "%7F"},
        {"caf\xC3\xA9", "", "caf%C3%A9"},
        {"\xF0\x9F\x98\x80", "", "%F0%9F%98%80"},
        {"\xFF", "", "%FF"}, // not UTF-8: escaped byte by byte, nothing lost
        // Legal URL characters stay, '%' and '#' included.
        {"100%", "", "100%"},
        {"a#b?c=d&e/f:g@h[i]", "", "a#b?c=d&e/f:g@h[i]"},
        {"!*'();:@&=+$,/?%#[]", "", "!*'();:@&=+$,/?%#[]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(base::percentEscape(c.text, c.extra), c.expected) << c.text;
}

TEST(PercentEscapeTest, EscapesTheExtraCharactersToo) {
    const std::string extra(base::queryValueCharactersToEscape);
    const std::vector<EscapeCase> cases = {
        {"a b&c", extra, "a%20b%26c"},
        {"\xC3\xA9", extra, "%C3%A9"},
        {"100%", extra, "100%25"},
        {"1+1 & x#y", extra, "1%2B1%20%26%20x%23y"},
        {"!*'();:@&=+$,/?%#[]", extra, "%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D"},
        {"-._~AZaz09", extra, "-._~AZaz09"},
        {"a/b", "/", "a%2Fb"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(base::percentEscape(c.text, c.extra), c.expected) << c.text;
}

TEST(PercentEscapeTest, UnescapesValidSequences) {
    EXPECT_EQ(base::percentUnescape("a%20b%26c"), "a b&c");
    EXPECT_EQ(base::percentUnescape("%c3%A9"), "\xC3\xA9"); // either case
    EXPECT_EQ(base::percentUnescape("a+b"), "a+b");
    EXPECT_EQ(base::percentUnescape(""), "");
    EXPECT_EQ(base::percentUnescape("%2525"), "%25"); // one level only
    const std::string text = "any text: 100% \"quoted\" \xE2\x82\xAC \xF0\x9F\x98\x80 #[]";
    EXPECT_EQ(base::percentUnescape(base::percentEscape(text, base::queryValueCharactersToEscape)),
              text);
}

TEST(PercentEscapeTest, RefusesMalformedEscapesAndInvalidUTF8) {
    for (const char* bad : {"100%", "%", "%4", "%zz", "%4g", "a%%20", "%FF", "%C3", "%C0%AF"})
        EXPECT_EQ(base::percentUnescape(bad), std::nullopt) << bad;
    // The bytes' form takes what the strict one refuses: stray '%' stay, any byte comes out.
    EXPECT_EQ(base::percentUnescapeBytes("100%"), "100%");
    EXPECT_EQ(base::percentUnescapeBytes("%4g%2%41"), "%4g%2A");
    EXPECT_EQ(base::percentUnescapeBytes("/a%20b/%FF%c3"), "/a b/\xFF\xC3");
}

} // namespace
