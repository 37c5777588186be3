// The ad URL's road in the real engine: the SDK-core controller loads the test ad server's core
// page in a hidden WebKit view, asks it for an ad URL, hears "loadAdURL" through an "amsg"
// frame, and the fetcher fetches the ad from the server; the page's constants are stored; a
// core page that fails is loaded again by the next request.

#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDDevice.h"
#include "ads/request/VDAdFetcher.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/webview/VDMRAIDInterceptor.h"
#include "platform/base/Clock.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/WebEngineFactory.h"
#include "tests/fixtures/TestAdServer.h"

#include <gtest/gtest.h>
#include <mutex>

namespace {

using namespace std::chrono_literals;

class Asker : public VDSDKCoreControllerDelegate {
public:
    explicit Asker(std::string slotName)
        : slotName_(std::move(slotName)) {}

    base::Value::Dictionary requestParameters() override {
        std::lock_guard lock(mutex_);
        return {{"slotname", base::Value(slotName_)}, {"request_id", base::Value(requestID_)}};
    }
    long requestedAdType() override { return 1; }
    void setRequestID(const std::string& requestID) override {
        std::lock_guard lock(mutex_);
        requestID_ = requestID;
    }
    void loadAdURLWithParameters(const base::Value::Dictionary& parameters) override {
        answer = parameters;
        calls.push_back("loadAdURL");
    }
    void loadAdHeaders(const std::shared_ptr<VDAd>& ad,
                       const std::optional<net::HTTPHeaderFields>&) override {
        this->ad = ad;
        calls.push_back("loadAd");
    }
    void invalidJavaScriptRequest() override { calls.push_back("invalidJavaScriptRequest"); }
    void failedJavaScriptFile() override { calls.push_back("failedJavaScriptFile"); }
    void adURLRequestDidTimeOutWithError(const base::Error&) override {
        calls.push_back("adURLRequestDidTimeOut");
    }

    std::vector<std::string> calls;
    base::Value::Dictionary answer;
    std::shared_ptr<VDAd> ad;

private:
    std::mutex mutex_;
    std::string slotName_;
    std::string requestID_;
};

class FetchRecorder : public VDAdFetcherDelegate {
public:
    void adFetcherDidFetchAd(VDAdFetcher&, const std::shared_ptr<VDAd>& fetched) override {
        ad = fetched;
    }
    void adFetcherDidFailToFetchAdWithErrorResponseCode(VDAdFetcher&, const std::shared_ptr<VDAd>&,
                                                        const base::Error& failure, long) override {
        error = failure;
    }
    std::shared_ptr<VDAd> ad;
    std::optional<base::Error> error;
};

class AdFetchRoadTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        // The engine and the server live in real time.
        base::Clock::install(nullptr);
        VDAbsoluteTime::resetForTesting();
        auto installed = gtk::GtkPlatform::install();
        ASSERT_TRUE(installed.ok()) << installed.error().localizedDescription();
        ui::WebEngineFactory::install(gtk::WebKitEngine::maker());
        base::resetProcessServicesForTesting();
        VDMRAIDInterceptor::resetForTesting();
        VDClassRegistry::resetForTesting();
        VDDevice::sharedInstance()->setUserAgentString("AdFetchRoad/1.0");
        server_.setConstants({{"as_domains", "ads.e2e.test"},
                              {"refresh_intervals", R"({"active_view_sampling_interval":0.8})"}});
        server_.start();
        base::UserDefaults::standard()->setObject(VDSDKCoreWebView::SDKCoreURLKey,
                                                  base::Value(server_.corePageURL()));
        controller_ = VDSDKCoreController::create();
    }
    void TearDown() override {
        controller_->waitForQueuesForTesting();
        controller_.reset();
        base::RunLoop::main().runUntil([] { return false; }, 100ms);
        server_.stop();
        ui::WebEngineFactory::reset();
        VDMRAIDInterceptor::resetForTesting();
        VDClassRegistry::resetForTesting();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    static bool waitFor(const std::function<bool()>& condition) {
        return base::RunLoop::main().runUntil(condition, 30s);
    }

    testing_support::TestAdServer server_;
    std::shared_ptr<VDSDKCoreController> controller_;
};

TEST_F(AdFetchRoadTest, TheCorePageBuildsTheAdURLAndTheFetcherFetchesIt) {
    auto asker = std::make_shared<Asker>("html");
    controller_->buildAdURL(asker);
    ASSERT_TRUE(waitFor([&] { return !asker->calls.empty(); }));
    ASSERT_EQ(asker->calls, std::vector<std::string>{"loadAdURL"});
    const auto url = base::Value(asker->answer)["url"].stringValue().value_or("");
    EXPECT_EQ(url, server_.adURL("html") + "?slotname=html&request_id=1");
    EXPECT_EQ(base::Value(asker->answer)["request_scenario"], base::Value("online_request"));

    auto ad = VDAd::create();
    ad->setAdURL(base::URL::parse(url));
    auto fetcher = VDAdFetcher::create();
    auto recorder = std::make_shared<FetchRecorder>();
    ASSERT_TRUE(fetcher->fetchRemainingContentForAd(ad, std::nullopt, recorder, nullptr));
    ASSERT_TRUE(waitFor([&] { return recorder->ad || recorder->error; }));
    ASSERT_EQ(recorder->ad, ad) << (recorder->error ? recorder->error->localizedDescription() : "");
    EXPECT_EQ(ad->responseType(), VDAd::ResponseTypeHTML);
    EXPECT_NE(ad->adHTML()->find("Test ad 1"), std::string::npos);
    EXPECT_EQ(ad->reloadInterval(), 30);
    auto fetches = server_.requestDetails("/ad/html");
    ASSERT_EQ(fetches.size(), 1u);
    auto agent = fetches[0].headers.find("user-agent");
    ASSERT_NE(agent, fetches[0].headers.end());
    EXPECT_EQ(agent->second, "AdFetchRoad/1.0");

    // The constants the page handed out after its load are stored.
    auto defaults = base::UserDefaults::standard();
    ASSERT_TRUE(
        waitFor([&] { return defaults->stringForKey("/redodi/ads/as_domains").has_value(); }));
    EXPECT_EQ(defaults->stringForKey("/redodi/ads/as_domains"), "ads.e2e.test");
    EXPECT_TRUE(waitFor([&] { return controller_->activeViewSamplingInterval() == 0.8; }));

    // The page's other answers reach their askers through the same frames.
    auto whole = std::make_shared<Asker>("whole");
    auto refused = std::make_shared<Asker>("invalid");
    controller_->buildAdURL(whole);
    controller_->buildAdURL(refused);
    ASSERT_TRUE(waitFor([&] { return !whole->calls.empty() && !refused->calls.empty(); }));
    EXPECT_EQ(whole->calls, std::vector<std::string>{"loadAd"});
    ASSERT_NE(whole->ad, nullptr);
    EXPECT_EQ(whole->ad->adHTML(), "<p>A whole ad from the page</p>");
    EXPECT_EQ(refused->calls, std::vector<std::string>{"invalidJavaScriptRequest"});
    EXPECT_EQ(server_.requestCount("/sdk-core.html"), 1u);
}

TEST_F(AdFetchRoadTest, AFailedCorePageMakesTheNextRequestLoadItAgain) {
    server_.setCorePageStatus(503);
    auto first = std::make_shared<Asker>("html");
    controller_->buildAdURL(first);
    ASSERT_TRUE(waitFor([&] { return !first->calls.empty(); }));
    EXPECT_EQ(first->calls, std::vector<std::string>{"failedJavaScriptFile"});
    EXPECT_EQ(controller_->activeSDKCoreWebView()->state(), VDSDKCoreWebView::StateFailed);

    server_.setCorePageStatus(200);
    auto second = std::make_shared<Asker>("html");
    controller_->buildAdURL(second);
    ASSERT_TRUE(waitFor([&] { return !second->calls.empty(); }));
    EXPECT_EQ(second->calls, std::vector<std::string>{"loadAdURL"});
    EXPECT_EQ(server_.requestCount("/sdk-core.html"), 2u);
}

} // namespace
