#include "ads/request/VDSlot.h"

// Swipe to the store is the presentation layer's: its periodic check and its gesture are not
// built yet, so these hooks keep only whether the ad on show asks for it.

void VDSlot::scheduleSwipeToViewControllerChecker() {
    swipeToViewControllerEnabled_ = ad_ && ad_->swipeToViewControllerConfigurations();
}

void VDSlot::unscheduleSwipeToViewControllerChecker() {
    swipeToViewControllerCheckerTaskID_ = 0;
}

void VDSlot::disableSwipeToViewController() {
    swipeToViewControllerEnabled_ = false;
}
