#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDApplication.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/testing/ProcessThreads.h"
#include "platform/testing/Watchdog.h"
#include "platform/ui/Application.h"

#include <chrono>
#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <vector>

namespace {

using base::Decimal;
using base::Value;

class VDStatisticsAdditionsTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDAbsoluteTime::resetForTesting();
        application = VDApplication::sharedInstance();
    }
    void TearDown() override {
        application.reset();
        base::resetProcessServicesForTesting();
        VDAbsoluteTime::resetForTesting();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    std::shared_ptr<VDApplication> application;
};

TEST_F(VDStatisticsAdditionsTest, CountersFromACleanStart) {
    EXPECT_EQ(application->timeSinceFirstAdRequestInMilliseconds(), 0u);
    VDAbsoluteTime::absoluteTimeInMilliseconds(); // the clock's origin
    clock().advance(base::Seconds(2));

    auto first = application->nextRequestStatisticsDictionaryForSlot(false);
    EXPECT_EQ(first["preqs"], Value(Decimal(0)));
    EXPECT_EQ(first["seq_num"], Value(Decimal(1)));
    EXPECT_EQ(first["basets"], Value(2000u));
    EXPECT_EQ(first["currts"], Value(2000u));
    EXPECT_TRUE(first["seq_num"].isDecimal());

    // Time stamps count the process's time, whatever the time zone does.
    clock().setZone(19800, "Asia/Kolkata");
    clock().advance(base::Seconds(1.5));
    EXPECT_EQ(application->timeSinceFirstAdRequestInMilliseconds(), 1500u);
    auto second = application->nextRequestStatisticsDictionaryForSlot(false);
    EXPECT_EQ(second["preqs"], Value(Decimal(1)));
    EXPECT_EQ(second["seq_num"], Value(Decimal(2)));
    EXPECT_EQ(second["basets"], Value(2000u));
    EXPECT_EQ(second["currts"], Value(3500u));

    // A mediating slot's request counts down.
    clock().setZone(-18000, "America/New_York");
    clock().advance(base::Seconds(1));
    auto third = application->nextRequestStatisticsDictionaryForSlot(true);
    EXPECT_EQ(third["preqs"], Value(Decimal(0)));
    EXPECT_EQ(third["seq_num"], Value(Decimal(3)));
    EXPECT_EQ(third["currts"], Value(4500u));
    EXPECT_EQ(first["preqs"], Value(Decimal(0))) << "a snapshot never changes";

    // A mediation ping's sequence number is the new "seq_num".
    EXPECT_EQ(application->nextSequenceNumberAsString(), "4");
    EXPECT_EQ(application->nextSequenceNumberAsString(), "5");
    application->incrementTotalAdClickCount();
    application->incrementTotalAdClickCount();
    const auto statistics = application->statistics()->dictionary();
    EXPECT_EQ(statistics.at("pclick"), Value(Decimal(2)));
    EXPECT_EQ(statistics.at("seq_num"), Value(Decimal(5)));
    EXPECT_EQ(statistics.at("preqs"), Value(Decimal(0)));
    EXPECT_EQ(statistics.at("session_id"), Value(application->currentSession()->uniqueID()));
}

TEST_F(VDStatisticsAdditionsTest, RequestsFromManyThreadsEachGetTheirOwnSequenceNumber) {
    constexpr int threads = 8, each = 50;
    std::vector<std::vector<Value>> seen(threads);
    std::vector<std::thread> requesters;
    for (int t = 0; t < threads; ++t)
        requesters.emplace_back([&, t] {
            for (int i = 0; i < each; ++i)
                seen[t].push_back(
                    application->nextRequestStatisticsDictionaryForSlot(i % 5 == 0).at("seq_num"));
        });
    for (auto& requester : requesters)
        requester.join();
    std::set<std::int64_t> numbers;
    for (const auto& values : seen)
        for (const auto& value : values)
            numbers.insert(value.decimal()->toInt64());
    EXPECT_EQ(numbers.size(), std::size_t(threads * each));
    EXPECT_EQ(*numbers.begin(), 1);
    EXPECT_EQ(*numbers.rbegin(), threads * each);
    // 320 requests up, 80 mediating ones down, from −1.
    EXPECT_EQ(application->statistics()->objectForKey("preqs"), Value(Decimal(-1 + 320 - 80)));
}

TEST_F(VDStatisticsAdditionsTest, SlotStatisticsAreMadeOncePerIdentifier) {
    EXPECT_EQ(application->slotStatisticsForSlotID(std::nullopt), nullptr);
    EXPECT_EQ(application->slotStatisticsDictionary(), Value::Dictionary{});
    auto banner = application->slotStatisticsForSlotID("banner");
    ASSERT_TRUE(banner);
    EXPECT_EQ(application->slotStatisticsForSlotID("banner"), banner);
    banner->incrementNumberForKeyShouldNotifyDelegate("n", false);
    application->slotStatisticsForSlotID("other");
    EXPECT_EQ(application->slotStatisticsDictionary(),
              (Value::Dictionary{{"banner", Value(Value::Dictionary{{"n", Value(Decimal(1))}})},
                                 {"other", Value(Value::Dictionary{})}}));
}

TEST_F(VDStatisticsAdditionsTest, AReturnAfterAClickThatLeftTheApplicationIsTimed) {
    auto& app = ui::Application::shared();
    app.launch();
    auto ad = VDStatisticDictionary::createWithDelegate(application);
    auto unclicked = VDStatisticDictionary::createWithDelegate(application);
    VDAbsoluteTime::absoluteTimeInMilliseconds();
    clock().advance(base::Seconds(10));
    ad->setObjectForKeyShouldNotifyDelegate(Value(10000u), "tclickcurr", false);

    application->willLeaveApplicationDueToClickOnAd(ad);
    app.enterBackground();
    clock().advance(base::Seconds(3));
    app.becomeActive();
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(ad->objectForKey("tclick"),
              Value(Value::Array{Value(Value::Array{Value(10000u), Value(13000u)})}));
    // The return made the ad's statistics pending.
    ad->objectForKey("");
    EXPECT_EQ(application->pendingAdStatistics(), VDApplication::StatisticsSet{ad});

    // Only once; and an ad never clicked gets nothing.
    application->willLeaveApplicationDueToClickOnAd(unclicked);
    app.resignActive();
    app.becomeActive();
    app.resignActive();
    app.becomeActive();
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(ad->objectForKey("tclick").count(), 1u);
    EXPECT_TRUE(unclicked->objectForKey("tclick").isNull());
}

TEST_F(VDStatisticsAdditionsTest, AClickLeavesNothingQueuedThatOutlivesTheApplication) {
    for (int round = 0; round < 200; ++round) {
        auto ad = VDStatisticDictionary::createWithDelegate(application);
        application->willLeaveApplicationDueToClickOnAd(ad);
        std::weak_ptr<VDApplication> watcher = application;
        application.reset();
        base::resetProcessServicesForTesting();
        // Gone here, on this thread: no block elsewhere held its last reference.
        ASSERT_TRUE(watcher.expired()) << "round " << round;
        application = VDApplication::sharedInstance();
    }
}

TEST_F(VDStatisticsAdditionsTest, AnApplicationLetGoByAnAdsNotificationDiesCleanly) {
    testing_support::Watchdog watchdog("an application let go on its notification queue",
                                       std::chrono::seconds(20));
    for (int round = 0; round < 50; ++round) {
        auto ad = VDStatisticDictionary::createWithDelegate(application);
        std::weak_ptr<VDApplication> watcher = application;
        ad->incrementNumberForKeyShouldNotifyDelegate("n", true);
        application.reset();
        base::resetProcessServicesForTesting();
        ASSERT_TRUE(
            base::RunLoop::main().runUntil([&] { return watcher.expired(); }, base::Seconds(10)));
        application = VDApplication::sharedInstance();
    }
}

TEST_F(VDStatisticsAdditionsTest, FiftyAdsCostNoThreads) {
    auto warmUp = VDStatisticDictionary::createWithDelegate(application);
    warmUp->incrementNumberForKeyShouldNotifyDelegate("n", true);
    warmUp->didFinishModifying();
    application->pendingAdStatistics();
    const std::size_t before = testing_support::processThreadCount();

    std::vector<std::shared_ptr<VDStatisticDictionary>> ads;
    for (int i = 0; i < 50; ++i) {
        ads.push_back(VDStatisticDictionary::createWithDelegate(application));
        ads.back()->incrementNumberForKeyShouldNotifyDelegate("n", true);
        application->willLeaveApplicationDueToClickOnAd(ads.back());
    }
    for (const auto& ad : ads)
        EXPECT_EQ(ad->objectForKey("n"), Value(Decimal(1)));
    // The pool may have started its few threads by now; an ad adds none of its own.
    EXPECT_LE(testing_support::processThreadCount(), before + 4);
    for (const auto& ad : ads)
        ad->didFinishModifying();
    EXPECT_EQ(application->pendingAdStatistics().size(), 50u);
}

} // namespace
