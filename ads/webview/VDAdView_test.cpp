#include "ads/webview/VDAdView.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/ScrollView.h"

#include <gtest/gtest.h>

namespace {

// Records what the ad view tells its delegate.
class Listener : public VDAdViewDelegate {
public:
    bool adViewShouldStartLoadWithRequestNavigationType(VDAdView&, const net::URLRequest& request,
                                                        ui::WebViewNavigationType) override {
        calls.push_back("should " + request.url()->absoluteString());
        return allow;
    }
    void adViewDidStartLoad(VDAdView&) override { calls.push_back("start"); }
    void adViewDidFinishLoad(VDAdView&) override { calls.push_back("finish"); }
    void adViewDidFailLoadWithError(VDAdView&, const base::Error& error) override {
        calls.push_back("fail " + std::to_string(error.code));
    }
    // What was heard besides the navigations asked about.
    std::vector<std::string> events() const {
        std::vector<std::string> heard;
        for (const auto& call : calls)
            if (call.rfind("should ", 0) != 0)
                heard.push_back(call);
        return heard;
    }
    std::vector<std::string> calls;
    bool allow = true;
};

// A message handler that serves "track".
class TrackHandler : public VDAMSGHandler {
public:
    const ActionBlockDictionary& actionBlockDictionary() const override {
        static const ActionBlockDictionary blocks = {
            {"track", [](VDAMSGHandler& handler, const VDNotification&) {
                 ++static_cast<TrackHandler&>(handler).heard;
             }}};
        return blocks;
    }
    int heard = 0;
};

class VDAdViewTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        base::RunLoop::main().runUntilIdle();
        PlatformTest::TearDown();
    }
    static ui::FakeWebEngine& page(VDAdView& view) {
        return ui::FakeWebEngine::of(*view.webView());
    }
};

TEST_F(VDAdViewTest, TheWebViewComesFromThePoolOrSharesTheAdsProcessAndGoesBackClean) {
    base::UserDefaults::standard()->setObject(VDWebViewCacheSet::maxCapacityKey, base::Value(2));
    VDWebViewCacheSet::install(VDWebViewCacheSet::create());
    auto first = VDAdView::create(ui::Rect(0, 0, 320, 50));
    auto second = VDAdView::create(ui::Rect(0, 0, 320, 50));
    EXPECT_EQ(page(*first).processIdentifier(), page(*second).processIdentifier())
        << "ad web views share one web process";
    EXPECT_EQ(first->webView()->frame(), ui::Rect(0, 0, 320, 50));
    EXPECT_EQ(first->webView()->superview(), first);

    auto listener = std::make_shared<Listener>();
    first->setDelegate(listener);
    auto pooled = first->webView();
    first.reset();
    EXPECT_EQ(pooled->superview(), nullptr);
    EXPECT_EQ(pooled->delegate(), nullptr);
    auto third = VDAdView::create(ui::Rect(0, 0, 300, 250));
    EXPECT_EQ(third->webView(), pooled) << "the pooled web view is used again";
    EXPECT_EQ(pooled->frame(), ui::Rect(0, 0, 300, 250));
}

TEST_F(VDAdViewTest, ABannerNeitherBouncesNorScalesAndPlaysMediaAsTheUserDefaultSays) {
    auto defaults = base::UserDefaults::standard();
    const std::pair<std::optional<bool>, bool> cases[] = {
        {std::nullopt, false}, {true, true}, {false, false}};
    for (const auto& [stored, requiresAction] : cases) {
        if (stored)
            defaults->setBool(VDAdView::bannerPreventAutoplayKey, *stored);
        else
            defaults->removeObjectForKey(VDAdView::bannerPreventAutoplayKey);
        auto view = VDAdView::create();
        EXPECT_FALSE(view->isHidden());
        view->configureAsBannerAdView();
        EXPECT_TRUE(view->isHidden()) << "until its first creative has loaded";
        EXPECT_FALSE(view->scrollView()->bounces());
        EXPECT_FALSE(page(*view).settings().scalesPageToFit);
        EXPECT_EQ(page(*view).settings().mediaPlaybackRequiresUserAction, requiresAction);
    }
}

TEST_F(VDAdViewTest, EventsWaitForTheCreativeAndANewCreativeDropsThoseStillWaiting) {
    auto view = VDAdView::create();
    auto listener = std::make_shared<Listener>();
    view->setDelegate(listener);
    auto& engine = page(*view);
    const auto base = base::URL::parse("http://127.0.0.1/ads/");

    view->loadHTMLStringBaseURL("<p>one</p>", base);
    EXPECT_EQ(view->baseURL(), base);
    ASSERT_EQ(engine.loads().size(), 1u);
    EXPECT_EQ(std::get<ui::FakeWebEngine::HTMLLoad>(engine.loads()[0]).html, "<p>one</p>");
    view->postSDKEventScript("dropped()");
    // A second creative replaces the first: the first's cancellation is no failure.
    view->loadHTMLStringBaseURL("<p>two</p>", std::nullopt);
    engine.raiseFailLoad(base::Error{base::URLErrorDomain, base::URLErrorCancelled, {}});
    view->postSDKEventScript("first()");
    view->postSDKEventScript("second()");
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(engine.evaluatedScripts().empty()) << "held while the creative loads";
    EXPECT_EQ(listener->events(), std::vector<std::string>{});

    engine.raiseFinishLoad();
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(engine.evaluatedScripts(), (std::vector<std::string>{"first()", "second()"}));
    view->postSDKEventScript("later()");
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(engine.evaluatedScripts().back(), "later()");

    // A real failure of the next creative reaches the delegate.
    view->loadHTMLStringBaseURL("<p>three</p>", std::nullopt);
    engine.raiseFailLoad(base::Error{base::URLErrorDomain, base::URLErrorCancelled, {}});
    EXPECT_EQ(listener->events(), (std::vector<std::string>{"finish", "fail -999"}));
}

TEST_F(VDAdViewTest, MessagesGoToTheHandlersAndNeverLoadWhileOtherNavigationsAskTheDelegate) {
    auto view = VDAdView::create();
    auto listener = std::make_shared<Listener>();
    auto handler = std::make_shared<TrackHandler>();
    view->setDelegate(listener);
    view->addAMSGHandler(handler);
    auto& engine = page(*view);
    EXPECT_EQ(engine.raiseNavigation(*base::URL::parse("amsg:///track?u=1"),
                                     ui::WebViewNavigationType::Other, false),
              false);
    EXPECT_EQ(handler->heard, 1);
    EXPECT_TRUE(listener->calls.empty());

    listener->allow = false;
    EXPECT_EQ(engine.raiseNavigation(*base::URL::parse("http://landing.example/"),
                                     ui::WebViewNavigationType::LinkClicked),
              false);
    EXPECT_EQ(listener->calls, std::vector<std::string>{"should http://landing.example/"});
}

} // namespace
