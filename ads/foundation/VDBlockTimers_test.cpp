#include "ads/foundation/VDBlockTimers.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

class VDBlockTimersTest : public testing_support::PlatformTest {
protected:
    void advance(double seconds) { base::RunLoop::main().advance(base::Seconds(seconds)); }
};

TEST_F(VDBlockTimersTest, RepeatingTimerRunsItsBlockWithItself) {
    int fired = 0;
    base::Timer* seen = nullptr;
    auto timer = vd_scheduledTimerWithTimeIntervalRepeatsToleranceBlock(
        base::Seconds(2), true, base::Seconds(0.2), [&](base::Timer& t) {
            ++fired;
            seen = &t;
        });
    EXPECT_EQ(timer->tolerance(), base::Seconds(0.2));
    EXPECT_TRUE(timer->repeats());
    advance(1.9);
    EXPECT_EQ(fired, 0);
    advance(0.1);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(seen, timer.get());
    advance(6);
    EXPECT_EQ(fired, 4);
    timer->invalidate();
    advance(10);
    EXPECT_EQ(fired, 4);
}

TEST_F(VDBlockTimersTest, OneShotTimerFiresOnce) {
    int fired = 0;
    auto timer = vd_scheduledTimerWithTimeIntervalRepeatsToleranceBlock(
        base::Seconds(1), false, base::Seconds(0), [&](base::Timer&) { ++fired; });
    EXPECT_EQ(timer->tolerance(), base::Seconds(0)); // none set
    advance(5);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(VDBlockTimersTest, IntervalsAtOrBelowZeroAreClampedNotSpun) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double interval : {0.0, -5.0, 0.00001, nan}) {
        int fired = 0;
        auto timer = vd_scheduledTimerWithTimeIntervalRepeatsToleranceBlock(
            base::Seconds(interval), true, base::Seconds(nan), [&](base::Timer&) { ++fired; });
        EXPECT_EQ(timer->interval(), kVDMinimumRepeatingTimerInterval) << interval;
        EXPECT_EQ(timer->tolerance(), base::Seconds(0)) << interval;
        advance(1.0001);
        EXPECT_EQ(fired, 10) << interval;
        timer->invalidate();
    }
    EXPECT_EQ(VDEffectiveTimerInterval(base::Seconds(-1), false), base::Seconds(0));
    EXPECT_EQ(VDEffectiveTimerInterval(base::Seconds(3), true), base::Seconds(3));
}

TEST_F(VDBlockTimersTest, TimerKeepsItsOwnerOnlyWeakly) {
    struct Owner {
        int ticks = 0;
    };
    auto owner = std::make_shared<Owner>();
    auto timer = vd_scheduledTimerWithTimeIntervalRepeatsToleranceBlock<Owner>(
        base::Seconds(1), true, base::Seconds(0), std::weak_ptr<Owner>(owner),
        [](Owner& o, base::Timer&) { ++o.ticks; });
    advance(2);
    EXPECT_EQ(owner->ticks, 2);
    EXPECT_EQ(owner.use_count(), 1);

    std::weak_ptr<Owner> gone = owner;
    owner.reset();
    EXPECT_TRUE(gone.expired());
    EXPECT_TRUE(timer->isValid());
    advance(1); // the first tick without an owner ends the timer
    EXPECT_FALSE(timer->isValid());
}

} // namespace
