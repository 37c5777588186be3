#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDContent.h"
#include "ads/foundation/VDContentQueue.h"
#include "ads/mediation/VDMAdNetworkConnector.h"
#include "ads/mediation/VDMAdapterHTML.h"
#include "ads/presentation/VDFullScreenNotifications.h"
#include "ads/request/SlotTestFixture.h"
#include "ads/request/VDActiveViewReporting.h"
#include "ads/request/VDAdSettingsParameters.h"
#include "ads/request/VDBannerAd.h"
#include "ads/request/VDRequestError.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/LogCapture.h"

namespace {

using namespace slot_testing;

class VDSlotTest : public SlotTest {};

// The host's analytics classes: a tracker and a screen-view service whose current screen view
// the test sets.
class FakeTracker final : public VDClassRegistry::Class,
                          public VDAdSettingsParameters::AnalyticsTracker {
public:
    std::string clientId() const override { return "555.777"; }
};
class FakeScreenView final : public VDClassRegistry::Class,
                             public VDAdSettingsParameters::ScreenViewInfo {
public:
    int screenId() const override { return 42; }
};
class FakeScreenViewService final : public VDClassRegistry::Class,
                                    public VDAdSettingsParameters::ScreenViewService {
public:
    std::shared_ptr<VDClassRegistry::Class> currentScreenView() const override { return current; }
    std::shared_ptr<VDClassRegistry::Class> current = std::make_shared<FakeScreenView>();
};

TEST_F(VDSlotTest, ABannerGoesFromRequestToValidAdHoldingTheInterceptorCountMeanwhile) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    EXPECT_EQ(slot->state(), VDSlot::StateIdle);
    EXPECT_EQ(slot->reloadInterval(), 60);

    banner->loadRequest(nullptr);
    EXPECT_EQ(slot->state(), VDSlot::StateRequestingAdURL);
    EXPECT_TRUE(slot->isMakingRequest());
    EXPECT_EQ(VDMRAIDInterceptor::canInitWithRequestCount(), 1);
    ASSERT_TRUE(waitFor([&] {
        finishCorePageLoadIfNeeded();
        return !pageRequests().empty();
    }));
    const base::Value sent(pageRequests().front());
    EXPECT_EQ(sent["slotname"], base::Value("unit-1"));
    EXPECT_EQ(sent["request_id"], base::Value("1"));
    EXPECT_EQ(sent["force_https"], base::Value("1"));
    EXPECT_EQ(sent["ad_frame"],
              base::Value(Dictionary{{"x", 0.0}, {"y", 430.0}, {"w", 320.0}, {"h", 50.0}}));
    EXPECT_TRUE(sent["format"].isNull());
    EXPECT_EQ(slot->requestID(), "1");

    pageSends("loadAdURL", {{"request_id", "1"}, {"url", server_.adURL("html") + "?request_id=1"}});
    ASSERT_TRUE(waitForState(slot, VDSlot::StateRendering));
    auto& page = adPage(slot);
    ASSERT_EQ(page.loads().size(), 1u);
    const auto& load = std::get<ui::FakeWebEngine::HTMLLoad>(page.loads().back());
    EXPECT_NE(load.html.find("Test ad 1"), std::string::npos);
    EXPECT_TRUE(slot->adView()->isHidden()) << "hidden until the creative has loaded";
    EXPECT_EQ(slot->reloadInterval(), 30) << "the response's interval";
    EXPECT_EQ(VDMRAIDInterceptor::canInitWithRequestCount(), 1);

    page.raiseFinishLoad();
    EXPECT_EQ(slot->state(), VDSlot::StateValidAd);
    EXPECT_FALSE(slot->isMakingRequest());
    EXPECT_FALSE(slot->adView()->isHidden());
    EXPECT_EQ(VDMRAIDInterceptor::canInitWithRequestCount(), 0);
    EXPECT_EQ(host_->calls, std::vector<std::string>{"receive"});
    EXPECT_EQ(slot->ad()->MRAIDEventHandler(), slot);
    EXPECT_TRUE(slot->isListeningToDeviceOrientationChangeEvent());
    EXPECT_EQ(slot->adNetworkClassName(), "VDMAdapterRedodiVeDivAds");
    ASSERT_TRUE(waitFor([&] { return server_.requestCount("/ping/impression") == 1; }));
}

TEST_F(VDSlotTest, RequestsThatMayNotBeMadeAreRefusedAndOnlyTheOwnersRefusalIsReported) {
    struct Case {
        const char* name;
        std::function<void(VDBannerView&)> arrange;
        std::vector<std::string> heard;
        long stateAfter;
    };
    const Case cases[] = {
        {"no root view controller",
         [](VDBannerView& banner) { banner.setRootViewController(nullptr); },
         {"fail 0"},
         VDSlot::StateIdle},
        {"invalidated",
         [](VDBannerView& banner) { banner.slot()->invalidate(); },
         {},
         VDSlot::StateInvalidated},
        {"application in the background",
         [](VDBannerView&) {
             VDApplication::load();
             ui::Application::shared().launch();
             ui::Application::shared().enterBackground();
         },
         {},
         VDSlot::StateIdle},
        {"system too old",
         [](VDBannerView&) { VDDevice::sharedInstance()->setSystemVersion("5.1"); },
         {},
         VDSlot::StateIdle},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        host_->calls.clear();
        auto banner = makeBanner();
        test.arrange(*banner);
        banner->loadRequest(nullptr);
        EXPECT_EQ(banner->slot()->state(), test.stateAfter);
        EXPECT_EQ(host_->calls, test.heard);
        EXPECT_TRUE(banner->slot()->slotHasAttemptedAnAdRequestAtLeastOnce());
        EXPECT_EQ(VDMRAIDInterceptor::canInitWithRequestCount(), 0);
        base::resetProcessServicesForTesting();
        VDDevice::sharedInstance()->setSystemVersion("7.1");
    }
}

TEST_F(VDSlotTest, ALoadWhileOneIsInProgressIsDroppedButItsRequestIsTheNextToLoad) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    banner->loadRequest(nullptr);
    auto second = VDRequest::request();
    second->setKeywords(base::Value::Array{base::Value("next")});
    banner->loadRequest(second);
    EXPECT_EQ(slot->state(), VDSlot::StateRequestingAdURL);
    EXPECT_EQ(slot->nextRequest()->keywords(), second->keywords());
    EXPECT_EQ(slot->request()->keywords(), std::nullopt);
    EXPECT_TRUE(host_->calls.empty());
}

// An owner that pre-empts: the answer for the dropped request reaches nobody.
class PreemptingOwner : public VDSlotDelegate, public VDSlotAdEventDelegate {
public:
    std::optional<bool> slotShouldPreemptInProgressRequest(VDSlot&) override { return true; }
    void slotFinishedLoadingAdContent(VDSlot&) override { calls.push_back("finished"); }
    void slotDidFailToLoadAdContentWithError(VDSlot&, const base::Error& error) override {
        calls.push_back("failed " + std::to_string(error.code));
    }
    std::vector<std::string> calls;
};

TEST_F(VDSlotTest, AnswersForADroppedRequestOrAnInvalidatedSlotAreIgnoredAndTheCountIsReleased) {
    auto owner = std::make_shared<PreemptingOwner>();
    auto slot = VDSlot::create(ui::Rect(0, 0, 320, 50));
    slot->setSlotDelegate(owner);
    slot->setAdEventDelegate(owner);
    slot->setAdTypeAndReloadRequest(VDAdType::bannerAdTypeForSize(kVDAdSizeBanner), false);
    slot->loadRequest(nullptr);
    ASSERT_TRUE(waitFor([&] {
        finishCorePageLoadIfNeeded();
        return pageRequests().size() == 1;
    }));
    // Pre-empted: the first request's answer arrives after the second has started.
    slot->loadRequest(nullptr);
    ASSERT_TRUE(waitFor([&] { return pageRequests().size() == 2; }));
    EXPECT_EQ(VDMRAIDInterceptor::canInitWithRequestCount(), 1);
    pageSends("loadAdURL", {{"request_id", "1"}, {"url", server_.adURL("html")}});
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(slot->state(), VDSlot::StateRequestingAdURL);
    EXPECT_EQ(server_.requestCount("/ad/"), 0u);

    // Cancelled: its count goes, and so does its answer.
    slot->cancelLoad();
    EXPECT_EQ(VDMRAIDInterceptor::canInitWithRequestCount(), 0);
    pageSends("loadAdURL", {{"request_id", "2"}, {"url", server_.adURL("html")}});
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(slot->state(), VDSlot::StateIdle);

    // Invalidated while fetching: the fetch is cancelled and nothing renders.
    answerWithScenario("html");
    slot->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateFetching));
    auto adView = slot->adView();
    slot->invalidate();
    EXPECT_EQ(VDMRAIDInterceptor::canInitWithRequestCount(), 0);
    EXPECT_EQ(slot->adFetcher(), nullptr);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(slot->state(), VDSlot::StateInvalidated);
    EXPECT_TRUE(ui::FakeWebEngine::of(*adView->webView()).loads().empty());
    slot->loadRequest(nullptr);
    EXPECT_EQ(slot->state(), VDSlot::StateInvalidated);
    EXPECT_TRUE(owner->calls.empty());
}

TEST_F(VDSlotTest, FailuresReachTheOwnerWithTheirCodesAndLeaveThePreviousCreativeShown) {
    const std::pair<const char*, long> scenarios[] = {
        {"nofill", VDRequestError::kVDErrorNoFill},
        {"server-error", VDRequestError::kVDErrorServerError},
        {"bad-request", VDRequestError::kVDErrorInvalidRequest},
        {"native", VDRequestError::kVDErrorInternalError},
    };
    auto banner = makeBanner();
    auto slot = banner->slot();
    answerWithWholeAd(htmlAd("first"));
    ASSERT_TRUE(loadUntilShown(banner));
    auto shownView = banner->rootAdView();
    for (const auto& [scenario, code] : scenarios) {
        SCOPED_TRACE(scenario);
        host_->calls.clear();
        answerWithScenario(scenario);
        banner->loadRequest(nullptr);
        ASSERT_TRUE(waitForState(slot, VDSlot::StateFailed));
        EXPECT_EQ(host_->calls, std::vector<std::string>{"fail " + std::to_string(code)});
        EXPECT_EQ(host_->domains.back(), "com.redodi.ads");
        EXPECT_EQ(banner->rootAdView(), shownView);
        EXPECT_FALSE(shownView->isHidden());
        EXPECT_EQ(slot->loadingAd(), nullptr);
        EXPECT_NE(slot->reloadTimer(), nullptr) << "a failed banner tries again";
        EXPECT_EQ(VDMRAIDInterceptor::canInitWithRequestCount(), 0);
    }

    // The page refuses, answers with errors, or the creative's page fails to load.
    host_->calls.clear();
    answerWithRefusal();
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateFailed));
    answer_ = [this](const Dictionary& parameters) {
        pageSends("loadAdURL",
                  {{"request_id", base::Value(parameters)["request_id"].stringValue().value_or("")},
                   {"errors", "bad"},
                   {"url", server_.adURL("html")}});
    };
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateFailed));
    EXPECT_EQ(server_.requestCount("/ad/html"), 0u) << "an answer with errors is not followed";
    answerWithWholeAd(htmlAd("broken"));
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateRendering));
    adPage(slot).raiseFailLoad(base::Error{"test", 1, {}});
    EXPECT_EQ(slot->state(), VDSlot::StateFailed);
    EXPECT_EQ(host_->calls, (std::vector<std::string>{"fail 0", "fail 0", "fail 2"}));
}

TEST_F(VDSlotTest, ACorePageThatFailsMovesTheSlotToStateOne) {
    coreDefinesFunctions_ = false;
    auto banner = makeBanner();
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(banner->slot(), VDSlot::StateSDKCoreFailed));
    EXPECT_EQ(host_->calls, std::vector<std::string>{"fail 2"});
    EXPECT_EQ(VDMRAIDInterceptor::canInitWithRequestCount(), 0);
}

TEST_F(VDSlotTest, RefreshRunsOnTheResponsesIntervalOrSixtySecondsAndStopsBelowOneSecond) {
    struct Case {
        std::optional<double> responseInterval;
        double expected;
    };
    const Case cases[] = {{std::nullopt, 60}, {30, 30}, {1, 1}, {0.5, 0}, {0, 0}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.expected);
        auto banner = makeBanner();
        auto slot = banner->slot();
        answerWithWholeAd(htmlAd("a", test.responseInterval));
        ASSERT_TRUE(loadUntilShown(banner));
        EXPECT_EQ(slot->reloadInterval(), test.expected);
        if (test.expected == 0) {
            EXPECT_EQ(slot->reloadTimer(), nullptr);
            continue;
        }
        ASSERT_NE(slot->reloadTimer(), nullptr);
        EXPECT_EQ(slot->reloadTimer()->interval().count(), test.expected);
        const auto before = pageRequests().size();
        base::RunLoop::main().advance(base::Seconds(test.expected - 0.01));
        EXPECT_EQ(pageRequests().size(), before);
        base::RunLoop::main().advance(base::Seconds(0.02));
        EXPECT_TRUE(slot->hasAutoRefreshed())
            << slot->state() << " " << (slot->reloadTimer() ? slot->reloadTimer()->isValid() : -1)
            << host_->calls.size();
        ASSERT_TRUE(waitFor([&] { return pageRequests().size() == before + 1; }));
    }
}

TEST_F(VDSlotTest, AFailedFetchTakesItsIntervalUnlessNothingCameBack) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    server_.setScenario("nofill-fast",
                        testing_support::TestAdServer::AdResponse{
                            200, "text/html", {{"X-Vdma-Refresh-Rate", "45"}}, "", {}, false});
    server_.setScenario("nofill-half",
                        testing_support::TestAdServer::AdResponse{
                            200, "text/html", {{"X-Vdma-Refresh-Rate", "0.5"}}, "", {}, false});
    struct Case {
        const char* scenario;
        double expected;
    };
    // Nothing at all came back (code 13): the interval stays as it was; a cut response (code
    // 2) that set none refreshes on the standard interval.
    const Case cases[] = {{"nofill-fast", 45}, {"closed", 45}, {"drop", 60},
                          {"nofill-fast", 45}, {"nofill", 60}, {"nofill-half", 0}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.scenario);
        if (std::string(test.scenario) == "closed")
            answerWithURL("http://127.0.0.1:" + std::to_string(net::closedLoopbackPort()) + "/ad");
        else
            answerWithScenario(test.scenario);
        banner->loadRequest(nullptr);
        ASSERT_TRUE(waitForState(slot, VDSlot::StateFailed));
        EXPECT_EQ(slot->reloadInterval(), test.expected);
        EXPECT_EQ(slot->reloadTimer() != nullptr, test.expected > 0);
    }
}

TEST_F(VDSlotTest, EachNotificationPausesOrReArmsTheRefreshTimer) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    answerWithWholeAd(htmlAd("a"));
    ASSERT_TRUE(loadUntilShown(banner));
    auto& center = base::NotificationCenter::defaultCenter();
    const std::pair<const char*, const char*> pairs[] = {
        {ui::ApplicationWillResignActiveNotification, ui::ApplicationDidBecomeActiveNotification},
        {kAdModalViewControllerWillPresentFullScreen, kAdModalViewControllerDidDismissFullScreen},
    };
    for (const auto& [pause, resume] : pairs) {
        SCOPED_TRACE(pause);
        ASSERT_NE(slot->reloadTimer(), nullptr);
        center.post(pause);
        EXPECT_EQ(slot->reloadTimer(), nullptr);
        // Nothing refreshes while paused.
        const auto before = pageRequests().size();
        base::RunLoop::main().advance(120s);
        EXPECT_EQ(pageRequests().size(), before);
        center.post(resume);
        ASSERT_NE(slot->reloadTimer(), nullptr);
        EXPECT_EQ(slot->reloadTimer()->interval().count(), 60);
    }
}

TEST_F(VDSlotTest, ATimedLoadThatCannotStartArmsTheTimerAgain) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    // 30 s: the timer fires well before the core page's answer times out.
    answerWithWholeAd(htmlAd("a", 30));
    ASSERT_TRUE(loadUntilShown(banner));
    // A request still in flight when the timer fires: the page does not answer.
    answer_ = nullptr;
    slot->deactivateReloadTimer();
    slot->loadNextRequestWithAutoRefresh(false);
    ASSERT_TRUE(waitFor([&] { return pageRequests().size() == 2; }));
    slot->scheduleAdReloadTimer();
    base::RunLoop::main().advance(30s);
    EXPECT_EQ(slot->state(), VDSlot::StateRequestingAdURL);
    ASSERT_NE(slot->reloadTimer(), nullptr);
    EXPECT_TRUE(slot->reloadTimer()->isValid()) << "armed again for the next interval";

    // The banner off screen: no load, and the timer is armed again, every time.
    slot->cancelLoad();
    banner->removeFromSuperview();
    for (int i = 0; i < 3; ++i) {
        base::RunLoop::main().advance(30s);
        ASSERT_NE(slot->reloadTimer(), nullptr);
        EXPECT_TRUE(slot->reloadTimer()->isValid());
    }
    EXPECT_EQ(pageRequests().size(), 2u);
    EXPECT_EQ(slot->state(), VDSlot::StateIdle);
    window_->addSubview(banner);
    base::RunLoop::main().advance(30s);
    EXPECT_EQ(slot->state(), VDSlot::StateRequestingAdURL);
}

TEST_F(VDSlotTest, ACustomRenderedAdTheOwnerRefusesFailsTheSlotAndKeepsTheShownAd) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    answerWithWholeAd(htmlAd("shown"));
    ASSERT_TRUE(loadUntilShown(banner));
    auto shown = slot->ad();
    host_->calls.clear();
    answerWithScenario("custom");
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateFailed));
    EXPECT_EQ(host_->calls, std::vector<std::string>{
                                "fail " + std::to_string(VDRequestError::kVDErrorInvalidArgument)});
    EXPECT_EQ(slot->ad(), shown);
    EXPECT_EQ(slot->loadingAd(), nullptr);
    // A custom-rendered response ends refreshing, even when the owner does not render it.
    EXPECT_FALSE(slot->reloadable());
    EXPECT_EQ(slot->reloadTimer(), nullptr);
}

TEST_F(VDSlotTest, StatisticsSentWithAnAdURLAreGivenBackOnceAndOnlyWhenTheURLWasNotFetched) {
    auto application = VDApplication::sharedInstance();
    auto pendingAd = VDStatisticDictionary::createWithDelegate(application);
    auto makePending = [&] {
        pendingAd->incrementNumberForKeyShouldNotifyDelegate("pcc", true);
        pendingAd->objectForKey("");
        pendingAd->objectForKey("");
    };
    auto banner = makeBanner();
    auto slot = banner->slot();

    // Refused by the page: the URL was never fetched, the statistics are pending again, once.
    makePending();
    answerWithRefusal();
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateFailed));
    EXPECT_TRUE(base::Value(pageRequests().back())["quality_signals"]["ads"].array());
    EXPECT_TRUE(slot->pendingAdStatistics().empty());
    slot->cancelLoad();
    EXPECT_EQ(application->pendingAdStatistics(), VDApplication::StatisticsSet{pendingAd});

    // Fetched, then failed: they went out with the fetch and are not given back.
    makePending();
    answerWithScenario("nofill");
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateFailed));
    slot->cancelLoad();
    EXPECT_TRUE(application->pendingAdStatistics().empty());
}

TEST_F(VDSlotTest, TheAdServersDomainsMatchWholeLabelsInAnyCase) {
    auto defaults = base::UserDefaults::standard();
    defaults->setObject(VDSlot::adServerDomainsKey, base::Value("redodi.x, ,.Ads.Test"));
    const std::pair<const char*, bool> cases[] = {
        {"https://redodi.x/c?ai=1", true}, {"https://click.REDODI.x/c", true},
        {"https://evilredodi.x/c", false}, {"https://redodi.x.evil/c", false},
        {"https://ads.test/c", true},      {"https://x.ads.test/c", true},
        {"https://badads.test/c", false},  {"https://other.example/c", false},
    };
    for (const auto& [url, expected] : cases)
        EXPECT_EQ(VDSlot::isRedodiAdURL(*base::URL::parse(url)), expected) << url;
    // An empty entry matches nothing, not every host.
    defaults->setObject(VDSlot::adServerDomainsKey, base::Value(","));
    EXPECT_FALSE(VDSlot::isRedodiAdURL(*base::URL::parse("https://any.example/")));
    defaults->removeObjectForKey(VDSlot::adServerDomainsKey);
    EXPECT_TRUE(VDSlot::isRedodiAdURL(*base::URL::parse("https://c.redodi.example/")));
}

TEST_F(VDSlotTest, ClickURLsOfTheAdServerGetTheGestureSignal) {
    base::UserDefaults::standard()->setObject(VDSlot::adServerDomainsKey, base::Value("redodi.x"));
    auto slot = VDSlot::create();
    std::string signal;
    ASSERT_TRUE(VDGestureUtil::sharedInstance()->clickSignalForAdIdentifier("abc", signal));
    const std::pair<std::string, std::string> cases[] = {
        {"https://redodi.x/aclk?ai=abc&adurl=https://l.example/",
         "https://redodi.x/aclk?ai=abc&" + signal + "&adurl=https://l.example/"},
        {"https://redodi.x/aclk?x=1", "https://redodi.x/aclk?x=1"},
        {"https://redodi.x/aclk", "https://redodi.x/aclk"},
        {"https://other.example/aclk?ai=abc", "https://other.example/aclk?ai=abc"},
        {"amsg:///click?ai=abc", "amsg:///click?ai=abc"},
        {"about:blank", "about:blank"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(slot->spamClickURLWithURL(*base::URL::parse(in)).absoluteString(), out) << in;
}

TEST_F(VDSlotTest, ImpressionsArePingedOnceAndClicksEveryTime) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    answerWithWholeAd(htmlAd("p"));
    ASSERT_TRUE(loadUntilShown(banner));
    slot->didMakeAdImpression();
    slot->pingClickURLs();
    slot->pingClickURLs();
    ASSERT_TRUE(waitFor([&] {
        return server_.requestCount("/ping/click") == 2 &&
               server_.requestCount("/ping/impression") >= 1;
    }));
    EXPECT_EQ(server_.requestCount("/ping/impression"), 1u);
    EXPECT_TRUE(slot->ad()->impressionURLs().empty());
    EXPECT_EQ(slot->ad()->clickURLs().size(), 1u);
    EXPECT_EQ(VDApplication::sharedInstance()->statistics()->objectForKey("pimp"),
              base::Value(base::Decimal(2)));
}

TEST_F(VDSlotTest, RequestParametersFollowTheAdTypeAndAreSentOnce) {
    auto banner = makeBanner(kVDAdSizeSmartBannerPortrait);
    auto slot = banner->slot();
    slot->setCalledLoadAndDisplayRequest(true);
    slot->setManualImpressionsEnabled(true);
    base::UserDefaults::standard()->setBool(VDSlot::useHTTPSKey, false);
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitFor([&] {
        finishCorePageLoadIfNeeded();
        return pageRequests().size() == 1;
    }));
    base::Value first(pageRequests()[0]);
    EXPECT_EQ(first["smart_w"], base::Value("full"));
    EXPECT_EQ(first["smart_h"], base::Value("auto"));
    EXPECT_EQ(first["cladr"], base::Value("1"));
    EXPECT_EQ(first["d_imp_hdr"], base::Value("1"));
    EXPECT_TRUE(first["force_https"].isNull());
    EXPECT_TRUE(first["sz"].isNull()) << "a plain banner names no valid sizes";
    for (const char* key : {"content_info", "ga_cid", "ga_hid"})
        EXPECT_TRUE(first[key].isNull()) << key << " without a fingerprint or analytics";

    slot->setAdTypeAndReloadRequest(VDAdType::interstitialAdType(), true);
    ASSERT_TRUE(waitFor([&] { return pageRequests().size() == 2; }));
    base::Value second(pageRequests()[1]);
    EXPECT_EQ(second["format"], base::Value("interstitial_mb"));
    EXPECT_TRUE(second["ad_frame"].isNull());
    EXPECT_TRUE(second["cladr"].isNull());

    EXPECT_EQ(VDSlot::multipleAdSizeParameterFromSizes(
                  {kVDAdSizeBanner, kVDAdSizeInvalid, kVDAdSizeMediumRectangle}),
              "320x50|300x250");
    EXPECT_EQ(VDSlot::multipleAdSizeParameterFromSizes({kVDAdSizeInvalid}), "");
}

TEST_F(VDSlotTest, RequestsCarryTheContentFingerprintAndTheAnalyticsIdentifiersTheyHave) {
    auto screens = std::make_shared<FakeScreenViewService>();
    VDClassRegistry::registerClass(VDAdSettingsParameters::trackerClassName,
                                   std::make_shared<FakeTracker>());
    VDClassRegistry::registerClass(VDAdSettingsParameters::screenViewServiceClassName, screens);
    VDClassRegistry::registerClass(VDAdSettingsParameters::screenViewInfoClassName,
                                   std::make_shared<FakeScreenView>());
    VDAdSettingsParameters::sharedInstance()->setSettingsServiceEnabled(true);
    auto application = VDApplication::sharedInstance();
    application->startContentHashing();
    auto content = std::make_shared<VDContent>(1);
    content->updateContentWithText("Breaking news from the river valley today\n"
                                   "The mayor opened the new bridge over the water");
    ASSERT_FALSE(content->fingerprint().empty());
    application->contentQueueSerialQueue()->sync(
        [&] { application->contentQueue()->enqueueContent(content); });

    auto banner = makeBanner();
    answerWithRefusal();
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(banner->slot(), VDSlot::StateFailed));
    // Without a current screen view there is no hit to name.
    screens->current = nullptr;
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(banner->slot(), VDSlot::StateFailed));
    application->stopContentHashing();

    const auto requests = pageRequests();
    ASSERT_EQ(requests.size(), 2u);
    base::Value first(requests[0]);
    EXPECT_EQ(first["content_info"],
              base::Value(Dictionary{{"fingerprint", base::Value(content->fingerprint())},
                                     {"v", base::Value(1)}}));
    EXPECT_EQ(first["ga_cid"], base::Value("555.777"));
    EXPECT_EQ(first["ga_hid"], base::Value("42"));
    base::Value second(requests[1]);
    EXPECT_EQ(second["ga_cid"], base::Value("555.777"));
    EXPECT_TRUE(second["ga_hid"].isNull());
    VDClassRegistry::resetForTesting();
}

TEST_F(VDSlotTest, AnImpressionStartsTheActiveViewMeasurementThatTheWindowAndANewAdDrive) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    auto reporting = std::dynamic_pointer_cast<VDActiveViewReporting>(slot->activeViewMonitor());
    ASSERT_TRUE(reporting);
    answerWithWholeAd(htmlAd("measured"));
    ASSERT_TRUE(loadUntilShown(banner));
    slot->ad()->setActiveViewConfigurations(Dictionary{{"v", base::Value(1)}});
    slot->didMakeAdImpression();
    auto monitor = reporting->activeViewMonitor();
    ASSERT_TRUE(monitor);
    EXPECT_EQ(monitor->monitoredView(), slot->adView());
    EXPECT_TRUE(monitor->isMonitoring());
    auto lent = reporting->SDKCoreWebView();
    ASSERT_TRUE(lent);
    const auto id = reporting->activeViewID();
    EXPECT_EQ(lent->activeViewObserverForActiveViewID(id), reporting);

    banner->removeFromSuperview();
    EXPECT_FALSE(monitor->isMonitoring());
    window_->addSubview(banner);
    EXPECT_TRUE(monitor->isMonitoring());

    // A new ad ends the measurement and gives the web view back before it renders.
    answerWithWholeAd(htmlAd("next"));
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateRendering));
    EXPECT_EQ(reporting->activeViewMonitor(), nullptr);
    EXPECT_FALSE(monitor->isMonitoring());
    EXPECT_EQ(lent->activeViewObserverForActiveViewID(id), nullptr);
}

TEST_F(VDSlotTest, MediationResponsesWithoutANetworkThatFillsFailTheSlot) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    answerWithScenario("mediation");
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateFailed));
    EXPECT_TRUE(slot->isMediating());
    EXPECT_EQ(slot->reloadInterval(), 60);
    EXPECT_EQ(host_->calls, std::vector<std::string>{
                                "fail " + std::to_string(VDRequestError::kVDErrorMediationNoFill)});
    EXPECT_FALSE(slot->changeAdTypeTo(VDAdType::bannerAdTypeForSize(kVDAdSizeLargeBanner)));
    EXPECT_FALSE(slot->changeAdTypeTo(VDAdType::interstitialAdType()));

    server_.setScenario(
        "mediation-bad",
        testing_support::TestAdServer::AdResponse{
            200, "application/json", {{"x-vdma-mediation", "1"}}, "[1]", {}, false});
    answerWithScenario("mediation-bad");
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitFor([&] { return host_->calls.size() == 2; }));
    EXPECT_EQ(host_->calls.back(),
              "fail " + std::to_string(VDRequestError::kVDErrorMediationDataError));
}

// What the server saw of each mediation ping, in order: the query's items.
std::vector<std::multimap<std::string, std::string>>
mediationPings(const testing_support::TestAdServer& server) {
    std::vector<std::multimap<std::string, std::string>> pings;
    for (const auto& request : server.requestDetails("/ping/mediation"))
        pings.push_back(request.query);
    return pings;
}

std::string item(const std::multimap<std::string, std::string>& query, const std::string& key) {
    auto found = query.find(key);
    return found == query.end() ? "(none)" : found->second;
}

TEST_F(VDSlotTest, AMediationResponseShowsTheFirstNetworkThatFillsAndPingsEveryNetwork) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    answerWithScenario("mediation-waterfall");
    banner->loadRequest(nullptr);
    // The first network has no HTML and fails; the HTML network is asked next.
    ASSERT_TRUE(waitFor([&] {
        finishCorePageLoadIfNeeded();
        auto connector = slot->mediationManager()->requestingConnector();
        return connector && connector->network().networkID == "html";
    }));
    EXPECT_EQ(slot->state(), VDSlot::StateFetching);
    EXPECT_TRUE(slot->isMediating());
    EXPECT_EQ(slot->adNetworkClassName(), std::nullopt) << "no network on show yet";
    EXPECT_EQ(slot->ad()->statistics()->objectForKey("ismediation"), base::Value(true));
    EXPECT_EQ(slot->reloadInterval(), 30);
    auto adapter = std::dynamic_pointer_cast<VDMAdapterHTML>(
        slot->mediationManager()->requestingConnector()->adapter());
    ASSERT_TRUE(adapter && adapter->adView());
    auto& page = ui::FakeWebEngine::of(*adapter->adView()->webView());
    ASSERT_EQ(page.loads().size(), 1u);
    EXPECT_NE(std::get<ui::FakeWebEngine::HTMLLoad>(page.loads()[0]).html.find("Mediated test ad"),
              std::string::npos);
    EXPECT_TRUE(host_->calls.empty());

    page.raiseFinishLoad();
    EXPECT_EQ(slot->state(), VDSlot::StateValidAd);
    EXPECT_EQ(slot->adNetworkClassName(), "VDMAdapterHTML");
    EXPECT_EQ(banner->mediatedAdView(), adapter->adView());
    EXPECT_FALSE(adapter->adView()->isHidden());
    EXPECT_EQ(host_->calls, std::vector<std::string>{"receive"});

    ASSERT_TRUE(waitFor([&] { return mediationPings(server_).size() == 2; }));
    const auto pings = mediationPings(server_);
    const std::string session = VDApplication::sharedInstance()->currentSession()->uniqueID();
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(item(pings[i], "net"), i == 0 ? "empty" : "html");
        EXPECT_EQ(item(pings[i], "alloc"), i == 0 ? "1" : "2");
        EXPECT_EQ(item(pings[i], "exit"), i == 0 ? "1" : "0") << "one adapter per ping";
        EXPECT_EQ(item(pings[i], "ms"), "0") << "on the manual clock";
        EXPECT_EQ(item(pings[i], "sid"), session);
        EXPECT_EQ(item(pings[i], "r"), "0");
        EXPECT_EQ(item(pings[i], "q"), "qd");
        EXPECT_EQ(item(pings[i], "k"), "ak");
    }
    EXPECT_LT(std::stol(item(pings[0], "seq")), std::stol(item(pings[1], "seq")));
    EXPECT_EQ(slot->slotStats()->adapterExitCodesParameter(), std::nullopt);

    // A link the user follows in the network's ad leaves the application.
    std::vector<std::string> opened;
    ui::Application::shared().setURLOpener([&](const base::URL& url) {
        opened.push_back(url.absoluteString());
        return true;
    });
    EXPECT_EQ(page.raiseNavigation(*base::URL::parse(server_.url("/landing")),
                                   ui::WebViewNavigationType::LinkClicked),
              false);
    EXPECT_EQ(opened, std::vector<std::string>{server_.url("/landing")});
    EXPECT_EQ(host_->calls, (std::vector<std::string>{"receive", "willLeave"}));

    // The next load lets the network go and shows the slot's own creative again.
    answerWithWholeAd(htmlAd("own"));
    ASSERT_TRUE(loadUntilShown(banner));
    EXPECT_EQ(banner->rootAdView(), slot->adView());
    EXPECT_EQ(banner->mediatedAdView(), nullptr);
    EXPECT_EQ(slot->adNetworkClassName(), "VDMAdapterRedodiVeDivAds");
}

TEST_F(VDSlotTest, MediationConfigurationsThatCannotBeUsedFailTheSlot) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    struct Case {
        std::string body;
        long code;
    };
    const std::vector<Case> cases = {
        {R"({"refresh":30})", VDRequestError::kVDErrorMediationDataError},
        {R"({"ad_networks":{},"refresh":30})", VDRequestError::kVDErrorMediationDataError},
        {R"({"ad_networks":[],"format":"video"})", VDRequestError::kVDErrorMediationDataError},
        {R"({"ad_networks":[],"format":"interstitial"})",
         VDRequestError::kVDErrorMediationInvalidAdSize},
        {R"({"ad_networks":[],"ad_size":"100000x50"})",
         VDRequestError::kVDErrorMediationInvalidAdSize},
        {R"({"ad_networks":[],"ad_size":"-3x50"})", VDRequestError::kVDErrorMediationInvalidAdSize},
        {R"({"ad_networks":[{"adapter":"NoSuchAdapter"}]})",
         VDRequestError::kVDErrorMediationAdapterError},
        {R"({"ad_networks":[{"network_id":"no adapter name"}]})",
         VDRequestError::kVDErrorMediationNoFill},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        server_.setScenario(
            "mediation-case",
            testing_support::TestAdServer::AdResponse{
                200, "application/json", {{"x-vdma-mediation", "1"}}, c.body, {}, false});
        answerWithScenario("mediation-case");
        host_->calls.clear();
        banner->loadRequest(nullptr);
        ASSERT_TRUE(waitFor([&] {
            finishCorePageLoadIfNeeded();
            return !host_->calls.empty();
        }));
        EXPECT_EQ(host_->calls, std::vector<std::string>{"fail " + std::to_string(c.code)});
        EXPECT_EQ(slot->state(), VDSlot::StateFailed);
    }
}

TEST_F(VDSlotTest, AMediationRefreshIntervalIsBounded) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    struct Case {
        std::string refresh;
        double interval;
    };
    for (const auto& c : std::vector<Case>{
             {"\"soon\"", 60}, {"-5", 0}, {"0.5", 0}, {"1e300", 3600}, {"45", 45}, {"true", 60}}) {
        SCOPED_TRACE(c.refresh);
        server_.setScenario("mediation-refresh",
                            testing_support::TestAdServer::AdResponse{
                                200,
                                "application/json",
                                {{"x-vdma-mediation", "1"}},
                                R"({"ad_networks":[],"refresh":)" + c.refresh + "}",
                                {},
                                false});
        answerWithScenario("mediation-refresh");
        host_->calls.clear();
        banner->loadRequest(nullptr);
        ASSERT_TRUE(waitFor([&] {
            finishCorePageLoadIfNeeded();
            return !host_->calls.empty();
        }));
        EXPECT_EQ(slot->reloadInterval(), c.interval);
    }
}

} // namespace

TEST_F(VDSlotTest, TheCorePageTurnsOnAutoClickProtectionForTheSlotsClicks) {
    auto banner = makeBanner();
    auto slot = banner->slot();
    answerWithScenario("html");
    ASSERT_TRUE(loadUntilShown(banner));
    EXPECT_FALSE(slot->opener()->isAutoClickProtected());

    answer_ = [this](const Dictionary& parameters) {
        const auto id = base::Value(parameters)["request_id"].stringValue().value_or("");
        pageSends("loadAdURL", {{"request_id", id},
                                {"url", server_.adURL("html") + "?request_id=" + id},
                                {"enable_auto_click_protection", "1"}});
    };
    ASSERT_TRUE(loadUntilShown(banner));
    EXPECT_TRUE(slot->opener()->isAutoClickProtected());
    // A click the page makes by itself opens nothing and pings nothing.
    std::vector<std::string> opened;
    ui::Application::shared().setURLOpener([&](const base::URL& url) {
        opened.push_back(url.absoluteString());
        return true;
    });
    EXPECT_FALSE(slot->opener()->openClickURL(*base::URL::parse(server_.url("/landing")), false));
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(hostController_->presentedViewController());
    EXPECT_EQ(server_.requestCount("/ping/click"), 0u);
}
