#include "platform/net/CacheDirectives.h"

#include <gtest/gtest.h>

namespace net {
namespace {

using Directives = std::vector<std::pair<std::string, std::string>>;

Directives read(const std::vector<std::string>& lines, const char* name = "Cache-Control") {
    HTTPHeaderFields fields;
    for (const auto& line : lines)
        EXPECT_TRUE(fields.append(name, line));
    Directives result;
    CacheDirectives directives(fields, name);
    for (const auto& directive : directives.all())
        result.emplace_back(directive.name, directive.value);
    return result;
}

TEST(CacheDirectivesTest, ReadsEveryFieldLineWithASCIIRules) {
    EXPECT_EQ(read({"Max-Age=60 , no-cache", "PRIVATE"}),
              (Directives{{"max-age", "60"}, {"no-cache", ""}, {"private", ""}}));
    // Quoted values lose their quotes and keep their commas; empty pieces are skipped.
    EXPECT_EQ(read({R"(no-cache="Set-Cookie, X-A", ,max-age="5")"}),
              (Directives{{"no-cache", "Set-Cookie, X-A"}, {"max-age", "5"}}));
    EXPECT_EQ(read({R"(ext="a\"b,c", public)"}),
              (Directives{{"ext", R"(a\"b,c)"}, {"public", ""}}));
    // Only spaces and tabs are blanks: a no-break space belongs to the name.
    EXPECT_EQ(read({"\t no-store \t", "\xC2\xA0no-cache"}),
              (Directives{{"no-store", ""}, {"\xC2\xA0no-cache", ""}}));
    EXPECT_EQ(read({"no-cache"}, "Pragma"), (Directives{{"no-cache", ""}}));
    EXPECT_TRUE(read({}).empty());
}

TEST(CacheDirectivesTest, AnswersForTheFirstDirectiveOfAName) {
    HTTPHeaderFields fields;
    fields.append("cache-control", "max-age=1, max-age=2, must-revalidate");
    CacheDirectives directives(fields);
    EXPECT_EQ(directives.value("max-age"), "1");
    EXPECT_EQ(directives.value("must-revalidate"), "");
    EXPECT_EQ(directives.value("no-store"), std::nullopt);
    EXPECT_TRUE(directives.contains("must-revalidate"));
    EXPECT_FALSE(directives.contains("max"));
}

} // namespace
} // namespace net
