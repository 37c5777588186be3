#include "ads/mediation/VDExtras.h"
#include "ads/request/SlotTestFixture.h"
#include "ads/webview/VDAdNetworkJavaScriptAdViewDelegate.h"

namespace {

using namespace slot_testing;

class VDSlotAdNetworkJavaScriptTest : public SlotTest {};

TEST_F(VDSlotAdNetworkJavaScriptTest, TheNetworksScriptRendersAndItsPassbackIsFetchedAsTheAd) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    Dictionary ad = htmlAd("network");
    ad["ad_html"] = base::Value("<script>network()</script>");
    ad["ad_is_javascript"] = base::Value(1);
    ad["ad_passback_url"] = base::Value(server_.adURL("html") + "?request_id=passback");
    answerWithWholeAd(ad);
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateRendering));
    auto delegate =
        std::dynamic_pointer_cast<VDAdNetworkJavaScriptAdViewDelegate>(slot->adViewDelegate());
    ASSERT_TRUE(delegate);
    EXPECT_EQ(slot->adView()->delegate(), delegate);
    EXPECT_EQ(delegate->passbackURL()->absoluteString(),
              server_.adURL("html") + "?request_id=passback");
    auto& page = adPage(slot);
    EXPECT_EQ(std::get<ui::FakeWebEngine::HTMLLoad>(page.loads().back()).html,
              "<script>network()</script>");
    EXPECT_EQ(server_.requestCount("/ad/"), 0u) << "the network's script needs no fetch";

    // Another main-frame navigation during the load goes through; the passback does not load
    // in the view: the slot fetches it as its ad.
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse("http://network.example/frame"),
                                   ui::WebViewNavigationType::Other, false),
              true);
    EXPECT_EQ(page.raiseNavigation(*delegate->passbackURL(), ui::WebViewNavigationType::Other),
              false);
    ASSERT_TRUE(waitFor(
        [&] { return slot->state() == VDSlot::StateRendering && page.loads().size() == 2; }));
    EXPECT_EQ(server_.requests("/ad/"), std::vector<std::string>{"/ad/html?request_id=passback"});
    EXPECT_NE(
        std::get<ui::FakeWebEngine::HTMLLoad>(page.loads().back()).html.find("Test ad passback"),
        std::string::npos);
    // The usual delegate is back for the passback's creative.
    EXPECT_FALSE(
        std::dynamic_pointer_cast<VDAdNetworkJavaScriptAdViewDelegate>(slot->adViewDelegate()));
    EXPECT_EQ(slot->adView()->delegate(), slot->adViewDelegate());
    page.raiseFinishLoad();
    EXPECT_EQ(slot->state(), VDSlot::StateValidAd);
    EXPECT_EQ(host_->calls, std::vector<std::string>{"receive"});
}

TEST_F(VDSlotAdNetworkJavaScriptTest, EmptyNetworkHTMLFailsTheSlotAndArmsTheRefresh) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    Dictionary ad = htmlAd("network");
    ad["ad_html"] = base::Value("");
    ad["ad_is_javascript"] = base::Value(1);
    answerWithWholeAd(ad);
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitFor([&] {
        finishCorePageLoadIfNeeded();
        return !host_->calls.empty();
    }));
    EXPECT_EQ(host_->calls, std::vector<std::string>{"fail 2"});
    // The failure cancels the pending actions, which leaves the slot idle, and then the
    // refresh is armed again.
    EXPECT_EQ(slot->state(), VDSlot::StateIdle);
    ASSERT_TRUE(slot->reloadTimer());
    EXPECT_TRUE(slot->reloadTimer()->isValid());
    EXPECT_TRUE(adPage(slot).loads().empty());
}

TEST_F(VDSlotAdNetworkJavaScriptTest, TheExtrasReadyAdURLIsFetchedWithoutTheCorePage) {
    VDMRAIDInterceptor::disallow();
    auto banner = makeBanner();
    auto slot = banner->slot();
    auto request = VDRequest::request();
    auto extras = VDExtras::create();
    extras->setRequestURL(base::URL::parse(server_.adURL("html") + "?request_id=extras"));
    extras->setAdditionalParameters(Dictionary{{"_orientation", base::Value("l")}});
    request->registerAdNetworkExtras(extras);
    banner->loadRequest(request);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateRendering));
    EXPECT_TRUE(VDMRAIDInterceptor::isAllowed());
    EXPECT_TRUE(pageRequests().empty());
    EXPECT_EQ(server_.requests("/ad/"), std::vector<std::string>{"/ad/html?request_id=extras"});

    // A text under "_requestUrl" is no URL: the core page builds the URL.
    auto textRequest = VDRequest::request();
    auto textExtras = VDExtras::create();
    textExtras->setAdditionalParameters(
        Dictionary{{"_requestUrl", base::Value(server_.adURL("html"))}});
    textRequest->registerAdNetworkExtras(textExtras);
    adPage(slot).raiseFinishLoad();
    banner->loadRequest(textRequest);
    ASSERT_TRUE(waitFor([&] {
        finishCorePageLoadIfNeeded();
        return !pageRequests().empty();
    }));
}

} // namespace
