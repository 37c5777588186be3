#include "platform/base/Decimal.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace base {
namespace {

Decimal parsed(std::string_view text) {
    auto value = Decimal::parse(text);
    EXPECT_TRUE(value.has_value()) << text;
    return value.value_or(Decimal());
}

TEST(DecimalTest, ParsesAndPrintsPlainNotation) {
    struct Case {
        const char* text;
        const char* printed;
    };
    const Case cases[] = {
        {"0", "0"},
        {"-0", "0"},
        {"12", "12"},
        {"+12", "12"},
        {"-0.5", "-0.5"},
        {".5", "0.5"},
        {"5.", "5"},
        {"1200", "1200"},
        {"1.2e3", "1200"},
        {"1.50", "1.5"},
        {"000123.4500", "123.45"},
        {"0.000001", "0.000001"},
        {"-1E-3", "-0.001"},
        {"9223372036854775807", "9223372036854775807"},
        {"-9223372036854775808", "-9223372036854775808"},
        // Twenty significant digits round to nineteen.
        {"12345678901234567891", "12345678901234567890"},
        {"0.12345678901234567895", "0.123456789012345679"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parsed(c.text).toString(), c.printed) << c.text;
}

TEST(DecimalTest, RejectsMalformedOrOutOfRangeText) {
    for (const char* text : {"", "-", ".", "abc", "12abc", "1e", "1e+", " 1", "1 ", "1..2", "--1",
                             "1e400", "1e-400", "0x10"})
        EXPECT_FALSE(Decimal::parse(text).has_value()) << text;
    // Zero with any exponent is still zero.
    EXPECT_EQ(parsed("0e999999"), Decimal(0));
}

TEST(DecimalTest, AddsAcrossSignsAndExponents) {
    struct Case {
        Decimal a, b;
        const char* sum;
    };
    const Case cases[] = {
        {Decimal(1), Decimal(2), "3"},
        {Decimal(15, -1), Decimal(25, -2), "1.75"},
        {Decimal(-15, -1), Decimal(25, -2), "-1.25"},
        {Decimal(5, 3), Decimal(-5, -3), "4999.995"},
        {Decimal(1, -1), Decimal(2, -1), "0.3"},
        {Decimal(-3), Decimal(3), "0"},
        {Decimal(0), Decimal(-7, -2), "-0.07"},
        {Decimal(12, 2), Decimal(0), "1200"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ((c.a + c.b).toString(), c.sum) << c.a.toString() << " + " << c.b.toString();
        EXPECT_EQ((c.b + c.a).toString(), c.sum) << "commuted";
    }
}

TEST(DecimalTest, AdditionKeepsNineteenDigitsWithoutOverflow) {
    Decimal max(std::numeric_limits<std::int64_t>::max());
    // The exact sum has one digit too many; it is rounded instead of wrapping.
    EXPECT_EQ((max + max).toString(), "18446744073709551610");
    // A term far below the kept digits cannot change the result and must not overflow.
    EXPECT_EQ((Decimal(1, 100) + Decimal(1, -100)), Decimal(1, 100));
    EXPECT_EQ((Decimal(1, 30) + Decimal(7, 0)).toString(), "1000000000000000000000000000000");
    // A gap just inside the kept digits still counts.
    EXPECT_EQ((Decimal(1, 18) + Decimal(7, 0)).toString(), "1000000000000000007");
    EXPECT_EQ((Decimal(1, 40) + Decimal(6, 21)), Decimal(1000000000000000001, 22));
}

TEST(DecimalTest, ComparesByValue) {
    EXPECT_EQ(Decimal(15, -1), Decimal(150, -2));
    EXPECT_EQ(Decimal(0, 5), Decimal(0, -3));
    EXPECT_LT(Decimal(-2), Decimal(-1));
    EXPECT_LT(Decimal(-1, 3), Decimal(1, -3));
    EXPECT_GT(Decimal(1, 3), Decimal(999));
    EXPECT_LT(Decimal(999, -3), Decimal(1));
    EXPECT_GT(Decimal(-999, -3), Decimal(-1));
    EXPECT_LT(Decimal(123456789, -20), Decimal(1, -11));
    EXPECT_NE(Decimal(1, 2), Decimal(1, 3));
}

TEST(DecimalTest, ConvertsToBinaryNumbers) {
    EXPECT_DOUBLE_EQ(parsed("0.1").toDouble(), 0.1);
    EXPECT_DOUBLE_EQ(Decimal(-25, -1).toDouble(), -2.5);
    EXPECT_EQ(parsed("1e127").toDouble(), 1e127);
    EXPECT_EQ(Decimal(1, 400).toDouble(), HUGE_VAL);
    EXPECT_EQ(Decimal(1, -400).toDouble(), 0.0);

    EXPECT_EQ(Decimal(37, -1).toInt64(), 3);
    EXPECT_EQ(Decimal(-37, -1).toInt64(), -3);
    EXPECT_EQ(Decimal(12, 3).toInt64(), 12000);
    EXPECT_EQ(Decimal(1, -30).toInt64(), 0);
    EXPECT_EQ(Decimal(5, 30).toInt64(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Decimal(-5, 30).toInt64(), std::numeric_limits<std::int64_t>::min());
}

TEST(DecimalTest, MakesFromPlatformStyleParts) {
    EXPECT_EQ(Decimal::make(125, -2, true).toString(), "-1.25");
    EXPECT_EQ(Decimal::make(7, 2, false).toString(), "700");
    // A mantissa beyond the signed range loses its last digit, rounded.
    Decimal big = Decimal::make(std::numeric_limits<std::uint64_t>::max(), 0, false);
    EXPECT_EQ(big.toString(), "18446744073709551620");
    EXPECT_EQ((-Decimal(std::numeric_limits<std::int64_t>::min())).toString(),
              "9223372036854775810");
}

TEST(DecimalTest, ExtremeExponentsPrintCompactly) {
    EXPECT_EQ(Decimal(15, 1000).toString(), "15E1000");
    EXPECT_EQ(Decimal(-15, -1000).toString(), "-15E-1000");
    EXPECT_EQ(Decimal(1, 3).toString(), "1000");
}

} // namespace
} // namespace base
