#include "ads/webview/VDBannerAdViewDelegate.h"

#include "ads/webview/VDAdView.h"
#include "ads/webview/VDMRAIDEventHandling.h"

VDBannerAdViewDelegate::VDBannerAdViewDelegate(std::weak_ptr<VDAdViewSlot> slot,
                                               std::shared_ptr<VDClickActionOpener> opener)
    : slot_(std::move(slot))
    , opener_(std::move(opener)) {}

bool VDBannerAdViewDelegate::adViewShouldStartLoadWithRequestNavigationType(
    VDAdView& adView, const net::URLRequest& request, ui::WebViewNavigationType type) {
    if (!request.url())
        return true;
    const base::URL& url = *request.url();
    const bool mainFrame = !request.mainDocumentURL() || *request.mainDocumentURL() == url;
    const bool userInitiated = type == ui::WebViewNavigationType::LinkClicked ||
                               type == ui::WebViewNavigationType::FormSubmitted;
    const bool click = !adView.isLoadingCreative() && (mainFrame || userInitiated) &&
                       url.absoluteString() != "about:blank";
    if (!click)
        return true;
    auto slot = slot_.lock();
    if (!slot)
        return false;
    const base::URL target = slot->spamClickURLWithURL(url);
    slot->adWasClicked();
    if (opener_)
        opener_->openClickURL(target, userInitiated);
    return false;
}

void VDBannerAdViewDelegate::adViewDidFinishLoad(VDAdView& adView) {
    auto slot = slot_.lock();
    if (!slot || !slot->isRenderingAd())
        return;
    slot->didReceiveValidAd();
    slot->didLoadAdHTMLInWebView();
    if (auto handler = slot->currentAdMRAIDEventHandler())
        handler->MRAIDAdDidLoad();
    adView.setHidden(false);
    if (!slot->requestsInterstitialAd())
        slot->didMakeAdImpression();
    slot->adFinishedLoadingContent();
}

void VDBannerAdViewDelegate::adViewDidFailLoadWithError(VDAdView&, const base::Error& error) {
    auto slot = slot_.lock();
    if (slot && slot->isRenderingAd())
        slot->didFailToLoadAdHTMLInWebView(error);
}
