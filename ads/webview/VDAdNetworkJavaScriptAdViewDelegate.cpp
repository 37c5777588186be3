#include "ads/webview/VDAdNetworkJavaScriptAdViewDelegate.h"

#include "platform/base/RunLoop.h"

VDAdNetworkJavaScriptAdViewDelegate::VDAdNetworkJavaScriptAdViewDelegate(
    std::weak_ptr<VDAdViewSlot> slot, std::shared_ptr<VDClickActionOpener> opener,
    std::optional<base::URL> passbackURL)
    : VDBannerAdViewDelegate(std::move(slot), std::move(opener))
    , passbackURL_(std::move(passbackURL)) {}

bool VDAdNetworkJavaScriptAdViewDelegate::adViewShouldStartLoadWithRequestNavigationType(
    VDAdView& adView, const net::URLRequest& request, ui::WebViewNavigationType type) {
    const bool mainFrame = request.url() && (!request.mainDocumentURL() ||
                                             *request.mainDocumentURL() == *request.url());
    if (!passbackURL_ || !mainFrame ||
        request.url()->absoluteString() != passbackURL_->absoluteString())
        return VDBannerAdViewDelegate::adViewShouldStartLoadWithRequestNavigationType(
            adView, request, type);
    // The slot replaces this delegate when it loads the passback: not from inside its call.
    base::RunLoop::main().dispatch(
        [slot = std::weak_ptr<VDAdViewSlot>(this->slot()), url = *passbackURL_] {
            if (auto strong = slot.lock())
                strong->adNetworkDidPassBackToURL(url);
        });
    return false;
}
