#include "ads/pub/VDAdLoader.h"
#include "ads/pub/VDNativeAd.h"
#include "ads/request/SlotTestFixture.h"
#include "ads/request/VDRequestError.h"

namespace {

using namespace slot_testing;

class LoaderHost : public VDAdLoaderDelegate {
public:
    void adLoaderDidReceiveNativeAd(VDAdLoader&, const std::shared_ptr<VDNativeAd>& ad) override {
        calls.push_back("native");
        nativeAd = ad;
    }
    void adLoaderDidFailToReceiveAdWithError(VDAdLoader&, const base::Error& error) override {
        calls.push_back("fail " + std::to_string(error.code));
    }
    std::vector<std::string> calls;
    std::shared_ptr<VDNativeAd> nativeAd;
};

class VDAdLoaderTest : public SlotTest {
protected:
    void TearDown() override {
        loader_.reset();
        SlotTest::TearDown();
    }
    // The page answers every request with a JSON native response of that body.
    void answerWithNative(std::string body) {
        server_.setScenario("native-ad",
                            testing_support::TestAdServer::AdResponse{
                                200,
                                "application/json; charset=utf-8",
                                {{"X-Vdma-Native", "true"},
                                 {"X-Vdma-Tracking-Urls", server_.url("/ping/native?from=header")}},
                                std::move(body),
                                {},
                                false});
        answerWithScenario("native-ad");
    }
    bool load() {
        loader_ = VDAdLoader::create("native-unit");
        loader_->setDelegate(host_);
        loader_->loadRequest(nullptr);
        return waitFor([&] {
            finishCorePageLoadIfNeeded();
            return !host_->calls.empty();
        });
    }

    std::shared_ptr<LoaderHost> host_ = std::make_shared<LoaderHost>();
    std::shared_ptr<VDAdLoader> loader_;
};

TEST_F(VDAdLoaderTest, ANativeAdsImpressionIsPingedOnceWhenTheHostRecordsIt) {
    answerWithNative(R"({"headline":"Native test ad","impression_urls":[")" +
                     server_.url("/ping/native?from=body") + R"(","not a url",5]})");
    ASSERT_TRUE(load());
    EXPECT_EQ(host_->calls, std::vector<std::string>{"native"});
    auto ad = host_->nativeAd;
    ASSERT_TRUE(ad);
    EXPECT_EQ(base::Value(ad->properties())["headline"], base::Value("Native test ad"));
    EXPECT_EQ(ad->impressionURLs().size(), 2u);
    EXPECT_EQ(loader_->slot()->state(), VDSlot::StateValidAd);
    EXPECT_EQ(server_.requestCount("/ping/"), 0u) << "nothing before the host records it";

    ad->recordImpression();
    ad->recordImpression();
    EXPECT_TRUE(ad->hasRecordedImpression());
    ASSERT_TRUE(waitFor([&] {
        return pings("/ping/native?from=header") == 1 && pings("/ping/native?from=body") == 1;
    }));
    base::RunLoop::main().runUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(server_.requestCount("/ping/"), 2u);
}

TEST_F(VDAdLoaderTest, ResponsesThatAreNoNativeAdFailTheLoadOnce) {
    answerWithScenario("html");
    ASSERT_TRUE(load());
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(host_->calls, std::vector<std::string>{
                                "fail " + std::to_string(VDRequestError::kVDErrorInternalError)});
    EXPECT_EQ(loader_->slot()->state(), VDSlot::StateFailed);

    host_->calls.clear();
    answerWithNative("[\"a list\"]");
    ASSERT_TRUE(load());
    EXPECT_EQ(host_->calls,
              std::vector<std::string>{
                  "fail " + std::to_string(VDRequestError::kVDErrorReceivedInvalidResponse)});
    EXPECT_EQ(host_->nativeAd, nullptr);
}

} // namespace
