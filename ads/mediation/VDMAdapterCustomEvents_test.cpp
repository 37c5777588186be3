#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDSlotStatistics.h"
#include "ads/mediation/VDMAdManager.h"
#include "ads/mediation/VDMAdapterCustomEvents.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/View.h"

#include <gtest/gtest.h>

namespace {

class Slot final : public VDMAdManagerSlot {
public:
    std::shared_ptr<VDSlotStatistics> slotStats() const override { return nullptr; }
    bool requestsInterstitialAd() const override { return false; }
    ui::Size requestedAdSize() const override { return ui::Size(300, 250); }
    bool hasAutoRefreshed() const override { return false; }
    void setViewForAdUsingView(const std::shared_ptr<ui::View>& view) override { shown = view; }
    void didReceiveValidAd() override {}
    void adFinishedLoadingContent() override { events.push_back("finished"); }
    void mediationDidFailWithRequestErrorCode(long code) override {
        events.push_back("fail " + std::to_string(code));
    }
    void mediatedAdNetworkAutoRefreshed() override {}
    void adWillPresentScreen() override { events.push_back("willPresent"); }
    void adWillDismissScreen() override {}
    void adDidDismissScreen() override { events.push_back("didDismiss"); }
    void adWillLeaveApplication() override { events.push_back("willLeave"); }
    void willLeaveAppDueToClick() override {}
    void
    trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
        const std::vector<std::string>&, const std::optional<std::string>&, const std::string&,
        const std::string&, const std::string&, const std::string&, bool,
        const std::optional<std::string>&, const std::optional<std::string>&) override {}

    std::vector<std::string> events;
    std::shared_ptr<ui::View> shown;
};

// The host's banner network: it answers on a later turn with a view, or fails when its
// parameter says "fail".
class HostEvent final : public VDMCustomEventBanner {
public:
    static inline std::vector<std::string> requests;
    static inline std::weak_ptr<HostEvent> last;

    void requestBannerAd(ui::Size size, const std::optional<std::string>& parameter,
                         const std::optional<std::string>& label) override {
        requests.push_back(std::to_string(int(size.width)) + "x" +
                           std::to_string(int(size.height)) + " " + parameter.value_or("-") + " " +
                           label.value_or("-"));
        base::RunLoop::main().dispatch([this, parameter, view = view] {
            if (auto delegate = this->delegate()) {
                if (parameter == "fail")
                    delegate->customEventBannerDidFailAd(*this, base::Error::make("host", 1));
                else
                    delegate->customEventBannerDidReceiveAd(*this, view);
            }
        });
    }
    std::shared_ptr<ui::View> view = ui::View::create();
};

class HostEventClass final : public VDMCustomEventBannerClass {
public:
    std::shared_ptr<VDMCustomEventBanner> makeCustomEventBanner() const override {
        auto event = std::make_shared<HostEvent>();
        HostEvent::last = event;
        return event;
    }
};

class VDMAdapterCustomEventsTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        HostEvent::requests.clear();
        VDClassRegistry::registerClass("HostEvent", std::make_shared<HostEventClass>());
        manager_->setSlot(slot_);
    }
    void TearDown() override {
        manager_.reset();
        VDClassRegistry::resetForTesting();
        PlatformTest::TearDown();
    }
    static base::Value network(const std::string& className, const std::string& parameter) {
        return base::Value(base::Value::Dictionary{
            {"adapter", base::Value("VDMAdapterCustomEvents")},
            {"parameters",
             base::Value(base::Value::Dictionary{{"class_name", base::Value(className)},
                                                 {"parameter", base::Value(parameter)},
                                                 {"label", base::Value("L")}})}});
    }
    void load(base::Value::Array networks) {
        manager_->loadAdWithConfiguration(*VDMConfig::configurationWithJSONValue(
            base::Value(base::Value::Dictionary{{"ad_networks", base::Value(std::move(networks))}}),
            "unit"));
        base::RunLoop::main().runUntilIdle();
    }

    std::shared_ptr<Slot> slot_ = std::make_shared<Slot>();
    std::shared_ptr<VDMAdManager> manager_ = VDMAdManager::create();
};

TEST_F(VDMAdapterCustomEventsTest, TheHostsEventIsAskedWithItsParametersAndItsAdShown) {
    // An absent class and a failing event are passed over; the third network fills.
    load({network("Absent", "p"), network("HostEvent", "fail"), network("HostEvent", "p")});
    EXPECT_EQ(HostEvent::requests, (std::vector<std::string>{"300x250 fail L", "300x250 p L"}));
    EXPECT_EQ(slot_->events, std::vector<std::string>{"finished"});
    auto event = HostEvent::last.lock();
    ASSERT_TRUE(event);
    EXPECT_EQ(slot_->shown, event->view);
    EXPECT_EQ(manager_->fillingAdapterClassName(), "VDMAdapterCustomEvents");

    // What the user does with the host's ad reaches the slot.
    auto delegate = event->delegate();
    ASSERT_TRUE(delegate);
    delegate->customEventBannerWillPresentModal(*event);
    delegate->customEventBannerDidDismissModal(*event);
    delegate->customEventBannerWillLeaveApplication(*event);
    // An event that is not the adapter's own is not heard.
    HostEvent stranger;
    delegate->customEventBannerWillLeaveApplication(stranger);
    EXPECT_EQ(slot_->events,
              (std::vector<std::string>{"finished", "willPresent", "didDismiss", "willLeave"}));

    // Once the network is let go, the event has no delegate.
    manager_->cancel();
    EXPECT_EQ(event->delegate(), nullptr);
}

} // namespace
