#include "ads/presentation/VDSwipeToViewControllerConfigurations.h"

#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDGeometry.h"

std::shared_ptr<VDSwipeToViewControllerConfigurations>
VDSwipeToViewControllerConfigurations::createWithSwipeConfigurations(
    const base::Value::Dictionary& configurations) {
    if (!VDDevice::sharedInstance()->isOSAtLeastMajorMinorPatch(7, 0, 0))
        return nullptr;
    auto made = std::make_shared<VDSwipeToViewControllerConfigurations>(Private{});
    const base::Value all(configurations);
    if (all["app_store_product_id"].isNumber())
        made->appStoreProductID_ = all["app_store_product_id"];
    if (const auto* rectangles = all["swipeable_rectangles"].array()) {
        for (const auto& rectangle : *rectangles) {
            const auto* dictionary = rectangle.dictionary();
            if (!dictionary)
                continue;
            base::Error error;
            ui::Rect rect = VDCGRectFromDictionary(*dictionary, &error);
            if (error.domain.empty())
                made->swipeableRectangles_.push_back(rect);
        }
    }
    if (const auto* metadata = all["swipe_event_creative_metadata"].dictionary())
        made->swipeEventCreativeMetadata_ = *metadata;
    return made;
}
