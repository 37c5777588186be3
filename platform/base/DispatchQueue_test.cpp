#include "platform/base/DispatchQueue.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/testing/ProcessThreads.h"
#include "platform/testing/Watchdog.h"

#include <atomic>
#include <chrono>
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

// An object that owns a queue and whose last reference a function on that queue holds.
struct QueueOwner {
    base::DispatchQueue queue{"test.owner"};
    std::atomic<bool>* diedOnQueue;
    std::atomic<bool>* syncThrew;
    ~QueueOwner() {
        *diedOnQueue = queue.isCurrent();
        try {
            queue.sync([] {});
        } catch (const std::logic_error&) {
            *syncThrew = true;
        }
    }
};

TEST_F(DispatchQueueTest, CapturesGoAwayOnTheQueueWhereSyncOntoItIsAnError) {
    testing_support::Watchdog watchdog("an owner released by its own queue's function",
                                       std::chrono::seconds(10));
    std::atomic<bool> diedOnQueue = false;
    std::atomic<bool> syncThrew = false;
    auto owner = std::make_shared<QueueOwner>();
    owner->diedOnQueue = &diedOnQueue;
    owner->syncThrew = &syncThrew;
    std::atomic<bool> go = false;
    owner->queue.async([owner, &go] {
        while (!go)
            std::this_thread::yield();
    });
    std::weak_ptr<QueueOwner> watcher = owner;
    owner.reset();
    go = true;
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return watcher.expired(); }, Seconds(10)));
    EXPECT_TRUE(diedOnQueue) << "the function's captures went away off its queue";
    EXPECT_TRUE(syncThrew);
}

TEST_F(DispatchQueueTest, DroppingAQueueOnTheMainThreadWhileItsWorkSyncsToMainDoesNotDeadlock) {
    testing_support::Watchdog watchdog("dropping a queue whose work waits on the main thread",
                                       std::chrono::seconds(20));
    std::atomic<int> ranOnMain = 0;
    std::atomic<bool> started = false;
    {
        DispatchQueue queue("test.drop-while-syncing");
        queue.async([&] {
            started = true;
            DispatchQueue::main().sync([&] {
                if (base::isMainThread())
                    ++ranOnMain;
            });
        });
        // A second function, queued behind it, that syncs again from a nested queue.
        queue.async([&] {
            DispatchQueue inner("test.drop-inner");
            inner.sync([&] {
                DispatchQueue::main().sync([&] {
                    if (base::isMainThread())
                        ++ranOnMain;
                });
            });
        });
        while (!started)
            std::this_thread::yield();
        // The queue's last copy goes away here, on the main thread, without turning the loop.
    }
    EXPECT_EQ(ranOnMain, 2);
    // What the loop still holds of those syncs has been run already and does nothing.
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(ranOnMain, 2);
}

TEST_F(DispatchQueueTest, MainThreadSyncOntoAQueueWhoseWorkSyncsBackToMain) {
    testing_support::Watchdog watchdog("a sync from main whose function syncs back to main",
                                       std::chrono::seconds(20));
    DispatchQueue queue("test.round-trip");
    int value = 0;
    queue.sync([&] { DispatchQueue::main().sync([&] { value = base::isMainThread() ? 1 : -1; }); });
    EXPECT_EQ(value, 1);
}

TEST_F(DispatchQueueTest, QueuesShareAFewThreads) {
    // Queues that did work before do not count against this one.
    {
        DispatchQueue("test.warm-up").sync([] {});
    }
    const std::size_t before = testing_support::processThreadCount();
    std::vector<DispatchQueue> queues;
    std::atomic<int> ran = 0;
    for (int i = 0; i < 50; ++i) {
        queues.emplace_back("test.many." + std::to_string(i));
        queues.back().async([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++ran;
        });
    }
    for (const auto& queue : queues)
        queue.sync([] {});
    EXPECT_EQ(ran, 50);
    EXPECT_LE(testing_support::processThreadCount(), before + 4) << "a queue costs a thread";
}

TEST_F(DispatchQueueTest, WorkThatBlocksOnOtherQueuesDoesNotStarveThePool) {
    testing_support::Watchdog watchdog("queues waiting on each other", std::chrono::seconds(20));
    // More queues than the pool keeps threads, each waiting for the next one's work.
    constexpr int count = 12;
    std::vector<DispatchQueue> queues;
    for (int i = 0; i < count; ++i)
        queues.emplace_back("test.chain." + std::to_string(i));
    std::atomic<int> released = 0;
    std::atomic<bool> open = false;
    for (int i = 0; i < count; ++i)
        queues[i].async([&, i] {
            if (i + 1 < count)
                queues[i + 1].sync([] {});
            while (!open)
                std::this_thread::yield();
            ++released;
        });
    open = true;
    for (const auto& queue : queues)
        queue.sync([] {});
    EXPECT_EQ(released, count);
}

struct MainThreadObject {
    explicit MainThreadObject(std::atomic<bool>* diedOnMain)
        : diedOnMain(diedOnMain) {}
    std::atomic<bool>* diedOnMain;
    ~MainThreadObject() { *diedOnMain = base::isMainThread(); }
};

TEST_F(DispatchQueueTest, ReleaseOnMainThreadLetsGoThere) {
    std::atomic<bool> diedOnMain = false;
    DispatchQueue queue("test.release");
    auto object = std::make_shared<MainThreadObject>(&diedOnMain);
    queue.async([object = std::move(object)]() mutable {
        base::releaseOnMainThread(std::move(object));
        EXPECT_EQ(object, nullptr);
    });
    queue.sync([] {});
    EXPECT_FALSE(diedOnMain);
    RunLoop::main().runUntilIdle();
    EXPECT_TRUE(diedOnMain);

    diedOnMain = false;
    auto here = std::make_shared<MainThreadObject>(&diedOnMain);
    base::releaseOnMainThread(std::move(here));
    EXPECT_FALSE(diedOnMain) << "nothing goes away under the caller's feet";
    RunLoop::main().runUntilIdle();
    EXPECT_TRUE(diedOnMain);
}

} // namespace
