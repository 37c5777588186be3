#pragma once

#include "ads/request/VDAdSize.h"
#include "ads/request/VDBannerViewDelegate.h"

#include <memory>
#include <optional>
#include <string>

class PUBBannerView;
class PUBCustomRenderedAd;

// What a PUB banner's host hears beyond a banner's callbacks, on the main thread; every method
// has a default. A host that renders custom-rendered ads itself says so with
// rendersCustomRenderedAds and gets each such ad in bannerViewDidReceiveCustomRenderedAd;
// otherwise custom-rendered ads fail the load.
class PUBBannerViewDelegate : public VDBannerViewDelegate {
public:
    // The creative sent an app event.
    virtual void adViewDidReceiveAppEvent(PUBBannerView& view, const std::string& name,
                                          const std::optional<std::string>& info) {
        (void)view;
        (void)name;
        (void)info;
    }
    // The response's size, one of the banner's valid sizes, is about to be applied.
    virtual void adViewWillChangeAdSizeTo(PUBBannerView& view, VDAdSize size) {
        (void)view;
        (void)size;
    }
    virtual bool rendersCustomRenderedAds() const { return false; }
    virtual void
    bannerViewDidReceiveCustomRenderedAd(PUBBannerView& view,
                                         const std::shared_ptr<PUBCustomRenderedAd>& ad) {
        (void)view;
        (void)ad;
    }
};
