#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Timer.h"
#include "platform/testing/PlatformTest.h"

#include <atomic>
#include <glib.h>
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

TEST_F(RunLoopTest, NextTimerDeadlineIsTheEarliest) {
    EXPECT_FALSE(loop.nextTimerDeadline());
    auto now = clock().monotonicNanoseconds();
    loop.dispatchAfter(Seconds(3), [] {});
    loop.dispatchAfter(Seconds(1), [] {});
    EXPECT_EQ(loop.nextTimerDeadline(), now + 1'000'000'000);
}

// The loop as the program runs it: GLib's main context in real time.
class RunLoopOnGLibTest : public ::testing::Test {
protected:
    void SetUp() override { loop.reset(); }
    void TearDown() override { loop.reset(); }
    // Stops the loop after `limit` should the test's own stop never come.
    std::shared_ptr<Timer> safetyNet(Seconds limit = Seconds(20)) {
        return loop.dispatchAfter(limit, [this] {
            gaveUp = true;
            loop.stop();
        });
    }
    RunLoop& loop = RunLoop::main();
    bool gaveUp = false;
};

TEST_F(RunLoopOnGLibTest, OurTimersAndGLibsSourcesFireFromOneLoopOnTheMainThread) {
    struct Seen {
        std::vector<std::string> fired;
        bool glibOnMainThread = false;
    } seen;
    g_timeout_add(
        30,
        [](gpointer data) -> gboolean {
            auto* seen = static_cast<Seen*>(data);
            seen->fired.push_back("glib");
            seen->glibOnMainThread = base::isMainThread();
            RunLoop::main().stop();
            return G_SOURCE_REMOVE;
        },
        &seen);
    auto timer = loop.dispatchAfter(Seconds(0.01), [&] { seen.fired.push_back("ours"); });
    auto safety = safetyNet();
    loop.run();
    safety->invalidate();
    EXPECT_FALSE(gaveUp);
    EXPECT_EQ(seen.fired, (std::vector<std::string>{"ours", "glib"}));
    EXPECT_TRUE(seen.glibOnMainThread);
}

TEST_F(RunLoopOnGLibTest, WorkPostedFromAnotherThreadWakesTheSleepingLoop) {
    std::atomic<bool> ran = false;
    std::thread poster;
    // Started once the loop sleeps in GLib's poll, with nothing due for 20 s.
    loop.dispatch([&] {
        poster = std::thread([&] {
            loop.dispatch([&] {
                ran = true;
                loop.stop();
            });
        });
    });
    auto safety = safetyNet();
    loop.run();
    poster.join();
    safety->invalidate();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(gaveUp);
}

TEST_F(RunLoopOnGLibTest, AnIdleLoopSleepsInsteadOfSpinning) {
    // Counts the turns of GLib's loop: its prepare is asked once per turn.
    struct Counter {
        GSource source;
        std::atomic<int> turns;
    };
    static GSourceFuncs counting = {[](GSource* source, gint* timeout) -> gboolean {
                                        ++reinterpret_cast<Counter*>(source)->turns;
                                        *timeout = -1;
                                        return FALSE;
                                    },
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    nullptr};
    GSource* source = g_source_new(&counting, sizeof(Counter));
    reinterpret_cast<Counter*>(source)->turns = 0;
    g_source_attach(source, g_main_context_default());
    auto stop = loop.dispatchAfter(Seconds(0.3), [&] { loop.stop(); });
    loop.run();
    const int turns = reinterpret_cast<Counter*>(source)->turns;
    g_source_destroy(source);
    g_source_unref(source);
    // A loop that spun would turn thousands of times in 300 ms.
    EXPECT_LT(turns, 20);
    EXPECT_GE(turns, 1);
}

TEST_F(RunLoopOnGLibTest, EndlessOwnWorkDoesNotStarveGLib) {
    // Work that always posts more, as a busy page or animation might.
    std::function<void()> repost = [&] { loop.dispatch(repost); };
    loop.dispatch(repost);
    bool glibRan = false;
    g_idle_add_once([](gpointer ran) { *static_cast<bool*>(ran) = true; }, &glibRan);
    EXPECT_TRUE(loop.runUntil([&] { return glibRan; }, Seconds(10)));
    loop.reset();
}

TEST_F(RunLoopOnGLibTest, WaitingInPlaceServesGLibButHoldsOurWork) {
    std::vector<std::string> ran;
    loop.dispatch([&] { ran.push_back("posted"); });
    auto timer = loop.dispatchAfter(Seconds(0), [&] { ran.push_back("timer"); });
    bool answered = false;
    g_timeout_add_once(
        20, [](gpointer answered) { *static_cast<bool*>(answered) = true; }, &answered);
    EXPECT_TRUE(loop.runOthersUntil([&] { return answered; }, Seconds(10)));
    EXPECT_TRUE(ran.empty());
    // Once the wait is over, the loop takes its work up again.
    EXPECT_TRUE(loop.runUntil([&] { return ran.size() == 2; }, Seconds(10)));
    EXPECT_EQ(ran, (std::vector<std::string>{"posted", "timer"}));
}

TEST_F(RunLoopOnGLibTest, TurnObserversHearOfTurnsThatRanWorkOnly) {
    int turns = 0;
    const auto token = loop.addTurnObserver([&] { ++turns; });
    // Idle for 200 ms: no turn.
    EXPECT_FALSE(loop.runUntil([] { return false; }, Seconds(0.2)));
    EXPECT_EQ(turns, 0);
    // Two functions posted together make one turn; a timer later makes another.
    loop.dispatch([] {});
    loop.dispatch([] {});
    bool fired = false;
    auto timer = loop.dispatchAfter(Seconds(0.05), [&] { fired = true; });
    EXPECT_TRUE(loop.runUntil([&] { return fired; }, Seconds(10)));
    EXPECT_EQ(turns, 2);
    loop.removeTurnObserver(token);
    loop.dispatch([] {});
    EXPECT_FALSE(loop.runUntil([] { return false; }, Seconds(0.1)));
    EXPECT_EQ(turns, 2);
}

TEST_F(RunLoopOnGLibTest, AdvanceIsRefusedWithoutAManualClock) {
    EXPECT_THROW(loop.advance(Seconds(1)), std::logic_error);
    // Nor with one that is no longer the current clock.
    auto previous = loop.useManualClock(std::make_shared<base::ManualClock>());
    base::Clock::install(previous);
    EXPECT_THROW(loop.advance(Seconds(1)), std::logic_error);
    loop.useManualClock(nullptr);
    base::Clock::install(previous);
}

#if BROWSER_MAIN_THREAD_CHECKS
// Builds with the checks hold calls to their main-thread promise.
TEST(MainThreadCheckDeathTest, AMainThreadOnlyCallFromAnotherThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(std::thread([] { RunLoop::main().runUntilIdle(); }).join(),
                 "runUntilIdle.* is main thread only");
}
#endif

TEST_F(RunLoopOnGLibTest, RealTimersFireWhileWaiting) {
    bool fired = false;
    loop.dispatchAfter(Seconds(0.01), [&] { fired = true; });
    EXPECT_TRUE(loop.runUntil([&] { return fired; }, Seconds(10)));
}

} // namespace
