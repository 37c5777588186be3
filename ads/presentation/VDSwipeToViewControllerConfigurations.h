#pragma once

#include "platform/base/Value.h"
#include "platform/ui/Geometry.h"

#include <memory>
#include <optional>
#include <vector>

// How an ad may be swiped to its store page, as the ad response describes it: the product, the
// parts of the ad that take the swipe, and what the swipe notifications carry.
class VDSwipeToViewControllerConfigurations {
    struct Private {};

public:
    // Null on a system older than 7.0. Reads "app_store_product_id" (a number),
    // "swipeable_rectangles" (rectangle dictionaries; one that is no rectangle is skipped) and
    // "swipe_event_creative_metadata" (a dictionary); other kinds of value are ignored.
    static std::shared_ptr<VDSwipeToViewControllerConfigurations>
    createWithSwipeConfigurations(const base::Value::Dictionary& configurations);
    explicit VDSwipeToViewControllerConfigurations(Private) {}

    const std::optional<base::Value>& appStoreProductID() const { return appStoreProductID_; }
    const std::vector<ui::Rect>& swipeableRectangles() const { return swipeableRectangles_; }
    const base::Value::Dictionary& swipeEventCreativeMetadata() const {
        return swipeEventCreativeMetadata_;
    }

private:
    std::optional<base::Value> appStoreProductID_;
    std::vector<ui::Rect> swipeableRectangles_;
    base::Value::Dictionary swipeEventCreativeMetadata_;
};
