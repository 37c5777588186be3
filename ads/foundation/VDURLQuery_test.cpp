#include "ads/foundation/VDURLQuery.h"

#include <gtest/gtest.h>

namespace {

base::URL url(std::string_view text) {
    auto parsed = base::URL::parse(text);
    EXPECT_TRUE(parsed) << text;
    return parsed.value_or(*base::URL::parse("about:blank"));
}

std::string appended(std::string_view text,
                     const std::vector<std::pair<std::string, std::string>>& pairs) {
    auto result = vd_appendQueryParameters(url(text), pairs);
    return result ? result->absoluteString() : "(none)";
}

TEST(VDURLQueryTest, PairsGoBeforeTheLandingPageAndTheFragment) {
    struct Case {
        const char* url;
        std::vector<std::pair<std::string, std::string>> pairs;
        const char* expected;
    };
    const Case cases[] = {
        {"http://a.tld/c?x=1&adurl=http%3A%2F%2Fb.tld%2F",
         {{"unique", "123"}},
         "http://a.tld/c?x=1&unique=123&adurl=http%3A%2F%2Fb.tld%2F"},
        {"http://a.tld/c", {{"unique", "123"}}, "http://a.tld/c?unique=123"},
        {"http://a.tld/c?", {{"unique", "123"}}, "http://a.tld/c?unique=123"},
        {"http://a.tld/c?x=1#top", {{"k", "v"}}, "http://a.tld/c?x=1&k=v#top"},
        {"http://a.tld/c#top", {{"k", "v"}}, "http://a.tld/c?k=v#top"},
        {"http://a.tld/c?&adurl=x#f", {{"k", "v"}}, "http://a.tld/c?&k=v&adurl=x#f"},
        {"http://a.tld/c?x=1",
         {{"a b", "c&d"}, {"bare", ""}},
         "http://a.tld/c?x=1&a%20b=c%26d&bare"},
        {"http://a.tld/c?x=1", {{"k=1&j", "2"}}, "http://a.tld/c?x=1&k%3D1%26j=2"},
        {"http://a.tld/c", {{"ga_cid", "7"}, {"ga_hid", "8"}}, "http://a.tld/c?ga_cid=7&ga_hid=8"},
        {"http://a.tld/c?x=1&ADURL=y", {{"k", "v"}}, "http://a.tld/c?x=1&ADURL=y&k=v"},
        // Only the query holds a landing page.
        {"http://u&adurl=x@a.tld/c", {{"k", "v"}}, "http://u&adurl=x@a.tld/c?k=v"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(appended(c.url, c.pairs), c.expected) << c.url;
    EXPECT_EQ(vd_appendQueryValueForKey(url("http://a.tld/"), "", "k")->absoluteString(),
              "http://a.tld/?k");
}

TEST(VDURLQueryTest, QueriesAreReadByExactKeyOrAsADictionary) {
    base::URL slot = url("http://a.tld/?slotname=a%20b&Key=1&d=4=5&bare");
    EXPECT_EQ(vd_parameterValueForKey(slot, "slotname"), "a%20b");
    EXPECT_EQ(vd_parameterValueForKey(slot, "key"), std::nullopt);
    EXPECT_EQ(vd_parameterValueForKey(slot, "d"), "4=5");
    EXPECT_EQ(vd_parameterValueForKey(slot, "bare"), std::nullopt);
    EXPECT_EQ(vd_parameterValueForKey(url("http://a.tld/?slotname"), "slotname"), std::nullopt);
    EXPECT_EQ(vd_parameterValueForKey(url("http://a.tld/"), "slotname"), std::nullopt);

    using Dictionary = std::map<std::string, std::string>;
    EXPECT_EQ(vd_dictionaryFromQueryParametersAndConvertKeysToLowercase(
                  url("http://a.tld/?A=1&b=2;c&d=4=5"), true),
              (Dictionary{{"a", "1"}, {"b", "2"}}));
    EXPECT_EQ(vd_dictionaryFromQueryParametersAndConvertKeysToLowercase(
                  url("http://a.tld/?A=%C3%A9%20x&A=2&%41=3"), false),
              (Dictionary{{"A", "3"}}));
    // Escapes that decode to no text are skipped, not taken as missing values.
    EXPECT_EQ(vd_dictionaryFromQueryParametersAndConvertKeysToLowercase(
                  url("http://a.tld/?a=%FF&b=%C3&c=ok&%C3%28=1"), false),
              (Dictionary{{"c", "ok"}}));
    EXPECT_TRUE(
        vd_dictionaryFromQueryParametersAndConvertKeysToLowercase(url("http://a.tld/"), true)
            .empty());
}

TEST(VDURLQueryTest, PathFragmentHostAndScheme) {
    EXPECT_EQ(vd_impressionTicket(url("http://a.tld/a/b/c")), "b/c");
    EXPECT_EQ(vd_impressionTicket(url("http://a.tld/a/b%20x/c/d")), "b x/c");
    EXPECT_EQ(vd_impressionTicket(url("http://a.tld/a/b")), std::nullopt);
    EXPECT_EQ(vd_impressionTicket(url("http://a.tld")), std::nullopt);

    EXPECT_EQ(vd_absoluteStringWithoutFragmentComponent(url("http://a.tld/p#top")),
              "http://a.tld/p");
    EXPECT_EQ(vd_absoluteStringWithoutFragmentComponent(url("http://a.tld/p?q")),
              "http://a.tld/p?q");
    EXPECT_EQ(vd_absoluteStringWithoutFragmentComponent(url("http://a.tld/p#")), "http://a.tld/p");

    base::URL mixed = url("http://Ads.TLD/x");
    EXPECT_TRUE(vd_isHostEqualToString(mixed, "ads.tld", false));
    EXPECT_FALSE(vd_isHostEqualToString(mixed, "ads.tld", true));
    EXPECT_TRUE(vd_isHostEqualToString(mixed, "Ads.TLD", true));
    EXPECT_TRUE(vd_isSchemeEqualToString(mixed, "HTTP", false));
    EXPECT_TRUE(vd_isSchemeEqualToString(mixed, "http", true));
    EXPECT_FALSE(vd_isSchemeEqualToString(mixed, "https", false));
}

} // namespace
