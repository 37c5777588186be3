#pragma once

#include "ads/webview/VDBannerAdViewDelegate.h"
#include "platform/base/URL.h"

#include <optional>

// The delegate of a slot's ad view while it shows an ad network's JavaScript ad. It does all
// that the slot's usual delegate does, and one thing more: when the network has no ad, its
// script sends the page's main frame to the ad's passback URL; that navigation is not a click
// and does not load in the ad view: the slot loads the passback URL as its ad instead. Only
// a main-frame navigation to exactly that URL (as text) counts; without a passback URL every
// navigation is treated as the usual delegate treats it. Main thread only.
class VDAdNetworkJavaScriptAdViewDelegate : public VDBannerAdViewDelegate {
public:
    VDAdNetworkJavaScriptAdViewDelegate(std::weak_ptr<VDAdViewSlot> slot,
                                        std::shared_ptr<VDClickActionOpener> opener,
                                        std::optional<base::URL> passbackURL);

    const std::optional<base::URL>& passbackURL() const { return passbackURL_; }

    bool adViewShouldStartLoadWithRequestNavigationType(VDAdView& adView,
                                                        const net::URLRequest& request,
                                                        ui::WebViewNavigationType type) override;

private:
    std::optional<base::URL> passbackURL_;
};
