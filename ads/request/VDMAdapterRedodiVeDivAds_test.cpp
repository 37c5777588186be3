#include "ads/mediation/VDMAdNetworkConnector.h"
#include "ads/request/SlotTestFixture.h"
#include "ads/request/VDMAdURLAdapter.h"
#include "ads/request/VDMAdapterRedodiVeDivAds.h"
#include "ads/request/VDSDKCoreController.h"

namespace {

using namespace slot_testing;

class VDMAdapterRedodiVeDivAdsTest : public SlotTest {
protected:
    // The page answers the outer banner's own request with a mediation configuration of that
    // one network, and every other request as `inner` says.
    void answerWithNetwork(base::Value network, std::function<void(const Dictionary&)> inner) {
        base::Value configuration(
            Dictionary{{"refresh", base::Value(45)},
                       {"ad_networks", base::Value(base::Value::Array{std::move(network)})}});
        server_.setScenario("mediation-own", testing_support::TestAdServer::AdResponse{
                                                 200,
                                                 "application/json",
                                                 {{"x-vdma-mediation", "1"}},
                                                 base::toJSON(configuration).valueOr("{}"),
                                                 {},
                                                 false});
        answer_ = [this, inner](const Dictionary& parameters) {
            if (base::Value(parameters)["slotname"] == base::Value("unit-1") &&
                !parameters.count(VDSDKCoreController::mediationMarkerKey)) {
                const auto id = base::Value(parameters)["request_id"].stringValue().value_or("");
                pageSends("loadAdURL",
                          {{"request_id", id}, {"url", server_.adURL("mediation-own")}});
            } else {
                inner(parameters);
            }
        };
    }
    // The adapter being asked, once its banner has its creative in its ad view; the creative
    // then finishes its load.
    template <class Adapter> std::shared_ptr<Adapter> fillFromInnerBanner(VDSlot& outer) {
        std::shared_ptr<Adapter> adapter;
        const bool rendering = waitFor([&] {
            finishCorePageLoadIfNeeded();
            auto connector = outer.mediationManager()->requestingConnector();
            adapter =
                connector ? std::dynamic_pointer_cast<Adapter>(connector->adapter()) : nullptr;
            return adapter && adapter->banner() &&
                   adapter->banner()->slot()->state() == VDSlot::StateRendering;
        });
        if (!rendering) {
            ADD_FAILURE() << "page requests " << pageRequests().size() << ", adapter "
                          << bool(adapter) << ", inner state "
                          << (adapter && adapter->banner() ? adapter->banner()->slot()->state()
                                                           : -1)
                          << ", outer state " << outer.state() << ", "
                          << testing::PrintToString(server_.requests());
            return nullptr;
        }
        adPage(adapter->banner()->slot()).raiseFinishLoad();
        return adapter;
    }
};

TEST_F(VDMAdapterRedodiVeDivAdsTest, TheOwnNetworksBannerFillsForItsAdUnitWithoutRefreshingItself) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    answerWithNetwork(
        base::Value(Dictionary{
            {"adapter", base::Value("VDMAdapterRedodiVeDivAds")},
            {"network_id", base::Value("own")},
            {"parameters", base::Value(Dictionary{{"ad_unit_id", base::Value("inner")}})}}),
        [this](const Dictionary& parameters) {
            const auto id = base::Value(parameters)["request_id"].stringValue().value_or("");
            pageSends("loadAd",
                      {{"request_id", id},
                       {"fetched_ad", base::toJSON(base::Value(htmlAd("inner"))).valueOr("{}")}});
        });
    banner->loadRequest(nullptr);
    auto adapter = fillFromInnerBanner<VDMAdapterRedodiVeDivAds>(*slot);
    ASSERT_TRUE(adapter);
    EXPECT_EQ(slot->state(), VDSlot::StateValidAd);
    EXPECT_EQ(slot->adNetworkClassName(), "VDMAdapterRedodiVeDivAds");
    EXPECT_EQ(banner->mediatedAdView(), adapter->banner());
    EXPECT_EQ(host_->calls, std::vector<std::string>{"receive"});
    EXPECT_EQ(adapter->banner()->rootViewController(), hostController_);
    EXPECT_EQ(adapter->banner()->adUnitID(), "inner");
    EXPECT_FALSE(adapter->banner()->slot()->reloadable());
    EXPECT_EQ(slot->reloadInterval(), 45) << "the mediating slot refreshes";

    // Another size for the banner is asked of the network on show.
    EXPECT_TRUE(slot->changeAdTypeTo(VDAdType::bannerAdTypeForSize(kVDAdSizeLargeBanner)));
    EXPECT_EQ(adapter->banner()->adSize().size.height, 100);
}

TEST_F(VDMAdapterRedodiVeDivAdsTest, TheAdURLAdapterAsksThePagesMediationFunctionForItsURL) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    answerWithNetwork(
        base::Value(Dictionary{
            {"adapter", base::Value("VDMAdURLAdapter")},
            {"network_id", base::Value("url")},
            {"parameters", base::Value(Dictionary{{"network_key", base::Value("nv")}})}}),
        [this](const Dictionary& parameters) {
            const auto id = base::Value(parameters)["request_id"].stringValue().value_or("");
            pageSends("loadAdURL", {{"request_id", id}, {"url", server_.adURL("html")}});
        });
    banner->loadRequest(nullptr);
    auto adapter = fillFromInnerBanner<VDMAdURLAdapter>(*slot);
    ASSERT_TRUE(adapter);
    EXPECT_EQ(slot->state(), VDSlot::StateValidAd);
    EXPECT_EQ(slot->adNetworkClassName(), "VDMAdURLAdapter");
    EXPECT_EQ(host_->calls, std::vector<std::string>{"receive"});

    const auto requests = pageRequests();
    ASSERT_EQ(requests.size(), 2u);
    const base::Value asked(requests[1]);
    EXPECT_EQ(asked[VDSDKCoreController::mediationMarkerKey], base::Value("1"));
    EXPECT_EQ(asked["network_key"], base::Value("nv"));
    EXPECT_EQ(asked["slotname"], base::Value("unit-1")) << "the mediating slot's ad unit";
    EXPECT_TRUE(adapter->requestID().has_value());
    EXPECT_EQ(server_.requestCount("/ad/html"), 1u);
}

} // namespace
