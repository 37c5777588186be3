// The ad placement in the launched browser's real window, with the test ad server: the bottom
// banner shows its ad under the top bar from launch on; an interstitial that a click of the
// user asks for comes full screen, goes with its close control and is not shown twice. With the ad
// server out of reach the browser starts all the same and then sleeps: no retries, no polling.

#include "ads/presentation/VDInterstitialViewController.h"
#include "ads/request/VDBannerView.h"
#include "ads/request/VDInterstitial.h"
#include "ads/webview/VDAdView.h"
#include "tests/fixtures/TestAdServer.h"

// After the servers' headers: the X headers define names they use.
#include "tests/e2e/BrowserWindowTest.h"

#include <atomic>

namespace {

using namespace std::chrono_literals;

// The ads: one colour over all of each.
constexpr std::array<int, 3> bannerColour{200, 40, 120};
constexpr std::array<int, 3> interstitialColour{30, 160, 60};

testing_support::TestAdServer::AdResponse colouredAd(std::array<int, 3> colour) {
    testing_support::TestAdServer::AdResponse answer;
    answer.body = "<!DOCTYPE html><html><body style=\"margin:0;background:rgb(" +
                  std::to_string(colour[0]) + "," + std::to_string(colour[1]) + "," +
                  std::to_string(colour[2]) + ")\"><p id=\"ad\">Test ad</p></body></html>";
    return answer;
}

bool isAbout(std::array<int, 3> found, std::array<int, 3> expected) {
    int difference = 0;
    for (std::size_t i = 0; i < 3; ++i)
        difference += std::abs(found[i] - expected[i]);
    return difference <= 24;
}

class AdPlacementTest : public BrowserWindowTest {
protected:
    // Before the launch: the ads client on the test ad server, with the units of this test.
    void addPages(httplib::Server&) override {
        ads.setScenario("placement-banner", colouredAd(bannerColour));
        ads.setScenario("placement-interstitial", colouredAd(interstitialColour));
        ads.start();
        auto defaults = base::UserDefaults::standard();
        defaults->setObject(VDSDKCoreWebView::SDKCoreURLKey, base::Value(ads.corePageURL()));
        defaults->setObject(BrowserSettings::bannerAdUnitIDKey, base::Value("placement-banner"));
        defaults->setObject(BrowserSettings::interstitialAdUnitIDKey,
                            base::Value("placement-interstitial"));
    }
    void TearDown() override {
        BrowserWindowTest::TearDown();
        ads.stop();
    }

    testing_support::TestAdServer ads;
};

TEST_F(AdPlacementTest, LaunchShowsTheBannerWithItsAdUnderTheTopBar) {
    auto banner = AdManager::sharedInstance()->bannerView();
    ASSERT_TRUE(banner);
    ASSERT_TRUE(eventually([&] { return banner->adView() && !banner->adView()->isHidden(); }));
    EXPECT_EQ(ads.requestCount("/ad/placement-banner"), 1u);
    // Over the whole width, its centre 128 points down, above every screen.
    ASSERT_TRUE(stillAnimations());
    EXPECT_EQ(banner->convertRectToView(banner->bounds(), nullptr),
              ui::Rect(0, 128 - 31.5, 320, 63));
    EXPECT_EQ(banner->superview(), delegate_->window()->rootViewController()->view());

    // The window shows the ad there, and only there.
    EXPECT_TRUE(eventually([&] { return isAbout(pixel(ui::Point(160, 128)), bannerColour); }))
        << "the banner's middle is not its ad";
    EXPECT_TRUE(isAbout(pixel(ui::Point(3, 99)), bannerColour));
    EXPECT_TRUE(isAbout(pixel(ui::Point(317, 157)), bannerColour));
    EXPECT_FALSE(isAbout(pixel(ui::Point(160, 165)), bannerColour));
    EXPECT_FALSE(isAbout(pixel(ui::Point(160, 458)), bannerColour));
}

// Hears the failures of an interstitial.
class FailureRecorder : public VDInterstitialDelegate {
public:
    void interstitialDidFailToReceiveAdWithError(VDInterstitial&,
                                                 const base::Error& error) override {
        codes.push_back(error.code);
    }
    std::vector<long> codes;
};

TEST_F(AdPlacementTest, AnInterstitialAfterClearingCookiesComesFullScreenGoesOnCloseAndOnlyOnce) {
    auto manager = AdManager::sharedInstance();
    auto root = delegate_->window()->rootViewController();
    // A person clears the cookies from the More sheet.
    ASSERT_NO_FATAL_FAILURE(click(*screen->moreButton()));
    ASSERT_TRUE(clickPanelButton("Clear Cookies"));

    std::shared_ptr<VDInterstitial> interstitial;
    ASSERT_TRUE(eventually([&] {
        interstitial = manager->interstitial();
        return interstitial && interstitial->hasBeenUsed();
    }));
    EXPECT_EQ(ads.requestCount("/ad/placement-interstitial"), 1u);
    auto adScreen = interstitial->viewController();
    ASSERT_TRUE(adScreen);
    EXPECT_EQ(root->presentedViewController(), adScreen);
    ASSERT_TRUE(eventually([&] { return !adScreen->isBeingPresented(); }));
    ASSERT_TRUE(stillAnimations());
    // Over the whole window, showing the ad.
    EXPECT_EQ(adScreen->view()->convertRectToView(adScreen->view()->bounds(), nullptr),
              ui::Rect(0, 0, 320, 480));
    EXPECT_TRUE(eventually([&] { return isAbout(pixel(ui::Point(160, 300)), interstitialColour); }))
        << "the window does not show the interstitial";

    // Its close control, clicked, takes it away.
    auto close = adScreen->closeButton();
    ASSERT_TRUE(close);
    input->click(centreOf(*close));
    ASSERT_TRUE(eventually([&] { return !root->presentedViewController(); }));
    EXPECT_TRUE(
        eventually([&] { return !isAbout(pixel(ui::Point(160, 300)), interstitialColour); }));

    // Shown once: presenting it again is refused with "already used" and shows nothing.
    auto recorder = std::make_shared<FailureRecorder>();
    interstitial->setDelegate(recorder);
    EXPECT_FALSE(interstitial->presentFromRootViewController(manager->topViewController()));
    EXPECT_TRUE(eventually([&] { return !recorder->codes.empty(); }));
    EXPECT_EQ(recorder->codes, std::vector<long>{6});
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_EQ(ads.requestCount("/ad/placement-interstitial"), 1u);
}

// The browser as it starts where the ad server cannot be reached.
class UnreachableAdServerTest : public BrowserWindowTest {
protected:
    void addPages(httplib::Server& pages) override {
        pages.Get("/page", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html><head><title>Works</title></head><body></body></html>",
                                 "text/html; charset=utf-8");
        });
    }
};

TEST_F(UnreachableAdServerTest, TheBrowserStartsAndThenCostsNothingWhileTheBannerHasNoAd) {
    auto banner = AdManager::sharedInstance()->bannerView();
    ASSERT_TRUE(banner);
    // The ads client gives up on its page at once.
    ASSERT_TRUE(eventually([&] {
        const long state = banner->slot()->state();
        return state == VDSlot::StateSDKCoreFailed || state == VDSlot::StateFailed;
    }));
    EXPECT_TRUE(banner->adView()->isHidden());
    auto tab = screen->selectedTab();
    ASSERT_TRUE(eventually([&] { return !tab->loading() && !tab->webView()->isLoading(); }));

    // Then nothing of ours runs for seconds on end: no retry, no polling timer. The banner's
    // next try is its refresh, a minute away.
    base::RunLoop::main().runUntil([] { return false; }, 1s);
    std::atomic<int> turns = 0;
    const auto token = base::RunLoop::main().addTurnObserver([&] { ++turns; });
    base::RunLoop::main().runUntil([] { return false; }, 3s);
    base::RunLoop::main().removeTurnObserver(token);
    EXPECT_LE(turns.load(), 2);
    const auto next = base::RunLoop::main().nextTimerDeadline();
    if (next) {
        EXPECT_GT(*next - base::Clock::current().monotonicNanoseconds(), 30'000'000'000LL);
    }

    // The browser works all the same.
    EXPECT_TRUE(open(server.url("/page"), "Works"));
}

} // namespace
