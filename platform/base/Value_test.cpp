#include "platform/base/Value.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace base {
namespace {

TEST(ValueTest, StringsReadAsNumbersLikeThePlatform) {
    struct Case {
        const char* text;
        std::int64_t integer;
        double floating;
        bool boolean;
    };
    const Case cases[] = {
        {"12", 12, 12, true},
        {"12abc", 12, 12, true},
        {"abc", 0, 0, false},
        {"", 0, 0, false},
        {"3.7", 3, 3.7, true},
        {"  \t\n-42 apples", -42, -42, true},
        {"+8", 8, 8, true},
        {"-0.5", 0, -0.5, false},
        {".5", 0, 0.5, false},
        {"1e3", 1, 1000, true},
        {"1e", 1, 1, true},
        {"0", 0, 0, false},
        {"007", 7, 7, true},
        {"YES", 0, 0, true},
        {"yes", 0, 0, true},
        {"true", 0, 0, true},
        {"True", 0, 0, true},
        {"NO", 0, 0, false},
        {"false", 0, 0, false},
        {"x1", 0, 0, false},
        {"99999999999999999999", std::numeric_limits<std::int64_t>::max(), 1e20, true},
        {"-99999999999999999999", std::numeric_limits<std::int64_t>::min(), -1e20, true},
        {"1e999", 1, HUGE_VAL, true},
        {"1e-999", 1, 0, true},
    };
    for (const auto& c : cases) {
        Value value(c.text);
        EXPECT_EQ(value.integerValue(), c.integer) << '"' << c.text << '"';
        EXPECT_DOUBLE_EQ(value.doubleValue(), c.floating) << '"' << c.text << '"';
        EXPECT_EQ(value.boolValue(), c.boolean) << '"' << c.text << '"';
    }
    EXPECT_EQ(Value("18446744073709551615").unsignedValue(),
              std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(Value("-1").unsignedValue(), std::numeric_limits<std::uint64_t>::max());
}

TEST(ValueTest, NumbersConvertBetweenKinds) {
    EXPECT_EQ(Value(3.99).integerValue(), 3);
    EXPECT_EQ(Value(-3.99).integerValue(), -3);
    EXPECT_EQ(Value(1e300).integerValue(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Value(-1e300).integerValue(), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(Value(std::nan("")).integerValue(), 0);
    EXPECT_EQ(Value(1e300).unsignedValue(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(Value(true).integerValue(), 1);
    EXPECT_DOUBLE_EQ(Value(false).doubleValue(), 0);
    EXPECT_EQ(Value(Decimal(25, -1)).integerValue(), 2);
    EXPECT_DOUBLE_EQ(Value(Decimal(25, -1)).doubleValue(), 2.5);
    EXPECT_EQ(Value(Decimal(18446744073709551, 3)).unsignedValue(), 18446744073709551000u);
    EXPECT_EQ(Value(Decimal(2, 19)).unsignedValue(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(Value(std::uint64_t(1) << 63).doubleValue(), 9223372036854775808.0);
    EXPECT_TRUE(Value(0.1).boolValue());
    EXPECT_FALSE(Value(0.0).boolValue());
    EXPECT_FALSE(Value(Decimal(0, 4)).boolValue());
    EXPECT_FALSE(Value(Data::fromString("1")).boolValue());
    EXPECT_EQ(Value(Value::Array{1}).integerValue(), 0);
    EXPECT_TRUE(Value(true).isNumber());
    EXPECT_TRUE(Value(Decimal(1)).isNumber());
    EXPECT_FALSE(Value("1").isNumber());
}

TEST(ValueTest, StringValuePrintsNumbersAsThePlatform) {
    struct Case {
        Value value;
        const char* printed;
    };
    const Case cases[] = {
        {Value(12), "12"},
        {Value(-12), "-12"},
        {Value(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615"},
        {Value(true), "1"},
        {Value(false), "0"},
        {Value(1.5), "1.5"},
        {Value(3.0), "3"},
        {Value(-0.25), "-0.25"},
        {Value(0.1), "0.1"},
        {Value(1.0 / 3), "0.3333333333333333"},
        {Value(2.0 / 3), "0.6666666666666666"},
        {Value(123456789.125), "123456789.125"},
        {Value(1e16), "10000000000000000"},
        {Value(1e17), "1e+17"},
        {Value(1.5e300), "1.5e+300"},
        {Value(0.0001), "0.0001"},
        {Value(0.00001), "1e-05"},
        {Value(std::numeric_limits<double>::infinity()), "inf"},
        {Value(Decimal(1500, -3)), "1.5"},
        {Value("text"), "text"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.value.stringValue(), c.printed) << c.value.description();
    EXPECT_FALSE(Value().stringValue());
    EXPECT_FALSE(Value(Date(0)).stringValue());
    EXPECT_FALSE(Value(Value::Array{}).stringValue());
}

TEST(ValueTest, DoublesPrintBackToTheSameValue) {
    for (double d : {0.1, 1.0 / 3, 2.0 / 3, 1e-300, 123.456, 9007199254740993.0, 5e-324,
                     1.7976931348623157e308, -2.2250738585072014e-308}) {
        std::string printed = *Value(d).stringValue();
        EXPECT_EQ(Value(printed).doubleValue(), d) << printed;
    }
}

TEST(ValueTest, LookupsNeverFail) {
    Value dictionary(Value::Dictionary{{"a", 1}, {"b", Value::Array{"x", "y"}}});
    EXPECT_EQ(dictionary["a"], Value(1));
    EXPECT_EQ(dictionary["b"][1], Value("y"));
    EXPECT_TRUE(dictionary["missing"].isNull());
    EXPECT_TRUE(dictionary["b"][2].isNull());
    EXPECT_TRUE(dictionary[0].isNull());
    EXPECT_TRUE(Value(5)["a"].isNull());
    EXPECT_EQ(dictionary.count(), 2u);
    EXPECT_EQ(dictionary["b"].count(), 2u);
    EXPECT_EQ(Value("abc").count(), 0u);
}

TEST(ValueTest, MutabilityTravelsWithCopiesButNotEquality) {
    Value array = Value::mutableArray({1, 2});
    EXPECT_TRUE(array.isMutable());
    Value copy = array;
    EXPECT_TRUE(copy.isMutable());
    Value frozen = array.immutableCopy();
    EXPECT_FALSE(frozen.isMutable());
    EXPECT_EQ(frozen, array);
    EXPECT_TRUE(frozen.mutableCopy().isMutable());
    EXPECT_TRUE(Value(Value::Dictionary{}).mutableCopy().isMutable());
    EXPECT_TRUE(Value::mutableDictionary().isMutable());
    EXPECT_FALSE(Value(Value::Array{}).isMutable());
    // Only containers can be mutable.
    EXPECT_FALSE(Value("text").mutableCopy().isMutable());
    // The copy is independent of the original.
    copy.array()->push_back(3);
    EXPECT_EQ(array.count(), 2u);
    EXPECT_EQ(copy.count(), 3u);
}

TEST(ValueTest, NumbersOfDifferentKindsCompareByValue) {
    EXPECT_EQ(Value(1), Value(1u));
    EXPECT_EQ(Value(1), Value(1.0));
    EXPECT_EQ(Value(1), Value(true));
    EXPECT_EQ(Value(0), Value(false));
    EXPECT_EQ(Value(Decimal(15, -1)), Value(1.5));
    EXPECT_EQ(Value(Decimal(1, -1)), Value(0.1));
    EXPECT_EQ(Value(Decimal(12, 2)), Value(1200));
    EXPECT_EQ(Value(Decimal(1844674407370955161, 1)), Value(18446744073709551610u));
    EXPECT_NE(Value(Decimal(1844674407370955162, 1)), Value(18446744073709551615u));
    EXPECT_NE(Value(-1), Value(std::numeric_limits<std::uint64_t>::max()));
    EXPECT_NE(Value(1), Value(1.5));
    EXPECT_NE(Value(9223372036854775807), Value(9223372036854775808.0));
    EXPECT_EQ(Value(std::uint64_t(1) << 63), Value(9223372036854775808.0));
    EXPECT_NE(Value(std::nan("")), Value(std::nan("")));
    EXPECT_NE(Value(1), Value("1"));
    EXPECT_NE(Value(), Value(0));
    EXPECT_EQ(Value(), Value(nullptr));
    EXPECT_EQ(Value(Value::Array{1, "a"}), Value(Value::Array{1.0, "a"}));
    EXPECT_NE(Value(Value::Array{1}), Value(Value::Array{1, 2}));
    EXPECT_EQ(Value(Value::Dictionary{{"k", 2u}}), Value(Value::Dictionary{{"k", 2}}));
    EXPECT_NE(Value(Value::Dictionary{{"k", 2}}), Value(Value::Dictionary{{"j", 2}}));
    EXPECT_EQ(Value(Date(5)), Value(Date(5)));
    EXPECT_NE(Value(Date(5)), Value(5));
}

TEST(ValueTest, IdenticalIsEqualityWithNaNEqualToNaN) {
    const Value nan(std::nan(""));
    const Value nanDate(Date(std::nan("")));
    EXPECT_TRUE(nan.isIdenticalTo(Value(-std::nan(""))));
    EXPECT_TRUE(nanDate.isIdenticalTo(nanDate));
    EXPECT_FALSE(nan.isIdenticalTo(nanDate));
    EXPECT_FALSE(nan.isIdenticalTo(Value(0.0)));
    EXPECT_TRUE(Value(Value::Array{1, nan}).isIdenticalTo(Value(Value::Array{1.0, nan})));
    EXPECT_FALSE(Value(Value::Array{nan}).isIdenticalTo(Value(Value::Array{nan, nan})));
    EXPECT_TRUE(Value(Value::Dictionary{{"k", nan}}).isIdenticalTo(Value::Dictionary{{"k", nan}}));
    EXPECT_FALSE(Value(Value::Dictionary{{"k", nan}}).isIdenticalTo(Value::Dictionary{{"j", nan}}));
    EXPECT_TRUE(Value(1).isIdenticalTo(Value(true)));
}

TEST(ValueTest, DescriptionIsDeterministic) {
    Value value(Value::Dictionary{
        {"name", "Plain"},
        {"with space", "two words"},
        {"list", Value::Array{1, 2.5, true, Value()}},
        {"empty", Value::Array{}},
        {"bytes", Data::fromString("\x01\x02\x03\x04\x05")},
        {"when", Date(978307200.75)},
        {"nested", Value::Dictionary{{"q", "say \"hi\""}}},
    });
    EXPECT_EQ(value.description(), "{\n"
                                   "    bytes = <01020304 05>;\n"
                                   "    empty = ();\n"
                                   "    list = (\n"
                                   "        1,\n"
                                   "        2.5,\n"
                                   "        1,\n"
                                   "        <null>\n"
                                   "    );\n"
                                   "    name = Plain;\n"
                                   "    nested = {\n"
                                   "        q = \"say \\\"hi\\\"\";\n"
                                   "    };\n"
                                   "    when = 2001-01-01 00:00:00 +0000;\n"
                                   "    \"with space\" = \"two words\";\n"
                                   "}");
    EXPECT_EQ(Value("top level").description(), "top level");
    EXPECT_EQ(Value(Date(-1)).description(), "1969-12-31 23:59:59 +0000");
    EXPECT_EQ(Value(Value::Dictionary{}).description(), "{}");
}

} // namespace
} // namespace base
