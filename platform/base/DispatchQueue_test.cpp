#include "platform/base/DispatchQueue.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

using base::DispatchQueue;
using base::RunLoop;
using base::Seconds;

namespace {

class DispatchQueueTest : public testing_support::PlatformTest {};

TEST_F(DispatchQueueTest, RunsFunctionsOneAtATimeInOrder) {
    DispatchQueue queue("test.serial");
    std::vector<int> order;
    std::atomic<int> concurrent = 0;
    std::atomic<int> maxConcurrent = 0;
    for (int i = 0; i < 100; ++i)
        queue.async([&, i] {
            int now = ++concurrent;
            maxConcurrent = std::max(maxConcurrent.load(), now);
            order.push_back(i);
            --concurrent;
        });
    queue.sync([] {});
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_EQ(maxConcurrent, 1);
}

TEST_F(DispatchQueueTest, RunsOffTheCallingThreadAndKnowsItsLabel) {
    DispatchQueue queue("viz.test.label");
    std::thread::id ranOn;
    std::string label;
    bool current = false;
    queue.sync([&] {
        ranOn = std::this_thread::get_id();
        label = DispatchQueue::currentLabel();
        current = queue.isCurrent();
    });
    EXPECT_NE(ranOn, std::this_thread::get_id());
    EXPECT_EQ(label, "viz.test.label");
    EXPECT_TRUE(current);
    EXPECT_FALSE(queue.isCurrent());
    EXPECT_EQ(DispatchQueue::currentLabel(), "main");
}

TEST_F(DispatchQueueTest, SyncOntoAQueueThatIsWaitingIsAnErrorNotADeadlock) {
    DispatchQueue outer("test.outer");
    DispatchQueue inner("test.inner");
    int threw = 0;
    auto syncExpectingError = [&](DispatchQueue& queue) {
        try {
            queue.sync([] {});
        } catch (const std::logic_error&) {
            ++threw;
        }
    };
    outer.sync([&] {
        syncExpectingError(outer);
        inner.sync([&] { syncExpectingError(outer); });
    });
    EXPECT_EQ(threw, 2);
}

TEST_F(DispatchQueueTest, SyncHandsBackTheValueOrTheException) {
    DispatchQueue queue("test.throw");
    int stored = 0;
    queue.async([&] { stored = 41; });
    EXPECT_EQ(queue.syncResult([&] { return stored + 1; }), 42);
    EXPECT_THROW(queue.sync([] { throw std::runtime_error("boom"); }), std::runtime_error);
    EXPECT_EQ(queue.syncResult([] { return 7; }), 7) << "the queue keeps working";
}

TEST_F(DispatchQueueTest, MainQueueRunsOnTheRunLoop) {
    bool ran = false;
    DispatchQueue::main().async([&] { ran = DispatchQueue::main().isCurrent(); });
    EXPECT_FALSE(ran);
    RunLoop::main().runUntilIdle();
    EXPECT_TRUE(ran);
    EXPECT_THROW(DispatchQueue::main().sync([] {}), std::logic_error);
}

TEST_F(DispatchQueueTest, BackgroundSyncOntoMainWaitsForTheLoop) {
    DispatchQueue queue("test.to-main");
    std::atomic<bool> done = false;
    bool ranOnMain = false;
    queue.async([&] {
        DispatchQueue::main().sync([&] { ranOnMain = base::isMainThread(); });
        done = true;
    });
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return done.load(); }, Seconds(10)));
    EXPECT_TRUE(ranOnMain);
}

TEST_F(DispatchQueueTest, AfterFollowsTheRunLoopClock) {
    DispatchQueue queue("test.after");
    std::atomic<bool> ran = false;
    queue.after(Seconds(5), [&] { ran = true; });
    RunLoop::main().advance(Seconds(4));
    queue.sync([] {});
    EXPECT_FALSE(ran);
    RunLoop::main().advance(Seconds(1));
    queue.sync([] {});
    EXPECT_TRUE(ran);
}

TEST_F(DispatchQueueTest, PendingWorkRunsBeforeTheQueueGoesAway) {
    std::atomic<int> count = 0;
    {
        DispatchQueue queue("test.drain");
        for (int i = 0; i < 50; ++i)
            queue.async([&] { ++count; });
    }
    EXPECT_EQ(count, 50);
}

TEST_F(DispatchQueueTest, QueueReleasedByItsOwnLastFunctionDoesNotDeadlock) {
    std::atomic<bool> outsideCopyGone = false;
    std::atomic<bool> finished = false;
    std::atomic<bool> goneAfterRelease = false;
    std::weak_ptr<DispatchQueue> watcher;
    {
        auto queue = std::make_shared<DispatchQueue>("test.self-release");
        watcher = queue;
        queue->async([queue, &outsideCopyGone, &finished, &goneAfterRelease, &watcher]() mutable {
            // Hold on until this function owns the only copy left.
            while (!outsideCopyGone)
                std::this_thread::yield();
            queue.reset();
            goneAfterRelease = watcher.expired();
            finished = true;
        });
    }
    outsideCopyGone = true;
    // The queue's last copy dies on its own thread; that thread must go on.
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return finished.load(); }, Seconds(10)));
    EXPECT_TRUE(goneAfterRelease);
    EXPECT_TRUE(watcher.expired());
}

} // namespace
