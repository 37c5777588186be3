#include "ads/foundation/VDClickTracker.h"
#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDURLRequestUtilities.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/testing/HostileServer.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <gtest/gtest.h>
#include <mutex>

namespace {

class RecordingDelegate : public VDClickTrackerDelegate {
public:
    std::vector<std::string> outcomes;
    std::optional<base::Error> error;

    void trackerDidRedirect(VDClickTracker&, const base::URL& url) override {
        outcomes.push_back("success " + url.absoluteString());
    }
    void trackerDidFailWithError(VDClickTracker&,
                                 const std::optional<base::Error>& failure) override {
        outcomes.push_back("failure");
        error = failure;
    }
};

class SilentDelegate : public VDClickTrackerDelegate {};

class VDClickTrackerTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDDevice::sharedInstance()->setUserAgentString("TestAgent/1.0");
        auto& server = server_.server();
        auto count = [this](const httplib::Request& request) {
            std::lock_guard lock(mutex_);
            targets_.push_back(request.target);
            conditional_.push_back(request.has_header("If-Modified-Since"));
        };
        server.Get("/click", [count](const httplib::Request& request, httplib::Response& response) {
            count(request);
            response.set_redirect("/landing");
        });
        server.Get("/landing",
                   [count](const httplib::Request& request, httplib::Response& response) {
                       count(request);
                       if (request.has_header("If-Modified-Since")) {
                           response.status = 304;
                           return;
                       }
                       // Fresh for ten minutes: a cache would answer a second ping itself.
                       response.set_header("Cache-Control", "max-age=600");
                       response.set_header("Last-Modified", "Sun, 06 Nov 1994 08:49:37 GMT");
                       response.set_content("landing", "text/html");
                   });
        server.Get("/to-store",
                   [count](const httplib::Request& request, httplib::Response& response) {
                       count(request);
                       response.set_redirect("itms-apps://store.tld/app/id1");
                   });
        server.Get("/gone", [count](const httplib::Request& request, httplib::Response& response) {
            count(request);
            response.status = 404;
        });
        server.Get("/nothing",
                   [count](const httplib::Request& request, httplib::Response& response) {
                       count(request);
                       response.status = 204;
                   });
        server.Get("/slow",
                   [this, count](const httplib::Request& request, httplib::Response& response) {
                       count(request);
                       server_.waitForRelease();
                       response.set_content("late", "text/plain");
                   });
        server_.start();
    }
    void TearDown() override {
        server_.stop();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    base::URL url(const std::string& path) { return *base::URL::parse(server_.url(path)); }
    std::vector<std::string> targets() {
        std::lock_guard lock(mutex_);
        return targets_;
    }
    std::vector<bool> conditional() {
        std::lock_guard lock(mutex_);
        return conditional_;
    }
    // Pings and waits for the outcome.
    std::shared_ptr<RecordingDelegate> ping(const std::shared_ptr<VDClickTracker>& tracker,
                                            const std::optional<base::URL>& target) {
        auto delegate = std::make_shared<RecordingDelegate>();
        tracker->setDelegate(delegate);
        tracker->trackURL(target);
        EXPECT_TRUE(base::RunLoop::main().runUntil([&] { return tracker->hasTracked(); },
                                                   base::Seconds(10)));
        base::RunLoop::main().runUntilIdle();
        return delegate;
    }

    net::TestHTTPServer server_;
    std::mutex mutex_;
    std::vector<std::string> targets_;
    std::vector<bool> conditional_;
};

TEST_F(VDClickTrackerTest, OutcomesAreReportedOnce) {
    struct Case {
        std::string path;
        std::vector<std::string> outcomes;
        std::vector<std::string> requested;
    };
    const Case cases[] = {
        {"/click", {"success " + server_.url("/landing")}, {"/click", "/landing"}},
        // Leaving HTTP ends the ping there, as a success, without asking for the target.
        {"/to-store", {"success itms-apps://store.tld/app/id1"}, {"/to-store"}},
        {"/gone", {"failure"}, {"/gone"}},
        {"/nothing", {"success " + server_.url("/nothing")}, {"/nothing"}},
    };
    for (const auto& c : cases) {
        const auto before = targets().size();
        auto tracker = VDClickTracker::create();
        auto delegate = ping(tracker, url(c.path));
        EXPECT_EQ(delegate->outcomes, c.outcomes) << c.path;
        EXPECT_EQ(delegate->error, std::nullopt) << c.path;
        auto requested = targets();
        EXPECT_EQ(std::vector<std::string>(requested.begin() + long(before), requested.end()),
                  c.requested);
        EXPECT_EQ(ui::Application::shared().openBackgroundTaskCount(), 0u) << c.path;
    }

    // A delegate that answers neither call still sees the ping done.
    auto tracker = VDClickTracker::create();
    auto silent = std::make_shared<SilentDelegate>();
    tracker->setDelegate(silent);
    tracker->trackURL(url("/click"));
    EXPECT_EQ(ui::Application::shared().openBackgroundTaskCount(), 1u);
    ASSERT_TRUE(
        base::RunLoop::main().runUntil([&] { return tracker->hasTracked(); }, base::Seconds(10)));
    EXPECT_EQ(ui::Application::shared().openBackgroundTaskCount(), 0u);
}

TEST_F(VDClickTrackerTest, OnlyHTTPURLsArePinged) {
    for (const char* text :
         {"itms-apps://store.tld/app/id1", "file:///etc/passwd", "javascript:alert(1)"}) {
        auto tracker = VDClickTracker::create();
        auto delegate = ping(tracker, base::URL::parse(text));
        EXPECT_EQ(delegate->outcomes, std::vector<std::string>{"failure"}) << text;
        ASSERT_TRUE(delegate->error) << text;
        EXPECT_EQ(delegate->error->code, base::URLErrorUnsupportedURL);
    }
    auto tracker = VDClickTracker::create();
    auto delegate = std::make_shared<RecordingDelegate>();
    tracker->setDelegate(delegate);
    tracker->trackURL(std::nullopt);
    EXPECT_FALSE(tracker->hasTracked());
    EXPECT_TRUE(delegate->outcomes.empty());
    EXPECT_TRUE(targets().empty());
    EXPECT_EQ(ui::Application::shared().openBackgroundTaskCount(), 0u);
}

TEST_F(VDClickTrackerTest, PingsAlwaysReachTheServer) {
    // The landing page may be cached for ten minutes, yet each ping asks the server again;
    // with caching allowed an earlier download's file makes the second ping conditional.
    auto first = VDClickTracker::create();
    ping(first, url("/landing"));
    auto second = VDClickTracker::create();
    auto told = ping(second, url("/landing"));
    EXPECT_EQ(told->outcomes, std::vector<std::string>{"success " + server_.url("/landing")});
    EXPECT_EQ(second->cachedFile()->HTTPStatusCode(), 304);

    auto third = VDClickTracker::create();
    third->setCacheEnabled(false);
    ping(third, url("/landing"));
    EXPECT_EQ(third->cachedFile()->HTTPStatusCode(), 200);
    EXPECT_EQ(targets(), (std::vector<std::string>{"/landing", "/landing", "/landing"}));
    EXPECT_EQ(conditional(), (std::vector<bool>{false, true, false}));
}

TEST_F(VDClickTrackerTest, APingThatRunsOutOfBackgroundTimeFails) {
    // Begun late in the background, so that the background time runs out before the ping's
    // own time limit.
    ui::Application::shared().enterBackground();
    base::RunLoop::main().advance(base::Seconds(ui::Application::backgroundTimeBudget - 10));
    auto tracker = VDClickTracker::create();
    auto delegate = std::make_shared<RecordingDelegate>();
    tracker->setDelegate(delegate);
    tracker->trackURL(url("/slow"));
    ASSERT_TRUE(
        base::RunLoop::main().runUntil([&] { return !targets().empty(); }, base::Seconds(10)));
    base::RunLoop::main().advance(base::Seconds(11));
    EXPECT_TRUE(tracker->hasTracked());
    EXPECT_EQ(delegate->outcomes, std::vector<std::string>{"failure"});
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->code, base::URLErrorCancelled);
    EXPECT_EQ(tracker->cachedFile(), nullptr);
    EXPECT_EQ(ui::Application::shared().openBackgroundTaskCount(), 0u);
}

TEST_F(VDClickTrackerTest, APingTooLargeOrTooSlowFailsInTime) {
    testing_support::HostileServer hostile(vd_maximumResponseLength + 1);
    auto tracker = VDClickTracker::create();
    auto inflated = ping(tracker, base::URL::parse(hostile.url("/bomb")));
    EXPECT_EQ(inflated->outcomes, std::vector<std::string>{"failure"});
    ASSERT_TRUE(inflated->error);
    EXPECT_EQ(inflated->error->code, base::URLErrorDataLengthExceedsMaximum);

    auto dripped = std::make_shared<RecordingDelegate>();
    tracker->setDelegate(dripped);
    tracker->trackURL(base::URL::parse(hostile.url("/drip")));
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return hostile.dripRequests() == 1; },
                                               base::Seconds(10)));
    base::RunLoop::main().advance(net::URLRequest::serviceTimeLimit - base::Seconds(1));
    EXPECT_FALSE(tracker->hasTracked());
    base::RunLoop::main().advance(base::Seconds(1));
    EXPECT_EQ(dripped->outcomes, std::vector<std::string>{"failure"});
    ASSERT_TRUE(dripped->error);
    EXPECT_EQ(dripped->error->code, base::URLErrorTimedOut);
}

TEST_F(VDClickTrackerTest, ResetDropsTheDownloadAndItsFile) {
    auto tracker = VDClickTracker::create();
    ping(tracker, url("/landing"));
    auto file = tracker->cachedFile();
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->fileExists());
    tracker->reset();
    EXPECT_FALSE(tracker->hasTracked());
    EXPECT_FALSE(file->fileExists());
    EXPECT_EQ(tracker->cachedFile(), nullptr);
}

} // namespace
