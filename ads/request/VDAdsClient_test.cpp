#include "ads/foundation/VDApplication.h"
#include "ads/request/VDAdsClient.h"
#include "ads/webview/VDMRAIDInterceptor.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <gtest/gtest.h>

namespace {

class VDAdsClientTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDMRAIDInterceptor::resetForTesting();
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        VDMRAIDInterceptor::resetForTesting();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
};

TEST_F(VDAdsClientTest, TheStartUpCallAllowsTheInterceptorWhenTheLaunchIsHeard) {
    VDAdsClient::load();
    EXPECT_FALSE(VDMRAIDInterceptor::isRegistered());
    ui::Application::shared().launch();
    EXPECT_TRUE(VDApplication::sharedInstance()->appFinishedLaunching());
    EXPECT_TRUE(VDMRAIDInterceptor::isRegistered());
    EXPECT_TRUE(VDMRAIDInterceptor::isAllowed());

    // Once per process: a second run would allow it again.
    VDMRAIDInterceptor::disallow();
    VDApplication::sharedInstance()->runEarlyActivities();
    EXPECT_FALSE(VDMRAIDInterceptor::isAllowed());
}

TEST_F(VDAdsClientTest, AHostThatNeverCalledTheStartUpGetsTheActivitiesAllTheSame) {
    // What the first request and the first slot do.
    VDAdsClient::installEarlyActivities();
    VDApplication::sharedInstance()->runEarlyActivities();
    EXPECT_TRUE(VDMRAIDInterceptor::isRegistered());
    EXPECT_TRUE(VDMRAIDInterceptor::isAllowed());
}

} // namespace
