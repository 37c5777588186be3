#include "ads/foundation/VDTimingManager.h"
#include "platform/base/NotificationCenter.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

class VDTimingManagerTest : public testing_support::PlatformTest {
protected:
    // What a new process would find: user defaults read again from the file.
    void simulateRestart() {
        base::UserDefaults::standard()->synchronize();
        base::UserDefaults::install(nullptr);
    }
    std::vector<std::string> sortedCategories(const VDTimingManager& manager) {
        auto categories = manager.categories();
        std::sort(categories.begin(), categories.end());
        return categories;
    }
};

TEST_F(VDTimingManagerTest, HoldsOneTimingPerCategory) {
    auto manager = VDTimingManager::create();
    auto first = manager->addTimingWithCategory("adapter");
    EXPECT_FALSE(first->isActive());
    EXPECT_EQ(manager->timingForCategory("adapter"), first);
    auto second = VDTiming::create("adapter");
    manager->addTiming(second);
    manager->addTiming(nullptr);
    EXPECT_EQ(manager->timingForCategory("adapter"), second);
    EXPECT_EQ(manager->categories(), std::vector<std::string>{"adapter"});
    EXPECT_EQ(manager->timings().size(), 1u);

    manager->addTimingWithCategory("a");
    manager->addTimingWithCategory("b");
    manager->addTimingWithCategory("c");
    manager->removeTiming(second);
    EXPECT_EQ(sortedCategories(*manager), (std::vector<std::string>{"a", "b", "c"}));
    manager->removeTimingForCategory("a");
    manager->removeTimingForCategory("unknown");
    EXPECT_EQ(sortedCategories(*manager), (std::vector<std::string>{"b", "c"}));
    manager->removeTimingsForCategories({"b", "x"});
    EXPECT_EQ(sortedCategories(*manager), (std::vector<std::string>{"c"}));
    manager->removeAllTimings();
    EXPECT_TRUE(manager->timings().empty());
    EXPECT_EQ(manager->timingForCategory("c"), nullptr);
}

TEST_F(VDTimingManagerTest, WithoutIdentifierNothingIsLoadedOrSaved) {
    // The key an empty identifier would use: a manager that saved without an identifier would
    // overwrite this seed with its own timing.
    const base::Value::Dictionary seed{
        {"x", base::Value(base::Value::Dictionary{{"category", base::Value("x")}})}};
    base::UserDefaults::standard()->setObject("redodi_timing_", base::Value(seed));
    const auto before = base::UserDefaults::standard()->dictionaryRepresentation();
    {
        auto manager = VDTimingManager::create();
        EXPECT_FALSE(manager->identifier());
        EXPECT_FALSE(manager->userDefaultsKey());
        manager->addTimingWithCategory("kept in memory");
        manager->synchronize();
        EXPECT_EQ(manager->categories(), std::vector<std::string>{"kept in memory"});
    }
    EXPECT_EQ(base::UserDefaults::standard()->dictionaryForKey("redodi_timing_"), seed);
    const auto after = base::UserDefaults::standard()->dictionaryRepresentation();
    for (const auto& [key, value] : after)
        EXPECT_TRUE(before.contains(key)) << "new key " << key;
    EXPECT_EQ(after, before);
}

TEST_F(VDTimingManagerTest, PersistsAcrossARestart) {
    {
        auto manager = VDTimingManager::create();
        manager->setIdentifier("unit-1");
        EXPECT_EQ(manager->userDefaultsKey(), "redodi_timing_unit-1");
        auto ended = manager->addTimingWithCategory("ended");
        ended->start();
        clock().advance(base::Seconds(1.5));
        ended->end();
        ended->setValueForKey(base::Value("network-a"), "adapter");
        manager->addTimingWithCategory("idle");
        manager->addTimingWithCategory("running")->start();
        // Going away writes everything back.
    }
    simulateRestart();
    clock().advance(base::Seconds(60));

    auto manager = VDTimingManager::create();
    manager->setIdentifier("unit-1");
    EXPECT_EQ(sortedCategories(*manager), (std::vector<std::string>{"ended", "idle"}));
    auto ended = manager->timingForCategory("ended");
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->elapsedMilliseconds(), 1500u);
    EXPECT_EQ(ended->valueForKey("adapter"), base::Value("network-a"));
    EXPECT_FALSE(ended->explicitEnd());
    auto idle = manager->timingForCategory("idle");
    ASSERT_TRUE(idle);
    EXPECT_TRUE(idle->keysAndValues().empty());
    EXPECT_TRUE(idle->setValueForKey(base::Value(1), "k"));

    // Another identifier has a store of its own.
    auto other = VDTimingManager::create();
    other->setIdentifier("unit-2");
    EXPECT_TRUE(other->timings().empty());
}

TEST_F(VDTimingManagerTest, LoadingReplacesHeldTimingsOfTheSameCategory) {
    {
        auto manager = VDTimingManager::create();
        manager->setIdentifier("unit");
        auto timing = manager->addTimingWithCategory("shared");
        timing->start();
        timing->end();
    }
    auto manager = VDTimingManager::create();
    auto held = manager->addTimingWithCategory("shared");
    manager->addTimingWithCategory("mine");
    manager->setIdentifier("unit");
    EXPECT_NE(manager->timingForCategory("shared"), held);
    EXPECT_GT(manager->timingForCategory("shared")->startTimestamp(), 0);
    EXPECT_TRUE(manager->timingForCategory("mine"));
}

TEST_F(VDTimingManagerTest, SavesWhenTheApplicationTerminates) {
    auto manager = VDTimingManager::create();
    manager->setIdentifier("unit");
    manager->setIdentifier("unit"); // registering again must not observe twice
    EXPECT_EQ(base::NotificationCenter::defaultCenter().observerCount(), 1u);
    manager->addTimingWithCategory("t");
    EXPECT_FALSE(base::UserDefaults::standard()->dictionaryForKey("redodi_timing_unit"));
    base::NotificationCenter::defaultCenter().post(ui::ApplicationWillTerminateNotification);
    auto stored = base::UserDefaults::standard()->dictionaryForKey("redodi_timing_unit");
    ASSERT_TRUE(stored);
    EXPECT_TRUE(stored->contains("t"));

    manager.reset();
    EXPECT_EQ(base::NotificationCenter::defaultCenter().observerCount(), 0u);
}

TEST_F(VDTimingManagerTest, ANewIdentifierKeepsTheOldTimingsUnderTheOldKey) {
    auto manager = VDTimingManager::create();
    manager->setIdentifier("unit-1");
    manager->addTimingWithCategory("first");
    manager->setIdentifier("unit-2");
    auto stored = base::UserDefaults::standard()->dictionaryForKey("redodi_timing_unit-1");
    ASSERT_TRUE(stored);
    EXPECT_TRUE(stored->contains("first"));
    EXPECT_EQ(manager->timingForCategory("first"), nullptr) << "carried over to another unit";

    // An equal identifier is the same one: nothing is loaded again.
    auto held = manager->addTimingWithCategory("second");
    base::UserDefaults::standard()->setObject(
        "redodi_timing_unit-2",
        base::Value(base::Value::Dictionary{
            {"second", base::Value(base::Value::Dictionary{{"category", base::Value("second")},
                                                           {"start", base::Value(5.0)},
                                                           {"end", base::Value(6.0)}})}}));
    manager->setIdentifier(std::string("unit-") + "2");
    EXPECT_EQ(manager->timingForCategory("second"), held);
}

} // namespace
