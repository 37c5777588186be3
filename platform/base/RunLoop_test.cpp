#include "platform/base/RunLoop.h"
#include "platform/base/Timer.h"
#include "platform/testing/PlatformTest.h"

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

using base::RunLoop;
using base::Seconds;
using base::Timer;

namespace {

class RunLoopTest : public testing_support::PlatformTest {
protected:
    RunLoop& loop = RunLoop::main();
    std::vector<std::string> events;
};

TEST_F(RunLoopTest, PostedFunctionsRunInOrderOnlyWhenTheLoopRuns) {
    loop.dispatch([&] { events.push_back("a"); });
    loop.dispatch([&] {
        events.push_back("b");
        loop.dispatch([&] { events.push_back("posted from b"); });
    });
    EXPECT_TRUE(events.empty());
    loop.runUntilIdle();
    EXPECT_EQ(events, (std::vector<std::string>{"a", "b", "posted from b"}));
}

TEST_F(RunLoopTest, DelayedCallsFireAtTheirTimeInOrder) {
    loop.dispatchAfter(Seconds(2), [&] { events.push_back("2s"); });
    loop.dispatchAfter(Seconds(1), [&] { events.push_back("1s"); });
    loop.dispatchAfter(Seconds(1), [&] { events.push_back("1s again"); });
    loop.runUntilIdle();
    EXPECT_TRUE(events.empty());
    loop.advance(Seconds(0.999));
    EXPECT_TRUE(events.empty());
    loop.advance(Seconds(0.001));
    EXPECT_EQ(events, (std::vector<std::string>{"1s", "1s again"}));
    loop.advance(Seconds(5));
    EXPECT_EQ(events.back(), "2s");
}

TEST_F(RunLoopTest, AdvanceSetsTheClockToEachTimersOwnTime) {
    std::vector<std::int64_t> firedAt;
    auto start = clock().monotonicNanoseconds();
    loop.dispatchAfter(Seconds(1.5), [&] { firedAt.push_back(clock().monotonicNanoseconds()); });
    loop.dispatchAfter(Seconds(0.5), [&] { firedAt.push_back(clock().monotonicNanoseconds()); });
    loop.advance(Seconds(10));
    ASSERT_EQ(firedAt.size(), 2u);
    EXPECT_EQ(firedAt[0] - start, 500'000'000);
    EXPECT_EQ(firedAt[1] - start, 1'500'000'000);
    EXPECT_EQ(clock().monotonicNanoseconds() - start, 10'000'000'000);
}

TEST_F(RunLoopTest, CancelledDelayedCallNeverRuns) {
    auto timer = loop.dispatchAfter(Seconds(1), [&] { events.push_back("fired"); });
    timer->invalidate();
    loop.advance(Seconds(2));
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(timer->isValid());
}

TEST_F(RunLoopTest, ResetDropsPendingWork) {
    loop.dispatch([&] { events.push_back("posted"); });
    auto timer = loop.dispatchAfter(Seconds(1), [&] { events.push_back("timer"); });
    loop.reset();
    loop.advance(Seconds(2));
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(timer->isValid());
}

TEST_F(RunLoopTest, FunctionsPostedFromOtherThreadsAllArrive) {
    std::atomic<int> count = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 250; ++i)
                loop.dispatch([&] { ++count; });
        });
    for (auto& thread : threads)
        thread.join();
    loop.runUntilIdle();
    EXPECT_EQ(count, 1000);
}

TEST_F(RunLoopTest, RunUntilWakesForWorkFromAnotherThread) {
    bool arrived = false;
    std::thread worker([&] { loop.dispatch([&] { arrived = true; }); });
    EXPECT_TRUE(loop.runUntil([&] { return arrived; }, Seconds(10)));
    worker.join();
}

TEST_F(RunLoopTest, RunUntilGivesUpAfterItsTimeout) {
    EXPECT_FALSE(loop.runUntil([] { return false; }, Seconds(0.05)));
}

TEST_F(RunLoopTest, RunReturnsWhenStopped) {
    loop.dispatch([&] {
        events.push_back("ran");
        loop.stop();
    });
    loop.run();
    EXPECT_EQ(events, (std::vector<std::string>{"ran"}));
}

TEST_F(RunLoopTest, WaitsInTheEventPumpAndWakesItForPostedWork) {
    struct Pump : RunLoop::EventPump {
        int waits = 0;
        std::atomic<int> wakeUps = 0;
        std::function<void()> onWait;
        void wait(Seconds) override {
            ++waits;
            if (onWait)
                std::exchange(onWait, nullptr)();
        }
        void wakeUp() override { ++wakeUps; }
    };
    auto pump = std::make_shared<Pump>();
    loop.setEventPump(pump);
    // An event the pump handles posts work, as a web engine's signal would.
    pump->onWait = [&] { loop.dispatch([&] { events.push_back("from pump"); }); };
    bool done = loop.runUntil([&] { return !events.empty(); }, Seconds(10));
    loop.setEventPump(nullptr);
    EXPECT_TRUE(done);
    EXPECT_GE(pump->waits, 1);
    EXPECT_GE(pump->wakeUps, 1);
}

TEST_F(RunLoopTest, EndlessOwnWorkDoesNotStarveTheEventPump) {
    struct Pump : RunLoop::EventPump {
        int waits = 0;
        void wait(Seconds) override { ++waits; }
        void wakeUp() override {}
    };
    auto pump = std::make_shared<Pump>();
    loop.setEventPump(pump);
    // Work that always posts more, as a busy page or animation might.
    std::function<void()> repost = [&] { loop.dispatch(repost); };
    loop.dispatch(repost);
    loop.runUntil([&] { return pump->waits >= 3; }, Seconds(10));
    loop.setEventPump(nullptr);
    loop.reset();
    EXPECT_GE(pump->waits, 3);
}

TEST_F(RunLoopTest, NextTimerDeadlineIsTheEarliest) {
    EXPECT_FALSE(loop.nextTimerDeadline());
    auto now = clock().monotonicNanoseconds();
    loop.dispatchAfter(Seconds(3), [] {});
    loop.dispatchAfter(Seconds(1), [] {});
    EXPECT_EQ(loop.nextTimerDeadline(), now + 1'000'000'000);
}

TEST(RunLoopWithoutManualClock, AdvanceIsRefused) {
    EXPECT_THROW(RunLoop::main().advance(Seconds(1)), std::logic_error);
}

TEST(RunLoopWithoutManualClock, RealTimersFireWhileWaiting) {
    bool fired = false;
    RunLoop::main().dispatchAfter(Seconds(0.01), [&] { fired = true; });
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return fired; }, Seconds(10)));
}

} // namespace
