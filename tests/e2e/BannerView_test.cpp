// A banner in a real window with the real engine and the test ad server: the core page builds
// the ad URL, the HTML ad renders in the banner, the impression is pinged, a click on the
// creative pings its click URLs and opens the landing page full screen over the window (the
// banner does not refresh while it is up, and Done closes it), the banner refreshes on the
// interval the response sets, a no-fill reaches the host with its code, a mediation
// response shows the HTML of its first network that fills, and a drag up over a swipeable ad
// pulls the store's page in over the window.

#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDDevice.h"
#include "ads/presentation/VDBrowserViewController.h"
#include "ads/request/VDBannerView.h"
#include "ads/request/VDClickTrackerCollection.h"
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
#include "platform/ui/Label.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/ProductSheet.h"
#include "platform/ui/SheetBar.h"
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

class Host : public VDBannerViewDelegate {
public:
    void adViewDidReceiveAd(VDBannerView&) override { calls.push_back("receive"); }
    void adViewDidFailToReceiveAdWithError(VDBannerView&, const base::Error& error) override {
        calls.push_back("fail " + std::to_string(error.code));
    }
    void adViewWillPresentScreen(VDBannerView&) override { calls.push_back("willPresent"); }
    void adViewWillDismissScreen(VDBannerView&) override { calls.push_back("willDismiss"); }
    void adViewDidDismissScreen(VDBannerView&) override { calls.push_back("didDismiss"); }
    void adViewWillLeaveApplication(VDBannerView&) override { calls.push_back("willLeave"); }
    Calls calls;
};

class BannerViewTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::Clock::install(nullptr);
        VDAbsoluteTime::resetForTesting();
        auto installed = gtk::GtkPlatform::install();
        ASSERT_TRUE(installed.ok()) << installed.error().localizedDescription();
        ui::WebEngineFactory::install(gtk::WebKitEngine::maker());
        base::resetProcessServicesForTesting();
        ui::Application::shared().setURLOpener([this](const base::URL& url) {
            opened_.push_back(url.absoluteString());
            return true;
        });
        VDMRAIDInterceptor::resetForTesting();
        VDClassRegistry::resetForTesting();
        VDDevice::sharedInstance()->setUserAgentString("BannerView/1.0");
        // An HTML banner whose link fills it, refreshing every 2 s.
        server_.setScenario("quick", [this](const testing_support::TestAdServer::Request& request) {
            auto id = request.query.find("request_id");
            const std::string label = id == request.query.end() ? "" : id->second;
            testing_support::TestAdServer::AdResponse answer;
            answer.headers = {{"X-Vdma-Tracking-Urls", server_.url("/ping/impression?n=" + label)},
                              {"X-Vdma-Click-Tracking-Urls", server_.url("/ping/click?n=" + label)},
                              {"X-Vdma-Refresh-Rate", "2"}};
            answer.body = "<!DOCTYPE html><html><body style=\"margin:0\"><a id=\"ad\" href=\"" +
                          server_.url("/landing") +
                          "\" style=\"display:block;width:320px;height:50px\">Test ad " + label +
                          "</a></body></html>";
            return answer;
        });
        e2e::startAdServerAsCorePage(server_);

        window_ = ui::Window::create(ui::Rect(0, 0, 320, 480));
        ASSERT_TRUE(e2e::showAdsWindow(window_, controller_, "banner", shown_));
    }
    void TearDown() override {
        banners_.clear();
        shown_.reset();
        window_.reset();
        e2e::resetAdsClient(server_);
        PlatformTest::TearDown();
    }

    // How many requests the server got for exactly that target.
    std::size_t pings(const std::string& target) const {
        const auto all = server_.requests("/ping/");
        return std::size_t(std::count(all.begin(), all.end(), target));
    }
    static bool waitFor(const std::function<bool()>& condition) {
        return base::RunLoop::main().runUntil(condition, 30s);
    }
    std::shared_ptr<VDBannerView> showBanner(const std::string& adUnit, double y) {
        auto banner = VDBannerView::createWithAdSizeOrigin(kVDAdSizeBanner, ui::Point(0, y));
        banner->setAdUnitID(adUnit);
        banner->setRootViewController(controller_);
        banner->setDelegate(host_);
        window_->addSubview(banner);
        banners_.push_back(banner);
        return banner;
    }

    testing_support::TestAdServer server_;
    std::shared_ptr<ui::ViewController> controller_ = ui::ViewController::create();
    std::shared_ptr<ui::Window> window_;
    std::unique_ptr<gtk::MainWindow> shown_;
    std::shared_ptr<Host> host_ = std::make_shared<Host>();
    std::vector<std::shared_ptr<VDBannerView>> banners_;
    std::vector<std::string> opened_;
};

TEST_F(BannerViewTest, AnHTMLAdShowsIsCountedClickedAndRefreshedOnTheResponsesInterval) {
    auto banner = showBanner("quick", 400);
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitFor([&] { return !host_->calls.empty(); }));
    ASSERT_EQ(host_->calls, Calls{"receive"});
    auto adView = banner->adView();
    EXPECT_FALSE(adView->isHidden());
    EXPECT_EQ(adView->webView()->stringByEvaluatingJavaScriptFromString(
                  "document.getElementById('ad').textContent"),
              "Test ad 1");
    EXPECT_TRUE(waitFor([&] { return pings("/ping/impression?n=1") == 1; }));
    EXPECT_EQ(banner->slot()->reloadInterval(), 2);

    // A click in the window on the creative: the click URLs are pinged and the landing page
    // opens full screen over the window, inside the program; the banner keeps its creative.
    WindowInput input(shown_->canvas().widget());
    ASSERT_TRUE(input.available());
    input.click(ui::Point(160, 425));
    ASSERT_TRUE(waitFor([&] { return pings("/ping/click?n=1") == 1; }));
    auto landing =
        std::dynamic_pointer_cast<VDBrowserViewController>(controller_->presentedViewController());
    ASSERT_TRUE(landing);
    EXPECT_EQ(landing->initialURL().absoluteString(), server_.url("/landing"));
    EXPECT_TRUE(opened_.empty());
    EXPECT_EQ(host_->calls, (Calls{"receive", "willPresent"}));
    ASSERT_TRUE(waitFor(
        [&] { return server_.requestCount("/landing") == 1 && !landing->webView()->isLoading(); }));
    EXPECT_EQ(landing->view()->frame(), window_->bounds());

    // While it is up the banner does not refresh: its 2 s pass without an ad request.
    EXPECT_FALSE(banner->slot()->reloadTimer());
    EXPECT_FALSE(
        base::RunLoop::main().runUntil([&] { return server_.requestCount("/ad/quick") > 1; }, 3s));

    // Done, clicked in the window, closes it and the refresh starts again.
    shown_->sync();
    const ui::Rect done = landing->bar()->frameOfItem(*landing->doneButton(), nullptr);
    input.click(ui::Point(done.midX(), done.midY()));
    ASSERT_TRUE(waitFor([&] { return !controller_->presentedViewController(); }));
    EXPECT_EQ(host_->calls, (Calls{"receive", "willPresent", "willDismiss", "didDismiss"}));
    EXPECT_TRUE(banner->slot()->reloadTimer());

    // The response's 2 s interval brings the next ad, with its own impression.
    ASSERT_TRUE(waitFor([&] { return host_->calls.size() == 5; }));
    EXPECT_EQ(host_->calls.back(), "receive");
    EXPECT_TRUE(banner->hasAutoRefreshed());
    EXPECT_EQ(adView->webView()->stringByEvaluatingJavaScriptFromString(
                  "document.getElementById('ad').textContent"),
              "Test ad 2");
    EXPECT_TRUE(waitFor([&] { return pings("/ping/impression?n=2") == 1; }));
    EXPECT_EQ(server_.requestCount("/ad/quick"), 2u);
}

TEST_F(BannerViewTest, ANoFillReachesTheHostWithItsCode) {
    auto banner = showBanner("nofill", 0);
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitFor([&] { return !host_->calls.empty(); }));
    EXPECT_EQ(host_->calls, Calls{"fail " + std::to_string(VDRequestError::kVDErrorNoFill)});
    EXPECT_TRUE(banner->adView()->isHidden()) << "nothing to show yet";
    EXPECT_EQ(server_.requestCount("/ad/nofill"), 1u);
}

TEST_F(BannerViewTest, AMediationResponseShowsTheHTMLNetworkThatFillsAndPingsEachNetwork) {
    auto banner = showBanner("mediation-waterfall", 400);
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitFor([&] { return !host_->calls.empty(); }));
    ASSERT_EQ(host_->calls, Calls{"receive"});
    EXPECT_EQ(banner->adNetworkClassName(), "VDMAdapterHTML");
    auto mediated = std::dynamic_pointer_cast<VDAdView>(banner->mediatedAdView());
    ASSERT_TRUE(mediated);
    EXPECT_EQ(banner->rootAdView(), mediated);
    EXPECT_NE(mediated, banner->adView());
    EXPECT_FALSE(mediated->isHidden());
    EXPECT_EQ(mediated->webView()->stringByEvaluatingJavaScriptFromString(
                  "document.getElementById('ad').textContent"),
              "Mediated test ad");

    // The server hears one ping per network: the empty one failed (1), the HTML one filled (0).
    ASSERT_TRUE(waitFor([&] { return server_.requestCount("/ping/mediation") == 2; }));
    const auto pinged = server_.requestDetails("/ping/mediation");
    auto item = [](const testing_support::TestAdServer::Request& request, const char* key) {
        auto found = request.query.find(key);
        return found == request.query.end() ? std::string("(none)") : found->second;
    };
    EXPECT_EQ(item(pinged[0], "net"), "empty");
    EXPECT_EQ(item(pinged[0], "exit"), "1");
    EXPECT_EQ(item(pinged[1], "net"), "html");
    EXPECT_EQ(item(pinged[1], "exit"), "0");
    EXPECT_EQ(item(pinged[1], "sid"),
              VDApplication::sharedInstance()->currentSession()->uniqueID());
    EXPECT_EQ(item(pinged[1], "q"), "qd");

    // A click in the window on the network's ad opens the landing page outside the program.
    WindowInput input(shown_->canvas().widget());
    ASSERT_TRUE(input.available());
    input.click(ui::Point(60, 410));
    ASSERT_TRUE(waitFor([&] { return !opened_.empty(); }));
    EXPECT_EQ(opened_, std::vector<std::string>{server_.url("/landing")});
    EXPECT_EQ(host_->calls, (Calls{"receive", "willLeave"}));
    EXPECT_EQ(mediated->webView()->stringByEvaluatingJavaScriptFromString(
                  "document.getElementById('ad').textContent"),
              "Mediated test ad")
        << "the ad stays";
}

TEST_F(BannerViewTest, ADragUpOverASwipeableAdPullsTheStorePageInOverTheWindow) {
    // An ad whose whole creative takes the swipe to product 123, and that lists what it hears.
    server_.setScenario("swipe", [](const testing_support::TestAdServer::Request&) {
        testing_support::TestAdServer::AdResponse answer;
        answer.headers = {{"X-Vdma-Swipe-To-View-Controller",
                           R"({"app_store_product_id":123,"swipeable_rectangles":)"
                           R"([{"x":0,"y":0,"width":320,"height":50}],)"
                           R"("swipe_event_creative_metadata":{"creative":"swipe"}})"}};
        answer.body = "<!DOCTYPE html><html><body style=\"margin:0\"><div id=\"ad\" "
                      "style=\"width:320px;height:50px;background:#08f\">Swipe up</div><script>"
                      "var heard = [];"
                      "function VDMA_fireNotification(name, info) {"
                      "  heard.push(name + ' ' + JSON.stringify(info)); }"
                      "</script></body></html>";
        return answer;
    });
    auto banner = showBanner("swipe", 400);
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitFor([&] { return !host_->calls.empty(); }));
    ASSERT_EQ(host_->calls, Calls{"receive"});
    ASSERT_EQ(banner->gestureRecognizers().size(), 1u) << "the swipe is offered once shown";
    auto adView = banner->adView();

    // A drag up from the ad, in the window: the page follows and comes in.
    WindowInput input(shown_->canvas().widget());
    ASSERT_TRUE(input.available());
    input.drag(ui::Point(160, 440), ui::Point(160, 100), 12);
    ASSERT_TRUE(waitFor([&] { return controller_->presentedViewController() != nullptr; }));
    auto sheet =
        std::dynamic_pointer_cast<ui::ProductSheet>(controller_->presentedViewController());
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->productIdentifier(), "123");
    EXPECT_EQ(sheet->view()->frame(), window_->bounds());
    EXPECT_EQ(host_->calls, (Calls{"receive", "willPresent"}));
    EXPECT_TRUE(opened_.empty());
    EXPECT_TRUE(waitFor([&] {
        return adView->webView()->stringByEvaluatingJavaScriptFromString(
                   "heard.filter(function (h) { return h.startsWith('onSwipeable'); "
                   "}).join('|')") ==
               R"(onSwipeableViewControllerPresentationFinished {"creative":"swipe"})";
    }));
    EXPECT_FALSE(banner->slot()->reloadTimer()) << "the store page is a takeover";

    EXPECT_EQ(sheet->productLabel()->text(), "Product 123");

    // Done, clicked in the window, closes it; the banner refreshes again and offers the swipe
    // anew.
    shown_->sync();
    const ui::Rect done = sheet->bar()->frameOfItem(*sheet->doneButton(), nullptr);
    input.click(ui::Point(done.midX(), done.midY()));
    ASSERT_TRUE(waitFor([&] { return !controller_->presentedViewController(); }));
    EXPECT_EQ(host_->calls, (Calls{"receive", "willPresent", "willDismiss", "didDismiss"}));
    EXPECT_TRUE(banner->slot()->reloadTimer());
    EXPECT_TRUE(waitFor([&] { return banner->gestureRecognizers().size() == 1; }));
}

} // namespace
