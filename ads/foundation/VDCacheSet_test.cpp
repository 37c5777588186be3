#include "ads/foundation/VDCacheSet.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

class VDCacheSetTest : public testing_support::PlatformTest {};

TEST_F(VDCacheSetTest, HoldsUpToItsCapacityAndEmptiesOnAMemoryWarning) {
    auto set = VDCacheSet<int>::createWithMaxCapacity(2);
    EXPECT_EQ(set->maxCapacity(), 2u);
    auto a = std::make_shared<int>(1);
    std::weak_ptr<int> third;
    {
        auto c = std::make_shared<int>(3);
        third = c;
        set->addObject(a);
        set->addObject(a); // a set: held once
        set->addObject(std::make_shared<int>(2));
        set->addObject(std::move(c));
        set->addObject(nullptr);
    }
    EXPECT_EQ(set->count(), 2u);
    // What did not fit goes away on the main thread.
    EXPECT_FALSE(third.expired());
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(third.expired());

    ui::Application::shared().receiveMemoryWarning();
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(set->count(), 0u);
    EXPECT_EQ(set->anyObject(), nullptr);
}

TEST_F(VDCacheSetTest, AnyObjectTakesWhatWasJustAdded) {
    auto set = VDCacheSet<int>::createWithMaxCapacity(1);
    auto object = std::make_shared<int>(7);
    set->addObject(object);
    EXPECT_EQ(set->anyObject(), object);
    EXPECT_EQ(set->anyObject(), nullptr);

    auto none = VDCacheSet<int>::createWithMaxCapacity(0);
    none->addObject(object);
    EXPECT_EQ(none->anyObject(), nullptr);

    // A set that is gone hears no more warnings.
    std::weak_ptr<VDCacheSet<int>> weak = set;
    set.reset();
    EXPECT_TRUE(weak.expired());
    ui::Application::shared().receiveMemoryWarning();
    base::RunLoop::main().runUntilIdle();
}

// Counts the pooled objects that went away off the main thread.
struct Pooled {
    explicit Pooled(std::atomic<int>* offMain)
        : offMain(offMain) {}
    ~Pooled() {
        if (!base::isMainThread())
            ++*offMain;
    }
    std::atomic<int>* offMain;
};

TEST_F(VDCacheSetTest, PooledObjectsGoAwayOnTheMainThreadWhereverTheSetIsLetGo) {
    std::atomic<int> offMain = 0;
    auto set = VDCacheSet<Pooled>::createWithMaxCapacity(1);
    auto kept = std::make_shared<Pooled>(&offMain);
    std::weak_ptr<Pooled> watcher = kept;
    set->addObject(std::move(kept));
    // One that does not fit, offered from another thread.
    std::thread([&] { set->addObject(std::make_shared<Pooled>(&offMain)); }).join();
    // The set's last reference goes away off the main thread.
    std::thread([set = std::move(set)]() mutable { set.reset(); }).join();
    EXPECT_FALSE(watcher.expired());
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(watcher.expired());
    EXPECT_EQ(offMain, 0);
}

TEST_F(VDCacheSetTest, SetsLetGoWhileObjectsArriveReleaseThemOnTheMainThread) {
    std::atomic<int> offMain = 0;
    base::DispatchQueue returning("test.returning-views");
    for (int round = 0; round < 3000; ++round) {
        auto set = VDCacheSet<Pooled>::createWithMaxCapacity(round % 3);
        set->addObject(std::make_shared<Pooled>(&offMain));
        // A view given back from another thread races the set's owner letting it go.
        returning.async([set, object = std::make_shared<Pooled>(&offMain)]() mutable {
            set->addObject(std::move(object));
        });
        if (round % 2)
            set->removeAllObjects();
        set.reset();
    }
    returning.sync([] {});
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(offMain, 0);
}

} // namespace
