#pragma once

#include "platform/ui/View.h"

#include <memory>

// What handles a rendered ad's rich-media (MRAID) events: the slot that shows the ad. An ad
// record holds its handler weakly.
class VDMRAIDEventHandling {
public:
    virtual ~VDMRAIDEventHandling() = default;

    // The creative has loaded: its rich-media work starts.
    virtual void MRAIDAdDidLoad() = 0;
    // The creative is gone: orientation changes are no longer followed.
    virtual void MRAIDAdDidUnload() = 0;
    // Tells the creative whether it is visible ("onAdVisibilityChanged").
    virtual void updateVisibility(bool visible) = 0;
    // Tells the creative where it is when that changed ("onSizeChanged").
    virtual void updatePositionFromView(const std::shared_ptr<ui::View>& view) = 0;
};
