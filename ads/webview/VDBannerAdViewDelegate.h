#pragma once

#include "ads/webview/VDAdViewDelegate.h"
#include "ads/webview/VDAdViewSlot.h"
#include "ads/webview/VDClickActionOpener.h"
#include "ads/webview/VDPageLoadDelaying.h"
#include "platform/base/Timer.h"

#include <memory>

// The delegate a slot makes for its own ad view. It turns the ad view's page events into the
// slot's steps:
//  - the creative has loaded while the slot renders (state 5): in this order the slot's
//    didReceiveValidAd, didLoadAdHTMLInWebView, the ad's rich-media handler's MRAIDAdDidLoad,
//    the ad view shown, didMakeAdImpression (not for an interstitial), then
//    adFinishedLoadingContent. While the creative has asked for a page-load delay
//    (VDDelayPageLoadAMSGHandler), that sequence waits for the delay's end, and runs then only
//    if the slot still renders;
//  - the creative failed to load while the slot renders: the slot's load fails (code 2). A
//    failure or a load that ends after the slot has moved on (a refresh started, the load was
//    cancelled) belongs to no request and changes nothing;
//  - a click: once the creative has loaded, a navigation of its main frame, or a link clicked in
//    any frame, is not loaded in the ad view: the slot adds its signal to the URL and counts
//    the click, and the opener opens the URL. The creative's own loads and its frames' loads go
//    through.
// createWithSlot adds to the slot's ad view the message handlers of a creative: the everyday
// ones (track, touch), the opener's (click, openApp), app events, the ad app, the swipe to
// the store, precache, the page-load delay and the rich-media creative's close.
// The slot is held weakly. Main thread only.
class VDBannerAdViewDelegate : public VDAdViewDelegate,
                               public VDPageLoadDelaying,
                               public std::enable_shared_from_this<VDBannerAdViewDelegate> {
public:
    // The delegate of the slot's ad view, with the creative's message handlers added to it.
    static std::shared_ptr<VDBannerAdViewDelegate>
    createWithSlot(const std::shared_ptr<VDAdViewSlot>& slot,
                   std::shared_ptr<VDClickActionOpener> opener);

    // A delegate that adds no handlers (subclasses, tests).
    VDBannerAdViewDelegate(std::weak_ptr<VDAdViewSlot> slot,
                           std::shared_ptr<VDClickActionOpener> opener);
    ~VDBannerAdViewDelegate() override;

    const std::shared_ptr<VDClickActionOpener>& opener() const { return opener_; }
    std::shared_ptr<VDAdViewSlot> slot() const { return slot_.lock(); }

    bool adViewShouldStartLoadWithRequestNavigationType(VDAdView& adView,
                                                        const net::URLRequest& request,
                                                        ui::WebViewNavigationType type) override;
    void adViewDidStartLoad(VDAdView& adView) override;
    void adViewDidFinishLoad(VDAdView& adView) override;
    void adViewDidFailLoadWithError(VDAdView& adView, const base::Error& error) override;

    // --- VDPageLoadDelaying.
    void beginPageLoadDelay(base::Seconds timeout) override;
    void endPageLoadDelay() override;
    bool isPageLoadDelayPending() const { return delayTimer_ != nullptr; }

protected:
    // The sequence of a loaded creative (above), when the slot renders.
    virtual void finishLoad(VDAdView& adView);

private:
    void cancelPageLoadDelay();

    std::weak_ptr<VDAdViewSlot> slot_;
    std::shared_ptr<VDClickActionOpener> opener_;
    std::shared_ptr<base::Timer> delayTimer_;
    // The ad view whose load finished while a delay was pending.
    std::weak_ptr<VDAdView> heldFinish_;
};
