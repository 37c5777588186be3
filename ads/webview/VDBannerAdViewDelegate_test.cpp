#include "ads/webview/VDAdView.h"
#include "ads/webview/VDBannerAdViewDelegate.h"
#include "ads/webview/VDMRAIDEventHandling.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "ads/webview/VDWebViewFactory.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/FakeWebEngine.h"

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
    void MRAIDAdDidLoad() override { calls_.push_back("MRAIDAdDidLoad"); }
    void MRAIDAdDidUnload() override {}
    void updateVisibility(bool) override {}
    void updatePositionFromView(const std::shared_ptr<ui::View>&) override {}

    long state = 5;
    bool interstitial = false;
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
        VDWebViewCacheSet::install(nullptr);
        slot_ = std::make_shared<RecordingSlot>(calls_);
        slot_->handler = slot_;
        delegate_ = std::make_shared<VDBannerAdViewDelegate>(
            slot_, std::make_shared<RecordingOpener>(calls_));
        view_ = VDAdView::create(ui::Rect(0, 0, 320, 50));
        view_->configureAsBannerAdView();
        view_->setDelegate(delegate_);
    }
    void TearDown() override {
        view_.reset();
        VDWebViewCacheSet::install(nullptr);
        base::RunLoop::main().runUntilIdle();
        VDWebViewFactory::resetForTesting();
        PlatformTest::TearDown();
    }
    ui::FakeWebEngine& page() { return ui::FakeWebEngine::of(*view_->webView()); }

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

} // namespace
