#pragma once

#include "ads/foundation/VDStatisticDictionary.h"
#include "ads/webview/VDAdViewDelegate.h"
#include "platform/net/URLRequest.h"
#include "platform/ui/WebViewDelegate.h"
#include "platform/ui/WebViewNavigationType.h"

#include <memory>

// The delegate of the ad view that shows a clicked ad's landing page inside the application.
// It writes the landing page's statistics into the clicked ad's, each change notifying (so
// that the ad's statistics go with the next request): "plpnc" + 1 for each link or form
// navigation to an "http" URL, "plpsnc" + 1 for each one to an "https" URL,
// "tlanding_page_load_start" when the first load starts and "tlanding_page_load_end" when a
// load finishes. It serves as the delegate of an ad view (VDAdView) or of a plain web view
// showing the landing page. Main thread only.
class VDBrowserAdViewDelegate : public VDAdViewDelegate, public ui::WebViewDelegate {
public:
    explicit VDBrowserAdViewDelegate(std::shared_ptr<VDStatisticDictionary> clickedAdStatistics);

    // Counts the navigation; every load is let through.
    bool adViewShouldStartLoadWithRequestNavigationType(const net::URLRequest& request,
                                                        ui::WebViewNavigationType type);
    void adViewDidStartLoad();
    void adViewDidFinishLoad();

    // --- VDAdViewDelegate.
    bool adViewShouldStartLoadWithRequestNavigationType(VDAdView& adView,
                                                        const net::URLRequest& request,
                                                        ui::WebViewNavigationType type) override;
    void adViewDidStartLoad(VDAdView& adView) override;
    void adViewDidFinishLoad(VDAdView& adView) override;

    // --- ui::WebViewDelegate.
    bool webViewShouldStartLoadWithRequestNavigationType(ui::WebView& webView,
                                                         const net::URLRequest& request,
                                                         ui::WebViewNavigationType type) override;
    void webViewDidStartLoad(ui::WebView& webView) override;
    void webViewDidFinishLoad(ui::WebView& webView) override;

private:
    const std::shared_ptr<VDStatisticDictionary> statistics_;
};
