#include "ads/foundation/VDDevice.h"
#include "ads/request/VDBadAdUtil.h"
#include "ads/webview/VDSDKCoreWebView.h"
#include "platform/base/JSON.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/HostileServer.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "tests/fixtures/TestAdServer.h"

#include <gtest/gtest.h>

namespace {

class VDBadAdUtilTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDDevice::sharedInstance()->setUserAgentString("ReportTest/1.0");
        server_.start();
        base::UserDefaults::standard()->setObject(VDSDKCoreWebView::SDKCoreURLKey,
                                                  base::Value(server_.corePageURL()));
    }
    void TearDown() override {
        base::RunLoop::main().runUntilIdle();
        server_.stop();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    testing_support::TestAdServer server_;
};

TEST_F(VDBadAdUtilTest, TheReportIsPostedAsJSONToTheAdServerOnceAndThenLetGo) {
    EXPECT_EQ(VDBadAdUtil::reportURL().absoluteString(), server_.url("/s/reportAd"));
    std::weak_ptr<VDBadAdUtil> weakReport;
    {
        auto report = VDBadAdUtil::create();
        weakReport = report;
        ASSERT_TRUE(report->reportBadAd(
            {{"ad_id", base::Value("7")}, {"reason", base::Value("a \"bad\" ad\n")}}));
        EXPECT_FALSE(report->reportBadAd({})) << "one report in flight at a time";
    }
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] { return server_.requestCount("/s/reportAd") == 1 && weakReport.expired(); },
        base::Seconds(10)));
    const auto sent = server_.requestDetails("/s/reportAd").front();
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.headers.find("content-type")->second, "application/json");
    EXPECT_EQ(sent.headers.find("user-agent")->second, "ReportTest/1.0");
    EXPECT_EQ(base::parseJSON(sent.body).value(),
              base::Value(base::Value::Dictionary{{"ad_id", base::Value("7")},
                                                  {"reason", base::Value("a \"bad\" ad\n")}}));
}

TEST_F(VDBadAdUtilTest, AReportThatCannotBeDeliveredIsDroppedQuietly) {
    base::UserDefaults::standard()->setObject(VDSDKCoreWebView::SDKCoreURLKey,
                                              base::Value("http://127.0.0.1:1/sdk-core.html"));
    std::weak_ptr<VDBadAdUtil> weakReport;
    {
        auto report = VDBadAdUtil::create();
        weakReport = report;
        EXPECT_TRUE(report->reportBadAd({{"ad_id", base::Value("8")}}));
    }
    EXPECT_TRUE(
        base::RunLoop::main().runUntil([&] { return weakReport.expired(); }, base::Seconds(10)));
}

TEST_F(VDBadAdUtilTest, AReportTheServerNeverFinishesEndsAtTheTimeLimit) {
    testing_support::HostileServer hostile(0);
    base::UserDefaults::standard()->setObject(VDSDKCoreWebView::SDKCoreURLKey,
                                              base::Value(hostile.url("/sdk-core.html")));
    std::weak_ptr<VDBadAdUtil> weakReport;
    {
        auto report = VDBadAdUtil::create();
        weakReport = report;
        EXPECT_TRUE(report->reportBadAd({{"ad_id", base::Value("9")}}));
    }
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return hostile.dripRequests() == 1; },
                                               base::Seconds(10)));
    base::RunLoop::main().advance(net::URLRequest::serviceTimeLimit - base::Seconds(1));
    EXPECT_FALSE(weakReport.expired());
    base::RunLoop::main().advance(base::Seconds(1));
    EXPECT_TRUE(weakReport.expired());
}

} // namespace
