#include "ads/foundation/VDNumberStrings.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(VDNumberStringsTest, ShortDecimalForm) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {1.5, "1.5"},
        {2.0, "2"},
        {0.0, "0"},
        {10.0, "10"},
        {100, "100"},
        {-3.25, "-3.25"},
        {0.1, "0.1"},
        {1.0000001, "1"},
        {2.000001, "2.000001"},
        {1e20, "100000000000000000000"},
        {320.5, "320.5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vd_shortStringWithCGFloat(c.value), c.text) << c.value;
    EXPECT_EQ(vd_shortStringWithCGFloat(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(vd_shortStringWithCGFloat(std::numeric_limits<double>::max()).size(), 309u);
}

TEST(VDNumberStringsTest, StrictNumbersAreTheWholeText) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"12", 12},  {" -5\t", -5}, {"+2.5", 2.5}, {"1e3", 1000}, {"0", 0},    {"", {}},
        {"  ", {}},  {"12abc", {}}, {"0x10", {}},  {"nan", {}},   {"inf", {}}, {"1e400", {}},
        {"--1", {}}, {"+", {}},     {"1 2", {}},   {"\n3", {}},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(vd_doubleFromStrictString(text), value) << text;
}

} // namespace
