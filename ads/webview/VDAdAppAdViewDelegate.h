#pragma once

#include "ads/foundation/VDStatisticDictionary.h"
#include "ads/webview/VDAdViewDelegate.h"
#include "platform/ui/WebViewDelegate.h"

#include <memory>

// The delegate of the ad view that shows a clicked app ad's page inside the application. It
// stamps the page's loads into the clicked ad's statistics, notifying:
// "tlanding_page_load_start" when the first load starts, "tlanding_page_load_end" when a load
// finishes. It serves as the delegate of an ad view (VDAdView) or of a plain web view. Main
// thread only.
class VDAdAppAdViewDelegate : public VDAdViewDelegate, public ui::WebViewDelegate {
public:
    explicit VDAdAppAdViewDelegate(std::shared_ptr<VDStatisticDictionary> clickedAdStatistics);

    void adViewDidStartLoad();
    void adViewDidFinishLoad();

    // --- VDAdViewDelegate.
    void adViewDidStartLoad(VDAdView& adView) override;
    void adViewDidFinishLoad(VDAdView& adView) override;
    // --- ui::WebViewDelegate.
    void webViewDidStartLoad(ui::WebView& webView) override;
    void webViewDidFinishLoad(ui::WebView& webView) override;

    // The two stamps, for every landing page's view.
    static void recordLandingPageLoadStart(VDStatisticDictionary& statistics);
    static void recordLandingPageLoadEnd(VDStatisticDictionary& statistics);

private:
    const std::shared_ptr<VDStatisticDictionary> statistics_;
};
