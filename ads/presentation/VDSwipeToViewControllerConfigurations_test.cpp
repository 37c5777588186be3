#include "ads/foundation/VDDevice.h"
#include "ads/presentation/VDSwipeToViewControllerConfigurations.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>

namespace {

class VDSwipeToViewControllerConfigurationsTest : public testing_support::PlatformTest {
protected:
    void TearDown() override {
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
};

TEST_F(VDSwipeToViewControllerConfigurationsTest, ReadsTheProductRectanglesAndMetadata) {
    const base::Value::Dictionary rectangle{{"x", base::Value(1)},
                                            {"y", base::Value(2)},
                                            {"width", base::Value(30)},
                                            {"height", base::Value(40)}};
    const base::Value::Dictionary configurations{
        {"app_store_product_id", base::Value(12345)},
        {"swipeable_rectangles", base::Value(base::Value::Array{
                                     base::Value(rectangle), base::Value("no rectangle"),
                                     base::Value(base::Value::Dictionary{{"x", base::Value(1)}})})},
        {"swipe_event_creative_metadata",
         base::Value(base::Value::Dictionary{{"creative", base::Value("c")}})},
    };
    auto made =
        VDSwipeToViewControllerConfigurations::createWithSwipeConfigurations(configurations);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->appStoreProductID(), base::Value(12345));
    EXPECT_EQ(made->swipeableRectangles(), std::vector<ui::Rect>{ui::Rect(1, 2, 30, 40)});
    EXPECT_EQ(made->swipeEventCreativeMetadata(),
              (base::Value::Dictionary{{"creative", base::Value("c")}}));

    auto wrongKinds = VDSwipeToViewControllerConfigurations::createWithSwipeConfigurations(
        {{"app_store_product_id", base::Value("12345")},
         {"swipe_event_creative_metadata", base::Value(1)}});
    ASSERT_TRUE(wrongKinds);
    EXPECT_EQ(wrongKinds->appStoreProductID(), std::nullopt);
    EXPECT_TRUE(wrongKinds->swipeEventCreativeMetadata().empty());

    // Before system 7 there is no swiping to the store.
    VDDevice::sharedInstance()->setSystemVersion("6.1");
    EXPECT_EQ(VDSwipeToViewControllerConfigurations::createWithSwipeConfigurations(configurations),
              nullptr);
}

} // namespace
