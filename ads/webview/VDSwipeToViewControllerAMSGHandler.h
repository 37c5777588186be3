#pragma once

#include "ads/webview/VDAMSGHandler.h"
#include "ads/webview/VDAdViewSlot.h"

#include <memory>

// The creative's swipe message on the "amsg" bus: "swipeToViewController" ("enabled" 0 or 1)
// turns the swipe to the store for its ad off or on. Any other value is ignored. The slot is
// held weakly. Main thread only.
class VDSwipeToViewControllerAMSGHandler : public VDAMSGHandler {
public:
    static constexpr const char* swipeToViewControllerMessage = "swipeToViewController";

    explicit VDSwipeToViewControllerAMSGHandler(std::weak_ptr<VDAdViewSlot> slot)
        : slot_(std::move(slot)) {}

    const ActionBlockDictionary& actionBlockDictionary() const override;

    void actionSwipeToViewController(const VDNotification& note);

private:
    std::weak_ptr<VDAdViewSlot> slot_;
};
