#include "platform/base/RunLoop.h"
#include "platform/base/Timer.h"
#include "platform/testing/PlatformTest.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using base::RunLoop;
using base::Seconds;
using base::Timer;

namespace {

class TimerTest : public testing_support::PlatformTest {
protected:
    RunLoop& loop = RunLoop::main();
};

TEST_F(TimerTest, RepeatingTimerTicksOnItsIntervalUntilInvalidatedKeptAliveByTheLoop) {
    int ticks = 0;
    std::weak_ptr<Timer> timer = Timer::scheduled(Seconds(1), true, [&](Timer& self) {
        if (++ticks == 3)
            self.invalidate();
    });
    loop.advance(Seconds(2.5));
    EXPECT_EQ(ticks, 2);
    loop.advance(Seconds(10));
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(timer.expired());
}

TEST_F(TimerTest, OneShotTimerIsInvalidAfterFiringOrFire) {
    int ticks = 0;
    auto timer = Timer::scheduled(Seconds(1), false, [&](Timer&) { ++ticks; });
    EXPECT_TRUE(timer->isValid());
    loop.advance(Seconds(5));
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(timer->isValid());

    auto fired = Timer::scheduled(Seconds(10), false, [&](Timer&) { ++ticks; });
    fired->fire();
    EXPECT_EQ(ticks, 2);
    EXPECT_FALSE(fired->isValid());
    loop.advance(Seconds(20));
    EXPECT_EQ(ticks, 2);
}

TEST_F(TimerTest, ZeroIntervalRepeatingTimerCannotSpin) {
    int ticks = 0;
    auto timer = Timer::scheduled(Seconds(0), true, [&](Timer&) { ++ticks; });
    loop.runUntilIdle(); // must return
    EXPECT_EQ(ticks, 0);
    loop.advance(Seconds(0.001));
    EXPECT_EQ(ticks, 10);
    timer->invalidate();
}

TEST_F(TimerTest, WeakOwnerTimerStopsOnceTheOwnerIsGone) {
    struct Owner {
        int ticks = 0;
    };
    auto owner = std::make_shared<Owner>();
    auto timer =
        Timer::scheduled<Owner>(Seconds(1), true, owner, [](Owner& o, Timer&) { ++o.ticks; });
    loop.advance(Seconds(2));
    EXPECT_EQ(owner->ticks, 2);
    std::weak_ptr<Owner> weak = owner;
    owner.reset();
    EXPECT_TRUE(weak.expired()) << "the timer must not keep its owner alive";
    loop.advance(Seconds(1));
    EXPECT_FALSE(timer->isValid());
}

TEST_F(TimerTest, SetFireDelayMovesTheNextTick) {
    int ticks = 0;
    auto timer = Timer::scheduled(Seconds(1), false, [&](Timer&) { ++ticks; });
    loop.advance(Seconds(0.5));
    timer->setFireDelay(Seconds(2));
    loop.advance(Seconds(1));
    EXPECT_EQ(ticks, 0);
    loop.advance(Seconds(1));
    EXPECT_EQ(ticks, 1);
}

TEST_F(TimerTest, OneShotTimerRearmedInsideItsCallbackStaysValid) {
    int ticks = 0;
    auto timer = Timer::scheduled(Seconds(1), false, [&](Timer& self) {
        if (++ticks < 3)
            self.setFireDelay(Seconds(1));
    });
    loop.advance(Seconds(10));
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(TimerTest, InvalidatingAnotherTimerDueAtTheSameTimeStopsIt) {
    std::shared_ptr<Timer> second;
    int secondTicks = 0;
    auto first = Timer::scheduled(Seconds(1), false, [&](Timer&) { second->invalidate(); });
    second = Timer::scheduled(Seconds(1), false, [&](Timer&) { ++secondTicks; });
    loop.advance(Seconds(2));
    EXPECT_EQ(secondTicks, 0);
}

TEST_F(TimerTest, ToleranceIsKeptButNeitherDelaysNorCoalescesFirings) {
    std::vector<std::string> fired;
    std::vector<std::int64_t> firedAt;
    auto record = [&](std::string name) {
        return [&, name](Timer&) {
            fired.push_back(name);
            firedAt.push_back(clock().monotonicNanoseconds());
        };
    };
    auto first = Timer::scheduled(Seconds(1), false, record("first"));
    auto second = Timer::scheduled(Seconds(1.2), false, record("second"));
    const std::int64_t firstDue = first->fireDeadline();
    const std::int64_t secondDue = second->fireDeadline();
    first->setTolerance(Seconds(0.5));
    second->setTolerance(Seconds(0.5));
    EXPECT_EQ(first->tolerance(), Seconds(0.5));
    EXPECT_EQ(first->fireDeadline(), firstDue) << "setting a tolerance does not move the timer";

    loop.advance(Seconds(0.9));
    EXPECT_TRUE(fired.empty());
    loop.advance(Seconds(0.1));
    EXPECT_EQ(fired, std::vector<std::string>{"first"}) << "not held back to join the second";
    loop.advance(Seconds(0.5));
    EXPECT_EQ(fired, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(firedAt, (std::vector<std::int64_t>{firstDue, secondDue}));
}

} // namespace
