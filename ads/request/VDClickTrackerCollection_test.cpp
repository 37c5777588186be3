#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDDevice.h"
#include "ads/request/VDAdSettingsParameters.h"
#include "ads/request/VDClickTrackerCollection.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>

namespace {

// The host's analytics: a tracker whose client identifier is "7.8" and a screen-view service whose
// current screen view is number 9.
class Analytics final : public VDClassRegistry::Class,
                        public VDAdSettingsParameters::AnalyticsTracker,
                        public VDAdSettingsParameters::ScreenViewService,
                        public VDAdSettingsParameters::ScreenViewInfo,
                        public std::enable_shared_from_this<Analytics> {
public:
    std::string clientId() const override { return "7.8"; }
    std::shared_ptr<VDClassRegistry::Class> currentScreenView() const override {
        return std::const_pointer_cast<Analytics>(shared_from_this());
    }
    int screenId() const override { return 9; }
};

class VDClickTrackerCollectionTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDDevice::sharedInstance()->setUserAgentString("TestAgent/1.0");
        server_.server().Get(R"(/ping/(\d+))",
                             [this](const httplib::Request& request, httplib::Response& response) {
                                 {
                                     std::lock_guard lock(mutex_);
                                     targets_.push_back(request.target);
                                 }
                                 if (request.matches[1] == "0")
                                     server_.waitForRelease(); // a ping the server holds back
                                 response.set_content("ok", "text/plain");
                             });
        server_.start();
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        VDClassRegistry::resetForTesting();
        server_.stop();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    std::size_t requestCount() {
        std::lock_guard lock(mutex_);
        return targets_.size();
    }
    std::vector<std::string> targets() {
        std::lock_guard lock(mutex_);
        return targets_;
    }

    net::TestHTTPServer server_;
    std::mutex mutex_;
    std::vector<std::string> targets_;
};

TEST_F(VDClickTrackerCollectionTest, HoldsEachTrackerUntilItHasReported) {
    auto collection = VDClickTrackerCollection::sharedInstance();
    EXPECT_EQ(VDClickTrackerCollection::sharedInstance(), collection);
    collection->trackURLsCacheEnabled(base::Value::Array{base::Value(server_.url("/ping/1")),
                                                         base::Value("not a url"), base::Value(7),
                                                         base::Value(server_.url("/ping/2"))},
                                      false);
    collection->trackURL(*base::URL::parse(server_.url("/ping/0")));
    EXPECT_EQ(collection->trackers().size(), 3u);
    for (const auto& tracker : collection->trackers())
        EXPECT_EQ(tracker->delegate(), collection);

    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] { return collection->trackers().size() == 1 && requestCount() == 3; },
        base::Seconds(10)));
    auto held = *collection->trackers().begin();
    EXPECT_FALSE(held->hasTracked());
    EXPECT_TRUE(held->isCacheEnabled());

    // Background time runs out for the held ping: it fails, and the collection lets it go.
    ui::Application::shared().enterBackground();
    base::RunLoop::main().advance(base::Seconds(ui::Application::backgroundTimeBudget + 1));
    EXPECT_TRUE(held->hasTracked());
    EXPECT_TRUE(collection->trackers().empty());
    EXPECT_EQ(held->delegate(), nullptr);
}

TEST_F(VDClickTrackerCollectionTest, PingsCarryTheHostsAnalyticsIdentifiersWhenItHasThem) {
    auto collection = VDClickTrackerCollection::sharedInstance();
    collection->trackURL(*base::URL::parse(server_.url("/ping/1?x=1")));

    auto analytics = std::make_shared<Analytics>();
    for (const char* name : {VDAdSettingsParameters::trackerClassName,
                             VDAdSettingsParameters::screenViewServiceClassName,
                             VDAdSettingsParameters::screenViewInfoClassName})
        VDClassRegistry::registerClass(name, analytics);
    auto settings = VDAdSettingsParameters::sharedInstance();
    settings->setSettingsServiceEnabled(true);
    settings->updateClientID();
    settings->waitForUpdatesForTesting();
    collection->trackURLsCacheEnabled(
        base::Value::Array{base::Value(server_.url("/ping/2?x=1&adurl=http%3A%2F%2Fb.tld%2F"))},
        false);

    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return collection->trackers().empty(); },
                                               base::Seconds(10)));
    auto pinged = targets(); // in the order they arrived
    std::sort(pinged.begin(), pinged.end());
    EXPECT_EQ(pinged,
              (std::vector<std::string>{
                  "/ping/1?x=1", "/ping/2?x=1&ga_cid=7.8&ga_hid=9&adurl=http%3A%2F%2Fb.tld%2F"}));
}

TEST_F(VDClickTrackerCollectionTest, ANonHTTPURLIsDroppedWithoutARequest) {
    auto collection = VDClickTrackerCollection::sharedInstance();
    collection->trackURLsCacheEnabled(
        std::vector<base::URL>{*base::URL::parse("itms-apps://store.tld/app")}, false);
    EXPECT_EQ(collection->trackers().size(), 1u);
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(collection->trackers().empty());
    EXPECT_EQ(requestCount(), 0u);
}

TEST_F(VDClickTrackerCollectionTest, ACollectionThatGoesAwayAbandonsItsPings) {
    auto collection = VDClickTrackerCollection::sharedInstance();
    collection->trackURL(*base::URL::parse(server_.url("/ping/0")));
    auto tracker = *collection->trackers().begin();
    auto file = tracker->cachedFile();
    ASSERT_TRUE(file && file->isDownloading());
    collection.reset();
    base::resetProcessServicesForTesting();
    EXPECT_FALSE(file->isDownloading());
    EXPECT_EQ(tracker->cachedFile(), nullptr);
    EXPECT_EQ(ui::Application::shared().openBackgroundTaskCount(), 0u);
}

// A host whose first call in the process is into the ads client: the shared application, device
// and tracker collection, which let go of observers and background tasks as they go away, go
// before the notification center and the application that they were made before.
TEST(VDClickTrackerCollectionDeathTest, AProcessWhoseFirstCallIsIntoTheAdsClientEndsCleanly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // a fresh process each: nothing made before
    const std::function<void()> firstCalls[] = {
        [] { VDApplication::sharedInstance(); },
        [] { VDDevice::sharedInstance(); },
        [] {
            VDClickTrackerCollection::sharedInstance()->trackURL(
                *base::URL::parse("http://127.0.0.1:1/ping"));
        },
    };
    for (const auto& firstCall : firstCalls) {
        EXPECT_EXIT(
            {
                // As in the program, an engine is there before anything asks for a web view.
                ui::WebEngineFactory::install(ui::FakeWebEngine::maker());
                firstCall();
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

} // namespace

TEST_F(VDClickTrackerCollectionTest,
       MediationTemplatesAreFilledForTheirNetworkAndPingedWithoutCache) {
    base::resetProcessServicesForTesting();
    auto collection = VDClickTrackerCollection::sharedInstance();
    const std::string session = VDApplication::sharedInstance()->currentSession()->uniqueID();
    // Values are escaped as URL parameters (and keep their "@"); keywords not given vanish; "@@" is
    // a literal "@"; a template that gives no URL is skipped, one of another scheme is dropped, and
    // each takes a sequence number.
    collection
        ->trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
            {server_.url("/ping/5?n=@network_id@&a=@allocation_id@&e=@exit_codes@&d=@durations@"
                         "&s=@seq@&r=@refresh@&x=@unknown@&lit=a@@b&q=@qdata@&k=@app_key@"
                         "&sid=@session_id@"),
             "not a url @network_id@", "ftp://files.test/@seq@"},
            server_.url("/ping/6?unused"), "n@1", "", "q&evil=1", "key", true, "12,3", "0,1");
    // A network without templates of its own takes the default one.
    collection
        ->trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
            {}, server_.url("/ping/6?n=@network_id@&s=@seq@&d=@durations@&r=@refresh@"), "b", "",
            "", "", false, std::nullopt, std::nullopt);
    // Without either, nothing is pinged.
    collection
        ->trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
            {}, std::nullopt, "c", "", "", "", false, "1", "1");
    EXPECT_EQ(collection->trackers().size(), 3u);
    for (const auto& tracker : collection->trackers())
        EXPECT_FALSE(tracker->isCacheEnabled());
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] { return collection->trackers().empty() && requestCount() == 2; }, base::Seconds(10)));
    auto pinged = targets();
    std::sort(pinged.begin(), pinged.end());
    EXPECT_EQ(
        pinged,
        (std::vector<std::string>{
            "/ping/5?n=n%401&a=&e=0%2C1&d=12%2C3&s=1&r=1&x=&lit=a@b&q=q%26evil%3D1&k=key&sid=" +
                session,
            "/ping/6?n=b&s=4&d=&r=0"}));
    base::resetProcessServicesForTesting();
}
