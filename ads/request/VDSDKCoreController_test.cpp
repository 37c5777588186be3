#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDCharacterSets.h"
#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDDevice.h"
#include "ads/request/VDBannerAd.h"
#include "ads/request/VDInterstitialAd.h"
#include "ads/request/VDRequest.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/webview/VDMRAIDInterceptor.h"
#include "platform/base/JSON.h"
#include "platform/base/PercentEscape.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <gtest/gtest.h>
#include <mutex>

namespace {

using namespace std::chrono_literals;
using Dictionary = base::Value::Dictionary;

// One asker of ad URLs: it records what the controller tells it.
class Asker : public VDSDKCoreControllerDelegate {
public:
    explicit Asker(Dictionary parameters = {}, long adType = 1)
        : parameters_(std::move(parameters))
        , adType_(adType) {}

    Dictionary requestParameters() override {
        std::lock_guard lock(mutex_);
        auto parameters = parameters_;
        parameters["request_id"] = base::Value(requestID_);
        return parameters;
    }
    long requestedAdType() override { return adType_; }
    void setRequestID(const std::string& requestID) override {
        std::lock_guard lock(mutex_);
        requestID_ = requestID;
    }
    void loadAdURLWithParameters(const Dictionary& parameters) override {
        record("loadAdURL " + base::Value(parameters)["url"].stringValue().value_or(""));
    }
    void loadAdHeaders(const std::shared_ptr<VDAd>& ad,
                       const std::optional<net::HTTPHeaderFields>& headers) override {
        ad_ = ad;
        headers_ = headers;
        record("loadAd");
    }
    void invalidJavaScriptRequest() override { record("invalidJavaScriptRequest"); }
    void failedJavaScriptFile() override { record("failedJavaScriptFile"); }
    void adURLRequestDidTimeOutWithError(const base::Error& error) override {
        record("adURLRequestDidTimeOut " + error.domain + " " + std::to_string(error.code));
    }

    std::string requestID() {
        std::lock_guard lock(mutex_);
        return requestID_;
    }
    std::vector<std::string> calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    std::shared_ptr<VDAd> ad_;
    std::optional<net::HTTPHeaderFields> headers_;

private:
    void record(std::string call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    std::mutex mutex_;
    Dictionary parameters_;
    long adType_;
    std::string requestID_;
    std::vector<std::string> calls_;
};

class VDSDKCoreControllerTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDAbsoluteTime::resetForTesting();
        VDMRAIDInterceptor::resetForTesting();
        VDClassRegistry::resetForTesting();
        VDDevice::sharedInstance()->setUserAgentString("TestAgent/1.0");
        controller_ = VDSDKCoreController::create();
        // The fake page: defines its functions unless told otherwise, records every command and
        // answers "VDMA_getAd" at once with "loadAdURL" unless the test answers itself.
        engine().setScriptFallback([this](const std::string& script) -> std::optional<std::string> {
            if (script.find("typeof VDMA_getAd") != std::string::npos)
                return pageDefinesFunctions_ ? "true" : "false";
            std::lock_guard lock(mutex_);
            commands_.push_back(script);
            if (answerAtOnce_ && script.rfind("VDMA_getAd(", 0) == 0) {
                auto id = requestIDOf(script);
                pageSends("loadAdURL", {{"request_id", id}, {"url", "http://ad.test/" + id}});
            }
            return "";
        });
    }
    void TearDown() override {
        controller_->waitForQueuesForTesting();
        base::RunLoop::main().runUntilIdle();
        controller_.reset();
        VDMRAIDInterceptor::resetForTesting();
        VDClassRegistry::resetForTesting();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    ui::FakeWebEngine& engine() {
        return ui::FakeWebEngine::of(*controller_->activeSDKCoreWebView()->webView());
    }
    std::size_t corePageLoads() { return engine().loads().size(); }
    std::vector<std::string> commands() {
        std::lock_guard lock(mutex_);
        return commands_;
    }
    // The JSON argument of a page command "f(<json>);".
    static Dictionary argumentOf(const std::string& command) {
        auto open = command.find('(');
        auto close = command.rfind(')');
        auto value = base::parseJSON(command.substr(open + 1, close - open - 1));
        return value && value->dictionary() ? *value->dictionary() : Dictionary{};
    }
    static std::string requestIDOf(const std::string& command) {
        return argumentOf(command)["request_id"].stringValue().value_or("");
    }
    // The page sends an "amsg" message with percent-encoded values.
    void pageSends(const std::string& name,
                   const std::vector<std::pair<std::string, std::string>>& values) {
        std::string url = "amsg:///" + name;
        char separator = '?';
        for (const auto& [key, value] : values) {
            url += separator + base::percentEscape(key, base::queryValueCharactersToEscape) + "=" +
                   base::percentEscape(value, base::queryValueCharactersToEscape);
            separator = '&';
        }
        engine().raiseNavigation(*base::URL::parse(url), ui::WebViewNavigationType::Other, false);
    }
    // Waits until `count` page commands have been run.
    bool waitForCommands(std::size_t count) {
        return base::RunLoop::main().runUntil([&] { return commands().size() >= count; }, 10s);
    }
    bool waitForCalls(const std::shared_ptr<Asker>& asker, std::size_t count) {
        return base::RunLoop::main().runUntil([&] { return asker->calls().size() >= count; }, 10s);
    }
    // Loads the core page for a first request and answers it.
    void loadCorePage() {
        auto first = std::make_shared<Asker>();
        controller_->buildAdURL(first);
        engine().raiseFinishLoad();
        ASSERT_TRUE(waitForCalls(first, 1));
    }
    void sendConstants(const std::vector<std::pair<std::string, std::string>>& constants) {
        pageSends("loadSdkConstants", constants);
        base::RunLoop::main().runUntilIdle();
        controller_->waitForQueuesForTesting();
    }

    std::shared_ptr<VDSDKCoreController> controller_;
    std::mutex mutex_;
    std::vector<std::string> commands_;
    bool pageDefinesFunctions_ = true;
    bool answerAtOnce_ = true;
};

TEST_F(VDSDKCoreControllerTest, RequestsBeforeThePageLoadsAreSentInOrderAndAnswersFindTheirAsker) {
    answerAtOnce_ = false;
    auto first = std::make_shared<Asker>(Dictionary{{"slotname", "unit-a"}});
    auto second = std::make_shared<Asker>(Dictionary{{"slotname", "unit-b"}});
    controller_->buildAdURL(first);
    controller_->buildAdURL(second);
    EXPECT_EQ(corePageLoads(), 1u);
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(commands().empty());

    engine().raiseFinishLoad();
    ASSERT_TRUE(waitForCommands(3));
    auto sent = commands();
    EXPECT_EQ(sent[0], "VDMA_getSdkConstants({\"js\":\"" + VDRequest::sdkVersion() + "\"});");
    EXPECT_EQ(sent[1].rfind("VDMA_getAd(", 0), 0u);
    EXPECT_EQ(argumentOf(sent[1]), (Dictionary{{"request_id", "1"}, {"slotname", "unit-a"}}));
    EXPECT_EQ(argumentOf(sent[2]), (Dictionary{{"request_id", "2"}, {"slotname", "unit-b"}}));
    EXPECT_EQ(first->requestID(), "1");
    EXPECT_EQ(second->requestID(), "2");
    EXPECT_EQ(controller_->pendingBuildAdURLRequestIDs(), (std::vector<std::string>{"1", "2"}));

    // Out of order, twice, and for nobody.
    pageSends("loadAdURL", {{"request_id", "2"}, {"url", "http://ad.test/b"}});
    pageSends("loadAdURL", {{"request_id", "1"}, {"url", "http://ad.test/a"}});
    pageSends("loadAdURL", {{"request_id", "1"}, {"url", "http://ad.test/again"}});
    pageSends("invalidRequest", {{"request_id", "9"}});
    pageSends("loadAdURL", {{"url", "http://ad.test/no-id"}});
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(first->calls(), std::vector<std::string>{"loadAdURL http://ad.test/a"});
    EXPECT_EQ(second->calls(), std::vector<std::string>{"loadAdURL http://ad.test/b"});
    EXPECT_TRUE(controller_->pendingBuildAdURLRequestIDs().empty());

    // A request the page has loaded for goes out at once (after the constants, still
    // unanswered, are asked for again); identifiers keep counting, and values JSON cannot
    // carry go as their descriptions.
    const base::Value date(base::Date(0));
    auto third =
        std::make_shared<Asker>(Dictionary{{"redodi-ad-url-mediation", "1"}, {"when", date}});
    controller_->buildAdURL(third);
    ASSERT_TRUE(waitForCommands(5));
    EXPECT_EQ(commands()[3].rfind("VDMA_getSdkConstants(", 0), 0u);
    EXPECT_EQ(commands()[4].rfind("VDMA_getAdapterLessMediationAd(", 0), 0u);
    EXPECT_EQ(argumentOf(commands()[4])["when"], base::Value(date.description()));
    EXPECT_EQ(third->requestID(), "3");
    EXPECT_EQ(corePageLoads(), 1u);

    // An asker that has gone away hears nothing, and nothing breaks.
    third.reset();
    pageSends("loadAdURL", {{"request_id", "3"}, {"url", "http://ad.test/c"}});
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(controller_->pendingBuildAdURLRequestIDs().empty());

    // The process's controller is one, with a core page of its own.
    auto shared = VDSDKCoreController::sharedInstance();
    EXPECT_EQ(VDSDKCoreController::sharedInstance(), shared);
    EXPECT_NE(shared, controller_);
    base::resetProcessServicesForTesting();
}

TEST_F(VDSDKCoreControllerTest, ThePageIsReloadedAfterMoreThanAnHourAndAsksForConstantsAgain) {
    loadCorePage();
    EXPECT_EQ(corePageLoads(), 1u);
    const auto constantsAsked = [&] {
        std::size_t count = 0;
        for (const auto& command : commands())
            count += command.rfind("VDMA_getSdkConstants(", 0) == 0;
        return count;
    };
    EXPECT_EQ(constantsAsked(), 1u);
    // The constants came: they are not asked for again until the next reload.
    sendConstants({{"as_domains", "a.test"}});

    base::RunLoop::main().advance(3600s);
    auto withinTheHour = std::make_shared<Asker>();
    controller_->buildAdURL(withinTheHour);
    ASSERT_TRUE(waitForCalls(withinTheHour, 1));
    EXPECT_EQ(corePageLoads(), 1u);
    EXPECT_EQ(constantsAsked(), 1u);

    base::RunLoop::main().advance(1ms);
    auto afterTheHour = std::make_shared<Asker>();
    controller_->buildAdURL(afterTheHour);
    EXPECT_EQ(corePageLoads(), 2u);
    engine().raiseFinishLoad();
    ASSERT_TRUE(waitForCalls(afterTheHour, 1));
    EXPECT_EQ(afterTheHour->calls(), std::vector<std::string>{"loadAdURL http://ad.test/3"});
    EXPECT_EQ(constantsAsked(), 2u);
    EXPECT_EQ(controller_->lastWebViewRefreshTimestamp(), 3'600'001u);
}

TEST_F(VDSDKCoreControllerTest, AFailedCorePageFailsTheWaitingRequestsAndTheNextOneReloads) {
    auto first = std::make_shared<Asker>();
    auto second = std::make_shared<Asker>();
    controller_->buildAdURL(first);
    controller_->buildAdURL(second);
    engine().raiseFailLoad(
        base::Error::make(base::URLErrorDomain, base::URLErrorCannotConnectToHost));
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(first->calls(), std::vector<std::string>{"failedJavaScriptFile"});
    EXPECT_EQ(second->calls(), std::vector<std::string>{"failedJavaScriptFile"});
    EXPECT_EQ(controller_->lastWebViewRefreshTimestamp(), 0u);

    // An error page that defines nothing fails the same way.
    auto third = std::make_shared<Asker>();
    controller_->buildAdURL(third);
    EXPECT_EQ(corePageLoads(), 2u);
    pageDefinesFunctions_ = false;
    engine().raiseFinishLoad();
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(third->calls(), std::vector<std::string>{"failedJavaScriptFile"});

    pageDefinesFunctions_ = true;
    auto fourth = std::make_shared<Asker>();
    controller_->buildAdURL(fourth);
    EXPECT_EQ(corePageLoads(), 3u);
    engine().raiseFinishLoad();
    ASSERT_TRUE(waitForCalls(fourth, 1));
    EXPECT_EQ(fourth->calls(), std::vector<std::string>{"loadAdURL http://ad.test/1"});
    EXPECT_TRUE(controller_->activeSDKCoreWebView()->hasSDKCoreLoadedAtLeastOnce());
}

TEST_F(VDSDKCoreControllerTest, ARequestThePageNeverAnswersTimesOut) {
    loadCorePage();
    answerAtOnce_ = false;
    auto silent = std::make_shared<Asker>();
    controller_->buildAdURL(silent);
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] { return controller_->pendingBuildAdURLRequestIDs().size() == 1; }, 10s));
    base::RunLoop::main().advance(VDSDKCoreController::answerTimeout - 1ms);
    EXPECT_TRUE(silent->calls().empty());
    base::RunLoop::main().advance(1ms);
    EXPECT_EQ(silent->calls(), std::vector<std::string>{"adURLRequestDidTimeOut com.redodi.ads 5"});
    EXPECT_TRUE(controller_->pendingBuildAdURLRequestIDs().empty());
    // A late answer finds nobody.
    pageSends("loadAdURL", {{"request_id", "2"}, {"url", "http://ad.test/late"}});
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(silent->calls().size(), 1u);
}

TEST_F(VDSDKCoreControllerTest, AWholeAdBecomesTheRecordOfTheRequestedTypeWithWebURLsOnly) {
    loadCorePage();
    answerAtOnce_ = false;
    struct Case {
        long adType;
        const char* fetchedAd;
        bool isBanner;
        bool isInterstitial;
        unsigned responseType;
    };
    const Case cases[] = {
        {0, R"({"ad_url":"http://ad.test/x"})", false, false, VDAd::ResponseTypeNone},
        {1, R"({"ad_html":"<p>x</p>","ad_base_url":"https://ad.test/","is_mediation":true})", true,
         false, VDAd::ResponseTypeMediationJSON},
        {2, R"json({"ad_html":"<p>x</p>","ad_base_url":"file:///etc/","ad_url":"javascript:x()",
                "click_urls":["http://t.test/c","file:///c","ftp://t.test/c"]})json",
         false, true, VDAd::ResponseTypeNone},
    };
    for (const auto& c : cases) {
        auto asker = std::make_shared<Asker>(Dictionary{}, c.adType);
        controller_->buildAdURL(asker);
        ASSERT_TRUE(
            base::RunLoop::main().runUntil([&] { return !asker->requestID().empty(); }, 10s));
        controller_->waitForQueuesForTesting();
        pageSends("loadAd", {{"request_id", asker->requestID()}, {"fetched_ad", c.fetchedAd}});
        base::RunLoop::main().runUntilIdle();
        ASSERT_EQ(asker->calls(), std::vector<std::string>{"loadAd"}) << c.fetchedAd;
        ASSERT_NE(asker->ad_, nullptr);
        EXPECT_EQ(std::dynamic_pointer_cast<VDBannerAd>(asker->ad_) != nullptr, c.isBanner);
        EXPECT_EQ(std::dynamic_pointer_cast<VDInterstitialAd>(asker->ad_) != nullptr,
                  c.isInterstitial);
        EXPECT_EQ(asker->ad_->responseType(), c.responseType) << c.fetchedAd;
        if (c.responseType == VDAd::ResponseTypeMediationJSON) {
            ASSERT_TRUE(asker->headers_);
            EXPECT_EQ(asker->headers_->value("x-vdma-mediation"), "1");
            EXPECT_EQ(asker->headers_->value("content-type"), "application/json");
        } else {
            EXPECT_EQ(asker->headers_, std::nullopt);
        }
        if (c.isInterstitial) {
            // The page's non-web addresses are gone: no HTML without a web base, no URL to
            // fetch, one click URL.
            EXPECT_EQ(asker->ad_->adHTML(), std::nullopt);
            EXPECT_EQ(asker->ad_->adURL(), std::nullopt);
            ASSERT_EQ(asker->ad_->clickURLs().size(), 1u);
            EXPECT_EQ(asker->ad_->clickURLs()[0].absoluteString(), "http://t.test/c");
        }
    }

    auto unknownType = std::make_shared<Asker>(Dictionary{}, 7);
    controller_->buildAdURL(unknownType);
    ASSERT_TRUE(
        base::RunLoop::main().runUntil([&] { return !unknownType->requestID().empty(); }, 10s));
    controller_->waitForQueuesForTesting();
    pageSends("loadAd", {{"request_id", unknownType->requestID()}, {"fetched_ad", "{}"}});
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(unknownType->calls(), std::vector<std::string>{"loadAd"});
    EXPECT_EQ(unknownType->ad_, nullptr);
}

TEST_F(VDSDKCoreControllerTest, AnInvalidRequestIsLoggedAndToldToItsAsker) {
    loadCorePage();
    answerAtOnce_ = false;
    testing_support::LogCapture log;
    auto asker = std::make_shared<Asker>();
    controller_->buildAdURL(asker);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return !asker->requestID().empty(); }, 10s));
    controller_->waitForQueuesForTesting();
    pageSends("invalidRequest", {{"request_id", asker->requestID()}, {"reason", "bad unit"}});
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(asker->calls(), std::vector<std::string>{"invalidJavaScriptRequest"});
    EXPECT_TRUE(log.contains("<Redodi> Invalid Request: "));
    EXPECT_TRUE(log.contains("bad unit"));
}

TEST_F(VDSDKCoreControllerTest, ConstantsAreCheckedBeforeTheyAreStored) {
    loadCorePage();
    auto defaults = base::UserDefaults::standard();
    VDClassRegistry::registerClass("VDMAdapterCustom", std::make_shared<VDClassRegistry::Class>());
    sendConstants({
        {"mraid_banner_path", "/mraid/banner.js"},
        {"mraid_interstitial_path", "/mraid/interstitial.js"},
        {"active_view_unload_cache_size", "5"},
        {"use_new_web_views_for_active_view", "true"},
        {"mraid_disable_redirect", "1"},
        {"refresh_intervals",
         R"({"active_view_sampling_interval":"0.2","swipe_to_view_sampling_interval":1.5})"},
        {"clickthrough_confirm_schemes", R"({"tel":"Call","sms":7,"facetime":"Call?"})"},
        {"as_domains", "ads.test,cdn.test"},
        {"traversal_interval", "12"},
        {"character_delimited_unicode_range", "[[65, 26]]"},
        {"bad_ad_report_path", ""},
        {"adapter_class_names", R"(["VDMAdapterCustom","VDMAdapterMissing",3])"},
    });
    EXPECT_EQ(VDMRAIDInterceptor::bannerImplementationPath(), "/mraid/banner.js");
    EXPECT_EQ(VDMRAIDInterceptor::interstitialImplementationPath(), "/mraid/interstitial.js");
    EXPECT_EQ(VDMRAIDInterceptor::expandedBannerImplementationPath(), std::nullopt);
    EXPECT_FALSE(VDMRAIDInterceptor::isAllowed());
    EXPECT_EQ(controller_->activeViewUnloadCacheMaxSize(), 5u);
    EXPECT_TRUE(controller_->useNewWebViewsForActiveViewProcessing());
    EXPECT_DOUBLE_EQ(controller_->activeViewSamplingInterval(), 0.2);
    EXPECT_DOUBLE_EQ(controller_->swipeToViewSamplingInterval(), 1.5);
    EXPECT_EQ(defaults->dictionaryForKey(VDSDKCoreController::clickthroughConfirmSchemesKey),
              (Dictionary{{"tel", "Call"}, {"facetime", "Call?"}}));
    EXPECT_EQ(defaults->stringForKey("/redodi/ads/as_domains"), "ads.test,cdn.test");
    EXPECT_EQ(defaults->stringForKey("/redodi/ads/traversal_interval"), "12");
    // The tokeniser takes the new ranges at once.
    EXPECT_TRUE(VDCharacterSets::sharedInstance()->characterDelimitedSet()->contains(U'Q'));
    EXPECT_EQ(defaults->objectForKey("/redodi/ads/bad_ad_report_path"), base::Value());
    auto adapters = VDApplication::sharedInstance()->availableAdapterNames();
    ASSERT_TRUE(adapters);
    EXPECT_NE(std::find(adapters->begin(), adapters->end(), "VDMAdapterCustom"), adapters->end());
    EXPECT_EQ(std::find(adapters->begin(), adapters->end(), "VDMAdapterMissing"), adapters->end());
    EXPECT_FALSE(controller_->SDKConstantsNeedReload());

    // Out of range or out of form: nothing changes, stored values stay. Absent switches read
    // false; a redirect setting other than "1" allows.
    sendConstants({
        {"active_view_unload_cache_size", "0"},
        {"refresh_intervals", "{not json"},
        {"clickthrough_confirm_schemes", R"({"tel":1,"sms":["x"]})"},
        {"as_domains", ""},
    });
    EXPECT_EQ(controller_->activeViewUnloadCacheMaxSize(), 5u);
    EXPECT_FALSE(controller_->useNewWebViewsForActiveViewProcessing());
    EXPECT_TRUE(VDMRAIDInterceptor::isAllowed());
    EXPECT_DOUBLE_EQ(controller_->activeViewSamplingInterval(), 0.2);
    EXPECT_EQ(defaults->dictionaryForKey(VDSDKCoreController::clickthroughConfirmSchemesKey),
              (Dictionary{{"tel", "Call"}, {"facetime", "Call?"}}));
    EXPECT_EQ(defaults->stringForKey("/redodi/ads/as_domains"), "ads.test,cdn.test");

    for (const char* size : {"11", "-2", "2.5", "3x", "1e9"}) {
        sendConstants({{"active_view_unload_cache_size", size}});
        EXPECT_EQ(controller_->activeViewUnloadCacheMaxSize(), 5u) << size;
    }
    for (const char* interval : {"0", "-1", "0.01", "61", "\"12abc\"", "true", "null"}) {
        sendConstants({{"refresh_intervals",
                        std::string(R"({"active_view_sampling_interval":)") + interval + "}"}});
        EXPECT_DOUBLE_EQ(controller_->activeViewSamplingInterval(), 0.2) << interval;
    }
}

TEST_F(VDSDKCoreControllerTest, ActiveViewBorrowsOneWebViewUntilThePageAsksForAReload) {
    auto shared = controller_->SDKCoreWebViewForActiveViewProcessing();
    ASSERT_NE(shared, nullptr);
    EXPECT_NE(shared, controller_->activeSDKCoreWebView());
    EXPECT_EQ(shared->state(), VDSDKCoreWebView::StateLoading);
    EXPECT_EQ(controller_->SDKCoreWebViewForActiveViewProcessing(), shared);
    // The web views share the core page's web process.
    EXPECT_EQ(ui::FakeWebEngine::of(*shared->webView()).processIdentifier(),
              engine().processIdentifier());

    pageSends("requestReload", {});
    base::RunLoop::main().runUntilIdle();
    auto renewed = controller_->SDKCoreWebViewForActiveViewProcessing();
    EXPECT_NE(renewed, shared);
    EXPECT_EQ(controller_->SDKCoreWebViewForActiveViewProcessing(), renewed);

    loadCorePage();
    sendConstants({{"use_new_web_views_for_active_view", "1"}});
    auto fresh = controller_->SDKCoreWebViewForActiveViewProcessing();
    EXPECT_NE(fresh, renewed);
    EXPECT_NE(controller_->SDKCoreWebViewForActiveViewProcessing(), fresh);
}

class MeasuredAd : public VDActiveViewObserver {
public:
    void adViewDidChangeActiveViewVisibility(bool) override {}
    void adViewDidStopActiveViewMonitoring() override {}
};

TEST_F(VDSDKCoreControllerTest, LentWebViewsStillMeasuringAreKeptNewestFirstUpToTheCacheSize) {
    auto ad = std::make_shared<MeasuredAd>();
    std::vector<std::shared_ptr<VDSDKCoreWebView>> lent;
    for (int i = 0; i < 4; ++i) {
        auto webView = VDSDKCoreWebView::create();
        webView->setActiveViewObserverForActiveViewID(ad, std::uint64_t(i));
        lent.push_back(webView);
    }
    auto finished = VDSDKCoreWebView::create();
    controller_->finishedUsingSDKCoreWebViewForActiveViewProcessing(finished);
    EXPECT_TRUE(controller_->activeViewSDKCoreWebViews().empty());

    for (const auto& webView : lent)
        controller_->finishedUsingSDKCoreWebViewForActiveViewProcessing(webView);
    controller_->cacheRunningActiveViewWebView(lent[3]);
    // At most 3, the newest, in their order; the oldest's measurement is ended.
    EXPECT_EQ(controller_->activeViewSDKCoreWebViews(),
              (std::vector<std::shared_ptr<VDSDKCoreWebView>>{lent[1], lent[2], lent[3]}));
    EXPECT_FALSE(lent[0]->isActiveViewRunning());

    lent[2]->removeAllActiveViewObservers();
    controller_->removeFinishedActiveViewWebViews();
    EXPECT_EQ(controller_->activeViewSDKCoreWebViews(),
              (std::vector<std::shared_ptr<VDSDKCoreWebView>>{lent[1], lent[3]}));
}

} // namespace
