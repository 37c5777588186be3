#include "ads/pub/PUBBannerView.h"
#include "ads/pub/PUBCustomRenderedAd.h"
#include "ads/pub/PUBRequest.h"
#include "ads/request/PUBRequestPrivate.h"
#include "ads/request/SlotTestFixture.h"
#include "ads/request/VDRequestError.h"
#include "platform/base/ProcessWide.h"

namespace {

using namespace slot_testing;
using Calls = std::vector<std::string>;

// The PUB host: records the banner's callbacks and the PUB ones; renders custom-rendered ads
// when told to.
class PubHost : public PUBBannerViewDelegate {
public:
    void adViewDidReceiveAd(VDBannerView&) override { calls.push_back("receive"); }
    void adViewDidFailToReceiveAdWithError(VDBannerView&, const base::Error& error) override {
        calls.push_back("fail " + std::to_string(error.code));
    }
    void adViewDidReceiveAppEvent(PUBBannerView&, const std::string& name,
                                  const std::optional<std::string>& info) override {
        calls.push_back("event " + name + "=" + info.value_or("-"));
    }
    void adViewWillChangeAdSizeTo(PUBBannerView&, VDAdSize size) override {
        calls.push_back("resize " + VDAdSizeDescription(size));
    }
    bool rendersCustomRenderedAds() const override { return renders; }
    void
    bannerViewDidReceiveCustomRenderedAd(PUBBannerView& view,
                                         const std::shared_ptr<PUBCustomRenderedAd>& ad) override {
        calls.push_back("custom, state " + std::to_string(view.slot()->state()));
        customAd = ad;
    }

    bool renders = false;
    Calls calls;
    std::shared_ptr<PUBCustomRenderedAd> customAd;
};

class PUBBannerViewTest : public SlotTest {
protected:
    void TearDown() override {
        banner_.reset();
        base::resetProcessServicesForTesting();
        SlotTest::TearDown();
    }
    std::shared_ptr<PUBBannerView> makePubBanner() {
        banner_ = PUBBannerView::createWithAdSizeOrigin(kVDAdSizeBanner, ui::Point(0, 430));
        banner_->setAdUnitID("pub-unit");
        banner_->setRootViewController(hostController_);
        banner_->setDelegate(pubHost_);
        window_ = ui::Window::create(ui::Rect(0, 0, 320, 480));
        window_->setHidden(false);
        window_->addSubview(banner_);
        return banner_;
    }
    // The page answers every request with an ad of those headers and body.
    void answerWith(std::vector<std::pair<std::string, std::string>> headers,
                    std::string body = "<p>custom</p>") {
        server_.setScenario("pub",
                            testing_support::TestAdServer::AdResponse{
                                200, "text/html", std::move(headers), std::move(body), {}, false});
        answerWithScenario("pub");
    }

    std::shared_ptr<PubHost> pubHost_ = std::make_shared<PubHost>();
    std::shared_ptr<PUBBannerView> banner_;
};

TEST_F(PUBBannerViewTest, ANewCorrelatorLetsALoadReplaceTheOneInProgress) {
    auto banner = makePubBanner();
    banner->loadRequest(PUBRequest::request()); // the page never answers
    ASSERT_TRUE(waitFor([&] {
        finishCorePageLoadIfNeeded();
        return pageRequests().size() == 1;
    }));
    EXPECT_EQ(banner->slot()->state(), VDSlot::StateRequestingAdURL);

    // The same page view: the load in progress goes on, the new one is dropped.
    banner->loadRequest(PUBRequest::request());
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(pageRequests().size(), 1u);

    // A new page view: the new load replaces the one in progress, with the new correlator.
    PUBRequest::updateCorrelator();
    banner->loadRequest(PUBRequest::request());
    ASSERT_TRUE(waitFor([&] { return pageRequests().size() == 2; }));
    const auto requests = pageRequests();
    const auto first = base::Value(requests[0])["correlation_id"];
    const auto second = base::Value(requests[1])["correlation_id"];
    EXPECT_TRUE(first.isNumber() && second.isNumber());
    EXPECT_NE(first, second);
    EXPECT_EQ(second.unsignedValue(), PUBRequestPrivate::sharedInstance()->correlationID());

    banner->loadRequest(PUBRequest::request());
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(pageRequests().size(), 2u) << "that page view's load is in progress now";
    EXPECT_TRUE(pubHost_->calls.empty());
}

TEST_F(PUBBannerViewTest, ACustomRenderedAdIsRenderedByTheHostThatTakesIt) {
    auto banner = makePubBanner();
    pubHost_->renders = true;
    answerWith({{"x-vdma-custom-rendering-allowed", "yes"},
                {"x-vdma-click-tracking-urls", server_.url("/ping/click?ad=custom")},
                {"x-vdma-tracking-urls", server_.url("/ping/impression?ad=custom")}});
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitFor([&] {
        finishCorePageLoadIfNeeded();
        return !pubHost_->calls.empty();
    }));
    EXPECT_EQ(pubHost_->calls, Calls{"custom, state 5"}) << "rendering when the host gets it";
    auto ad = pubHost_->customAd;
    ASSERT_TRUE(ad);
    EXPECT_EQ(ad->adHTML(), "<p>custom</p>");
    ASSERT_TRUE(ad->adBaseURL());
    EXPECT_EQ(ad->adBaseURL()->absoluteString().rfind(server_.url("/ad/pub"), 0), 0u);
    EXPECT_TRUE(banner->slot()->isAdCustomRendered());
    EXPECT_FALSE(banner->slot()->reloadable()) << "a custom-rendered ad is not refreshed";

    ad->finishedRenderingAdView();
    ad->finishedRenderingAdView();
    EXPECT_EQ(banner->slot()->state(), VDSlot::StateValidAd);
    EXPECT_EQ(pubHost_->calls, (Calls{"custom, state 5", "receive"}));

    ad->recordImpression();
    ad->recordImpression();
    ad->recordClick();
    ASSERT_TRUE(waitFor([&] {
        return pings("/ping/impression?ad=custom") == 1 && pings("/ping/click?ad=custom") == 1;
    }));
    base::RunLoop::main().runUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(pings("/ping/impression?ad=custom"), 1u) << "an impression is pinged once";
}

TEST_F(PUBBannerViewTest, ACustomRenderedAdTheHostDoesNotRenderFailsTheLoad) {
    auto banner = makePubBanner();
    answerWith({{"x-vdma-custom-rendering-allowed", "yes"}});
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitFor([&] {
        finishCorePageLoadIfNeeded();
        return !pubHost_->calls.empty();
    }));
    EXPECT_EQ(pubHost_->calls,
              Calls{"fail " + std::to_string(VDRequestError::kVDErrorInvalidArgument)});
    EXPECT_EQ(banner->slot()->state(), VDSlot::StateFailed);
    EXPECT_EQ(pubHost_->customAd, nullptr);
}

TEST_F(PUBBannerViewTest, ManualImpressionsArePingedOnceWhenTheHostRecordsThem) {
    auto banner = makePubBanner();
    banner->setEnableManualImpressions(true);
    banner->setValidAdSizes({kVDAdSizeBanner, kVDAdSizeMediumRectangle, kVDAdSizeInvalid});
    answerWith({{"x-vdma-manual-tracking-urls", server_.url("/ping/manual?ad=pub")}}, "<p>pub</p>");
    ASSERT_TRUE(loadUntilShown(banner));
    const auto parameters = base::Value(pageRequests().at(0));
    EXPECT_EQ(parameters["d_imp_hdr"], base::Value("1"));
    EXPECT_EQ(parameters["sz"], base::Value("320x50|300x250"));
    EXPECT_EQ(pings("/ping/manual?ad=pub"), 0u) << "not before the host says";

    banner->recordImpression();
    banner->recordImpression();
    ASSERT_TRUE(waitFor([&] { return pings("/ping/manual?ad=pub") == 1; }));
    base::RunLoop::main().runUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(pings("/ping/manual?ad=pub"), 1u);
    EXPECT_EQ(pubHost_->calls, Calls{"receive"});
}

TEST_F(PUBBannerViewTest, AResponsesSizeIsAppliedOnlyWhenItIsOneOfTheValidSizes) {
    auto banner = makePubBanner();
    banner->setValidAdSizes({kVDAdSizeBanner, kVDAdSizeMediumRectangle});
    answerWith({{"x-vdma-ad-size", "300x250"}}, "<p>rectangle</p>");
    ASSERT_TRUE(loadUntilShown(banner));
    EXPECT_EQ(pubHost_->calls.front(), "resize " + VDAdSizeDescription(kVDAdSizeMediumRectangle));
    EXPECT_TRUE(VDAdSizeIsEqual(banner->adSize(), kVDAdSizeMediumRectangle));
    EXPECT_EQ(banner->frame().size, ui::Size(300, 250));

    // A size the host did not list leaves the banner as it is.
    pubHost_->calls.clear();
    answerWith({{"x-vdma-ad-size", "728x90"}}, "<p>leaderboard</p>");
    ASSERT_TRUE(loadUntilShown(banner));
    EXPECT_EQ(pubHost_->calls, Calls{"receive"});
    EXPECT_TRUE(VDAdSizeIsEqual(banner->adSize(), kVDAdSizeMediumRectangle));
}

} // namespace
