#include "ads/request/VDRequestError.h"
#include "ads/request/VDSlot.h"
#include "ads/webview/VDAdNetworkJavaScriptAdViewDelegate.h"

void VDSlot::loadAdNetworkJavaScriptRequest(const std::shared_ptr<VDAd>& ad) {
    const std::string html = ad ? ad->adHTML().value_or("") : std::string();
    if (html.empty()) {
        didFailToReceiveAdWithErrorShouldCancelPendingActions(
            VDRequestError(VDRequestError::kVDErrorNetworkError, request_.get(), 0,
                           "Empty ad HTML."),
            true);
        scheduleAdReloadTimer();
        return;
    }
    useAdViewDelegate(std::make_shared<VDAdNetworkJavaScriptAdViewDelegate>(
        weak_from_this(), opener_, ad->adNetworkPassbackURL()));
    willLoadAdHTMLInWebView();
    adView_->loadHTMLStringBaseURL(html, ad->adBaseURL());
    setViewForAdUsingView(adView_);
}

void VDSlot::adNetworkDidPassBackToURL(const base::URL& passbackURL) {
    if (state_ != StateRendering && state_ != StateValidAd)
        return;
    auto ad = VDAd::create();
    ad->setAdURL(passbackURL);
    loadAdHeaders(ad, std::nullopt);
}

void VDSlot::useAdViewDelegate(std::shared_ptr<VDBannerAdViewDelegate> delegate) {
    adViewDelegate_ = std::move(delegate);
    adView_->setDelegate(adViewDelegate_);
}
