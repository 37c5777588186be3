#pragma once

#include "ads/webview/VDAMSGHandler.h"
#include "ads/webview/VDAdViewSlot.h"

#include <memory>

// The creative's everyday messages on the "amsg" bus:
//   "track"  ("u"): pings the URL once through the slot's tracker collection (cache allowed);
//   "touch"  ("x", "y" in points, "d" the duration in seconds): reports the touch to the gesture
//            signal (VDGestureUtil).
// Only absolute http and https URLs are pinged; a touch needs "x" and "y" as numbers (a
// missing or bad duration counts as 0, a negative one too). Anything else is ignored. The slot
// is held weakly. Main thread only.
class VDDefaultAMSGHandler : public VDAMSGHandler {
public:
    static constexpr const char* trackMessage = "track";
    static constexpr const char* touchMessage = "touch";

    explicit VDDefaultAMSGHandler(std::weak_ptr<VDAdViewSlot> slot)
        : slot_(std::move(slot)) {}

    const ActionBlockDictionary& actionBlockDictionary() const override;

    void didReceiveTrackHTTPNotification(const VDNotification& note);
    void didReceiveTouchNotification(const VDNotification& note);

private:
    std::weak_ptr<VDAdViewSlot> slot_;
};
