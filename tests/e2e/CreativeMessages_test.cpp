// Creatives that talk back, in a real window with the real engine and the test ad server: a
// rich-media banner gets the ads client's mraid.js, its tracking message reaches the server, and
// its mraid.open on a click in the window pings the click URLs and opens the landing page; a
// rich-media creative hears its visibility change when its banner scrolls out of sight and back;
// the core page's own fetch and an ad network's passback each end in a shown ad; a creative's
// precache lands in the temporary directory, and its page-load delay holds the impression.

#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDDevice.h"
#include "ads/presentation/VDBrowserViewController.h"
#include "ads/request/VDBannerView.h"
#include "ads/request/VDClickTrackerCollection.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/webview/VDAdView.h"
#include "ads/webview/VDMRAIDInterceptor.h"
#include "ads/webview/VDSDKCoreWebView.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "platform/base/AppHome.h"
#include "platform/base/Clock.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/base/UserDefaults.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/MainWindow.h"
#include "platform/gtk/ViewCanvas.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/ScrollView.h"
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

class CreativeMessagesTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::Clock::install(nullptr);
        VDAbsoluteTime::resetForTesting();
        auto installed = gtk::GtkPlatform::install();
        ASSERT_TRUE(installed.ok()) << installed.error().localizedDescription();
        ui::WebEngineFactory::install(gtk::WebKitEngine::maker());
        base::resetProcessServicesForTesting();
        // As the program after its launch: an ad counts as seen only while it is active.
        ui::Application::shared().launch();
        ui::Application::shared().setURLOpener([this](const base::URL& url) {
            opened_.push_back(url.absoluteString());
            return true;
        });
        VDMRAIDInterceptor::resetForTesting();
        VDClassRegistry::resetForTesting();
        VDDevice::sharedInstance()->setUserAgentString("CreativeMessages/1.0");
        e2e::startAdServerAsCorePage(server_);

        window_ = ui::Window::create(ui::Rect(0, 0, 320, 480));
        ASSERT_TRUE(e2e::showAdsWindow(window_, controller_, "creative messages", shown_));
    }
    void TearDown() override {
        banner_.reset();
        shown_.reset();
        window_.reset();
        e2e::resetAdsClient(server_);
        PlatformTest::TearDown();
    }

    static bool waitFor(const std::function<bool()>& condition) {
        return base::RunLoop::main().runUntil(condition, 30s);
    }
    // A banner of the scenario in `parent` at `origin`, loading its first ad.
    std::shared_ptr<VDBannerView> loadBanner(const std::string& scenario,
                                             const std::shared_ptr<ui::View>& parent,
                                             ui::Point origin) {
        banner_ = VDBannerView::createWithAdSizeOrigin(kVDAdSizeBanner, origin);
        banner_->setAdUnitID(scenario);
        banner_->setRootViewController(controller_);
        parent->addSubview(banner_);
        banner_->loadRequest(nullptr);
        return banner_;
    }
    // The creative's "ad" element's text; empty before there is one.
    std::string adText() {
        return banner_->adView()->webView()->stringByEvaluatingJavaScriptFromString(
            "(function () { var ad = document.getElementById('ad');"
            " return ad ? ad.textContent : ''; })()");
    }
    std::string creativeState() {
        return banner_->adView()->webView()->stringByEvaluatingJavaScriptFromString(
            "window.mraid ? mraid.getState() : 'no mraid'");
    }
    // The values of `key` in the server's requests for `path`, in order.
    std::vector<std::string> values(const std::string& path, const std::string& key) const {
        std::vector<std::string> found;
        for (const auto& request : server_.requestDetails(path)) {
            auto value = request.query.find(key);
            if (request.path == path && value != request.query.end())
                found.push_back(value->second);
        }
        return found;
    }

    testing_support::TestAdServer server_;
    std::shared_ptr<ui::ViewController> controller_ = ui::ViewController::create();
    std::shared_ptr<ui::Window> window_;
    std::unique_ptr<gtk::MainWindow> shown_;
    std::shared_ptr<VDBannerView> banner_;
    std::vector<std::string> opened_;
};

TEST_F(CreativeMessagesTest, ARichMediaCreativeTracksAndItsOpenOnAClickOpensTheLandingPage) {
    auto banner = loadBanner("mraid-click", window_, ui::Point(0, 400));
    // The creative asked for mraid.js and got ours (the server never saw that request), and
    // its tracking message reached the server.
    ASSERT_TRUE(waitFor([&] { return server_.requestCount("/ping/track") == 1; }));
    EXPECT_EQ(values("/ping/track", "c"), std::vector<std::string>{"mraid-click"});
    EXPECT_EQ(values("/ping/track", "state"), std::vector<std::string>{"loading"});
    EXPECT_EQ(server_.requestCount("/ad/mraid.js"), 0u);
    ASSERT_TRUE(waitFor([&] { return creativeState() == "default"; }))
        << "the loaded creative is told it is ready";
    EXPECT_FALSE(banner->adView()->isHidden());
    EXPECT_TRUE(waitFor([&] { return server_.requestCount("/ping/impression") == 1; }));
    EXPECT_EQ(server_.requestCount("/ping/click"), 0u);

    // A click in the window on the creative: its script calls mraid.open, whose message has
    // the click URLs pinged and the landing page opened full screen inside the program.
    WindowInput input(shown_->canvas().widget());
    ASSERT_TRUE(input.available());
    input.click(ui::Point(160, 425));
    ASSERT_TRUE(waitFor([&] { return server_.requestCount("/ping/click") == 1; }));
    EXPECT_EQ(server_.requests("/ping/click"),
              std::vector<std::string>{"/ping/click?ad=mraid-click"});
    auto landing =
        std::dynamic_pointer_cast<VDBrowserViewController>(controller_->presentedViewController());
    ASSERT_TRUE(landing);
    EXPECT_EQ(landing->initialURL().absoluteString(), server_.url("/landing"));
    EXPECT_TRUE(waitFor([&] { return server_.requestCount("/landing") == 1; }));
    EXPECT_TRUE(opened_.empty());
    // The creative stays where it was: the click never navigated the ad view.
    EXPECT_EQ(banner->adView()->webView()->stringByEvaluatingJavaScriptFromString("document.title"),
              "Creative mraid-click");
    EXPECT_EQ(server_.requestCount("/ping/track"), 1u);
}

TEST_F(CreativeMessagesTest, ARichMediaCreativeHearsItsBannerScrollOutOfSightAndBack) {
    // A page taller than the window, with the banner near its top.
    auto page = ui::ScrollView::create(window_->bounds());
    page->setContentSize(ui::Size(320, 2000));
    window_->addSubview(page);
    auto banner = loadBanner("mraid-visibility", page, ui::Point(0, 100));
    ASSERT_TRUE(waitFor([&] { return values("/ping/visibility", "viewable").size() == 1; }))
        << testing::PrintToString(server_.requests());
    EXPECT_EQ(values("/ping/visibility", "viewable"), std::vector<std::string>{"1"});
    EXPECT_TRUE(banner->adView()->webView()->stringByEvaluatingJavaScriptFromString(
                    "String(mraid.isViewable())") == "true");

    // The wheel, below the banner, scrolls the page until the banner has left the window...
    WindowInput input(shown_->canvas().widget());
    ASSERT_TRUE(input.available());
    input.wheel(ui::Point(160, 400), 10);
    ASSERT_TRUE(waitFor([&] { return page->contentOffset().y >= 200; }));
    ASSERT_TRUE(waitFor([&] { return values("/ping/visibility", "viewable").size() == 2; }));
    EXPECT_EQ(values("/ping/visibility", "viewable"), (std::vector<std::string>{"1", "0"}));

    // ... and back.
    input.wheel(ui::Point(160, 400), -10);
    ASSERT_TRUE(waitFor([&] { return page->contentOffset().y == 0; }));
    ASSERT_TRUE(waitFor([&] { return values("/ping/visibility", "viewable").size() == 3; }));
    EXPECT_EQ(values("/ping/visibility", "viewable"), (std::vector<std::string>{"1", "0", "1"}));
}

TEST_F(CreativeMessagesTest, TheCorePagesOwnFetchAndANetworkScriptsPassbackEachShowAnAd) {
    // The core page asks native code to fetch the ad and delivers what came back.
    loadBanner("fetch", window_, ui::Point(0, 0));
    ASSERT_TRUE(waitFor([&] { return base::hasPrefix(adText(), "Test ad "); }));
    auto fetched = server_.requestDetails("/ad/html");
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_EQ(fetched.front().headers.find("user-agent")->second, "CreativeMessages/1.0")
        << "fetched by the ads client, not by the page";
    EXPECT_EQ(adText(), "Test ad " + fetched.front().query.find("request_id")->second);

    // An ad network's script that has no ad sends its page to the passback URL: the slot
    // fetches that as its ad, and nothing counts as a click.
    loadBanner("network-js", window_, ui::Point(0, 100));
    ASSERT_TRUE(waitFor([&] { return adText() == "Test ad passback"; }));
    EXPECT_EQ(server_.requestCount("/ad/html"), 2u);
    EXPECT_FALSE(controller_->presentedViewController());
    EXPECT_TRUE(opened_.empty());
    EXPECT_EQ(server_.requestCount("/ping/click"), 0u);
}

TEST_F(CreativeMessagesTest, ACreativePrecachesIntoTheTemporaryDirectoryAndDelaysItsLoadedMoment) {
    loadBanner("creative-precache", window_, ui::Point(0, 0));
    ASSERT_TRUE(waitFor([&] { return server_.requestCount("/ping/precached") == 1; }));
    EXPECT_EQ(values("/ping/precached", "name"), std::vector<std::string>{"asset.txt"});
    EXPECT_EQ(values("/ping/precached", "success"), std::vector<std::string>{"1"});
    EXPECT_EQ(server_.requestCount("/ping/asset"), 1u);
    auto stored =
        base::readFile(VDDevice::sharedInstance()->temporaryPathWithCreation(false) / "asset.txt");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->toString(), "ok");

    // A creative that delays its loaded moment is counted only once it says it is ready.
    loadBanner("creative-delay", window_, ui::Point(0, 100));
    ASSERT_TRUE(waitFor([&] { return values("/ping/impression", "ad").size() == 2; }));
    EXPECT_EQ(values("/ping/impression", "ad").back(), "creative-delay");
    const auto pings = server_.requests("/ping/");
    const auto ended = std::find(pings.begin(), pings.end(), "/ping/delay-ended");
    const auto counted =
        std::find(pings.begin(), pings.end(), "/ping/impression?ad=creative-delay");
    ASSERT_NE(ended, pings.end());
    EXPECT_LT(ended, counted);
}

} // namespace
