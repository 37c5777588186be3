#pragma once

#include "ads/webview/VDAMSGHandler.h"
#include "ads/webview/VDPageLoadDelaying.h"

#include <memory>

class VDAdView;

// A creative that needs time after its page has loaded (to fetch its pieces) delays its
// "loaded" moment on the "amsg" bus:
//   "delayPageLoad"     ("t", seconds, optional): the end of the load is held until
//                       "endPageLoadDelay" or until "t" seconds have passed (defaultTimeout
//                       without a usable "t"; never more than maximumTimeout, never below 0);
//   "endPageLoadDelay": the held end of the load goes on now.
// The delay is the ad view's delegate's, when that delegate can delay (VDPageLoadDelaying);
// the ad view is held weakly. Main thread only.
class VDDelayPageLoadAMSGHandler : public VDAMSGHandler {
public:
    static constexpr const char* delayMessage = "delayPageLoad";
    static constexpr const char* endMessage = "endPageLoadDelay";
    static constexpr base::Seconds defaultTimeout{5};
    static constexpr base::Seconds maximumTimeout{30};

    explicit VDDelayPageLoadAMSGHandler(std::weak_ptr<VDAdView> adView)
        : adView_(std::move(adView)) {}

    const ActionBlockDictionary& actionBlockDictionary() const override;

    void didReceiveDelayPageLoadNotification(const VDNotification& note);
    void didReceiveEndPageLoadDelayNotification(const VDNotification& note);

private:
    std::shared_ptr<VDPageLoadDelaying> delaying() const;

    std::weak_ptr<VDAdView> adView_;
};
