#include "ads/foundation/VDGestureUtil.h"
#include "ads/webview/VDAdView.h"
#include "ads/webview/VDBannerAdViewDelegate.h"
#include "ads/webview/VDMRAIDEventHandling.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Touch.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

namespace {

using Calls = std::vector<std::string>;

// A slot that records, in one list with its rich-media handler and the opener, what it is told.
class RecordingSlot : public VDAdViewSlot, public VDMRAIDEventHandling {
public:
    explicit RecordingSlot(Calls& calls)
        : calls_(calls) {}

    bool isRenderingAd() const override { return state == 5; }
    bool hasValidAd() const override { return state == 6; }
    bool requestsInterstitialAd() const override { return interstitial; }
    std::shared_ptr<VDMRAIDEventHandling> currentAdMRAIDEventHandler() const override {
        return handler.lock();
    }
    void didReceiveValidAd() override {
        state = 6;
        calls_.push_back("didReceiveValidAd");
    }
    void didLoadAdHTMLInWebView() override { calls_.push_back("didLoadAdHTMLInWebView"); }
    void didMakeAdImpression() override { calls_.push_back("didMakeAdImpression"); }
    void adFinishedLoadingContent() override { calls_.push_back("adFinishedLoadingContent"); }
    void didFailToLoadAdHTMLInWebView(const base::Error& error) override {
        calls_.push_back("didFail " + std::to_string(error.code));
    }
    base::URL spamClickURLWithURL(const base::URL& url) override {
        calls_.push_back("spam " + url.absoluteString());
        return *base::URL::parse(url.absoluteString() + "&sig");
    }
    void adWasClicked() override { calls_.push_back("adWasClicked"); }
    const std::shared_ptr<VDAdView>& adView() const override { return view; }
    void trackURL(const base::URL& url) override {
        calls_.push_back("track " + url.absoluteString());
    }
    void didReceiveAppEventWithInfo(const std::string& name,
                                    const std::optional<std::string>& info) override {
        calls_.push_back("app " + name + (info ? " " + *info : std::string()));
    }
    void adNetworkDidPassBackToURL(const base::URL& url) override {
        calls_.push_back("passback " + url.absoluteString());
    }
    bool openAdAppWithURL(const base::URL& url) override {
        calls_.push_back("adApp " + url.absoluteString());
        return true;
    }
    void setSwipeToViewControllerEnabled(bool enabled) override {
        calls_.push_back(enabled ? "swipe on" : "swipe off");
    }
    void MRAIDAdDidLoad() override { calls_.push_back("MRAIDAdDidLoad"); }
    void MRAIDAdDidUnload() override {}
    void updateVisibility(bool) override {}
    void updatePositionFromView(const std::shared_ptr<ui::View>&) override {}

    long state = 5;
    bool interstitial = false;
    std::shared_ptr<VDAdView> view;
    std::weak_ptr<VDMRAIDEventHandling> handler;

private:
    Calls& calls_;
};

class RecordingOpener : public VDClickActionOpener {
public:
    explicit RecordingOpener(Calls& calls)
        : calls_(calls) {}
    bool openClickURL(const base::URL& url, bool userInitiated) override {
        calls_.push_back(std::string("open ") + url.absoluteString() +
                         (userInitiated ? " by the user" : ""));
        return true;
    }

private:
    Calls& calls_;
};

class VDBannerAdViewDelegateTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        slot_ = std::make_shared<RecordingSlot>(calls_);
        slot_->handler = slot_;
        view_ = VDAdView::create(ui::Rect(0, 0, 320, 50));
        slot_->view = view_;
        delegate_ = VDBannerAdViewDelegate::createWithSlot(
            slot_, std::make_shared<RecordingOpener>(calls_));
        view_->configureAsBannerAdView();
        view_->setDelegate(delegate_);
    }
    void TearDown() override {
        slot_->view.reset();
        view_.reset();
        base::resetProcessServicesForTesting();
        base::RunLoop::main().runUntilIdle();
        PlatformTest::TearDown();
    }
    ui::FakeWebEngine& page() { return ui::FakeWebEngine::of(*view_->webView()); }
    // The creative sends a message, as a page does: a hidden frame navigates to it.
    void send(const std::string& message) {
        EXPECT_EQ(page().raiseNavigation(*base::URL::parse("amsg:///" + message),
                                         ui::WebViewNavigationType::Other, false),
                  false)
            << message;
    }
    void loadCreative() {
        view_->loadHTMLStringBaseURL("<p>ad</p>", std::nullopt);
        page().raiseStartLoad();
        page().raiseFinishLoad();
        calls_.clear();
    }

    Calls calls_;
    std::shared_ptr<RecordingSlot> slot_;
    std::shared_ptr<VDBannerAdViewDelegate> delegate_;
    std::shared_ptr<VDAdView> view_;
};

TEST_F(VDBannerAdViewDelegateTest, ALoadedCreativeMakesTheAdValidShownAndCountedInThatOrder) {
    view_->loadHTMLStringBaseURL("<p>ad</p>", std::nullopt);
    page().raiseFinishLoad();
    EXPECT_EQ(calls_, (Calls{"didReceiveValidAd", "didLoadAdHTMLInWebView", "MRAIDAdDidLoad",
                             "didMakeAdImpression", "adFinishedLoadingContent"}));
    EXPECT_FALSE(view_->isHidden());

    // An interstitial counts its impression when it is presented, not here.
    calls_.clear();
    slot_->state = 5;
    slot_->interstitial = true;
    view_->loadHTMLStringBaseURL("<p>ad</p>", std::nullopt);
    page().raiseFinishLoad();
    EXPECT_EQ(calls_, (Calls{"didReceiveValidAd", "didLoadAdHTMLInWebView", "MRAIDAdDidLoad",
                             "adFinishedLoadingContent"}));
}

TEST_F(VDBannerAdViewDelegateTest, LoadsAndFailuresOutsideRenderingBelongToNoRequest) {
    for (long state : {0L, 4L, 6L, 7L, 8L}) {
        slot_->state = state;
        view_->loadHTMLStringBaseURL("<p>ad</p>", std::nullopt);
        page().raiseFinishLoad();
        view_->loadHTMLStringBaseURL("<p>ad</p>", std::nullopt);
        page().raiseFailLoad(base::Error{"test", 7, {}});
    }
    EXPECT_TRUE(calls_.empty());
    EXPECT_TRUE(view_->isHidden());
    slot_->state = 5;
    view_->loadHTMLStringBaseURL("<p>ad</p>", std::nullopt);
    page().raiseFailLoad(base::Error{"test", 7, {}});
    EXPECT_EQ(calls_, Calls{"didFail 7"});
    EXPECT_TRUE(view_->isHidden());
}

TEST_F(VDBannerAdViewDelegateTest, AClickOnTheLoadedCreativeIsSignedCountedAndOpenedElsewhere) {
    view_->loadHTMLStringBaseURL("<p>ad</p>", std::nullopt);
    // The creative's own load, and its frames' loads, go through.
    EXPECT_EQ(
        page().raiseNavigation(*base::URL::parse("about:blank"), ui::WebViewNavigationType::Other),
        true);
    page().raiseFinishLoad();
    EXPECT_EQ(page().raiseNavigation(*base::URL::parse("http://frame.example/f"),
                                     ui::WebViewNavigationType::Other, false),
              true);
    calls_.clear();

    EXPECT_EQ(page().raiseNavigation(*base::URL::parse("http://ads.example/c?ai=1"),
                                     ui::WebViewNavigationType::LinkClicked),
              false);
    EXPECT_EQ(calls_, (Calls{"spam http://ads.example/c?ai=1", "adWasClicked",
                             "open http://ads.example/c?ai=1&sig by the user"}));
    calls_.clear();
    // A page that navigates its main frame by itself is a click too, not one the user made.
    EXPECT_EQ(page().raiseNavigation(*base::URL::parse("http://ads.example/auto?ai=2"),
                                     ui::WebViewNavigationType::Other),
              false);
    EXPECT_EQ(calls_.back(), "open http://ads.example/auto?ai=2&sig");
}

TEST_F(VDBannerAdViewDelegateTest, TrackingClickAndOpenAppMessagesPingSignAndOpen) {
    loadCreative();
    view_->setTouched(true);
    send("track?u=http%3A%2F%2Fads.example%2Ft%3Fa%3D1");
    send("click?u=https%3A%2F%2Fads.example%2Fc%3Fai%3D2&t=http%3A%2F%2Fads.example%2Fct");
    send("openApp?u=http%3A%2F%2Fstore.example%2Fapp");
    EXPECT_EQ(calls_, (Calls{"track http://ads.example/t?a=1", "track http://ads.example/ct",
                             "spam https://ads.example/c?ai=2",
                             "open https://ads.example/c?ai=2&sig by the user",
                             "spam http://store.example/app", "adWasClicked",
                             "open http://store.example/app&sig by the user"}));
    // Without a touch since the creative loaded, the opener hears that no user asked.
    calls_.clear();
    loadCreative();
    view_->setTouched(false);
    send("click?u=http%3A%2F%2Fads.example%2Fc");
    EXPECT_EQ(calls_.back(), "open http://ads.example/c&sig");
}

TEST_F(VDBannerAdViewDelegateTest, MessagesWithMissingOrHostileParametersDoNothing) {
    loadCreative();
    for (const char* message :
         {"track", "track?u=", "track?u=javascript%3Aalert(1)",
          "track?u=file%3A%2F%2F%2Fetc%2Fpasswd", "track?u=%2Frelative", "track?u=http%3A%2F%2F",
          "click", "click?u=ftp%3A%2F%2Fa.example%2F", "click?t=data%3Atext%2Fhtml%2Cx", "openApp",
          "openApp?u=tel%3A123", "app", "app?name=", "app?info=x", "touch?x=1", "touch?x=a&y=2",
          "touch?x=nan&y=1", "unknownMessage?u=http%3A%2F%2Fa.example%2F"})
        send(message);
    EXPECT_TRUE(calls_.empty()) << calls_.front();
}

TEST_F(VDBannerAdViewDelegateTest, AppEventsReachTheSlotWithTheirInfo) {
    loadCreative();
    send("app?name=level&info=%7B%22n%22%3A3%7D");
    send("app?name=done");
    EXPECT_EQ(calls_, (Calls{"app level {\"n\":3}", "app done"}));
}

TEST_F(VDBannerAdViewDelegateTest, AdAppMessagesOpenOnlyAWebPageForTheSlot) {
    loadCreative();
    send("openAdApp?u=https%3A%2F%2Fapp.example%2Fstart%3Fa%3D1");
    for (const char* message :
         {"openAdApp", "openAdApp?u=", "openAdApp?u=javascript%3Aalert(1)",
          "openAdApp?u=file%3A%2F%2F%2Fetc%2Fpasswd", "openAdApp?u=%2Frelative",
          "openAdApp?u=itms-apps%3A%2F%2Fitunes.example%2Fid1"})
        send(message);
    // Not a click: nothing is signed, counted or opened through the click opener.
    EXPECT_EQ(calls_, (Calls{"adApp https://app.example/start?a=1"}));
}

TEST_F(VDBannerAdViewDelegateTest, SwipeMessagesTurnTheSwipeOffAndOn) {
    loadCreative();
    send("swipeToViewController?enabled=0");
    send("swipeToViewController?enabled=1");
    for (const char* message :
         {"swipeToViewController",
          "swipeToViewController?enabled=", "swipeToViewController?enabled=2",
          "swipeToViewController?enabled=yes", "swipeToViewController?enabled=1%00"})
        send(message);
    EXPECT_EQ(calls_, (Calls{"swipe off", "swipe on"}));
}

TEST_F(VDBannerAdViewDelegateTest, TouchMessagesReachTheGestureSignal) {
    base::resetProcessServicesForTesting();
    loadCreative();
    send("touch?x=10&y=20&d=0.2");
    send("touch?x=5&y=5");
    send("touch?y=5");
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(VDGestureUtil::sharedInstance()->touchCount(), 2u);
    base::resetProcessServicesForTesting();
}

TEST_F(VDBannerAdViewDelegateTest, APageLoadDelayHoldsTheFinishUntilItEnds) {
    view_->loadHTMLStringBaseURL("<p>ad</p>", std::nullopt);
    page().raiseStartLoad();
    send("delayPageLoad?t=3");
    page().raiseFinishLoad();
    EXPECT_TRUE(calls_.empty());
    EXPECT_TRUE(view_->isHidden());
    send("endPageLoadDelay");
    EXPECT_EQ(calls_, (Calls{"didReceiveValidAd", "didLoadAdHTMLInWebView", "MRAIDAdDidLoad",
                             "didMakeAdImpression", "adFinishedLoadingContent"}));
    EXPECT_FALSE(view_->isHidden());
    // A second end changes nothing.
    send("endPageLoadDelay");
    EXPECT_EQ(calls_.size(), 5u);
}

TEST_F(VDBannerAdViewDelegateTest, APageLoadDelayEndsByItselfAndOnlyForTheSlotStillRendering) {
    slot_->state = 5;
    view_->loadHTMLStringBaseURL("<p>ad</p>", std::nullopt);
    page().raiseStartLoad();
    send("delayPageLoad?t=2");
    page().raiseFinishLoad();
    base::RunLoop::main().advance(base::Seconds(1.9));
    EXPECT_TRUE(calls_.empty());
    base::RunLoop::main().advance(base::Seconds(0.2));
    EXPECT_EQ(calls_.front(), "didReceiveValidAd");

    // A hostile time-out is capped; a slot that moved on while waiting hears nothing.
    calls_.clear();
    slot_->state = 5;
    view_->loadHTMLStringBaseURL("<p>ad</p>", std::nullopt);
    page().raiseStartLoad();
    send("delayPageLoad?t=1e300");
    page().raiseFinishLoad();
    slot_->state = 7;
    base::RunLoop::main().advance(base::Seconds(29));
    EXPECT_TRUE(delegate_->isPageLoadDelayPending());
    base::RunLoop::main().advance(base::Seconds(2));
    EXPECT_FALSE(delegate_->isPageLoadDelayPending());
    EXPECT_TRUE(calls_.empty());

    // A delay asked by the previous creative does not hold the next one.
    slot_->state = 5;
    send("delayPageLoad");
    view_->loadHTMLStringBaseURL("<p>ad</p>", std::nullopt);
    page().raiseStartLoad();
    page().raiseFinishLoad();
    EXPECT_EQ(calls_.size(), 5u);
}

TEST_F(VDBannerAdViewDelegateTest, ARichMediaBannerThatClosesItselfIsHidden) {
    std::vector<std::string> scripts;
    page().setScriptFallback([&](const std::string& script) -> std::optional<std::string> {
        scripts.push_back(script);
        return std::string();
    });
    loadCreative();
    ASSERT_FALSE(view_->isHidden());
    send("close");
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(view_->isHidden());
    EXPECT_EQ(scripts, std::vector<std::string>{
                           R"(VDMA_fireNotification("onStateChanged",{"state":"hidden"});)"});
    send("close");
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(scripts.size(), 1u);
}

TEST_F(VDBannerAdViewDelegateTest, TouchesOnTheAdViewReachTheGestureSignal) {
    base::resetProcessServicesForTesting();
    auto window = ui::Window::create(ui::Rect(0, 0, 320, 480));
    window->addSubview(view_);
    auto touch = std::make_shared<ui::Touch>(ui::Point(10, 10), ui::TouchPhase::Began, 1.0);
    touch->setWindow(window);
    view_->touchesBegan({touch}, nullptr);
    touch->update(ui::Point(20, 12), ui::TouchPhase::Moved, 1.1);
    view_->touchesMoved({touch}, nullptr);
    EXPECT_EQ(VDGestureUtil::sharedInstance()->touchCount(), 0u) << "reported at its end";
    touch->update(ui::Point(30, 14), ui::TouchPhase::Ended, 1.2);
    view_->touchesEnded({touch}, nullptr);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(VDGestureUtil::sharedInstance()->touchCount(), 1u);
    EXPECT_TRUE(view_->isTouched());
    view_->removeFromSuperview();
    base::resetProcessServicesForTesting();
}

} // namespace
