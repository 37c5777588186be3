#include "ads/foundation/VDSlotStatistics.h"
#include "platform/base/NotificationCenter.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <gtest/gtest.h>

namespace {

using base::Value;

class VDSlotStatisticsTest : public testing_support::PlatformTest {
protected:
    static void simulateRestart() {
        base::UserDefaults::standard()->synchronize();
        base::UserDefaults::install(nullptr);
    }
    // Runs one adapter for the given time.
    void runAdapter(VDSlotStatistics& statistics, double seconds, long exitCode) {
        statistics.startTimingAdapter();
        clock().advance(base::Seconds(seconds));
        statistics.endTimingAdapterWithExitCode(exitCode);
    }
};

TEST_F(VDSlotStatisticsTest, AdapterTimingsAndExitCodesGoTogether) {
    auto statistics = VDSlotStatistics::create();
    EXPECT_EQ(statistics->adapterExitCodesParameter(), std::nullopt);
    EXPECT_EQ(statistics->adapterDurationsParameter(), std::nullopt);
    runAdapter(*statistics, 0.25, 0);
    runAdapter(*statistics, 1, 1);
    EXPECT_EQ(statistics->adapterExitCodesParameter(), "0,1");
    EXPECT_EQ(statistics->adapterDurationsParameter(), "250,1000");
    EXPECT_TRUE(statistics->timingNamed("adapter")->explicitEnd());

    statistics->resetTimingAdapters();
    EXPECT_EQ(statistics->adapterExitCodesParameter(), std::nullopt);
    EXPECT_EQ(statistics->adapterDurationsParameter(), std::nullopt);

    // An end without a stopwatch records neither.
    auto fresh = VDSlotStatistics::create();
    fresh->endTimingAdapterWithExitCode(-1);
    EXPECT_EQ(fresh->adapterExitCodesParameter(), std::nullopt);
    EXPECT_EQ(fresh->adapterDurationsParameter(), std::nullopt);
}

TEST_F(VDSlotStatisticsTest, AStoredListThatIsNotAnArrayStopsBothLists) {
    base::UserDefaults::standard()->setObject(
        "redodi_stats_slot",
        Value(Value::Dictionary{{"adapter_duration", Value("damaged")},
                                {"adapter_exit", Value(Value::Array{Value("3")})}}));
    auto statistics = VDSlotStatistics::create();
    statistics->setIdentifier("slot");
    runAdapter(*statistics, 0.5, 2);
    EXPECT_EQ(statistics->adapterExitCodesParameter(), "3");
    EXPECT_EQ(statistics->adapterDurationsParameter(), std::nullopt);
}

TEST_F(VDSlotStatisticsTest, TimingsOutliveARestartUnderTheSlotsIdentifier) {
    {
        auto statistics = VDSlotStatistics::create();
        statistics->setIdentifier("vd-app-pub/1");
        runAdapter(*statistics, 0.125, 4);
        base::NotificationCenter::defaultCenter().post(ui::ApplicationWillTerminateNotification);
    }
    simulateRestart();
    auto statistics = VDSlotStatistics::create();
    statistics->setIdentifier("vd-app-pub/1");
    EXPECT_EQ(statistics->adapterExitCodesParameter(), "4");
    EXPECT_EQ(statistics->adapterDurationsParameter(), "125");
    const auto timing = statistics->timingNamed("adapter");
    ASSERT_TRUE(timing);
    EXPECT_EQ(timing->elapsedMilliseconds(), 125u);

    // Another slot starts from its own data; the first one's stays under its key.
    statistics->setIdentifier("vd-app-pub/2");
    EXPECT_EQ(statistics->adapterExitCodesParameter(), std::nullopt);
    EXPECT_EQ(statistics->timingNamed("adapter"), nullptr);
    statistics->setIdentifier("vd-app-pub/1");
    EXPECT_EQ(statistics->adapterExitCodesParameter(), "4");
}

} // namespace
