#pragma once

#include "ads/webview/VDAMSGHandler.h"
#include "ads/webview/VDAdViewDelegate.h"
#include "platform/base/URL.h"
#include "platform/ui/View.h"
#include "platform/ui/WebView.h"
#include "platform/ui/WebViewDelegate.h"

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {
class ScrollView;
class ViewController;
} // namespace ui

// The view that shows one creative: a web view filling it, taken from the shared pool of ad
// web views (VDWebViewCacheSet) or made related to the other ads web views, so that all of
// them share one web process, and given back to the pool when the ad view goes away.
//
// loadHTMLStringBaseURL() renders a creative; the end of its load reaches the delegate
// (adViewDidFinishLoad or adViewDidFailLoadWithError), held weakly. The creative's "amsg"
// messages go to the message handlers added to the view and never load. Script events sent
// into the page (postSDKEventScript) wait while a creative is loading and run in order once
// it has loaded; a new creative drops those still waiting.
//
// Main thread only.
class VDAdView : public ui::View, public ui::WebViewDelegate {
    struct Private {};

public:
    static constexpr const char* bannerPreventAutoplayKey = "/redodi/ads/banner_prevent_autoplay";

    static std::shared_ptr<VDAdView> create(const ui::Rect& frame = ui::Rect());
    VDAdView(Private, const ui::Rect& frame);
    ~VDAdView() override;
    std::string className() const override { return "VDAdView"; }

    std::shared_ptr<VDAdViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<VDAdViewDelegate> delegate) { delegate_ = std::move(delegate); }

    const std::shared_ptr<ui::WebView>& webView() const { return webView_; }
    // The web view's scroll view.
    const std::shared_ptr<ui::ScrollView>& scrollView() { return webView_->scrollView(); }

    // The view controller that presents what a click opens.
    std::shared_ptr<ui::ViewController> viewController() const { return viewController_.lock(); }
    void setViewController(std::weak_ptr<ui::ViewController> controller) {
        viewController_ = std::move(controller);
    }
    // Whether the user has touched the creative; cleared when a new creative has loaded.
    bool isTouched() const { return touched_; }
    void setTouched(bool touched) { touched_ = touched; }
    // The response's debug text.
    const std::optional<std::string>& adDebugDialog() const { return adDebugDialog_; }
    void setAdDebugDialog(std::optional<std::string> text) { adDebugDialog_ = std::move(text); }

    // Prepares the view for a banner: the page neither bounces nor scales to fit; media needs a
    // user action exactly when the user default "/redodi/ads/banner_prevent_autoplay" is stored
    // and true; the view stays hidden until its first creative has loaded (whoever hears the
    // load shows it).
    void configureAsBannerAdView();
    bool isBannerAdView() const { return banner_; }
    // A banner expanded over the screen: configured as a banner, served the expanded banner's
    // rich-media script.
    void configureAsExpandedBannerAdView();
    bool isExpandedBannerAdView() const { return expanded_; }
    // Prepares the view for an interstitial's full screen: the page neither bounces nor scales
    // to fit; it is served the interstitial's rich-media script, as every view that is no
    // banner's.
    void configureAsInterstitialAdView();
    bool isInterstitialAdView() const { return interstitial_; }

    // Drops the script events still waiting, holds new ones until the page has loaded,
    // remembers the base URL and loads the HTML into the web view.
    void loadHTMLStringBaseURL(const std::string& html, const std::optional<base::URL>& baseURL);
    const std::optional<base::URL>& baseURL() const { return baseURL_; }
    // Whether a creative is loading now.
    bool isLoadingCreative() const { return loadingCreative_; }

    // Runs a script event in the page from the main run loop, in order, once no creative is
    // loading.
    void postSDKEventScript(std::string script);
    std::size_t queuedSDKEventCount() const { return events_.size(); }

    // The message handlers of the creative's "amsg" messages, asked in the order added.
    void addAMSGHandler(std::shared_ptr<VDAMSGHandler> handler);

    // --- Touches on the creative: each gesture, from its first touch to its end, is reported
    // to the gesture signal (VDGestureUtil) with the points it went through in this view's
    // coordinates, and marks the view touched. They go on to the superview as usual.
    void touchesBegan(const ui::TouchSet& touches, const ui::Event* event) override;
    void touchesMoved(const ui::TouchSet& touches, const ui::Event* event) override;
    void touchesEnded(const ui::TouchSet& touches, const ui::Event* event) override;
    void touchesCancelled(const ui::TouchSet& touches, const ui::Event* event) override;

    // --- ui::WebViewDelegate.
    bool webViewShouldStartLoadWithRequestNavigationType(ui::WebView& webView,
                                                         const net::URLRequest& request,
                                                         ui::WebViewNavigationType type) override;
    void webViewDidStartLoad(ui::WebView& webView) override;
    void webViewDidFinishLoad(ui::WebView& webView) override;
    void webViewDidFailLoadWithError(ui::WebView& webView, const base::Error& error) override;

private:
    void scheduleEvents();
    void recordTouches(const ui::TouchSet& touches);
    void reportGesture();
    void runEvents();

    std::shared_ptr<ui::WebView> webView_;
    std::weak_ptr<VDAdViewDelegate> delegate_;
    std::weak_ptr<ui::ViewController> viewController_;
    std::vector<std::shared_ptr<VDAMSGHandler>> handlers_;
    std::optional<std::string> adDebugDialog_;
    std::optional<base::URL> baseURL_;
    std::deque<std::string> events_;
    // The points of the gesture in progress.
    std::vector<ui::Point> gesturePoints_;
    bool eventsScheduled_ = false;
    bool touched_ = false;
    bool banner_ = false;
    bool expanded_ = false;
    bool interstitial_ = false;
    bool loadingCreative_ = false;
    // Creative loads that a newer one replaced: their cancellation is no failure.
    int replacedLoads_ = 0;
};
