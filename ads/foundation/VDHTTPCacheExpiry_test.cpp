#include "ads/foundation/VDHTTPCacheExpiry.h"
#include "platform/base/HTTPDate.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Headers = std::vector<std::pair<std::string, std::string>>;

net::HTTPURLResponse responseWith(const Headers& headers) {
    net::HTTPHeaderFields fields;
    for (const auto& [name, value] : headers)
        EXPECT_TRUE(fields.append(name, value)) << name;
    return net::HTTPURLResponse(base::URL::parse("http://127.0.0.1/ad"), 200, std::move(fields));
}

class VDHTTPCacheExpiryTest : public testing_support::PlatformTest {
protected:
    base::Date now() const { return base::Date::now(); }
    std::string httpDate(double secondsFromNow) const {
        return base::formatHTTPDate(now().addingTimeInterval(secondsFromNow));
    }
};

TEST_F(VDHTTPCacheExpiryTest, ExpiryMatrix) {
    struct Case {
        const char* name;
        Headers headers;
        // Seconds from now of the expected expiry; nullopt: not to be cached.
        std::optional<double> expected;
    };
    const std::vector<Case> cases = {
        {"no headers", {}, std::nullopt},
        {"Pragma no-cache wins over max-age",
         {{"Pragma", "no-cache"}, {"Cache-Control", "max-age=60"}},
         std::nullopt},
        {"Pragma in capitals", {{"Pragma", "NO-CACHE"}, {"Expires", httpDate(60)}}, std::nullopt},
        {"other Pragma is ignored", {{"Pragma", "x-foo"}, {"Cache-Control", "max-age=60"}}, 60},
        {"no-store", {{"Cache-Control", "no-store, max-age=60"}}, std::nullopt},
        {"no-store in capitals", {{"Cache-Control", "max-age=60, No-Store"}}, std::nullopt},
        {"no-cache", {{"Cache-Control", "no-cache"}, {"Expires", httpDate(60)}}, std::nullopt},
        {"no-cache with max-age", {{"Cache-Control", "max-age=60, NO-CACHE"}}, std::nullopt},
        {"max-age 0", {{"Cache-Control", "max-age=0"}, {"Expires", httpDate(60)}}, std::nullopt},
        {"max-age -5", {{"Cache-Control", "max-age=-5"}, {"Expires", httpDate(60)}}, std::nullopt},
        {"max-age abc without Expires", {{"Cache-Control", "max-age=abc"}}, std::nullopt},
        {"max-age abc falls back to Expires",
         {{"Cache-Control", "max-age=abc"}, {"Expires", httpDate(120)}},
         120},
        {"max-age 60 without Date", {{"Cache-Control", "max-age=60"}}, 60},
        {"max-age 60 counts from Date",
         {{"Date", httpDate(-30)}, {"Cache-Control", "max-age=60"}},
         30},
        {"max-age ignores Expires",
         {{"Cache-Control", "public, MAX-AGE=60"}, {"Expires", httpDate(-100)}},
         60},
        {"max-age quoted", {{"Cache-Control", "max-age=\"60\""}}, 60},
        {"max-age with bad Date counts from now",
         {{"Date", "yesterday"}, {"Cache-Control", "max-age=60"}},
         60},
        {"huge max-age is clamped",
         {{"Cache-Control", "max-age=99999999999999999999999999"}},
         kVDMaximumCacheLifetime},
        {"huge max-age counts from Date after the clamp",
         {{"Date", httpDate(-100)}, {"Cache-Control", "max-age=99999999999999999999"}},
         kVDMaximumCacheLifetime - 100},
        // A Date ahead of our clock makes a response no younger than new.
        {"max-age from a Date in the year 9999 counts from now",
         {{"Date", "Fri, 31 Dec 9999 23:59:59 GMT"}, {"Cache-Control", "max-age=60"}},
         60},
        {"max-age from a Date an hour ahead counts from now",
         {{"Date", httpDate(3600)}, {"Cache-Control", "max-age=60"}},
         60},
        {"max-age protected by quotes keeps its comma",
         {{"Cache-Control", "private=\"a, no-store\", max-age=60"}},
         60},
        {"directives with blanks that are not ASCII are other directives",
         {{"Cache-Control", "max-age=60, \xC2\xA0no-store"}},
         60},
        {"s-maxage is not max-age", {{"Cache-Control", "s-maxage=60"}}, std::nullopt},
        {"directives on two lines",
         {{"Cache-Control", "max-age=60"}, {"Cache-Control", "no-store"}},
         std::nullopt},
        {"Cache-Control without lifetime and no Expires",
         {{"Cache-Control", "public"}},
         std::nullopt},
        {"Expires in the past", {{"Expires", httpDate(-10)}}, std::nullopt},
        {"Expires equal to Date", {{"Date", httpDate(0)}, {"Expires", httpDate(0)}}, std::nullopt},
        {"Expires in the future", {{"Expires", httpDate(300)}}, 300},
        {"Expires just inside the lifetime bound",
         {{"Expires", httpDate(kVDMaximumCacheLifetime - 1)}},
         kVDMaximumCacheLifetime - 1},
        {"Expires at the lifetime bound",
         {{"Expires", httpDate(kVDMaximumCacheLifetime)}},
         kVDMaximumCacheLifetime},
        {"Expires one second past the lifetime bound is clamped",
         {{"Expires", httpDate(kVDMaximumCacheLifetime + 1)}},
         kVDMaximumCacheLifetime},
        {"Expires far in the future is clamped",
         {{"Expires", httpDate(3e9)}},
         kVDMaximumCacheLifetime},
        {"Expires in the year 9999 is clamped",
         {{"Expires", "Fri, 31 Dec 9999 23:59:59 GMT"}},
         kVDMaximumCacheLifetime},
        // The bound applies to the lifetime Expires gives over Date, and is then counted from
        // now: clamping the date itself, or counting from Date, would land a billion seconds
        // earlier.
        {"Expires far past an old Date is clamped from now",
         {{"Date", httpDate(-1e9)}, {"Expires", httpDate(2e9)}},
         kVDMaximumCacheLifetime},
        {"Expires counts from Date", {{"Date", httpDate(-100)}, {"Expires", httpDate(0)}}, 100},
        {"Expires with bad Date counts from now",
         {{"Date", "not a date"}, {"Expires", httpDate(50)}},
         50},
        {"Expires unreadable", {{"Expires", "0"}}, std::nullopt},
        {"RFC 850 dates with two-digit years",
         {{"Date", "Sunday, 06-Nov-94 08:49:37 GMT"},
          {"Expires", "Sunday, 06-Nov-94 08:50:37 GMT"}},
         60},
        {"asctime dates",
         {{"Date", "Sun Nov  6 08:49:37 1994"}, {"Expires", "Sun Nov  6 08:49:47 1994"}},
         10},
        {"two-digit year across the century",
         {{"Date", "Friday, 31-Dec-99 23:59:00 GMT"},
          {"Expires", "Saturday, 01-Jan-00 00:01:00 GMT"}},
         120},
    };
    for (const auto& c : cases) {
        auto expiry = vd_expirationDate(responseWith(c.headers));
        if (!c.expected) {
            EXPECT_FALSE(expiry) << c.name;
            continue;
        }
        ASSERT_TRUE(expiry) << c.name;
        EXPECT_DOUBLE_EQ(expiry->timeIntervalSince(now()), *c.expected) << c.name;
    }
}

TEST_F(VDHTTPCacheExpiryTest, HeaderNamesMatchWithoutCase) {
    auto expiry = vd_expirationDate(responseWith({{"cache-control", "max-age=60"}}));
    ASSERT_TRUE(expiry);
    EXPECT_DOUBLE_EQ(expiry->timeIntervalSince(now()), 60);
    EXPECT_FALSE(
        vd_expirationDate(responseWith({{"PRAGMA", "no-cache"}, {"expires", httpDate(5)}})));
}

TEST(VDHTTPDateTest, ReadsTheThreeFormsInGMT) {
    const double expected = 784111777; // 1994-11-06 08:49:37 UTC
    for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sun Nov  6 08:49:37 1994",
                             "Sunday, 06-Nov-94 08:49:37 GMT"}) {
        auto date = vd_dateFromHttpDateString(text);
        ASSERT_TRUE(date) << text;
        EXPECT_DOUBLE_EQ(date->timeIntervalSince1970(), expected) << text;
    }
    EXPECT_DOUBLE_EQ(
        vd_dateFromHttpDateString("Thursday, 01-Jan-37 00:00:00 GMT")->timeIntervalSince1970(),
        2114380800); // 2037
    for (const char* text : {"", "0", "-1", "tomorrow", "Sun, 31 Feb 1994 08:49:37 GMT"})
        EXPECT_FALSE(vd_dateFromHttpDateString(text)) << text;
}

} // namespace
