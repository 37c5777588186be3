#include "ads/presentation/VDIntermission.h"
#include "ads/request/SlotTestFixture.h"
#include "ads/request/VDRequestError.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/LogCapture.h"
#include "platform/ui/Device.h"

namespace {

using namespace slot_testing;
using Calls = std::vector<std::string>;

class VDBannerViewTest : public SlotTest {
protected:
    void TearDown() override {
        SlotTest::TearDown();
        ui::Device::install(nullptr);
        base::resetProcessServicesForTesting();
    }
    static void useDevice(ui::UserInterfaceIdiom idiom) {
        ui::Device::install(std::make_shared<ui::Device>(idiom));
        base::resetProcessServicesForTesting();
    }
};

TEST_F(VDBannerViewTest, ABannerIsMadeWithItsSizeAndShowsOnlyItsSlotsCreative) {
    testing_support::LogCapture log;
    EXPECT_EQ(VDBannerView::createWithAdSize(VDAdSize{{5000, 50}, kVDAdSizeFlagCustom}), nullptr);
    EXPECT_TRUE(log.contains("Unable to set adSize property. "));

    auto banner = VDBannerView::createWithAdSizeOrigin(kVDAdSizeBanner, ui::Point(10, 20));
    EXPECT_EQ(banner->frame(), ui::Rect(10, 20, 320, 50));
    EXPECT_EQ(banner->intrinsicContentSize(), ui::Size(320, 50));
    EXPECT_EQ(VDBannerView::createWithFrame(ui::Rect(0, 0, 300, 250))->adSize(),
              kVDAdSizeMediumRectangle);
    auto slot = banner->slot();
    EXPECT_TRUE(slot->reloadable());
    EXPECT_EQ(slot->slotDelegate(), banner);
    EXPECT_EQ(slot->adEventDelegate(), banner);
    EXPECT_EQ(slot->requestedAdType(), 1);
    EXPECT_EQ(banner->rootAdView(), slot->adView());
    EXPECT_EQ(banner->subviews(), std::vector<std::shared_ptr<ui::View>>{slot->adView()});
    EXPECT_TRUE(slot->adView()->isHidden());
    EXPECT_TRUE(banner->clipsToBounds());
    for (const auto& [alpha, shown] : {std::pair{0.3, 1.0}, {0.0, 0.0}, {0.9, 1.0}}) {
        banner->setAlpha(alpha);
        EXPECT_EQ(banner->alpha(), shown) << alpha;
    }
}

TEST_F(VDBannerViewTest, TheSizeFollowsTheFrameAndTheBoundsOnPhoneAndPad) {
    struct Case {
        ui::UserInterfaceIdiom idiom;
        ui::Size smart;
        ui::Size bigger;
    };
    const Case cases[] = {{ui::UserInterfaceIdiom::Phone, {320, 50}, {300, 250}},
                          {ui::UserInterfaceIdiom::Pad, {768, 90}, {728, 90}}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.smart.width);
        useDevice(test.idiom);
        host_->calls.clear();
        auto banner = makeBanner(kVDAdSizeSmartBannerPortrait, false);
        EXPECT_EQ(banner->frame().size, test.smart);
        // Without a root view controller every load the banner makes is told as "fail 0".
        banner->setRootViewController(nullptr);
        banner->loadRequest(nullptr);
        ASSERT_EQ(host_->calls, Calls{"fail 0"});

        // The laid-out size, through the bounds or the frame, keeps the smart size.
        banner->setBounds(ui::Rect(ui::Point(), test.smart));
        banner->setFrame(ui::Rect(ui::Point(0, 7), test.smart));
        EXPECT_EQ(banner->adSize(), kVDAdSizeSmartBannerPortrait);
        EXPECT_EQ(host_->calls.size(), 1u);

        // Another size is a custom size; whole numbers unchanged need no reload.
        banner->setFrame(ui::Rect(ui::Point(0, 7), test.bigger));
        EXPECT_EQ(banner->adSize(), VDAdSizeFromCGSize(test.bigger));
        EXPECT_EQ(banner->frame(), ui::Rect(ui::Point(0, 7), test.bigger));
        EXPECT_EQ(host_->calls.size(), 2u);
        banner->setBounds(ui::Rect(ui::Point(), {test.bigger.width, test.bigger.height + 0.4}));
        EXPECT_EQ(banner->adSize().size, (ui::Size{test.bigger.width, test.bigger.height + 0.4}));
        EXPECT_EQ(host_->calls.size(), 2u);
        banner->setAdSize(kVDAdSizeBanner);
        EXPECT_EQ(banner->frame().size, ui::Size(320, 50));
        EXPECT_EQ(banner->bounds().size, ui::Size(320, 50));
        EXPECT_EQ(host_->calls.size(), 3u);
        banners_.clear();
    }
}

TEST_F(VDBannerViewTest, TheHostHearsEachEventOnceInOrder) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    answerWithWholeAd(htmlAd("a"));
    ASSERT_TRUE(loadUntilShown(banner));
    EXPECT_TRUE(banner->hasLoadedAd());

    auto intermission = VDIntermission::create();
    slot->setIntermission(intermission);
    intermission->begin();
    intermission->willEnd();
    intermission->didEnd();
    slot->adWillLeaveApplication();
    answerWithScenario("nofill");
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateFailed));
    EXPECT_EQ(host_->calls, (Calls{"receive", "willPresent", "willDismiss", "didDismiss",
                                   "willLeave", "fail 1"}));
    ASSERT_NE(slot->reloadTimer(), nullptr) << "a failed banner tries again";
    EXPECT_TRUE(slot->reloadTimer()->isValid());
}

TEST_F(VDBannerViewTest, RefreshesRenderInTheSameAdWebViewAndLeaveNothingBehind) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    answerWithWholeAd(htmlAd("a"));
    ASSERT_TRUE(loadUntilShown(banner));
    const auto adView = slot->adView();
    const auto webView = adView->webView();
    const auto pages = ui::WebView::liveWebViewCount();
    const auto loadScript = adPage(slot).loadScript();
    for (int refresh = 0; refresh < 10; ++refresh) {
        SCOPED_TRACE(refresh);
        answerWithWholeAd(htmlAd("refresh " + std::to_string(refresh)));
        ASSERT_TRUE(loadUntilShown(banner));
        base::RunLoop::main().runUntilIdle();
        EXPECT_EQ(slot->adView(), adView);
        EXPECT_EQ(adView->webView(), webView);
        EXPECT_EQ(ui::WebView::liveWebViewCount(), pages) << "a page per refresh stays alive";
        EXPECT_EQ(banner->subviews(), std::vector<std::shared_ptr<ui::View>>{adView});
        EXPECT_EQ(adView->queuedSDKEventCount(), 0u);
        EXPECT_EQ(adPage(slot).loadScript(), loadScript);
    }
    EXPECT_EQ(host_->calls, Calls(11, "receive"));
}

TEST_F(VDBannerViewTest, AfterItsFirstAdABannerRefreshesOnlyWhileShownInAWindow) {
    auto banner = makeBanner(kVDAdSizeBanner, false);
    EXPECT_EQ(banner->slotShouldReloadCurrentRequest(*banner->slot()), true)
        << "no ad yet: wherever it is";
    answerWithWholeAd(htmlAd("a"));
    ASSERT_TRUE(loadUntilShown(banner));
    auto window = ui::Window::create(ui::Rect(0, 0, 320, 480));
    auto container = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 480));
    window->addSubview(container);
    container->addSubview(banner);
    const struct {
        bool windowShown, containerHidden, inWindow;
        bool refreshes;
    } cases[] = {{true, false, true, true},
                 {false, false, true, false},
                 {true, true, true, false},
                 {true, false, false, false}};
    for (const auto& test : cases) {
        window->setHidden(!test.windowShown);
        container->setHidden(test.containerHidden);
        if (test.inWindow)
            window->addSubview(container);
        else
            container->removeFromSuperview();
        EXPECT_EQ(banner->slotShouldReloadCurrentRequest(*banner->slot()), test.refreshes);
    }
}

TEST_F(VDBannerViewTest, OnlyTheCreativeOnShowTakesTouchesTheEmptyBannerLetsThemThrough) {
    auto banner = makeBanner();
    // A control under the banner, as a host's toolbar or page would be.
    auto below = std::make_shared<ui::View>(ui::Rect(0, 400, 320, 80));
    window_->insertSubviewBelowSubview(below, banner);
    const ui::Point inBanner(160, 455);

    // Before its first ad, and after a failure, the banner shows nothing.
    EXPECT_EQ(window_->hitTest(inBanner, nullptr), below);
    answerWithRefusal();
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(banner->slot(), VDSlot::StateFailed));
    EXPECT_EQ(window_->hitTest(inBanner, nullptr), below);

    answerWithWholeAd(htmlAd("a"));
    ASSERT_TRUE(loadUntilShown(banner));
    auto hit = window_->hitTest(inBanner, nullptr);
    ASSERT_TRUE(hit);
    EXPECT_TRUE(hit->isDescendantOfView(banner->adView().get()));
    // Outside the banner, what lies there.
    EXPECT_EQ(window_->hitTest(ui::Point(160, 410), nullptr), below);
}

TEST_F(VDBannerViewTest, AutoloadLoadsOnceOnALaterTurn) {
    auto banner = makeBanner();
    banner->setAutoloadEnabled(true);
    banner->setAutoloadEnabled(true);
    EXPECT_EQ(banner->slot()->state(), VDSlot::StateIdle);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(banner->slot()->state(), VDSlot::StateRequestingAdURL);
    banner->slot()->cancelLoad();
    banner->setAutoloadEnabled(false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(banner->slot()->state(), VDSlot::StateIdle);
}

// The host loads again, or lets its banner go, from inside its failure callback: the slot, its
// fetcher and the banner outlive the callback (the sanitizer build catches a use after free).
TEST_F(VDBannerViewTest, AHostMayLoadAgainOrLetGoInsideItsFailureCallback) {
    auto banner = makeBanner(kVDAdSizeBanner, false);
    auto slot = banner->slot();
    answerWithScenario("nofill");
    host_->hook = [&](const std::string& call, VDBannerView& view) {
        if (call == "fail 1" && host_->calls.size() == 1)
            view.loadRequest(nullptr);
    };
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitFor([&] {
        finishCorePageLoadIfNeeded();
        return host_->calls.size() == 2;
    }));
    EXPECT_EQ(host_->calls, (Calls{"fail 1", "fail 1"}));

    std::weak_ptr<VDBannerView> weakBanner = banner;
    std::weak_ptr<VDSlot> weakSlot = slot;
    host_->hook = [&](const std::string&, VDBannerView&) {
        banners_.clear();
        banner.reset();
        slot.reset();
    };
    weakBanner.lock()->loadRequest(nullptr);
    ASSERT_TRUE(waitFor([&] { return host_->calls.size() == 3; }));
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(weakBanner.expired());
    EXPECT_TRUE(weakSlot.expired());
}

} // namespace
