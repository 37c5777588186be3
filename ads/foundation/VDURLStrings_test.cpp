#include "ads/foundation/VDURLStrings.h"

#include <gtest/gtest.h>

namespace {

TEST(VDURLStringsTest, EscapesEverythingThatCannotStandInAParameter) {
    struct Case {
        const char* text;
        const char* escaped;
    };
    const Case cases[] = {
        {"", ""},
        {"plain-text_1.2~", "plain-text_1.2~"},
        {"a b&c", "a%20b%26c"},
        {"!*'();:@&=+$,/?%#[]", "%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D"},
        {"http://h/p?q=1#f", "http%3A%2F%2Fh%2Fp%3Fq%3D1%23f"},
        {"\xc3\xa9\"<>", "%C3%A9%22%3C%3E"},
        {"line\nend", "line%0Aend"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vd_stringByEscapingAsURLParameter(c.text), c.escaped) << c.text;
}

TEST(VDURLStringsTest, EquivalenceIgnoresOneTrailingSlash) {
    EXPECT_EQ(vd_stripTrailingSlash("a//"), "a/");
    EXPECT_EQ(vd_stripTrailingSlash("a"), "a");
    EXPECT_EQ(vd_stripTrailingSlash(""), "");
    EXPECT_TRUE(vd_isEquivalentToURLString("http://a/b/", "http://a/b"));
    EXPECT_TRUE(vd_isEquivalentToURLString("http://a/b", "http://a/b/"));
    EXPECT_TRUE(vd_isEquivalentToURLString("http://a/b/", "http://a/b/"));
    EXPECT_TRUE(vd_isEquivalentToURLString("/", ""));
    EXPECT_FALSE(vd_isEquivalentToURLString("http://a/b//", "http://a/b"));
    EXPECT_FALSE(vd_isEquivalentToURLString("http://a/B", "http://a/b"));
}

} // namespace
