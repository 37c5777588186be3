#pragma once

#include "ads/webview/VDAMSGHandler.h"
#include "ads/webview/VDAdViewSlot.h"
#include "ads/webview/VDClickActionOpener.h"

#include <memory>

// The creative's click messages on the "amsg" bus:
//   "click"    ("u" the URL to open, "t" a click-tracking URL): pings "t", when given, once
//              through the slot's tracker collection (cache allowed); then "u" goes through
//              the slot's click signal (spamClickURLWithURL) and the opener opens it;
//   "openApp"  ("u"): the same signal, the click counted (adWasClicked), then the opener opens
//              the URL, which leaves the application.
// Only absolute http and https URLs are pinged or opened; a message without a usable "u" opens
// nothing (a "click" still pings its "t"). The opener is told whether the user touched the ad
// view since its creative loaded. The slot and the ad view are held weakly. Main thread only.
class VDOpenerAMSGHandler : public VDAMSGHandler {
public:
    static constexpr const char* clickMessage = "click";
    static constexpr const char* openAppMessage = "openApp";

    VDOpenerAMSGHandler(std::weak_ptr<VDAdViewSlot> slot,
                        std::shared_ptr<VDClickActionOpener> opener)
        : slot_(std::move(slot))
        , opener_(std::move(opener)) {}

    const ActionBlockDictionary& actionBlockDictionary() const override;

    void didReceiveClickNotification(const VDNotification& note);
    void actionOpenApp(const VDNotification& note);

private:
    void open(const base::URL& url, VDAdViewSlot& slot);

    std::weak_ptr<VDAdViewSlot> slot_;
    std::shared_ptr<VDClickActionOpener> opener_;
};
