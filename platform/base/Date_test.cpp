#include "platform/base/Date.h"

#include <array>
#include <gtest/gtest.h>

namespace {

TEST(DateTest, FromUTCCountsCalendarDaysAndRefusesImpossibleOnes) {
    EXPECT_EQ(base::Date::fromUTC(1970, 1, 1), base::Date(0));
    EXPECT_EQ(base::Date::fromUTC(1994, 11, 6, 8, 49, 37), base::Date(784111777));
    EXPECT_EQ(base::Date::fromUTC(2000, 2, 29, 12), base::Date(951825600));
    EXPECT_EQ(base::Date::fromUTC(1969, 12, 31, 23, 59, 59), base::Date(-1));
    EXPECT_EQ(base::Date::fromUTC(1, 1, 1), base::Date(-62135596800.0));
    EXPECT_EQ(base::Date::fromUTC(9999, 12, 31, 23, 59, 59), base::Date(253402300799.0));
    EXPECT_EQ(base::Date::fromUTC(1998, 12, 31, 23, 59, 60), base::Date(915148800)); // leap second
    for (auto [year, month, day, hour, minute, second] :
         {std::array{2001, 2, 29, 0, 0, 0}, std::array{1900, 2, 29, 0, 0, 0},
          std::array{2020, 4, 31, 0, 0, 0}, std::array{2020, 0, 1, 0, 0, 0},
          std::array{2020, 13, 1, 0, 0, 0}, std::array{2020, 1, 0, 0, 0, 0},
          std::array{2020, 1, 1, 24, 0, 0}, std::array{2020, 1, 1, 0, 60, 0},
          std::array{2020, 1, 1, 0, 0, 61}, std::array{2020, 1, 1, -1, 0, 0},
          std::array{40000, 1, 1, 0, 0, 0}})
        EXPECT_EQ(base::Date::fromUTC(year, month, day, hour, minute, second), std::nullopt)
            << year << "-" << month << "-" << day << " " << hour << ":" << minute << ":" << second;
}

} // namespace
