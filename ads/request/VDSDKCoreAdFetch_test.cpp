#include "ads/request/SlotTestFixture.h"
#include "ads/request/VDSDKCoreController.h"

namespace {

using namespace slot_testing;

class VDSDKCoreAdFetchTest : public SlotTest {
protected:
    // The page commands that answered fetches, in order.
    std::vector<std::string> replies() {
        finishCorePageLoadIfNeeded();
        std::vector<std::string> found;
        for (const auto& script : corePage().evaluatedScripts())
            if (script.rfind("VDMA_receiveFetchedAd(", 0) == 0)
                found.push_back(script);
        return found;
    }
    std::size_t fetchesInFlight() {
        return VDSDKCoreController::sharedInstance()
            ->activeSDKCoreWebView()
            ->SDKCoreAMSGHandler()
            ->fetchesInFlight();
    }
};

TEST_F(VDSDKCoreAdFetchTest, ThePagesFetchGoesThroughTheAdFetcherAndComesBackForItsIdentifier) {
    makeBanner();
    VDSDKCoreController::sharedInstance()->activeSDKCoreWebView()->refreshSDKCoreAndNotifyObserver(
        nullptr);
    pageSends("fetchAd", {{"request_id", "f1"}, {"url", server_.adURL("html") + "?request_id=f1"}});
    EXPECT_EQ(fetchesInFlight(), 1u);
    ASSERT_TRUE(waitFor([&] { return replies().size() == 1; }));
    const std::string reply = replies().front();
    EXPECT_EQ(reply.rfind("VDMA_receiveFetchedAd(\"f1\",{", 0), 0u) << reply;
    EXPECT_NE(reply.find("Test ad f1"), std::string::npos);
    EXPECT_NE(reply.find("X-Vdma-Refresh-Rate"), std::string::npos);
    EXPECT_EQ(fetchesInFlight(), 0u);
    const auto sent = server_.requestDetails("/ad/html");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent.front().headers.find("user-agent")->second, "SlotTest/1.0");

    // A failed fetch is answered with null; a message without identifier or with a URL that is
    // not http fetches nothing.
    pageSends("fetchAd", {{"request_id", "f2"}, {"url", server_.adURL("no-such-scenario")}});
    ASSERT_TRUE(waitFor([&] { return replies().size() == 2; }));
    EXPECT_EQ(replies().back(), "VDMA_receiveFetchedAd(\"f2\",null);");
    pageSends("fetchAd", {{"url", server_.adURL("html")}});
    pageSends("fetchAd", {{"request_id", "f3"}, {"url", "file:///etc/passwd"}});
    pageSends("fetchAd", {{"request_id", "f4"}});
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(fetchesInFlight(), 0u);
    EXPECT_EQ(replies().size(), 2u);
    EXPECT_EQ(server_.requestCount("/ad/"), 2u);
}

} // namespace
