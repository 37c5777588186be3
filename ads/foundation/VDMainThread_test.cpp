#include "ads/foundation/VDMainThread.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

class VDMainThreadTest : public testing_support::PlatformTest {};

TEST_F(VDMainThreadTest, RunsAtOnceOnTheMainThread) {
    int order = 0;
    int syncRan = 0, asyncRan = 0;
    VDRunSyncOnMainThread([&] { syncRan = ++order; });
    VDRunAsyncOnMainThread([&] { asyncRan = ++order; });
    EXPECT_EQ(syncRan, 1);
    EXPECT_EQ(asyncRan, 2);
    EXPECT_FALSE(base::RunLoop::main().hasReadyWork());
}

TEST_F(VDMainThreadTest, SyncFromAnotherThreadRunsOnMainAndWaits) {
    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        VDRunSyncOnMainThread([&] { ranOnMain = base::isMainThread(); });
        // The block has run by the time the call returns.
        EXPECT_TRUE(ranOnMain.load());
        returned = true;
    });
    EXPECT_TRUE(
        base::RunLoop::main().runUntil([&] { return returned.load(); }, std::chrono::seconds(10)));
    worker.join();
    EXPECT_TRUE(ranOnMain);
}

TEST_F(VDMainThreadTest, AsyncFromAnotherThreadReturnsBeforeRunning) {
    std::atomic<bool> ranOnMain{false};
    std::thread worker([&] { VDRunAsyncOnMainThread([&] { ranOnMain = base::isMainThread(); }); });
    worker.join();
    // Nothing has run yet: the main loop has not turned.
    EXPECT_FALSE(ranOnMain);
    EXPECT_TRUE(
        base::RunLoop::main().runUntil([&] { return ranOnMain.load(); }, std::chrono::seconds(10)));
}

} // namespace
