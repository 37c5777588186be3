#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDSlotStatistics.h"
#include "ads/mediation/VDMAdManager.h"
#include "ads/mediation/VDMAdNetworkConnector.h"
#include "ads/mediation/VDMAdapterHTML.h"
#include "ads/webview/VDAdView.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <gtest/gtest.h>

namespace {

class Slot final : public VDMAdManagerSlot {
public:
    std::shared_ptr<VDSlotStatistics> slotStats() const override { return statistics; }
    bool requestsInterstitialAd() const override { return false; }
    ui::Size requestedAdSize() const override { return ui::Size(320, 50); }
    bool hasAutoRefreshed() const override { return false; }
    void setViewForAdUsingView(const std::shared_ptr<ui::View>& view) override { shown = view; }
    void didReceiveValidAd() override {}
    void adFinishedLoadingContent() override { events.push_back("finished"); }
    void mediationDidFailWithRequestErrorCode(long code) override {
        events.push_back("fail " + std::to_string(code));
    }
    void mediatedAdNetworkAutoRefreshed() override {}
    void adWillPresentScreen() override {}
    void adWillDismissScreen() override {}
    void adDidDismissScreen() override {}
    void adWillLeaveApplication() override { events.push_back("willLeave"); }
    void willLeaveAppDueToClick() override {}
    void
    trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
        const std::vector<std::string>&, const std::optional<std::string>&,
        const std::string& networkID, const std::string&, const std::string&, const std::string&,
        bool, const std::optional<std::string>&,
        const std::optional<std::string>& exitCodes) override {
        events.push_back("ping " + networkID + " " + exitCodes.value_or("-"));
    }

    std::shared_ptr<VDSlotStatistics> statistics = VDSlotStatistics::create();
    std::vector<std::string> events;
    std::shared_ptr<ui::View> shown;
};

class VDMAdapterHTMLTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        manager_->setSlot(slot_);
    }
    void TearDown() override {
        manager_.reset();
        base::RunLoop::main().runUntilIdle();
        base::resetProcessServicesForTesting();
        VDClassRegistry::resetForTesting();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    static base::Value network(const std::string& id, const std::string& html) {
        return base::Value(base::Value::Dictionary{
            {"adapter", base::Value("VDMAdapterHTML")},
            {"network_id", base::Value(id)},
            {"parameters", base::Value(base::Value::Dictionary{
                               {"html", base::Value(html)},
                               {"base_url", base::Value("https://creative.test/")}})}});
    }
    // The HTML network being asked, once its page is loading.
    std::shared_ptr<VDMAdapterHTML> asked() {
        base::RunLoop::main().runUntilIdle();
        auto connector = manager_->requestingConnector();
        return connector ? std::dynamic_pointer_cast<VDMAdapterHTML>(connector->adapter())
                         : nullptr;
    }

    std::shared_ptr<Slot> slot_ = std::make_shared<Slot>();
    std::shared_ptr<VDMAdManager> manager_ = VDMAdManager::create();
};

TEST_F(VDMAdapterHTMLTest, APageThatFailsPassesToTheNextNetworkAndOneThatLoadsFills) {
    manager_->loadAdWithConfiguration(*VDMConfig::configurationWithJSONValue(
        base::Value(base::Value::Dictionary{
            {"ad_networks",
             base::Value(base::Value::Array{network("blank", " \n"), network("broken", "<p>1</p>"),
                                            network("good", "<p>2</p>")})}}),
        "unit"));
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(slot_->events, std::vector<std::string>{"ping blank 1"}) << "no HTML, no fill";

    auto broken = asked();
    ASSERT_TRUE(broken && broken->adView());
    auto& brokenPage = ui::FakeWebEngine::of(*broken->adView()->webView());
    ASSERT_EQ(brokenPage.loads().size(), 1u);
    EXPECT_EQ(std::get<ui::FakeWebEngine::HTMLLoad>(brokenPage.loads()[0]).baseURL,
              base::URL::parse("https://creative.test/"));
    EXPECT_EQ(broken->adView()->frame().size, ui::Size(320, 50));
    brokenPage.raiseFailLoad(base::Error::make(base::URLErrorDomain, -1004));

    auto good = asked();
    ASSERT_TRUE(good && good != broken);
    auto& page = ui::FakeWebEngine::of(*good->adView()->webView());
    // Before the creative has loaded, its own navigations go ahead.
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("https://creative.test/frame"),
                                   ui::WebViewNavigationType::Other, false),
              true);
    EXPECT_TRUE(good->adView()->isHidden());
    page.raiseFinishLoad();
    EXPECT_EQ(slot_->events, (std::vector<std::string>{"ping blank 1", "ping broken 1",
                                                       "ping good 0", "finished"}));
    EXPECT_EQ(slot_->shown, good->adView());
    EXPECT_FALSE(good->adView()->isHidden());

    // A link the user follows leaves the application; a later failure of the page is none.
    std::vector<std::string> opened;
    ui::Application::shared().setURLOpener([&](const base::URL& url) {
        opened.push_back(url.absoluteString());
        return true;
    });
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("https://landing.test/"),
                                   ui::WebViewNavigationType::LinkClicked),
              false);
    EXPECT_EQ(opened, std::vector<std::string>{"https://landing.test/"});
    page.raiseFailLoad(base::Error::make(base::URLErrorDomain, -999));
    EXPECT_EQ(slot_->events.back(), "willLeave");
    EXPECT_TRUE(good->changeAdSizeTo(ui::Size(300, 250)));
    EXPECT_EQ(good->adView()->frame().size, ui::Size(300, 250));
}

} // namespace
