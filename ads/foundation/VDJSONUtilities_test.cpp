#include "ads/foundation/VDJSONUtilities.h"
#include "platform/base/Strings.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(VDJSONUtilitiesTest, DecodesObjectsAndFragments) {
    auto object = vd_decodedJSONObjectError(R"({"a":[1,"x"],"b":{"c":true}})");
    ASSERT_TRUE(object);
    EXPECT_EQ((*object)["a"][1], base::Value("x"));
    EXPECT_EQ((*object)["b"]["c"], base::Value(true));
    EXPECT_EQ(vd_decodedJSONObjectError("\"text\""), base::Value("text"));
    EXPECT_EQ(vd_decodedJSONObjectError("12"), base::Value(12));

    base::Error error;
    EXPECT_FALSE(vd_decodedJSONObjectError("{\"a\":", &error));
    EXPECT_EQ(error.domain, base::CocoaErrorDomain);
    EXPECT_EQ(error.code, base::PropertyListReadCorruptError);
    EXPECT_FALSE(vd_decodedJSONObjectError(""));
}

TEST(VDJSONUtilitiesTest, WritesValidDictionariesAndReportsInvalidOnes) {
    base::Value::Dictionary dictionary{{"b", base::Value(1)}, {"a", base::Value("x")}};
    EXPECT_EQ(vd_JSONStringPrettyError(dictionary, false), R"({"a":"x","b":1})");
    auto pretty = vd_JSONStringPrettyError(dictionary, true);
    ASSERT_TRUE(pretty);
    EXPECT_NE(pretty->find('\n'), std::string::npos);
    EXPECT_EQ(vd_decodedJSONObjectError(*pretty), base::Value(dictionary));

    const base::Value::Dictionary invalid[] = {
        {{"d", base::Value(base::Date(1))}},
        {{"n", base::Value(std::numeric_limits<double>::quiet_NaN())}},
        {{"x", base::Value(base::Data::fromString("x"))}},
        {{"deep", base::Value(base::Value::Array{base::Value(base::Date(1))})}},
    };
    for (const auto& dictionary : invalid) {
        base::Error error;
        EXPECT_FALSE(vd_JSONStringPrettyError(dictionary, false, &error));
        EXPECT_EQ(error.domain, "com.redodi.ads.private");
        EXPECT_EQ(error.code, 2);
        EXPECT_EQ(error.localizedDescription(), "Invalid JSON object.");
        EXPECT_EQ(error.userInfo["NSLocalizedFailureReason"], base::Value("Invalid JSON object."));
        EXPECT_FALSE(vd_JSONStringPrettyError(dictionary, true)); // no error asked for
    }
}

TEST(VDJSONUtilitiesTest, SafeDictionaryReplacesOnlyWhatJSONCannotCarry) {
    base::Value::Dictionary safe{
        {"s", base::Value("x")},
        {"n", base::Value(1.5)},
        {"z", base::Value()},
        {"a", base::Value(base::Value::Array{base::Value(1), base::Value("y")})},
        {"m", base::Value(base::Value::Dictionary{{"k", base::Value(false)}})},
    };
    EXPECT_EQ(vd_JSONSafeDictionary(safe), safe);
    EXPECT_TRUE(vd_JSONSafeDictionary({}).empty());

    const base::Value date(base::Date(0));
    const base::Value unsafeArray(base::Value::Array{base::Value(1), date});
    base::Value::Dictionary unsafe{
        {"keep", base::Value("x")},
        {"date", date},
        {"array", unsafeArray},
        {"nested", base::Value(base::Value::Dictionary{{"inner", date}, {"ok", base::Value(2)}})},
        {"bytes", base::Value(std::string("a\xff"))},
        {"key\xff", base::Value(base::Value::Dictionary{{"\xc3", base::Value(3)}})},
    };
    auto result = vd_JSONSafeDictionary(unsafe);
    EXPECT_EQ(result["keep"], base::Value("x"));
    EXPECT_EQ(result["date"], base::Value(date.description()));
    EXPECT_EQ(result["array"], base::Value(unsafeArray.description()));
    EXPECT_EQ(result["nested"]["inner"], base::Value(date.description()));
    EXPECT_EQ(result["nested"]["ok"], base::Value(2));
    EXPECT_EQ(result["bytes"], base::Value("a\xEF\xBF\xBD"));
    EXPECT_EQ(result["key\xEF\xBF\xBD"]["\xEF\xBF\xBD"], base::Value(3));
    EXPECT_TRUE(vd_JSONStringPrettyError(result, false));
}

} // namespace
