#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDStatisticDictionary.h"
#include "ads/presentation/VDSwipeToViewControllerConfigurations.h"
#include "ads/request/VDAd.h"
#include "ads/request/VDAdType.h"
#include "ads/request/VDBannerAd.h"
#include "ads/request/VDInterstitialAd.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>
#include <unordered_set>

namespace {

base::Value strings(std::initializer_list<const char*> texts) {
    base::Value::Array array;
    for (const char* text : texts)
        array.emplace_back(text);
    return base::Value(std::move(array));
}

std::vector<std::string> texts(const VDAd::URLSet& urls) {
    std::vector<std::string> all;
    for (const auto& url : urls)
        all.push_back(url.absoluteString());
    return all;
}

class VDAdTest : public testing_support::PlatformTest {
protected:
    void TearDown() override {
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
};

TEST_F(VDAdTest, ANewRecordHasTheDefaults) {
    auto ad = VDAd::create();
    EXPECT_TRUE(ad->isScrollEnabled());
    EXPECT_FALSE(ad->hasAdNetworkJavaScript());
    ASSERT_TRUE(ad->statistics());
    EXPECT_EQ(ad->statistics()->delegate(), VDApplication::sharedInstance());
    EXPECT_EQ(ad->supportedOrientations(), 30u);
    EXPECT_EQ(ad->responseType(), 0u);
    EXPECT_EQ(ad->reloadInterval(), std::nullopt);
    EXPECT_EQ(ad->size(), (VDAdSize{}));
    EXPECT_TRUE(ad->clickURLs().empty());
    EXPECT_EQ(ad->adURL(), std::nullopt);
}

TEST_F(VDAdTest, ADictionaryFillsTheRecord) {
    const base::Value::Dictionary page{
        {"ad_html", base::Value("<b>ad</b>")},
        {"ad_base_url", base::Value("http://base.tld/")},
        {"ad_url", base::Value("http://fetch.tld/")},
        {"ad_size", base::Value("320x50")},
        {"orientation", base::Value("landscape")},
        {"ad_is_javascript", base::Value(1)},
        {"ad_passback_url", base::Value("http://passback.tld/")},
        {"debug_dialog", base::Value("debug")},
        {"active_view", base::Value(base::Value::Dictionary{{"v", base::Value(1)}})},
        {"swipe_to_viewcontroller",
         base::Value(base::Value::Dictionary{{"app_store_product_id", base::Value(123)}})},
        {"click_urls",
         strings({"http://c.tld/1", "not a url", "http://c.tld/1", "http://c.tld/2"})},
        {"impression_urls",
         base::Value(base::Value::Array{base::Value(5), base::Value("http://i.tld/")})},
        {"manual_impression_urls", base::Value("http://m.tld/")}, // not an array
        {"refresh_rate", base::Value(45.5)},
    };
    auto ad = VDAd::createWithDictionary(page);
    EXPECT_EQ(ad->adHTML(), "<b>ad</b>");
    EXPECT_EQ(ad->adBaseURL()->absoluteString(), "http://base.tld/");
    EXPECT_EQ(ad->adURL(), std::nullopt);
    EXPECT_EQ(ad->size(), kVDAdSizeBanner);
    EXPECT_EQ(ad->supportedOrientations(), 24u);
    EXPECT_TRUE(ad->hasAdNetworkJavaScript());
    EXPECT_EQ(ad->adNetworkPassbackURL()->absoluteString(), "http://passback.tld/");
    EXPECT_EQ(ad->debugDialog(), "debug");
    EXPECT_EQ(ad->activeViewConfigurations(), (base::Value::Dictionary{{"v", base::Value(1)}}));
    ASSERT_TRUE(ad->swipeToViewControllerConfigurations());
    EXPECT_EQ(ad->swipeToViewControllerConfigurations()->appStoreProductID(), base::Value(123));
    EXPECT_EQ(texts(ad->clickURLs()),
              (std::vector<std::string>{"http://c.tld/1", "http://c.tld/2"}));
    EXPECT_EQ(texts(ad->impressionURLs()), std::vector<std::string>{"http://i.tld/"});
    EXPECT_TRUE(ad->manualImpressionURLs().empty());
    EXPECT_EQ(ad->reloadInterval(), std::nullopt); // only a banner record reads the refresh rate
    EXPECT_EQ(VDBannerAd::createWithDictionary(page)->reloadInterval(), 45.5);
    EXPECT_EQ(VDInterstitialAd::createWithDictionary(page)->size(), kVDAdSizeBanner);

    // Sets are the record's own.
    ad->impressionURLs().push_back(*base::URL::parse("http://extra.tld/"));
    EXPECT_EQ(ad->impressionURLs().size(), 2u);
    ad->addImpressionURLsFromArray({*base::URL::parse("http://extra.tld/")});
    EXPECT_EQ(ad->impressionURLs().size(), 2u);
    ad->removeAllImpressionURLs();
    EXPECT_TRUE(ad->impressionURLs().empty());
}

TEST_F(VDAdTest, ServerNumbersBeyondWhatTheyCanMeanAreRefusedWithOneLogLine) {
    const auto read = [](base::Value size, base::Value rate) {
        return VDBannerAd::createWithDictionary(
            {{"ad_size", std::move(size)}, {"refresh_rate", std::move(rate)}});
    };
    const auto absent = VDBannerAd::createWithDictionary({});
    {
        testing_support::LogCapture log;
        auto huge = read(base::Value("1e308x1e308"), base::Value(1e308));
        EXPECT_EQ(huge->size(), absent->size());
        EXPECT_EQ(huge->reloadInterval(), std::nullopt);
        EXPECT_EQ(log.lines().size(), 2u);
    }
    for (const char* size : {"-320x-50", "0x50", "320x0", "100000x50"}) {
        testing_support::LogCapture log;
        EXPECT_EQ(read(base::Value(size), base::Value(60))->size(), absent->size()) << size;
        EXPECT_EQ(log.lines().size(), 1u) << size;
    }
    // A day at most; below a second still turns refresh off, as it always did.
    EXPECT_EQ(read(base::Value("300x250"), base::Value(86400))->reloadInterval(), 86400);
    EXPECT_EQ(read(base::Value("300x250"), base::Value(86401))->reloadInterval(), std::nullopt);
    EXPECT_EQ(read(base::Value("300x250"), base::Value(-5))->reloadInterval(), -5);
    EXPECT_EQ(read(base::Value("300x250"), base::Value(86400))->size(), kVDAdSizeMediumRectangle);
}

TEST_F(VDAdTest, WithoutUsableHTMLTheContentIsFetched) {
    const std::pair<base::Value::Dictionary, const char*> cases[] = {
        {{{"ad_html", base::Value("<b/>")},
          {"ad_base_url", base::Value("not a url")},
          {"ad_url", base::Value("http://fetch.tld/")}},
         "http://fetch.tld/"},
        {{{"ad_html", base::Value("")},
          {"ad_base_url", base::Value("http://base.tld/")},
          {"ad_url", base::Value("http://fetch.tld/")}},
         "http://fetch.tld/"},
        {{{"ad_html", base::Value(5)}, {"ad_url", base::Value("http://fetch.tld/")}},
         "http://fetch.tld/"},
    };
    for (const auto& [page, url] : cases) {
        auto ad = VDAd::createWithDictionary(page);
        EXPECT_EQ(ad->adHTML(), std::nullopt);
        EXPECT_EQ(ad->adBaseURL(), std::nullopt);
        ASSERT_TRUE(ad->adURL());
        EXPECT_EQ(ad->adURL()->absoluteString(), url);
    }
    auto bare = VDAd::createWithDictionary(
        {{"orientation", base::Value("sideways")},
         {"ad_is_javascript", base::Value(0)},
         {"ad_passback_url", base::Value("http://p.tld/")},
         {"swipe_to_viewcontroller", base::Value(base::Value::Dictionary{})}});
    EXPECT_EQ(bare->supportedOrientations(), 30u);
    EXPECT_EQ(bare->adNetworkPassbackURL(), std::nullopt);
    EXPECT_EQ(bare->swipeToViewControllerConfigurations(), nullptr);
    EXPECT_EQ(bare->size(), (VDAdSize{{0, 0}, 1}));
}

TEST_F(VDAdTest, AdTypesCompareAndHashAsSlotKeys) {
    const VDAdType banner = VDAdType::bannerAdTypeForSize(kVDAdSizeBanner);
    const VDAdType sameBanner = VDAdType::bannerAdTypeForSize(VDAdSizeFromCGSize({320, 50}));
    const VDAdType landscape = VDAdType::bannerAdTypeForSize(VDAdSize{{320, 50}, 8});
    const VDAdType interstitial = VDAdType::interstitialAdType();
    VDAdType otherInterstitial = VDAdType::interstitialAdType();
    otherInterstitial.setAdSize(kVDAdSizeLeaderboard);
    const VDAdType zero = VDAdType::bannerAdTypeForSize(VDAdSize{{0, 0}, 18});
    const VDAdType negativeZero = VDAdType::bannerAdTypeForSize(VDAdSize{{-0.0, -0.0}, 18});

    EXPECT_EQ(banner, sameBanner);
    EXPECT_EQ(banner.hash(), sameBanner.hash());
    EXPECT_NE(banner, landscape);
    EXPECT_EQ(interstitial, otherInterstitial);
    EXPECT_EQ(interstitial.hash(), 1u);
    EXPECT_EQ(otherInterstitial.hash(), 1u);
    EXPECT_NE(banner, interstitial);
    EXPECT_EQ(zero, negativeZero);
    EXPECT_EQ(zero.hash(), negativeZero.hash());

    std::unordered_set<VDAdType> keys{
        banner, sameBanner, landscape, interstitial, otherInterstitial, zero, negativeZero};
    EXPECT_EQ(keys.size(), 4u);

    EXPECT_TRUE(interstitial.isValid());
    EXPECT_TRUE(banner.isValid());
    EXPECT_FALSE(landscape.isValid());
    EXPECT_EQ(interstitial.description(), "VDAdType interstitial type");
    EXPECT_EQ(banner.description(), "VDAdType banner with size: kVDAdSizeBanner");
    EXPECT_EQ(interstitial.adSize(), kVDAdSizeInvalid);
}

} // namespace
