#include "ads/foundation/VDBlockTimers.h"
#include "ads/foundation/VDScheduler.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"

#include <atomic>
#include <gtest/gtest.h>

namespace {

class VDSchedulerTest : public testing_support::PlatformTest {
protected:
    // One tick of the scheduler and the main-queue work it queued.
    void tick(double seconds) {
        base::RunLoop::main().advance(base::Seconds(seconds));
        base::RunLoop::main().runUntilIdle();
    }
};

TEST_F(VDSchedulerTest, TimerIntervalAndTolerance) {
    struct Case {
        double interval;
        double expectedInterval;
        double expectedTolerance;
    };
    const Case cases[] = {
        {10, 10, 1},
        {0.4, 0.4, 0.04},
        {0, 0.1, 0.01},
        {-3, 0.1, 0.01},
    };
    for (const auto& c : cases) {
        auto scheduler = VDScheduler::createWithInterval(base::Seconds(c.interval));
        EXPECT_FALSE(scheduler->isStarted());
        scheduler->start();
        auto timer = scheduler->timer();
        ASSERT_TRUE(timer);
        EXPECT_DOUBLE_EQ(timer->interval().count(), c.expectedInterval) << c.interval;
        EXPECT_DOUBLE_EQ(timer->tolerance().count(), c.expectedTolerance) << c.interval;
        scheduler->start(); // already started: same timer
        EXPECT_EQ(scheduler->timer(), timer);
        scheduler->stop();
        EXPECT_FALSE(timer->isValid());
        EXPECT_FALSE(scheduler->isStarted());
        scheduler->stop();
    }
}

TEST_F(VDSchedulerTest, RegistrationNumbers) {
    auto scheduler = VDScheduler::createWithInterval(base::Seconds(1));
    EXPECT_EQ(scheduler->taskIDScheduledOnQueueBlock(std::nullopt, [] {}), -1);
    EXPECT_EQ(scheduler->taskIDScheduledOnQueueBlock(base::mainQueue(), nullptr), -1);
    EXPECT_EQ(scheduler->taskCount(), 0u);
    EXPECT_EQ(scheduler->taskIDScheduledOnQueueBlock(base::mainQueue(), [] {}), 1);
    EXPECT_EQ(scheduler->taskIDScheduledOnQueueBlock(base::mainQueue(), [] {}), 2);
    scheduler->unscheduleTaskWithID(1);
    scheduler->unscheduleTaskWithID(42);
    EXPECT_EQ(scheduler->taskCount(), 1u);
    EXPECT_EQ(scheduler->taskIDScheduledOnQueueBlock(base::mainQueue(), [] {}), 3);
    EXPECT_FALSE(scheduler->isStarted()); // registering does not start it
    EXPECT_NE(scheduler->description().find(": 2 blocks, 1.000000 interval"), std::string::npos)
        << scheduler->description();
}

TEST_F(VDSchedulerTest, TicksQueueEveryTaskOnItsQueue) {
    auto scheduler = VDScheduler::createWithInterval(base::Seconds(10));
    int onMain = 0;
    std::atomic<int> onBackground{0};
    std::atomic<bool> wrongQueue{false};
    base::DispatchQueue background("viz.azodoz.eziro.scheduler-test");
    scheduler->taskIDScheduledOnQueueBlock(base::mainQueue(), [&] { ++onMain; });
    scheduler->taskIDScheduledOnQueueBlock(background, [&, background] {
        if (!background.isCurrent())
            wrongQueue = true;
        ++onBackground;
    });
    scheduler->start();
    tick(9.9);
    EXPECT_EQ(onMain, 0);
    for (int i = 1; i <= 3; ++i) {
        tick(i == 1 ? 0.1 : 10);
        background.sync([] {}); // what the tick queued there has run
        EXPECT_EQ(onMain, i);
        EXPECT_EQ(onBackground.load(), i);
    }
    EXPECT_FALSE(wrongQueue);
    scheduler->stop();
    tick(30);
    background.sync([] {});
    EXPECT_EQ(onMain, 3);
    EXPECT_EQ(onBackground.load(), 3);
}

TEST_F(VDSchedulerTest, UnscheduleInsideATick) {
    auto scheduler = VDScheduler::createWithInterval(base::Seconds(1));
    int first = 0, second = 0, third = 0;
    std::int64_t secondID = 0;
    std::int64_t firstID = 0;
    firstID = scheduler->taskIDScheduledOnQueueBlock(base::mainQueue(), [&] {
        ++first;
        // Both this task and the next one were queued by the same tick.
        scheduler->unscheduleTaskWithID(secondID);
        scheduler->unscheduleTaskWithID(firstID);
        scheduler->taskIDScheduledOnQueueBlock(base::mainQueue(), [&] { ++third; });
    });
    secondID = scheduler->taskIDScheduledOnQueueBlock(base::mainQueue(), [&] { ++second; });
    scheduler->start();
    tick(1);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0); // unscheduled before its queued run came up
    EXPECT_EQ(third, 0);  // registered after the tick
    EXPECT_EQ(scheduler->taskCount(), 1u);
    tick(1);
    tick(1);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(third, 2);
}

TEST_F(VDSchedulerTest, TimerHoldsTheSchedulerWeaklyAndDiesWithIt) {
    auto scheduler = VDScheduler::createWithInterval(base::Seconds(1));
    int ran = 0;
    scheduler->taskIDScheduledOnQueueBlock(base::mainQueue(), [&] { ++ran; });
    scheduler->start();
    auto timer = scheduler->timer();
    tick(1);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(scheduler.use_count(), 1);
    scheduler.reset(); // dropped while started
    EXPECT_FALSE(timer->isValid());
    tick(5);
    EXPECT_EQ(ran, 1);
}

TEST_F(VDSchedulerTest, ExecuteBlocksQueuesEachTaskOnce) {
    auto scheduler = VDScheduler::createWithInterval(base::Seconds(1));
    int ran = 0;
    scheduler->taskIDScheduledOnQueueBlock(base::mainQueue(), [&] { ++ran; });
    scheduler->executeBlocks();
    EXPECT_EQ(ran, 0); // queued, not run inline
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(ran, 1);
}

} // namespace
