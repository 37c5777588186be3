#pragma once

#include "ads/webview/VDAdViewDelegate.h"
#include "ads/webview/VDAdViewSlot.h"
#include "ads/webview/VDClickActionOpener.h"

#include <memory>

// The delegate a slot makes for its own ad view. It turns the ad view's page events into the
// slot's steps:
//  - the creative has loaded while the slot renders (state 5): in this order the slot's
//    didReceiveValidAd, didLoadAdHTMLInWebView, the ad's rich-media handler's MRAIDAdDidLoad,
//    the ad view shown, didMakeAdImpression (not for an interstitial), then
//    adFinishedLoadingContent;
//  - the creative failed to load while the slot renders: the slot's load fails (code 2). A
//    failure or a load that ends after the slot has moved on (a refresh started, the load was
//    cancelled) belongs to no request and changes nothing;
//  - a click: once the creative has loaded, a navigation of its main frame, or a link clicked in
//    any frame, is not loaded in the ad view: the slot adds its signal to the URL and counts
//    the click, and the opener opens the URL. The creative's own loads and its frames' loads go
//    through.
// The slot is held weakly. Main thread only.
class VDBannerAdViewDelegate : public VDAdViewDelegate {
public:
    VDBannerAdViewDelegate(std::weak_ptr<VDAdViewSlot> slot,
                           std::shared_ptr<VDClickActionOpener> opener);

    const std::shared_ptr<VDClickActionOpener>& opener() const { return opener_; }

    bool adViewShouldStartLoadWithRequestNavigationType(VDAdView& adView,
                                                        const net::URLRequest& request,
                                                        ui::WebViewNavigationType type) override;
    void adViewDidFinishLoad(VDAdView& adView) override;
    void adViewDidFailLoadWithError(VDAdView& adView, const base::Error& error) override;

private:
    std::weak_ptr<VDAdViewSlot> slot_;
    std::shared_ptr<VDClickActionOpener> opener_;
};
