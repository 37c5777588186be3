#include "chorus/core/CHSettings.h"
#include "chorus/core/CHUtility.h"
#include "platform/base/Bundle.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>

namespace {

using Parameters = CHUtility::Parameters;

TEST(CHUtilityTest, QueryPartsParseAsTheServerWritesThem) {
    const struct {
        const char* query;
        Parameters expected;
    } cases[] = {
        {"a=1&b=x%20y", {{"a", "1"}, {"b", "x y"}}},
        {"name=Smith%2C+John", {{"name", "Smith, John"}}},
        {"flag&&empty=", {{"flag", ""}, {"empty", ""}}},
        {"k=1&k=2", {{"k", "2"}}},
        {"post_id=12%3D3=4", {{"post_id", "12=3=4"}}},
        // Escapes that do not decode stay as written rather than losing the parameter.
        {"bad=%E9t%zz", {{"bad", "%E9t%zz"}}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CHUtility::dictionaryByParsingURLQueryPart(c.query), c.expected) << c.query;
}

TEST(CHUtilityTest, SerializedParametersReadBackWhole) {
    const Parameters parameters{{"to", "1003"},
                                {"name", "Smith, John & co"},
                                {"link", "https://host/search?q=a+b%20c#top"},
                                {"é", "ü+"}};
    const std::string query = CHUtility::stringBySerializingQueryParameters(parameters);
    EXPECT_NE(query.find("link=https%3A%2F%2Fhost%2Fsearch%3Fq%3Da%2Bb%2520c%23top&name=Smith%2C%"
                         "20John%20%26%20co&"),
              std::string::npos)
        << query;
    EXPECT_EQ(CHUtility::dictionaryByParsingURLQueryPart(query), parameters);
}

TEST(CHUtilityTest, URLParametersComeFromTheQueryAndTheFragment) {
    const auto url = base::URL::parse("chconnect://success?a=1&b=2#b=3&access_token=T");
    ASSERT_TRUE(url);
    EXPECT_EQ(CHUtility::parametersOfURL(*url),
              (Parameters{{"a", "1"}, {"b", "3"}, {"access_token", "T"}}));
}

class CHSettingsTest : public testing_support::PlatformTest {};

TEST_F(CHSettingsTest, TheServerAddressIsAUserDefaultWithABuiltInOne) {
    auto defaults = base::UserDefaults::standard();
    EXPECT_EQ(CHSettings::serverAddress("dialog/feed"), "https://chorus.example/dialog/feed");
    const struct {
        const char* setting;
        const char* expected;
    } cases[] = {
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080/dialog/feed"},
        {"https://host/chorus/?x=1#y", "https://host/chorus/dialog/feed"},
        // Not an http or https address with a host: the built-in one.
        {"ftp://host/", "https://chorus.example/dialog/feed"},
        {"not a url", "https://chorus.example/dialog/feed"},
    };
    for (const auto& c : cases) {
        defaults->setObject(CHSettings::serverBaseURLKey, base::Value(c.setting));
        EXPECT_EQ(CHSettings::serverAddress("dialog/feed"), c.expected) << c.setting;
    }
    EXPECT_EQ(CHSettings::userAgent(), "VErIRUVA.3.23.1");
}

TEST_F(CHSettingsTest, TheApplicationIdentifierComesFromTheInformationDictionary) {
    EXPECT_EQ(CHSettings::appID(), CHSettings::defaultAppID);
    base::Value::Dictionary info;
    info[CHSettings::appIDKey] = base::Value("4242");
    auto previous = base::Bundle::install(
        std::make_shared<base::Bundle>(base::Bundle::defaultResourcesDirectory(), info));
    EXPECT_EQ(CHSettings::appID(), "4242");
    base::Bundle::install(previous);
}

} // namespace
