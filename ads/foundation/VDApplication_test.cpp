#include "ads/foundation/VDApplication.h"
#include "platform/base/AppHome.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/PropertyList.h"
#include "platform/base/RandomSource.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

class VDApplicationTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDApplication::setEarlyActivities([this] { ++earlyActivityRuns_; });
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        VDApplication::setEarlyActivities({});
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    static void writeMetadata(const base::Value& value) {
        auto data = base::writePlist(value, base::PlistFormat::Binary);
        ASSERT_TRUE(data.ok());
        auto path = base::AppHome::root() / "iTunesMetadata.plist";
        ASSERT_TRUE(base::writeFileAtomically(path, data.value()).ok());
    }

    int earlyActivityRuns_ = 0;
};

class FixedRandomSource final : public base::RandomSource {
public:
    void fill(std::uint8_t* bytes, std::size_t size) override {
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = std::uint8_t(i + 1);
    }
};

TEST_F(VDApplicationTest, TheLaunchHookMarksTheLaunchAndRunsTheEarlyActivities) {
    VDApplication::load();
    VDApplication::load(); // replaces its registration instead of adding one
    EXPECT_EQ(base::NotificationCenter::defaultCenter().observerCount(), 1u);
    EXPECT_EQ(earlyActivityRuns_, 0);

    ui::Application::shared().launch();
    EXPECT_TRUE(VDApplication::sharedInstance()->appFinishedLaunching());
    EXPECT_EQ(earlyActivityRuns_, 1);
}

TEST_F(VDApplicationTest, ALaunchHookInstalledAfterTheLaunchActsAtOnce) {
    ui::Application::shared().launch();
    EXPECT_FALSE(VDApplication::sharedInstance()->appFinishedLaunching());
    VDApplication::load();
    EXPECT_TRUE(VDApplication::sharedInstance()->appFinishedLaunching());
    EXPECT_EQ(earlyActivityRuns_, 1);
}

TEST_F(VDApplicationTest, EarlyActivitiesRunOncePerProcessWhateverTheCallerOrTheirArrival) {
    auto first = VDApplication::sharedInstance();
    first->runEarlyActivities();
    VDApplication::load();
    ui::Application::shared().launch();
    first->runEarlyActivities();
    VDApplication::sharedInstance()->runEarlyActivities();
    EXPECT_EQ(earlyActivityRuns_, 1);

    // Activities handed over after the run run at once, and once.
    int late = 0;
    VDApplication::setEarlyActivities([&] { ++late; });
    first->runEarlyActivities();
    EXPECT_EQ(late, 1);
    EXPECT_EQ(earlyActivityRuns_, 1);
}

TEST_F(VDApplicationTest, ActiveUnlessInTheBackgroundAfterTheLaunch) {
    auto application = VDApplication::sharedInstance();
    auto& app = ui::Application::shared();
    // Launching in the background: the launch has not been heard yet.
    app.enterBackground();
    EXPECT_EQ(app.applicationState(), ui::ApplicationState::Background);
    EXPECT_TRUE(application->isAppActive());

    VDApplication::load();
    app.launch();
    app.becomeActive();
    EXPECT_TRUE(application->isAppActive());
    app.resignActive();
    EXPECT_EQ(app.applicationState(), ui::ApplicationState::Inactive);
    EXPECT_TRUE(application->isAppActive());
    app.enterBackground();
    EXPECT_FALSE(application->isAppActive());
    app.becomeActive();
    EXPECT_TRUE(application->isAppActive());
}

TEST_F(VDApplicationTest, SessionAndStatisticsAtStart) {
    auto previous = base::RandomSource::install(std::make_shared<FixedRandomSource>());
    auto application = VDApplication::sharedInstance();
    base::RandomSource::install(previous);

    std::uint64_t expected = 0;
    const std::uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::memcpy(&expected, bytes, sizeof expected);
    EXPECT_EQ(application->currentSession()->uniqueID(), std::to_string(expected));
    EXPECT_EQ(application->statistics()->dictionary(),
              (base::Value::Dictionary{
                  {"session_id", base::Value(std::to_string(expected))},
                  {"preqs", base::Value(base::Decimal(-1))},
              }));
    EXPECT_TRUE(application->statistics()->objectForKey("preqs").isDecimal());

    // A new launch draws a new identifier.
    base::resetProcessServicesForTesting();
    EXPECT_NE(VDApplication::sharedInstance()->currentSession()->uniqueID(),
              application->currentSession()->uniqueID());
    EXPECT_EQ(application->notificationSerialQueue().label(),
              "viz.azodoz.eziro.application-notification");
    EXPECT_EQ(application->statistics()->serialQueue().label(), "viz.azodoz.eziro.statistics");
}

TEST_F(VDApplicationTest, ActiveViewIdentifiersAreNeverHandedOutTwice) {
    auto application = VDApplication::sharedInstance();
    EXPECT_EQ(application->nextActiveViewID(), 1u);
    EXPECT_EQ(application->nextActiveViewID(), 2u);

    constexpr int threads = 8, each = 200;
    std::vector<std::vector<std::uint64_t>> taken(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < each; ++i)
                taken[t].push_back(application->nextActiveViewID());
        });
    for (auto& worker : workers)
        worker.join();
    std::vector<std::uint64_t> all;
    for (const auto& some : taken)
        all.insert(all.end(), some.begin(), some.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
    EXPECT_EQ(all.front(), 3u);
    EXPECT_EQ(all.back(), 2u + threads * each);
}

TEST_F(VDApplicationTest, StoreMetadataIsReadOnceAndIsADictionaryOrEmpty) {
    auto application = VDApplication::sharedInstance();
    EXPECT_EQ(application->iTunesMetadataPath(), base::AppHome::root() / "iTunesMetadata.plist");
    // No file.
    EXPECT_TRUE(application->iTunesMetadata().empty());
    writeMetadata(base::Value(base::Value::Dictionary{{"itemId", base::Value(42)}}));
    EXPECT_TRUE(application->iTunesMetadata().empty()) << "read again";

    base::resetProcessServicesForTesting();
    EXPECT_EQ(VDApplication::sharedInstance()->iTunesMetadata(),
              (base::Value::Dictionary{{"itemId", base::Value(42)}}));

    writeMetadata(base::Value(base::Value::Array{base::Value("not a dictionary")}));
    base::resetProcessServicesForTesting();
    EXPECT_TRUE(VDApplication::sharedInstance()->iTunesMetadata().empty());
}

TEST_F(VDApplicationTest, PendingAdStatisticsAreTakenOnceAndCanBeGivenBack) {
    auto application = VDApplication::sharedInstance();
    auto first = VDStatisticDictionary::createWithDelegate(application);
    auto second = VDStatisticDictionary::createWithDelegate(application);
    first->incrementNumberForKeyShouldNotifyDelegate("pcc", true);
    second->setObjectForKeyShouldNotifyDelegate(base::Value(1), "tload", true);
    // A change without notification does not make the ad pending.
    auto quiet = VDStatisticDictionary::createWithDelegate(application);
    quiet->setObjectForKeyShouldNotifyDelegate(base::Value(1), "treq", false);

    // The first read waits for the queued changes, the second for the notification blocks
    // they queued, which have handed the calls to the application's queue by then.
    for (const auto& ad : {first, second, quiet}) {
        ad->objectForKey("");
        ad->objectForKey("");
    }
    auto pending = application->pendingAdStatistics();
    EXPECT_EQ(pending, (VDApplication::StatisticsSet{first, second}));
    EXPECT_TRUE(application->pendingAdStatistics().empty());

    application->didNotSendAdStatistics(pending);
    EXPECT_EQ(application->pendingAdStatistics(), pending);
    EXPECT_TRUE(application->pendingAdStatistics().empty());
}

} // namespace
