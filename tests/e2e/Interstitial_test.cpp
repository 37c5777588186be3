// An interstitial in a real window with the real engine and the test ad server: the core page
// builds the ad URL, the full-screen creative loads, the interstitial is presented over the
// window and counted, its close control clicked in the window dismisses it, and presenting it
// again is refused with the already-used error.

#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDDevice.h"
#include "ads/request/VDClickTrackerCollection.h"
#include "ads/request/VDInterstitial.h"
#include "ads/request/VDRequestError.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/webview/VDAdView.h"
#include "ads/webview/VDMRAIDInterceptor.h"
#include "ads/webview/VDSDKCoreWebView.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "platform/base/Clock.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/MainWindow.h"
#include "platform/gtk/ViewCanvas.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebEngineFactory.h"
#include "platform/ui/Window.h"
#include "tests/e2e/AdsWindow.h"
#include "tests/fixtures/TestAdServer.h"

#include <algorithm>
#include <gtest/gtest.h>

// After the server's header: the X headers define names it uses.
#include "tests/e2e/WindowInput.h"

namespace {

using namespace std::chrono_literals;
using Calls = std::vector<std::string>;

class Host : public VDInterstitialDelegate {
public:
    void interstitialDidReceiveAd(VDInterstitial&) override { calls.push_back("receive"); }
    void interstitialDidFailToReceiveAdWithError(VDInterstitial&,
                                                 const base::Error& error) override {
        calls.push_back("fail " + std::to_string(error.code));
    }
    void interstitialWillPresentScreen(VDInterstitial&) override { calls.push_back("willPresent"); }
    void interstitialWillDismissScreen(VDInterstitial&) override { calls.push_back("willDismiss"); }
    void interstitialDidDismissScreen(VDInterstitial&) override { calls.push_back("didDismiss"); }
    void interstitialWillLeaveApplication(VDInterstitial&) override {
        calls.push_back("willLeave");
    }
    Calls calls;
};

class InterstitialTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::Clock::install(nullptr);
        VDAbsoluteTime::resetForTesting();
        auto installed = gtk::GtkPlatform::install();
        ASSERT_TRUE(installed.ok()) << installed.error().localizedDescription();
        ui::WebEngineFactory::install(gtk::WebKitEngine::maker());
        base::resetProcessServicesForTesting();
        VDMRAIDInterceptor::resetForTesting();
        VDClassRegistry::resetForTesting();
        VDDevice::sharedInstance()->setUserAgentString("Interstitial/1.0");
        e2e::startAdServerAsCorePage(server_);

        window_ = ui::Window::create(ui::Screen::mainScreen().bounds());
        ASSERT_TRUE(e2e::showAdsWindow(window_, controller_, "interstitial", shown_));
    }
    void TearDown() override {
        interstitial_.reset();
        shown_.reset();
        window_.reset();
        e2e::resetAdsClient(server_);
        PlatformTest::TearDown();
    }

    std::size_t pings(const std::string& target) const {
        const auto all = server_.requests("/ping/");
        return std::size_t(std::count(all.begin(), all.end(), target));
    }
    static bool waitFor(const std::function<bool()>& condition) {
        return base::RunLoop::main().runUntil(condition, 30s);
    }

    testing_support::TestAdServer server_;
    std::shared_ptr<ui::ViewController> controller_ = ui::ViewController::create();
    std::shared_ptr<ui::Window> window_;
    std::unique_ptr<gtk::MainWindow> shown_;
    std::shared_ptr<Host> host_ = std::make_shared<Host>();
    std::shared_ptr<VDInterstitial> interstitial_;
};

TEST_F(InterstitialTest, AnInterstitialIsShownFullScreenClosedByItsControlAndUsedOnce) {
    interstitial_ = VDInterstitial::createWithAdUnitID("interstitial");
    interstitial_->setDelegate(host_);
    interstitial_->loadRequest(VDRequest::request());
    ASSERT_TRUE(waitFor([&] { return !host_->calls.empty(); }));
    ASSERT_EQ(host_->calls, Calls{"receive"});
    ASSERT_TRUE(interstitial_->isReady());
    EXPECT_EQ(server_.requestCount("/ad/interstitial"), 1u);
    EXPECT_EQ(pings("/ping/impression?ad=interstitial"), 0u) << "not shown yet";

    // Presented over the window: the creative fills it under the close control.
    ASSERT_TRUE(interstitial_->presentFromRootViewController(controller_));
    auto screen = interstitial_->viewController();
    ASSERT_TRUE(waitFor([&] {
        return controller_->presentedViewController() == screen && !screen->isBeingPresented();
    }));
    EXPECT_EQ(host_->calls, (Calls{"receive", "willPresent"}));
    auto adView = interstitial_->slot()->adView();
    EXPECT_EQ(adView->superview(), screen->view());
    EXPECT_EQ(screen->view()->frame(), window_->bounds());
    EXPECT_EQ(adView->frame(), window_->bounds());
    EXPECT_EQ(
        adView->webView()
            ->stringByEvaluatingJavaScriptFromString("document.getElementById('ad').textContent")
            .rfind("Test interstitial", 0),
        0u);
    EXPECT_TRUE(waitFor([&] { return pings("/ping/impression?ad=interstitial") == 1; }));

    // The close control, clicked in the window, dismisses it and ends the interstitial.
    WindowInput input(shown_->canvas().widget());
    ASSERT_TRUE(input.available());
    shown_->sync();
    const ui::Rect close =
        screen->closeButton()->convertRectToView(screen->closeButton()->bounds(), nullptr);
    input.click(ui::Point(close.midX(), close.midY()));
    ASSERT_TRUE(waitFor([&] { return !controller_->presentedViewController(); }));
    EXPECT_EQ(host_->calls, (Calls{"receive", "willPresent", "willDismiss", "didDismiss"}));
    EXPECT_EQ(pings("/ping/click?ad=interstitial"), 0u) << "closing is no click";
    EXPECT_EQ(interstitial_->slot()->state(), VDSlot::StateInvalidated);

    // A second presentation of the same interstitial is refused with code 6.
    EXPECT_FALSE(interstitial_->presentFromRootViewController(controller_));
    EXPECT_EQ(host_->calls.back(),
              "fail " + std::to_string(VDRequestError::kVDErrorInterstitialAlreadyUsed));
    EXPECT_FALSE(controller_->presentedViewController());
    EXPECT_EQ(server_.requestCount("/ad/interstitial"), 1u);
}

} // namespace
