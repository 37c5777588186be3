#include "ads/foundation/VDCacheSet.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <gtest/gtest.h>

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

} // namespace
