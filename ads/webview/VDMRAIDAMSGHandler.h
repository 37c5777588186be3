#pragma once

#include "ads/webview/VDAMSGHandler.h"

#include <memory>

class VDAdView;

// The rich-media creative's own messages on the "amsg" bus (the MRAID script sends them):
//   "close": a banner's creative closes itself: its ad view is hidden and the creative hears
//            "onStateChanged" with state "hidden". An interstitial's creative closes the
//            full-screen view that shows it (the ad view's view controller), as its close
//            control does. Other ad views are closed by the full-screen view that shows them,
//            not here.
// ("open" arrives as the opener's "click".) The ad view is held weakly. Main thread only.
class VDMRAIDAMSGHandler : public VDAMSGHandler {
public:
    static constexpr const char* closeMessage = "close";

    explicit VDMRAIDAMSGHandler(std::weak_ptr<VDAdView> adView)
        : adView_(std::move(adView)) {}

    const ActionBlockDictionary& actionBlockDictionary() const override;

    void didReceiveCloseNotification(const VDNotification& note);

private:
    std::weak_ptr<VDAdView> adView_;
};
