#include "ads/presentation/VDViewController.h"

#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/presentation/VDFullScreenNotifications.h"
#include "platform/base/NotificationCenter.h"

VDViewController::VDViewController(std::string nibName)
    : ui::ViewController(std::move(nibName)) {}

void VDViewController::recordDismissal() {
    if (!adStatistics_)
        return;
    const auto now = base::Value(VDAbsoluteTime::absoluteTimeInMilliseconds());
    adStatistics_->setObjectForKeyShouldNotifyDelegate(now, "tlanding_page_load_dismiss", true);
    const base::Value clicked = adStatistics_->objectForKey("tclickcurr");
    if (clicked.isNull())
        return;
    adStatistics_->addObjectToArrayWithKeyShouldNotifyDelegate(
        base::Value(base::Value::Array{clicked, now}), "tclick", true);
}

bool VDViewController::inModalTransition(bool presentation) const {
    // Its own transition, or that of a container it is in or of a controller below it that
    // takes it along.
    for (auto controller = std::const_pointer_cast<ui::ViewController>(shared_from_this());
         controller;) {
        if (presentation ? controller->isBeingPresented() : controller->isBeingDismissed())
            return true;
        auto parent = controller->parentViewController();
        controller = parent ? parent : controller->presentingViewController();
    }
    return false;
}

void VDViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (takingOver_ || !inModalTransition(true))
        return;
    takingOver_ = true;
    // Kept alive through the calls: a participant may let the controller go.
    auto self = shared_from_this();
    base::NotificationCenter::defaultCenter().post(kAdModalViewControllerWillPresentFullScreen);
    intermission_->begin();
}

void VDViewController::viewWillDisappear(bool animated) {
    ui::ViewController::viewWillDisappear(animated);
    if (!takingOver_ || !inModalTransition(false))
        return;
    auto self = shared_from_this();
    intermission_->willEnd();
    recordDismissal();
}

void VDViewController::viewDidDisappear(bool animated) {
    ui::ViewController::viewDidDisappear(animated);
    if (!takingOver_ || !inModalTransition(false))
        return;
    takingOver_ = false;
    auto self = shared_from_this();
    base::NotificationCenter::defaultCenter().post(kAdModalViewControllerDidDismissFullScreen);
    intermission_->didEnd();
}
