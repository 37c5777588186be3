#pragma once

#include "platform/base/Error.h"
#include "platform/base/URL.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class VDAdView;
class VDMRAIDEventHandling;

// What the delegate of a slot's ad view (VDBannerAdViewDelegate) needs of that slot: the
// request layer's VDSlot implements it. Main thread only.
class VDAdViewSlot {
public:
    virtual ~VDAdViewSlot() = default;

    // The slot is rendering a creative in its ad view (state 5).
    virtual bool isRenderingAd() const = 0;
    // The slot holds a valid ad (state 6).
    virtual bool hasValidAd() const = 0;
    virtual bool requestsInterstitialAd() const = 0;
    // The rich-media handler of the ad on show, if any.
    virtual std::shared_ptr<VDMRAIDEventHandling> currentAdMRAIDEventHandler() const = 0;

    // The creative has loaded: the ad is valid (state 6), then loaded, counted and reported.
    virtual void didReceiveValidAd() = 0;
    virtual void didLoadAdHTMLInWebView() = 0;
    virtual void didMakeAdImpression() = 0;
    virtual void adFinishedLoadingContent() = 0;
    // The creative's page failed to load: the slot's load fails with a network error.
    virtual void didFailToLoadAdHTMLInWebView(const base::Error& error) = 0;

    // A click: the URL to follow (the ad server's click URLs get the gesture signal), and the
    // click's statistics.
    virtual base::URL spamClickURLWithURL(const base::URL& url) = 0;
    virtual void adWasClicked() = 0;

    // The view the slot shows its creatives in.
    virtual const std::shared_ptr<VDAdView>& adView() const = 0;
    // Pings one URL through the ads client's shared tracker collection (cache allowed).
    virtual void trackURL(const base::URL& url) = 0;
    // The creative's app event: the owner hears it when it answers app events.
    virtual void didReceiveAppEventWithInfo(const std::string& name,
                                            const std::optional<std::string>& info) = 0;

    // The creative offers an in-app purchase of the product, with the ad server's report URL
    // templates; false when nobody takes it.
    virtual bool didReceiveInAppPurchaseRequest(std::string productID, std::int64_t quantity,
                                                std::vector<std::string> reportURLTemplates) {
        (void)productID;
        (void)quantity;
        (void)reportURLTemplates;
        return false;
    }
    // The creative asks for its ad app's page (an http or https URL) full screen; false when
    // it cannot be shown.
    virtual bool openAdAppWithURL(const base::URL& url) {
        (void)url;
        return false;
    }
    // The creative turns the swipe to the store for its ad off (false) or on (true, when the ad
    // has swipe configurations).
    virtual void setSwipeToViewControllerEnabled(bool enabled) { (void)enabled; }
    // The ad network's script had no ad and sent its page to the ad's passback URL: the slot
    // loads that URL as its ad instead.
    virtual void adNetworkDidPassBackToURL(const base::URL& passbackURL) = 0;
};
