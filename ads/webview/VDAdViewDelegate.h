#pragma once

#include "platform/base/Error.h"
#include "platform/net/URLRequest.h"
#include "platform/ui/WebViewNavigationType.h"

class VDAdView;

// What an ad view tells its delegate of its page, on the main thread. Every method has a
// default, so a delegate implements what it needs. Navigations to "amsg" URLs are the message
// bus's and never reach the delegate.
class VDAdViewDelegate {
public:
    virtual ~VDAdViewDelegate() = default;

    // Whether the page may load the request (the view's own creative loads come with type
    // Other, before the creative has loaded).
    virtual bool adViewShouldStartLoadWithRequestNavigationType(VDAdView& adView,
                                                                const net::URLRequest& request,
                                                                ui::WebViewNavigationType type) {
        (void)adView;
        (void)request;
        (void)type;
        return true;
    }
    virtual void adViewDidStartLoad(VDAdView& adView) { (void)adView; }
    virtual void adViewDidFinishLoad(VDAdView& adView) { (void)adView; }
    virtual void adViewDidFailLoadWithError(VDAdView& adView, const base::Error& error) {
        (void)adView;
        (void)error;
    }
};
