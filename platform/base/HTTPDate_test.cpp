#include "platform/base/Clock.h"
#include "platform/base/HTTPDate.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr double kNov6th1994 = 784111777; // Sun, 06 Nov 1994 08:49:37 GMT

TEST(HTTPDateTest, ReadsTheThreeForms) {
    struct Case {
        std::string text;
        double seconds;
    };
    const std::vector<Case> cases = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", kNov6th1994},
        {"Sunday, 06-Nov-94 08:49:37 GMT", kNov6th1994},
        {"Sun Nov  6 08:49:37 1994", kNov6th1994},
        {"Sun Nov 06 08:49:37 1994", kNov6th1994},
        {"  Sun, 06 Nov 1994 08:49:37 GMT \t", kNov6th1994},
        {"sun, 06 nov 1994 08:49:37 gmt", kNov6th1994},
        {"Sun, 6 Nov 1994 08:49:37 UTC", kNov6th1994},
        {"Sun, 06 Nov 1994 09:49:37 +0100", kNov6th1994},
        {"Sun, 06 Nov 1994 00:49:37 PST", kNov6th1994},
        {"Sun, 06 Nov 1994 03:19:37 -0530", kNov6th1994},
        {"Thu, 01 Jan 1970 00:00:00 GMT", 0},
        {"Wed, 31 Dec 1969 23:59:59 GMT", -1},
        {"Tue, 29 Feb 2000 12:00:00 GMT", 951825600},
        {"Sat, 01 Jan 2050 00:00:00 GMT", 2524608000},
        {"Wednesday, 09-Jun-21 10:18:14 GMT", 1623233894},
        {"Thu, 31 Dec 1998 23:59:60 GMT", 915148800},      // leap second runs on
        {"Sun, 06-Nov-1994 08:49:37 GMT", kNov6th1994},    // cookie style
        {"Sunday, 06 Nov 1994 08:49:37 GMT", kNov6th1994}, // full weekday, RFC 1123 layout
    };
    for (const auto& c : cases) {
        const auto date = base::parseHTTPDate(c.text);
        ASSERT_TRUE(date.has_value()) << c.text;
        EXPECT_EQ(date->timeIntervalSince1970(), c.seconds) << c.text;
    }
}

TEST(HTTPDateTest, TwoDigitYearsLieAtMostFiftyYearsAhead) {
    struct Case {
        int currentYear;
        const char* year;
        int expected;
    };
    const Case cases[] = {
        {2026, "70", 2070}, {2026, "74", 2074}, {2026, "76", 2076}, {2026, "77", 1977},
        {2026, "99", 1999}, {2026, "00", 2000}, {2026, "26", 2026}, {2090, "40", 2140},
        {2090, "41", 2041}, {2090, "01", 2101}, {2090, "89", 2089}, {2090, "90", 2090},
    };
    for (const auto& c : cases) {
        auto previous = base::Clock::install(
            std::make_shared<base::ManualClock>(*base::Date::fromUTC(c.currentYear, 6, 1)));
        const auto date =
            base::parseHTTPDate(std::string("Friday, 01-Jan-") + c.year + " 00:00:00 GMT");
        base::Clock::install(previous);
        EXPECT_EQ(date, base::Date::fromUTC(c.expected, 1, 1))
            << "\"" << c.year << "\" in " << c.currentYear;
    }
}

TEST(HTTPDateTest, RefusesBadText) {
    for (const char* text : {
             "",
             "yesterday",
             "Sun, 06 Nov 1994 08:49:37",     // no zone
             "Sun, 06 Nov 1994 08:49:37 XYZ", // unknown zone
             "Sun, 06 Nov 1994 08:49 GMT",    // no seconds
             "Sun, 31 Feb 1994 08:49:37 GMT", // no such day
             "Sun, 00 Nov 1994 08:49:37 GMT",
             "Sun, 06 Nov 1994 24:00:00 GMT", // no such hour
             "Sun, 06 Nov 1994 08:61:00 GMT",
             "Sun, 06 Foo 1994 08:49:37 GMT",   // no such month
             "Fun, 06 Nov 1994 08:49:37 GMT",   // no such weekday
             "Sun, 06 Nov 94 08:49:37 GMT",     // RFC 1123 needs four year digits
             "Sun 06 Nov 1994 08:49:37 GMT",    // comma missing
             "Sunday, 06-Nov-994 08:49:37 GMT", // three year digits
             "Sun, 06 Nov 1994 08:49:37 GMT,",
             "Sunday, 06-Nov 08:49:37 GMT",
             "Sun Nov  6 08:49:37",     // asctime without year
             "Sun Nov  6 8:49:37 1994", // one hour digit
             "Sun, 06 Nov 1994 08:49:37 GMT extra",
             "Sun, 06 Nov 1994 08:49:37 +2500",
         })
        EXPECT_EQ(base::parseHTTPDate(text), std::nullopt) << text;
}

TEST(HTTPDateTest, FormatsRFC1123) {
    EXPECT_EQ(base::formatHTTPDate(base::Date(kNov6th1994)), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(base::formatHTTPDate(base::Date(kNov6th1994 + 0.999)),
              "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(base::formatHTTPDate(base::Date(0)), "Thu, 01 Jan 1970 00:00:00 GMT");
    EXPECT_EQ(base::formatHTTPDate(base::Date(-0.5)), "Wed, 31 Dec 1969 23:59:59 GMT");
    EXPECT_EQ(base::formatHTTPDate(base::Date(951825600)), "Tue, 29 Feb 2000 12:00:00 GMT");
    EXPECT_EQ(base::formatHTTPDate(base::Date(-62135596800.0)), "Mon, 01 Jan 0001 00:00:00 GMT");
    EXPECT_EQ(base::formatHTTPDate(base::Date(1e300)), "");
    EXPECT_EQ(base::formatHTTPDate(base::Date(std::nan(""))), "");
}

TEST(HTTPDateTest, FormattedDatesReadBack) {
    for (double seconds : {0.0, 86399.0, 1e9, 1700000000.0, -1e9, 4102444800.0}) {
        const auto text = base::formatHTTPDate(base::Date(seconds));
        EXPECT_EQ(base::parseHTTPDate(text), base::Date(seconds)) << text;
    }
}

} // namespace
