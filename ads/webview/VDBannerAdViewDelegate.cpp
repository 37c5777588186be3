#include "ads/webview/VDBannerAdViewDelegate.h"

#include "ads/webview/VDAdAppAMSGHandler.h"
#include "ads/webview/VDAdView.h"
#include "ads/webview/VDAppEventAMSGHandler.h"
#include "ads/webview/VDDefaultAMSGHandler.h"
#include "ads/webview/VDDelayPageLoadAMSGHandler.h"
#include "ads/webview/VDMRAIDAMSGHandler.h"
#include "ads/webview/VDMRAIDEventHandling.h"
#include "ads/webview/VDOpenerAMSGHandler.h"
#include "ads/webview/VDPrecacheAMSGHandler.h"
#include "ads/webview/VDSwipeToViewControllerAMSGHandler.h"
#include "platform/base/RunLoop.h"

std::shared_ptr<VDBannerAdViewDelegate>
VDBannerAdViewDelegate::createWithSlot(const std::shared_ptr<VDAdViewSlot>& slot,
                                       std::shared_ptr<VDClickActionOpener> opener) {
    auto delegate = std::make_shared<VDBannerAdViewDelegate>(slot, opener);
    if (!slot || !slot->adView())
        return delegate;
    const auto& adView = slot->adView();
    adView->addAMSGHandler(std::make_shared<VDDefaultAMSGHandler>(slot));
    adView->addAMSGHandler(std::make_shared<VDOpenerAMSGHandler>(slot, std::move(opener)));
    adView->addAMSGHandler(std::make_shared<VDAppEventAMSGHandler>(slot));
    adView->addAMSGHandler(std::make_shared<VDAdAppAMSGHandler>(slot));
    adView->addAMSGHandler(std::make_shared<VDSwipeToViewControllerAMSGHandler>(slot));
    adView->addAMSGHandler(std::make_shared<VDPrecacheAMSGHandler>(adView));
    adView->addAMSGHandler(std::make_shared<VDDelayPageLoadAMSGHandler>(adView));
    adView->addAMSGHandler(std::make_shared<VDMRAIDAMSGHandler>(adView));
    return delegate;
}

VDBannerAdViewDelegate::VDBannerAdViewDelegate(std::weak_ptr<VDAdViewSlot> slot,
                                               std::shared_ptr<VDClickActionOpener> opener)
    : slot_(std::move(slot))
    , opener_(std::move(opener)) {}

VDBannerAdViewDelegate::~VDBannerAdViewDelegate() {
    cancelPageLoadDelay();
}

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

void VDBannerAdViewDelegate::adViewDidStartLoad(VDAdView&) {
    // A delay asked by the creative before belongs to that creative.
    cancelPageLoadDelay();
}

void VDBannerAdViewDelegate::adViewDidFinishLoad(VDAdView& adView) {
    if (delayTimer_) {
        heldFinish_ = std::static_pointer_cast<VDAdView>(adView.shared_from_this());
        return;
    }
    finishLoad(adView);
}

void VDBannerAdViewDelegate::finishLoad(VDAdView& adView) {
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
    cancelPageLoadDelay();
    auto slot = slot_.lock();
    if (slot && slot->isRenderingAd())
        slot->didFailToLoadAdHTMLInWebView(error);
}

void VDBannerAdViewDelegate::beginPageLoadDelay(base::Seconds timeout) {
    if (delayTimer_)
        delayTimer_->invalidate();
    delayTimer_ = base::RunLoop::main().dispatchAfter(timeout, [weakSelf = weak_from_this()] {
        if (auto self = weakSelf.lock())
            self->endPageLoadDelay();
    });
}

void VDBannerAdViewDelegate::endPageLoadDelay() {
    if (!delayTimer_)
        return;
    delayTimer_->invalidate();
    delayTimer_.reset();
    auto adView = std::exchange(heldFinish_, {}).lock();
    if (adView)
        finishLoad(*adView);
}

void VDBannerAdViewDelegate::cancelPageLoadDelay() {
    if (delayTimer_)
        delayTimer_->invalidate();
    delayTimer_.reset();
    heldFinish_.reset();
}
