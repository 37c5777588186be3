#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDDevice.h"
#include "ads/presentation/VDInAppPurchase.h"
#include "platform/base/Bundle.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>

namespace {

class VDInAppPurchaseTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        previousBundle_ = base::Bundle::install(std::make_shared<base::Bundle>(
            homeDirectory(),
            base::Value::Dictionary{{base::Bundle::shortVersionKey, base::Value("2.5")},
                                    {base::Bundle::versionKey, base::Value("2500")},
                                    {base::Bundle::identifierKey, base::Value("com.host.app")}}));
        base::resetProcessServicesForTesting();
        VDAbsoluteTime::resetForTesting();
        base::resetProcessServicesForTesting();
        VDDevice::sharedInstance()->setSystemVersion("7.1.2");
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        base::Bundle::install(previousBundle_);
        PlatformTest::TearDown();
    }
    std::shared_ptr<VDInAppPurchase> purchase(std::string sku, std::vector<std::string> templates) {
        return VDInAppPurchase::create(std::move(sku), 3, std::move(templates), "vdma-sdk-i-v7.2.1",
                                       [this](const std::vector<base::URL>& urls) {
                                           for (const auto& url : urls)
                                               pinged_.push_back(url.absoluteString());
                                       });
    }

    std::shared_ptr<base::Bundle> previousBundle_;
    std::vector<std::string> pinged_;
};

TEST_F(VDInAppPurchaseTest, TheReportFillsEveryKeywordAndDropsUnknownOnes) {
    // A first ad request 1.5 s ago.
    const auto now = VDAbsoluteTime::absoluteTimeInMilliseconds();
    clock().advance(base::Seconds(1.5));
    VDApplication::sharedInstance()->statistics()->setObjectForKeyShouldNotifyDelegate(
        base::Value(static_cast<unsigned long long>(now)), "basets", false);
    const std::string session = VDApplication::sharedInstance()->currentSession()->uniqueID();
    ASSERT_FALSE(session.empty());

    auto bought =
        purchase("gems.100", {"https://report.example/iap?sku=@sku@&q=@quantity@&st=@status@"
                              "&s=@sessionid@&a=@appid@&av=@appversion@&os=@osversion@"
                              "&v=@sdkversion@&t=@timestamp@&x=@unknown@&mail=me@@host",
                              "javascript:alert('@sku@')"});
    bought->reportPurchaseStatus(kVDInAppPurchaseStatusSuccessful);
    EXPECT_EQ(pinged_,
              std::vector<std::string>{
                  "https://report.example/iap?sku=gems.100&q=3&st=1&s=" + session +
                  "&a=com.host.app&av=2.5&os=7.1.2&v=vdma-sdk-i-v7.2.1&t=1500&x=&mail=me@host"});

    // One outcome per purchase.
    bought->reportPurchaseStatus(kVDInAppPurchaseStatusError);
    EXPECT_EQ(pinged_.size(), 1u);
    EXPECT_TRUE(bought->hasReported());
}

TEST_F(VDInAppPurchaseTest, HostileValuesStayInsideTheirOwnParameter) {
    auto bought =
        purchase("a&st=1#@status@@@x y/é", {"https://report.example/r?sku=@sku@&st=@status@"});
    EXPECT_EQ(bought->expandedURLStringForURLStringFormat("@sku@|@status@", 2),
              "a%26st%3D1%23%40status%40%40%40x%20y%2F%C3%A9|2");
    bought->reportPurchaseStatus(kVDInAppPurchaseStatusCancel);
    ASSERT_EQ(pinged_.size(), 1u);
    auto url = base::URL::parse(pinged_[0]);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->query(), "sku=a%26st%3D1%23%40status%40%40%40x%20y%2F%C3%A9&st=2");
    EXPECT_FALSE(url->fragment());
}

} // namespace
