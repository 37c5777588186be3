#include "ads/mediation/VDMAdManager.h"
#include "ads/mediation/VDMediationAdapters.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>

namespace {

class Slot : public VDMAdManagerSlot {
public:
    std::shared_ptr<VDSlotStatistics> slotStats() const override { return nullptr; }
    bool requestsInterstitialAd() const override { return false; }
    void setViewForAdUsingView(const std::shared_ptr<ui::View>&) override { ++filled; }
    void didReceiveValidAd() override { ++filled; }
    void adFinishedLoadingContent() override { ++filled; }
    void mediationDidFailWithRequestErrorCode(long code) override { codes.push_back(code); }
    int filled = 0;
    std::vector<long> codes;
};

class VDMAdManagerTest : public testing_support::PlatformTest {
protected:
    void TearDown() override {
        VDMediationAdapters::resetForTesting();
        PlatformTest::TearDown();
    }
    const base::Value::Dictionary configuration{
        {"ad_networks",
         base::Value(base::Value::Array{
             base::Value(base::Value::Dictionary{{"adapter", base::Value("VDMAdapterHTML")}}),
             base::Value(base::Value::Dictionary{{"adapter", base::Value("NoSuchAdapter")}})})}};
};

TEST_F(VDMAdManagerTest, AWaterfallWithoutAFillFailsOnceOnALaterTurnUnlessCancelled) {
    auto slot = std::make_shared<Slot>();
    auto manager = VDMAdManager::create();
    manager->setSlot(slot);
    manager->loadAdWithConfiguration(configuration);
    EXPECT_TRUE(manager->isRequesting());
    EXPECT_TRUE(slot->codes.empty()) << "not from inside the call";
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(slot->codes, std::vector<long>{VDMAdManager::mediationNoFillCode});
    EXPECT_FALSE(manager->isRequesting());
    EXPECT_EQ(manager->fillingAdapterClassName(), std::nullopt);
    EXPECT_FALSE(manager->changeAdTypeTo(false, ui::Size(320, 50)));

    // A second waterfall replaces the first, and a cancelled one reports nothing.
    manager->loadAdWithConfiguration(configuration);
    manager->loadAdWithConfiguration({});
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(slot->codes.size(), 2u);
    manager->loadAdWithConfiguration(configuration);
    manager->cancel();
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(slot->codes.size(), 2u);
    EXPECT_EQ(slot->filled, 0);
}

} // namespace
