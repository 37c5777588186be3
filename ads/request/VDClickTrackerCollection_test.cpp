#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDDevice.h"
#include "ads/request/VDClickTrackerCollection.h"
#include "platform/base/RunLoop.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>

namespace {

class VDClickTrackerCollectionTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ui::Application::reset();
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
        VDClickTrackerCollection::resetSharedInstanceForTesting();
        server_.stop();
        VDDevice::resetSharedInstanceForTesting();
        ui::Application::reset();
        PlatformTest::TearDown();
    }
    std::size_t requestCount() {
        std::lock_guard lock(mutex_);
        return targets_.size();
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
    VDClickTrackerCollection::resetSharedInstanceForTesting();
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
                firstCall();
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

} // namespace
