#include "ads/foundation/VDAbsoluteTime.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>

namespace {

class VDAbsoluteTimeTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        VDAbsoluteTime::resetForTesting();
    }
    void TearDown() override {
        VDAbsoluteTime::resetForTesting();
        PlatformTest::TearDown();
    }
};

TEST_F(VDAbsoluteTimeTest, CountsMillisecondsFromTheFirstReading) {
    EXPECT_EQ(VDAbsoluteTime::absoluteTimeInMilliseconds(), 0u);
    clock().advance(base::Seconds(1));
    EXPECT_EQ(VDAbsoluteTime::absoluteTimeInMilliseconds(), 1000u);
    clock().advanceNanoseconds(999'999);
    EXPECT_EQ(VDAbsoluteTime::absoluteTimeInMilliseconds(), 1000u); // truncated
    clock().advanceNanoseconds(1);
    EXPECT_EQ(VDAbsoluteTime::absoluteTimeInMilliseconds(), 1001u);
    // Far beyond what a tick-count fraction could have held without overflowing.
    clock().advance(base::Seconds(86400.0 * 365 * 200));
    EXPECT_EQ(VDAbsoluteTime::absoluteTimeInMilliseconds(), 1001u + 6'307'200'000'000u);
}

TEST_F(VDAbsoluteTimeTest, NeverGoesBelowZeroWhenTheClockIsReplaced) {
    clock().advance(base::Seconds(100));
    EXPECT_EQ(VDAbsoluteTime::absoluteTimeInMilliseconds(), 0u);
    auto earlier = std::make_shared<base::ManualClock>(); // its monotonic time is lower
    auto previous = base::Clock::install(earlier);
    EXPECT_EQ(VDAbsoluteTime::absoluteTimeInMilliseconds(), 0u);
    base::Clock::install(previous);
}

} // namespace
