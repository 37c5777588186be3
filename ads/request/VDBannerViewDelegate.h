#pragma once

#include "platform/base/Error.h"

class VDBannerView;

// What a host hears of its banner, always on the main thread; every method is optional (the
// defaults do nothing).
//
// A load ends with exactly one of the first two: adViewDidReceiveAd once the creative has
// loaded and is shown (or a mediated network has filled), adViewDidFailToReceiveAdWithError
// with a VDRequestError (domain "com.redodi.ads"; code 1 no fill, 2 network error, 0 invalid
// request, ...) when it has not; after a failure the previous ad, if any, stays on show and the
// banner tries again one refresh interval later. The banner refreshes by itself, so both come
// again with every refresh.
//
// When a click opens a full-screen view inside the application, adViewWillPresentScreen,
// adViewWillDismissScreen and adViewDidDismissScreen come in that order; when a click opens
// another application (the desktop's browser), adViewWillLeaveApplication comes first.
// A host may start a new load from inside any of these.
class VDBannerViewDelegate {
public:
    virtual ~VDBannerViewDelegate() = default;

    virtual void adViewDidReceiveAd(VDBannerView& view) { (void)view; }
    virtual void adViewDidFailToReceiveAdWithError(VDBannerView& view, const base::Error& error) {
        (void)view;
        (void)error;
    }
    virtual void adViewWillPresentScreen(VDBannerView& view) { (void)view; }
    virtual void adViewWillDismissScreen(VDBannerView& view) { (void)view; }
    virtual void adViewDidDismissScreen(VDBannerView& view) { (void)view; }
    virtual void adViewWillLeaveApplication(VDBannerView& view) { (void)view; }
};
