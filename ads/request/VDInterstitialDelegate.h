#pragma once

#include "platform/base/Error.h"

class VDInterstitial;

// What a host hears of its interstitial, always on the main thread; every method is optional
// (the defaults do nothing). The interstitial holds its delegate weakly: a delegate that has
// gone away hears nothing.
//
// A load ends with exactly one of the first two: interstitialDidReceiveAd once the ad has
// loaded (the interstitial is ready from then on), interstitialDidFailToReceiveAdWithError with
// a VDRequestError (domain "com.redodi.ads"; code 1 no fill, 2 network error, 0 invalid
// request, 6 the interstitial has already been used, ...) when it has not. The code-6 failure
// also comes when a used interstitial is asked to load or to present again.
//
// Once presented: interstitialWillPresentScreen as its screen comes up,
// interstitialWillDismissScreen as it starts to go and interstitialDidDismissScreen once it has
// gone (a landing page a click opens over it comes and goes with the same three). A click that
// opens another application first gives interstitialWillLeaveApplication; every click the ad
// server counts gives interstitialDidReceiveAdClick. A host may let the interstitial go from
// inside any of these.
class VDInterstitialDelegate {
public:
    virtual ~VDInterstitialDelegate() = default;

    virtual void interstitialDidReceiveAd(VDInterstitial& ad) { (void)ad; }
    virtual void interstitialDidFailToReceiveAdWithError(VDInterstitial& ad,
                                                         const base::Error& error) {
        (void)ad;
        (void)error;
    }
    virtual void interstitialWillPresentScreen(VDInterstitial& ad) { (void)ad; }
    virtual void interstitialWillDismissScreen(VDInterstitial& ad) { (void)ad; }
    virtual void interstitialDidDismissScreen(VDInterstitial& ad) { (void)ad; }
    virtual void interstitialWillLeaveApplication(VDInterstitial& ad) { (void)ad; }
    virtual void interstitialDidReceiveAdClick(VDInterstitial& ad) { (void)ad; }
};
