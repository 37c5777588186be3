#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDApplication.h"
#include "ads/webview/VDAdAppAdViewDelegate.h"
#include "ads/webview/VDAdView.h"
#include "ads/webview/VDBrowserAdViewDelegate.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/WebView.h"

#include <gtest/gtest.h>

namespace {

using base::Decimal;
using base::Value;
using Type = ui::WebViewNavigationType;

class LandingPageStatisticsTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDAbsoluteTime::resetForTesting();
        VDAbsoluteTime::absoluteTimeInMilliseconds();
        application = VDApplication::sharedInstance();
        ad = VDStatisticDictionary::createWithDelegate(application);
    }
    void TearDown() override {
        ad.reset();
        application.reset();
        base::resetProcessServicesForTesting();
        VDAbsoluteTime::resetForTesting();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    // The clicked ad's statistics are waiting for the next request.
    bool adIsPending() {
        ad->objectForKey("");
        ad->objectForKey("");
        return application->pendingAdStatistics().count(ad) == 1;
    }

    std::shared_ptr<VDApplication> application;
    std::shared_ptr<VDStatisticDictionary> ad;
};

TEST_F(LandingPageStatisticsTest, LinkAndFormNavigationsAreCountedBySecurity) {
    VDBrowserAdViewDelegate delegate(ad);
    struct Case {
        const char* url;
        Type type;
    };
    const Case cases[] = {
        {"http://a.example/1", Type::LinkClicked},     {"HTTP://a.example/2", Type::FormSubmitted},
        {"https://a.example/3", Type::LinkClicked},    {"http://a.example/4", Type::BackForward},
        {"https://a.example/5", Type::Reload},         {"http://a.example/6", Type::Other},
        {"http://a.example/7", Type::FormResubmitted}, {"ftp://a.example/8", Type::LinkClicked},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(delegate.adViewShouldStartLoadWithRequestNavigationType(
            net::URLRequest(base::URL::parse(c.url).value()), c.type))
            << c.url;
    EXPECT_EQ(ad->dictionary(),
              (Value::Dictionary{{"plpnc", Value(Decimal(2))}, {"plpsnc", Value(Decimal(1))}}));
    EXPECT_TRUE(adIsPending());
}

TEST_F(LandingPageStatisticsTest, TheFirstStartAndTheLastFinishAreStamped) {
    VDBrowserAdViewDelegate browser(ad);
    auto appAd = VDStatisticDictionary::createWithDelegate(application);
    VDAdAppAdViewDelegate appPage(appAd);
    clock().advance(base::Seconds(1));
    browser.adViewDidStartLoad();
    appPage.adViewDidStartLoad();
    clock().advance(base::Seconds(1));
    browser.adViewDidStartLoad();
    appPage.adViewDidStartLoad();
    browser.adViewDidFinishLoad();
    appPage.adViewDidFinishLoad();
    clock().advance(base::Seconds(1));
    browser.adViewDidFinishLoad();
    appPage.adViewDidFinishLoad();
    for (const auto& statistics : {ad, appAd})
        EXPECT_EQ(statistics->dictionary(),
                  (Value::Dictionary{{"tlanding_page_load_start", Value(1000u)},
                                     {"tlanding_page_load_end", Value(3000u)}}));
    EXPECT_TRUE(adIsPending());
}

// The landing page shown in a plain web view or in an ad view: the page's own events drive the
// statistics.
TEST_F(LandingPageStatisticsTest, ThePageOfAWebViewOrAnAdViewWritesTheStatistics) {
    base::resetProcessServicesForTesting();
    auto browser = std::make_shared<VDBrowserAdViewDelegate>(ad);
    auto webView = ui::WebView::create(ui::Rect(0, 0, 320, 480));
    webView->setDelegate(browser);
    auto& engine = ui::FakeWebEngine::of(*webView);
    clock().advance(base::Seconds(1));
    engine.raiseStartLoad();
    EXPECT_EQ(
        engine.raiseNavigation(*base::URL::parse("https://landing.example/a"), Type::LinkClicked),
        true);
    clock().advance(base::Seconds(1));
    engine.raiseFinishLoad();
    EXPECT_EQ(ad->dictionary(), (Value::Dictionary{{"tlanding_page_load_start", Value(1000u)},
                                                   {"plpsnc", Value(Decimal(1))},
                                                   {"tlanding_page_load_end", Value(2000u)}}));

    auto appAd = VDStatisticDictionary::createWithDelegate(application);
    auto appPage = std::make_shared<VDAdAppAdViewDelegate>(appAd);
    auto adView = VDAdView::create(ui::Rect(0, 0, 320, 480));
    adView->setDelegate(appPage);
    auto& adEngine = ui::FakeWebEngine::of(*adView->webView());
    adEngine.raiseStartLoad();
    clock().advance(base::Seconds(1));
    adEngine.raiseFinishLoad();
    EXPECT_EQ(appAd->dictionary(), (Value::Dictionary{{"tlanding_page_load_start", Value(2000u)},
                                                      {"tlanding_page_load_end", Value(3000u)}}));
    base::resetProcessServicesForTesting();
}

} // namespace
