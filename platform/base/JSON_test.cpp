#include "platform/base/JSON.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace base {
namespace {

Value parsed(std::string_view text, JSONReadOptions options = {}) {
    auto result = parseJSON(text, options);
    EXPECT_TRUE(result.ok()) << text << ": "
                             << (result.ok() ? "" : result.error().localizedDescription());
    return result.ok() ? result.value() : Value();
}

std::string written(const Value& value, bool pretty = false, bool fragments = false) {
    auto result = toJSON(value, pretty, fragments);
    EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.error().localizedDescription());
    return result.ok() ? result.value() : std::string();
}

TEST(JSONTest, ReadsEveryKind) {
    Value value = parsed(R"({"n": null, "t": true, "f": false, "i": -12, "d": 1.5,
        "e": 1e3, "s": "text", "a": [1, [2]], "o": {"k": "v"}})");
    EXPECT_TRUE(value["n"].isNull());
    EXPECT_EQ(value["t"].type(), Value::Type::Bool);
    EXPECT_TRUE(value["t"].boolValue());
    EXPECT_FALSE(value["f"].boolValue());
    EXPECT_EQ(value["i"].type(), Value::Type::Integer);
    EXPECT_EQ(value["i"].integerValue(), -12);
    EXPECT_EQ(value["d"].type(), Value::Type::Double);
    EXPECT_EQ(value["e"].type(), Value::Type::Double);
    EXPECT_DOUBLE_EQ(value["e"].doubleValue(), 1000);
    EXPECT_EQ(*value["s"].string(), "text");
    EXPECT_EQ(value["a"][1][0], Value(2));
    EXPECT_EQ(value["o"]["k"], Value("v"));
    EXPECT_FALSE(value.isMutable());
    EXPECT_FALSE(value["a"].isMutable());
}

TEST(JSONTest, BigIntegersKeepTheirValue) {
    Value value = parsed("[9223372036854775807, -9223372036854775808, 9223372036854775808, "
                         "18446744073709551615, 18446744073709551616]");
    EXPECT_EQ(value[0].type(), Value::Type::Integer);
    EXPECT_EQ(value[0].integerValue(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(value[1].integerValue(), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(value[2].type(), Value::Type::Unsigned);
    EXPECT_EQ(value[2].unsignedValue(), 9223372036854775808u);
    EXPECT_EQ(value[3].unsignedValue(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(value[4].type(), Value::Type::Double);
    EXPECT_EQ(written(value), "[9223372036854775807,-9223372036854775808,9223372036854775808,"
                              "18446744073709551615,1.8446744073709552e+19]");
}

TEST(JSONTest, MutableContainersOnRequest) {
    Value value = parsed(R"({"a": [{"b": []}]})", {.mutableContainers = true});
    EXPECT_TRUE(value.isMutable());
    EXPECT_TRUE(value["a"].isMutable());
    EXPECT_TRUE(value["a"][0].isMutable());
    EXPECT_TRUE(value["a"][0]["b"].isMutable());
}

TEST(JSONTest, DecodesUnicodeEscapes) {
    Value value = parsed(R"(["caf\u00e9", "\ud83d\ude00", "\u4e2d", "a\/b", "tab\there",
        "quote\"", "\u0000x"])");
    EXPECT_EQ(*value[0].string(), "caf\xc3\xa9");
    EXPECT_EQ(*value[1].string(), "\xf0\x9f\x98\x80");
    EXPECT_EQ(*value[2].string(), "\xe4\xb8\xad");
    EXPECT_EQ(*value[3].string(), "a/b");
    EXPECT_EQ(*value[4].string(), "tab\there");
    EXPECT_EQ(*value[5].string(), "quote\"");
    EXPECT_EQ(*value[6].string(), std::string("\0x", 2));
    // Non-ASCII goes out as UTF-8, control characters escaped, "/" left alone.
    EXPECT_EQ(written(value), "[\"caf\xc3\xa9\",\"\xf0\x9f\x98\x80\",\"\xe4\xb8\xad\",\"a/b\","
                              "\"tab\\there\",\"quote\\\"\",\"\\u0000x\"]");
}

TEST(JSONTest, RejectsMalformedText) {
    for (const char* text : {"", "   ", "{", "[1,]", "{\"a\" 1}", "{'a': 1}", "[1] [2]", "[01]",
                             "[NaN]", "[1e999]", "[\"\\ud83d\"]", "[\"\\x41\"]", "[\"a\nb\"]",
                             "{\"a\":}", "nul", "[tru]", "[\"\xff\"]", "[\"unterminated]"}) {
        auto result = parseJSON(text);
        ASSERT_FALSE(result.ok()) << text;
        EXPECT_EQ(result.error().domain, CocoaErrorDomain);
        EXPECT_EQ(result.error().code, PropertyListReadCorruptError);
        EXPECT_FALSE(result.error().localizedDescription().empty());
    }
    // Nothing may follow the value, not even after a NUL byte.
    EXPECT_FALSE(parseJSON(std::string_view("[1]\0xyz", 7)).ok());
    EXPECT_FALSE(parseJSON(std::string_view("[1]\0", 4)).ok());
    auto result = parseJSON("[1, 2");
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error().localizedDescription().find("column"), std::string::npos)
        << result.error().localizedDescription();
}

TEST(JSONTest, RefusesAbsurdNestingWithoutCrashing) {
    std::string deep(100000, '[');
    auto result = parseJSON(deep + std::string(100000, ']'));
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error().localizedDescription().find("nested"), std::string::npos);
    // Moderate nesting is fine.
    EXPECT_TRUE(parseJSON(std::string(200, '[') + std::string(200, ']')).ok());
}

TEST(JSONTest, FragmentsOnlyWhenAllowed) {
    for (const char* text : {"12", "\"text\"", "true", "null", "-1.5"}) {
        auto refused = parseJSON(text);
        ASSERT_FALSE(refused.ok()) << text;
        EXPECT_NE(refused.error().localizedDescription().find("fragments"), std::string::npos);
        EXPECT_TRUE(parseJSON(text, {.allowFragments = true}).ok()) << text;
    }
    EXPECT_EQ(parsed("12", {.allowFragments = true}), Value(12));
    EXPECT_FALSE(toJSON(Value(12)).ok());
    EXPECT_FALSE(toJSON(Value("x")).ok());
    EXPECT_EQ(written(Value(12), false, true), "12");
    EXPECT_EQ(written(Value("x"), false, true), "\"x\"");
    EXPECT_EQ(written(Value(), false, true), "null");
}

TEST(JSONTest, ReadsFromData) {
    auto value = parseJSON(Data::fromString("{\"k\": [true]}"));
    ASSERT_TRUE(value.ok());
    EXPECT_EQ(value.value()["k"][0], Value(true));
    EXPECT_FALSE(parseJSON(Data()).ok());
}

TEST(JSONTest, WritesCompactAndPretty) {
    Value value(Value::Dictionary{
        {"b", Value::Array{1, 2.5, Value(), false}},
        {"a", "x"},
        {"c", Value::Dictionary{}},
        {"d", Value::Array{}},
        {"e", Value::Dictionary{{"z", Decimal(125, -2)}}},
    });
    EXPECT_EQ(written(value), R"({"a":"x","b":[1,2.5,null,false],"c":{},"d":[],"e":{"z":1.25}})");
    EXPECT_EQ(written(value, true), "{\n"
                                    "  \"a\": \"x\",\n"
                                    "  \"b\": [\n"
                                    "    1,\n"
                                    "    2.5,\n"
                                    "    null,\n"
                                    "    false\n"
                                    "  ],\n"
                                    "  \"c\": {},\n"
                                    "  \"d\": [],\n"
                                    "  \"e\": {\n"
                                    "    \"z\": 1.25\n"
                                    "  }\n"
                                    "}");
}

TEST(JSONTest, RoundTripsValues) {
    Value value(Value::Dictionary{
        {"text", "line\nbreak \"quoted\" back\\slash \x01 caf\xc3\xa9"},
        {"numbers", Value::Array{0, -1, 3.25, 1e-7, 1e300, 0.1, true}},
        {"nested", Value::Dictionary{{"empty", ""}, {"list", Value::Array{Value::Array{}}}}},
    });
    for (bool pretty : {false, true}) {
        std::string text = written(value, pretty);
        EXPECT_EQ(parsed(text), value) << text;
    }
    // Doubles written then read give the same number back, whole ones beyond 2^53 included
    // (whose shortest digits padded with zeros would read back as another integer).
    for (double d : {0.1, 1.0 / 3, 5e-324, 1.7976931348623157e308, -0.0, 123456789012345678.0,
                     92233720368154746.1, -92233720368154746.1, 0x1p53, 0x1p53 + 2}) {
        Value read = parsed(written(Value(Value::Array{d})));
        EXPECT_EQ(read[0].doubleValue(), d);
        EXPECT_EQ(read[0], Value(d)) << written(Value(Value::Array{d}));
    }
}

TEST(JSONTest, ValuesWithoutAJSONFormAreErrors) {
    struct Case {
        Value value;
        const char* mentions;
    };
    const Case cases[] = {
        {Value(Value::Array{Data::fromString("x")}), "Data"},
        {Value(Value::Dictionary{{"when", Date(0)}}), "Date"},
        {Value(Value::Array{std::nan("")}), "nan"},
        {Value(Value::Array{std::numeric_limits<double>::infinity()}), "inf"},
        {Value(Value::Array{"\xc3"}), "UTF-8"},
        {Value(Value::Dictionary{{"\xff", 1}}), "UTF-8"},
        {Value(Value::Array{"\xed\xa0\x80"}), "UTF-8"},
    };
    for (const auto& c : cases) {
        auto result = toJSON(c.value);
        ASSERT_FALSE(result.ok()) << c.value.description();
        EXPECT_EQ(result.error().domain, CocoaErrorDomain);
        EXPECT_EQ(result.error().code, PropertyListWriteInvalidError);
        EXPECT_NE(result.error().localizedDescription().find(c.mentions), std::string::npos)
            << result.error().localizedDescription();
    }
}

} // namespace
} // namespace base
