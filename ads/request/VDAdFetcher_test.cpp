#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDURLRequestUtilities.h"
#include "ads/presentation/VDSwipeToViewControllerConfigurations.h"
#include "ads/request/VDAdFetcher.h"
#include "ads/request/VDRequestError.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/HostileServer.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "tests/fixtures/TestAdServer.h"

#include <atomic>
#include <gtest/gtest.h>

namespace {

using testing_support::TestAdServer;
using namespace std::chrono_literals;

struct Outcome {
    std::string kind; // "fetched" or "failed"
    std::shared_ptr<VDAd> ad;
    std::optional<base::Error> error;
    long responseCode = 0;
};

class RecordingFetcherDelegate : public VDAdFetcherDelegate {
public:
    std::vector<Outcome> outcomes;
    void adFetcherDidFetchAd(VDAdFetcher&, const std::shared_ptr<VDAd>& ad) override {
        outcomes.push_back({"fetched", ad, std::nullopt, 0});
    }
    void adFetcherDidFailToFetchAdWithErrorResponseCode(VDAdFetcher&,
                                                        const std::shared_ptr<VDAd>& ad,
                                                        const base::Error& error,
                                                        long responseCode) override {
        outcomes.push_back({"failed", ad, error, responseCode});
    }
};

std::vector<std::string> strings(const VDAd::URLSet& urls) {
    std::vector<std::string> texts;
    for (const auto& url : urls)
        texts.push_back(url.absoluteString());
    return texts;
}

class VDAdFetcherTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDDevice::sharedInstance()->setUserAgentString("TestAgent/1.0");
        VDURLConnection::clearCache();
        server_.start();
    }
    void TearDown() override {
        server_.stop();
        VDURLConnection::clearCache();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    // Fetches the URL with a new fetcher and waits for its one outcome.
    Outcome fetch(const std::string& url) {
        auto fetcher = VDAdFetcher::create();
        auto delegate = std::make_shared<RecordingFetcherDelegate>();
        auto request = vd_requestForURLDataHeadersType(base::URL::parse(url), std::nullopt,
                                                       std::nullopt, std::nullopt);
        auto started = fetcher->fetchRequestURL(request.value_or(net::URLRequest()), delegate);
        EXPECT_TRUE(started) << url;
        EXPECT_TRUE(
            base::RunLoop::main().runUntil([&] { return !delegate->outcomes.empty(); }, 10s))
            << url;
        // Nothing more comes.
        base::RunLoop::main().runUntilIdle();
        EXPECT_EQ(delegate->outcomes.size(), 1u) << url;
        return delegate->outcomes.empty() ? Outcome{} : delegate->outcomes.front();
    }
    // Reads the headers into a new ad the way a response's are read.
    std::shared_ptr<VDAd> adFromHeaders(const net::HTTPHeaderFields& headers) {
        auto ad = VDAd::create();
        ad->setAdHTML("<p>known</p>");
        auto fetcher = VDAdFetcher::create();
        auto delegate = std::make_shared<RecordingFetcherDelegate>();
        EXPECT_TRUE(fetcher->fetchRemainingContentForAd(ad, headers, delegate, nullptr));
        base::RunLoop::main().runUntilIdle();
        return ad;
    }
    static net::HTTPHeaderFields
    fields(std::initializer_list<std::pair<const char*, const char*>> lines) {
        net::HTTPHeaderFields headers;
        for (const auto& [name, value] : lines)
            headers.append(name, value);
        return headers;
    }

    TestAdServer server_;
};

TEST_F(VDAdFetcherTest, TheResponseTypeComesFromTheHeadersWhateverTheirCase) {
    struct Case {
        net::HTTPHeaderFields headers;
        unsigned type;
        bool serverError;
    };
    const Case cases[] = {
        {fields({}), VDAd::ResponseTypeHTML, false},
        {fields({{"Content-Type", "application/json; charset=utf-8"}, {"X-Vdma-Native", "true"}}),
         VDAd::ResponseTypeNativeJSON, false},
        {fields({{"content-type", "Application/JSON"}, {"x-vdma-mediation", "1"}}),
         VDAd::ResponseTypeMediationJSON, false},
        {fields({{"Content-Type", "text/html"}, {"x-vdma-mediation", "1"}}), VDAd::ResponseTypeNone,
         true},
        {fields({{"x-vdma-native", "yes"}}), VDAd::ResponseTypeNone, true},
        // Mediation wins over native; "0", "false" and an empty value are false.
        {fields({{"Content-Type", "application/json"},
                 {"x-vdma-mediation", "YES"},
                 {"x-vdma-native", "1"}}),
         VDAd::ResponseTypeMediationJSON, false},
        {fields({{"Content-Type", "application/json"},
                 {"x-vdma-mediation", "0"},
                 {"x-vdma-native", "false"},
                 {"x-vdma-custom-rendering-allowed", ""}}),
         VDAd::ResponseTypeHTML, false},
        {fields({{"X-VDMA-Custom-Rendering-Allowed", " t"}}), VDAd::ResponseTypeCustomRendering,
         false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        std::optional<base::Error> error;
        EXPECT_EQ(VDAdFetcher::adResponseTypeFromHeaders(cases[i].headers, &error), cases[i].type)
            << i;
        EXPECT_EQ(error.has_value(), cases[i].serverError) << i;
        if (error) {
            EXPECT_EQ(error->code, VDRequestError::kVDErrorServerError);
        }
    }
}

TEST_F(VDAdFetcherTest, EveryHeaderOfTheTableIsReadIntoTheAd) {
    auto defaults = base::UserDefaults::standard();
    auto ad = adFromHeaders(fields({
        {"X-Vdma-Click-Tracking-Urls", "http://t.test/c1   https://t.test/c2\tjavascript:x() "},
        {"x-vdma-tracking-urls", "http://t.test/i1"},
        {"x-vdma-tracking-urls", "http://t.test/i2 file:///etc/passwd"},
        {"x-vdma-manual-tracking-urls", ""},
        {"X-Vdma-Content-Url-Opted-Out", "false"},
        {"x-vdma-activeview", R"({"sampling":[1,2]})"},
        {"x-vdma-orientation", "landscape"},
        {"x-vdma-refresh-rate", "45.5"},
        {"x-vdma-debug-dialog", "debug text"},
        {"x-vdma-ad-size", "320x50"},
        {"x-vdma-disable-activation-and-scroll", "1"},
        {"x-vdma-use-https", "true"},
        {"x-vdma-swipe-to-view-controller", R"({"direction":"up"})"},
    }));
    EXPECT_EQ(strings(ad->clickURLs()),
              (std::vector<std::string>{"http://t.test/c1", "https://t.test/c2"}));
    EXPECT_EQ(strings(ad->impressionURLs()),
              (std::vector<std::string>{"http://t.test/i1", "http://t.test/i2"}));
    EXPECT_TRUE(ad->manualImpressionURLs().empty());
    EXPECT_TRUE(VDApplication::sharedInstance()->isContentHashingOn());
    EXPECT_EQ(ad->activeViewConfigurations(),
              (base::Value::Dictionary{{"sampling", base::Value::Array{1, 2}}}));
    EXPECT_EQ(ad->supportedOrientations(), 24u);
    EXPECT_EQ(ad->reloadInterval(), 45.5);
    EXPECT_EQ(ad->debugDialog(), "debug text");
    EXPECT_EQ(ad->customAdSizeString(), "320x50");
    EXPECT_FALSE(ad->isScrollEnabled());
    EXPECT_TRUE(defaults->boolForKey("/redodi/ads/use_https"));
    ASSERT_NE(ad->swipeToViewControllerConfigurations(), nullptr);
    ASSERT_TRUE(ad->responseHeaders());
    EXPECT_EQ(ad->responseHeaders()->value("X-VDMA-AD-SIZE"), "320x50");

    // Absent, malformed or out-of-range values: what "always assigned" clears, the rest stays.
    auto second = adFromHeaders(fields({
        {"x-vdma-activeview", "{not json"},
        {"x-vdma-orientation", "sideways"},
        {"x-vdma-refresh-rate", "12abc"},
        {"x-vdma-swipe-to-view-controller", "{}"},
    }));
    EXPECT_FALSE(VDApplication::sharedInstance()->isContentHashingOn());
    EXPECT_EQ(second->activeViewConfigurations(), std::nullopt);
    EXPECT_EQ(second->supportedOrientations(), 30u);
    EXPECT_EQ(second->reloadInterval(), std::nullopt);
    EXPECT_EQ(second->debugDialog(), std::nullopt);
    EXPECT_TRUE(second->isScrollEnabled());
    EXPECT_EQ(second->swipeToViewControllerConfigurations(), nullptr);
    // Present, "x-vdma-use-https" was stored; absent, it is left as it is.
    EXPECT_TRUE(defaults->boolForKey("/redodi/ads/use_https"));
    defaults->removeObjectForKey("/redodi/ads/use_https");
    adFromHeaders(fields({}));
    EXPECT_EQ(defaults->objectForKey("/redodi/ads/use_https"), base::Value(false));

    const std::pair<const char*, std::optional<double>> rates[] = {{"-5", std::nullopt},
                                                                   {"0", 0},
                                                                   {" 7 ", 7},
                                                                   {"", std::nullopt},
                                                                   {"nan", std::nullopt},
                                                                   {"inf", std::nullopt},
                                                                   {"1e3", 1000},
                                                                   {"86400", 86400},
                                                                   {"86401", std::nullopt},
                                                                   {"1e308", std::nullopt}};
    for (const auto& [rate, interval] : rates) {
        EXPECT_EQ(adFromHeaders(fields({{"x-vdma-refresh-rate", rate}}))->reloadInterval(),
                  interval)
            << rate;
    }
}

TEST_F(VDAdFetcherTest, AResponseIsFetchedWithItsTypeBodyAndFinalURL) {
    struct Case {
        const char* scenario;
        unsigned type;
        const char* bodyStart;
    };
    const Case cases[] = {
        {"html", VDAd::ResponseTypeHTML, "<!DOCTYPE html>"},
        {"native", VDAd::ResponseTypeNativeJSON, "{\"headline\""},
        {"mediation", VDAd::ResponseTypeMediationJSON, "{\"ad_networks\""},
        {"custom", VDAd::ResponseTypeCustomRendering, "<p>custom"},
        // The body is read in the charset the response names.
        {"latin1", VDAd::ResponseTypeHTML, "caf\xc3\xa9"},
    };
    for (const auto& c : cases) {
        const std::string url = server_.adURL(c.scenario);
        auto outcome = fetch(url);
        ASSERT_EQ(outcome.kind, "fetched") << c.scenario;
        EXPECT_EQ(outcome.ad->responseType(), c.type) << c.scenario;
        ASSERT_TRUE(outcome.ad->adHTML()) << c.scenario;
        EXPECT_EQ(outcome.ad->adHTML()->rfind(c.bodyStart, 0), 0u) << *outcome.ad->adHTML();
        EXPECT_EQ(outcome.ad->adBaseURL()->absoluteString(), url);
    }
    auto requests = server_.requestDetails("/ad/html");
    ASSERT_EQ(requests.size(), 1u);
    auto agent = requests[0].headers.find("user-agent");
    ASSERT_NE(agent, requests[0].headers.end());
    EXPECT_EQ(agent->second, "TestAgent/1.0");
}

TEST_F(VDAdFetcherTest, RedirectsAreFollowedAndTheirHeadersCountInOrder) {
    auto outcome = fetch(server_.adURL("redirect"));
    ASSERT_EQ(outcome.kind, "fetched");
    EXPECT_EQ(outcome.ad->adBaseURL()->absoluteString(), server_.adURL("html"));
    // The first hop's relative URL is none; the second hop's comes before the final answer's.
    EXPECT_EQ(strings(outcome.ad->impressionURLs()),
              (std::vector<std::string>{server_.url("/ping/impression?hop=1"),
                                        server_.url("/ping/impression?ad=html")}));
    EXPECT_EQ(outcome.ad->reloadInterval(), 30);
    EXPECT_EQ(server_.requests("/ad/"),
              (std::vector<std::string>{"/ad/redirect", "/ad/redirect-hop", "/ad/html"}));

    // A redirect out of the web fails as a load without an answer, before anything is fetched.
    server_.setScenario("to-file", TestAdServer::AdResponse{302, "", {}, "", "file:///etc/passwd"});
    auto refused = fetch(server_.adURL("to-file"));
    EXPECT_EQ(refused.kind, "failed");
    EXPECT_EQ(refused.error->code, VDRequestError::kVDErrorReceivedInvalidResponse);
    EXPECT_EQ(refused.responseCode, -1);
}

TEST_F(VDAdFetcherTest, FailuresCarryTheCodeOfTheirStatus) {
    testing_support::LogCapture log;
    struct Case {
        std::string url;
        long code;
        long responseCode;
    };
    const Case cases[] = {
        {server_.adURL("nofill"), VDRequestError::kVDErrorNoFill, 0},
        {server_.adURL("mediation-html"), VDRequestError::kVDErrorServerError, 0},
        {server_.adURL("bad-request"), VDRequestError::kVDErrorInvalidRequest, 400},
        // An error page is never an ad, whatever body it brings.
        {server_.adURL("server-error"), VDRequestError::kVDErrorServerError, 500},
        {server_.adURL("unavailable"), VDRequestError::kVDErrorServerError, 503},
        {server_.adURL("no-such-scenario"), VDRequestError::kVDErrorServerError, 404},
        {server_.adURL("drop"), VDRequestError::kVDErrorNetworkError, 200},
        {"http://127.0.0.1:" + std::to_string(net::closedLoopbackPort()) + "/ad",
         VDRequestError::kVDErrorReceivedInvalidResponse, -1},
        // Only the web is fetched.
        {"file:///etc/passwd", VDRequestError::kVDErrorReceivedInvalidResponse, -1},
    };
    for (const auto& c : cases) {
        auto outcome = fetch(c.url);
        ASSERT_EQ(outcome.kind, "failed") << c.url;
        EXPECT_EQ(outcome.error->domain, VDRequestError::domainName);
        EXPECT_EQ(outcome.error->code, c.code) << c.url;
        EXPECT_EQ(outcome.responseCode, c.responseCode) << c.url;
        if (c.responseCode > 400) {
            EXPECT_NE(outcome.error->userInfo.find(VDRequestError::HTTPStatusKey),
                      outcome.error->userInfo.end())
                << c.url;
        }
    }
    EXPECT_TRUE(log.contains("Server rejected ad parameters. Typically this is because the ad "
                             "unit ID is incorrect."));
}

TEST_F(VDAdFetcherTest, AnAnswerTooLargeOrTooSlowFailsWithItsCode) {
    // A few kilobytes that decode to one byte more than an ad may hold.
    testing_support::HostileServer hostile(vd_maximumResponseLength + 1, "text/html");
    auto tooLarge = fetch(hostile.url("/bomb"));
    ASSERT_EQ(tooLarge.kind, "failed");
    EXPECT_EQ(tooLarge.error->code, VDRequestError::kVDErrorReceivedInvalidResponse);

    // A server that sends a byte a second is never idle long enough for the idle time-out.
    auto fetcher = VDAdFetcher::create();
    auto delegate = std::make_shared<RecordingFetcherDelegate>();
    auto request = vd_requestForURLDataHeadersType(base::URL::parse(hostile.url("/ad/html")),
                                                   std::nullopt, std::nullopt, std::nullopt);
    ASSERT_TRUE(fetcher->fetchRequestURL(request.value(), delegate));
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return hostile.dripRequests() == 1; }, 10s));
    base::RunLoop::main().advance(net::URLRequest::serviceTimeLimit - 1s);
    EXPECT_TRUE(delegate->outcomes.empty());
    base::RunLoop::main().advance(1s);
    ASSERT_EQ(delegate->outcomes.size(), 1u);
    EXPECT_EQ(delegate->outcomes[0].kind, "failed");
    EXPECT_EQ(delegate->outcomes[0].error->code, VDRequestError::kVDErrorTimeout);
}

TEST_F(VDAdFetcherTest, OnlyMediationAnswersAreKeptAndAnswerForTheirAdUnit) {
    std::atomic<int> served{0};
    server_.setScenario("counted", [&](const TestAdServer::Request& request) {
        TestAdServer::AdResponse answer;
        answer.contentType = "application/json";
        if (request.query.count("mediation"))
            answer.headers = {{"x-vdma-mediation", "1"}, {"Cache-Control", "max-age=300"}};
        answer.body = "{\"served\":" + std::to_string(++served) + "}";
        return answer;
    });
    const std::string first =
        fetch(server_.adURL("counted?slotname=unit&mediation=1&r=1")).ad->adHTML().value_or("");
    // Same host, path and ad unit: the kept answer wins over the new body once the new
    // headers say mediation again.
    auto again = fetch(server_.adURL("counted?r=2&mediation=1&slotname=unit"));
    EXPECT_EQ(again.ad->adHTML(), first);
    EXPECT_EQ(again.ad->responseType(), VDAd::ResponseTypeMediationJSON);
    EXPECT_EQ(served, 2);
    // Once its five minutes are over, the kept answer goes and the new body counts.
    base::RunLoop::main().advance(301s);
    EXPECT_EQ(fetch(server_.adURL("counted?slotname=unit&mediation=1")).ad->adHTML(),
              "{\"served\":3}");
    EXPECT_EQ(fetch(server_.adURL("counted?slotname=other&mediation=1")).ad->adHTML(),
              "{\"served\":4}");
    // Other answers are never kept.
    fetch(server_.adURL("counted?slotname=plain"));
    EXPECT_EQ(fetch(server_.adURL("counted?slotname=plain")).ad->adHTML(), "{\"served\":6}");
    EXPECT_EQ(VDURLConnection::memoryCacheCount(), 2u);

    for (int unit = 0; unit < 30; ++unit)
        fetch(server_.adURL("counted?mediation=1&slotname=u" + std::to_string(unit)));
    EXPECT_EQ(VDURLConnection::memoryCacheCount(), VDURLConnection::memoryCacheCountLimit);
}

TEST_F(VDAdFetcherTest, AFetcherFetchesOnceAndKnownHTMLNeedsNoRequest) {
    auto fetcher = VDAdFetcher::create();
    auto delegate = std::make_shared<RecordingFetcherDelegate>();
    auto ad = VDAd::create();
    ad->setAdHTML("<p>from the page</p>");
    ad->setAdURL(base::URL::parse(server_.adURL("html")));
    ASSERT_TRUE(fetcher->fetchRemainingContentForAd(ad, std::nullopt, delegate, nullptr));
    // The outcome comes on a later turn.
    EXPECT_TRUE(delegate->outcomes.empty());
    base::RunLoop::main().runUntilIdle();
    ASSERT_EQ(delegate->outcomes.size(), 1u);
    EXPECT_EQ(delegate->outcomes[0].kind, "fetched");
    EXPECT_EQ(delegate->outcomes[0].ad, ad);
    EXPECT_EQ(server_.requestCount("/ad/"), 0u);

    auto again =
        fetcher->fetchRequestURL(net::URLRequest::withURLString(server_.adURL("html")), delegate);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().code, VDRequestError::kVDErrorNetworkError);
    EXPECT_EQ(again.error().localizedDescription(),
              "Could not start fetch. This object has already been used to fetch.");

    // Without HTML or URL there is nothing to fetch: no ad.
    auto empty = VDAdFetcher::create();
    ASSERT_TRUE(empty->fetchRemainingContentForAd(VDAd::create(), std::nullopt, delegate, nullptr));
    base::RunLoop::main().runUntilIdle();
    ASSERT_EQ(delegate->outcomes.size(), 2u);
    EXPECT_EQ(delegate->outcomes[1].error->code, VDRequestError::kVDErrorNoFill);
}

TEST_F(VDAdFetcherTest, ACancelledOrDroppedFetcherTellsNobody) {
    auto delegate = std::make_shared<RecordingFetcherDelegate>();
    auto cancelled = VDAdFetcher::create();
    ASSERT_TRUE(cancelled->fetchRequestURL(net::URLRequest::withURLString(server_.adURL("html")),
                                           delegate));
    cancelled->cancel();
    EXPECT_TRUE(cancelled->adConnectionHasCompleted());
    auto dropped = VDAdFetcher::create();
    ASSERT_TRUE(
        dropped->fetchRequestURL(net::URLRequest::withURLString(server_.adURL("html")), delegate));
    dropped.reset();
    // A fetch started after both has come and gone.
    EXPECT_EQ(fetch(server_.adURL("html")).kind, "fetched");
    EXPECT_TRUE(delegate->outcomes.empty());
}

} // namespace
