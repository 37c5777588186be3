#include "ads/foundation/VDKeywordTemplates.h"

#include <gtest/gtest.h>

namespace {

TEST(VDKeywordTemplatesTest, AtsAreEscapedAndKeywordsReplaced) {
    EXPECT_EQ(vd_escapeAts("a@b@@"), "a@@b@@@@");
    struct Case {
        const char* text;
        const char* pattern;
        const char* replacement;
        const char* expected;
    };
    const Case cases[] = {
        {"x=@sku@&y=@sku@", "sku", "v", "x=v&y=v"},
        {"@@sku@@", "sku", "v", "@@sku@@"}, // an escaped "@", not a keyword
        {"@@@sku@@@", "sku", "v", "@@v@@"}, // escaped runs on both sides are kept
        {"a@@b", "b", "v", "a@@b"},
        {"@sku@", "other", "v", "@sku@"},
        {"@sku@", "sku", "$1\\0", "$1\\0"}, // the replacement is taken literally
        {"@k@", "(k)", "12", "12"},         // a pattern with a group of its own
        {"@k@", "(unbalanced", "v", "@k@"}, // a pattern that does not compile
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        vd_replaceAtQuotedKeywordPatternWithString(text, c.pattern, c.replacement);
        EXPECT_EQ(text, c.expected) << c.text << " " << c.pattern;
    }
}

TEST(VDKeywordTemplatesTest, TemplatesExpandLeavingLiteralAts) {
    struct Case {
        const char* text;
        std::vector<std::pair<std::string, std::string>> values;
        const char* expected;
    };
    const Case cases[] = {
        {"x=@sku@&y=@other@&e=a@@b", {{"sku", "s@1"}}, "x=s@1&y=&e=a@b"},
        {"@@sku@@", {{"sku", "v"}}, "@sku@"},
        {"a@@b", {}, "a@b"},
        {"@a@@b@", {{"a", "1"}, {"b", "2"}}, "12"},
        {"@a@b@", {{"a", "1"}}, "1b@"},
        {"@@@", {}, "@@"},
        {"no keywords", {{"k", "v"}}, "no keywords"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vd_expandAtQuotedTemplate(c.text, c.values), c.expected) << c.text;

    std::string text = "a@@@@b";
    vd_unescapeAts(text);
    EXPECT_EQ(text, "a@@b");
    text = "@gone@ and @@kept@@";
    vd_removeAtQuotedKeywords(text);
    EXPECT_EQ(text, " and @@kept@@");
}

} // namespace
