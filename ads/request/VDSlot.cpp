#include "ads/request/VDSlot.h"

#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDGeometry.h"
#include "ads/foundation/VDLogger.h"
#include "ads/presentation/VDAdAppViewController.h"
#include "ads/presentation/VDFullScreenNotifications.h"
#include "ads/request/PUBRequestPrivate.h"
#include "ads/request/VDActiveViewReporting.h"
#include "ads/request/VDAdsClient.h"
#include "ads/request/VDBannerAd.h"
#include "ads/request/VDInterstitialAd.h"
#include "ads/request/VDRequestError.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/webview/VDAdNetworkJavaScriptAdViewDelegate.h"
#include "ads/webview/VDMRAIDInterceptor.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Application.h"

#include <cstdio>
#include <mutex>

namespace {

// The extras' orientation letter as an orientation mask; 0 for none.
ui::InterfaceOrientationMask orientationMaskOfExtras(const base::Value& value) {
    const auto letter = value.stringValue();
    if (letter == "p")
        return ui::InterfaceOrientationMaskPortrait |
               ui::InterfaceOrientationMaskPortraitUpsideDown;
    if (letter == "l")
        return ui::InterfaceOrientationMaskLandscape;
    return 0;
}

// The extras' "_adHeaders": the string entries of a dictionary.
std::optional<net::HTTPHeaderFields> headersOfExtras(const base::Value& value) {
    const auto* dictionary = value.dictionary();
    if (!dictionary)
        return std::nullopt;
    net::HTTPHeaderFields headers;
    for (const auto& [name, text] : *dictionary)
        if (const std::string* string = text.string())
            headers.append(name, *string);
    return headers;
}

} // namespace

std::shared_ptr<VDSlot> VDSlot::create(const ui::Rect& frame) {
    base::assertMainThread();
    // The first slot of the process runs the ads client's early activities.
    static std::once_flag initialized;
    std::call_once(initialized, [] {
        VDAdsClient::installEarlyActivities();
        VDApplication::sharedInstance()->runEarlyActivities();
    });
    auto slot = std::make_shared<VDSlot>(Private{}, frame);
    slot->adResponseDelegate_ = slot;
    slot->opener_ = VDOpener::create(slot);
    slot->adViewDelegate_ = VDBannerAdViewDelegate::createWithSlot(slot, slot->opener_);
    slot->adView_->setDelegate(slot->adViewDelegate_);
    slot->observeNotifications();
    slot->mediationManager_->setSlot(slot);
    slot->activeViewMonitor_ = VDActiveViewReporting::create(
        VDSDKCoreController::sharedInstance(),
        [weak = std::weak_ptr<VDSlot>(slot)]() -> std::optional<VDActiveViewReporting::AdInView> {
            auto slot = weak.lock();
            if (!slot || !slot->ad_)
                return std::nullopt;
            VDActiveViewReporting::Ad ad;
            ad.MRAID = slot->isMRAIDEnabled();
            ad.interstitial = slot->adType_.isInterstitial();
            ad.activeViewConfiguration = slot->ad_->activeViewConfigurations();
            ad.MRAIDEventHandler = slot->currentAdMRAIDEventHandler();
            return VDActiveViewReporting::AdInView{std::move(ad), slot->activeViewMonitoredView_,
                                                   slot->isMediating()};
        });
    return slot;
}

VDSlot::VDSlot(Private, const ui::Rect& frame)
    : mediationManager_(VDMAdManager::create())
    , adView_(VDAdView::create(frame))
    , slotStats_(VDSlotStatistics::create())
    , activeViewMonitoredView_(adView_) {}

VDSlot::~VDSlot() {
    if (ad_)
        if (auto handler = ad_->MRAIDEventHandler(); handler && handler.get() != this)
            handler->MRAIDAdDidUnload();
    MRAIDAdDidUnload();
    if (adFetcher_)
        adFetcher_->cancel();
    auto& center = base::NotificationCenter::defaultCenter();
    for (auto token : observers_)
        center.removeObserver(token);
    invalidate();
    mediationManager_->setSlot({});
    giveBackPendingAdStatistics();
    releaseInterceptorCount();
}

void VDSlot::observeNotifications() {
    auto& center = base::NotificationCenter::defaultCenter();
    auto observe = [&](const char* name, void (VDSlot::*handler)()) {
        observers_.push_back(center.addObserver(
            name, nullptr, std::nullopt, [weakSelf = weak_from_this(), handler](const auto&) {
                if (auto self = weakSelf.lock())
                    ((*self).*handler)();
            }));
    };
    observe(ui::ApplicationWillResignActiveNotification, &VDSlot::appWillBecomeInactive);
    observe(ui::ApplicationDidBecomeActiveNotification, &VDSlot::appDidBecomeActive);
    observe(kAdModalViewControllerWillPresentFullScreen, &VDSlot::adWillPresentFullScreen);
    observe(kAdModalViewControllerDidDismissFullScreen, &VDSlot::adDidRelinquishFullScreen);
}

std::string VDSlot::description() const {
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    return std::string("<VDSlot: ") + address + ">\nad unit ID:" + adUnitID_.value_or("(null)");
}

void VDSlot::setAdUnitID(std::optional<std::string> adUnitID) {
    adUnitID_ = std::move(adUnitID);
    if (adUnitID_)
        slotStats_->setIdentifier(*adUnitID_);
}

bool VDSlot::isMakingRequest() const {
    return state_ != StateIdle && state_ != StateSDKCoreFailed && state_ != StateValidAd &&
           state_ != StateFailed;
}

void VDSlot::setIntermission(const std::shared_ptr<VDIntermission>& intermission) {
    intermission_ = intermission;
    if (intermission)
        intermission->addParticipant(shared_from_this());
}

std::shared_ptr<ui::ViewController> VDSlot::viewControllerForPresentingModalView() const {
    if (auto controller = adView_ ? adView_->viewController() : nullptr)
        return controller;
    auto delegate = slotDelegate();
    return delegate ? delegate->rootViewController() : nullptr;
}

bool VDSlot::openAdAppWithURL(const base::URL& url) {
    auto presenter = viewControllerForPresentingModalView();
    if (!presenter || presenter->presentedViewController()) {
        VDLogger::sharedInstance()->logPublicMessage("The ad app " + url.absoluteString() +
                                                     " is not shown: no view to present it from.");
        return false;
    }
    auto app = VDAdAppViewController::createWithURL(url, weak_from_this(), clickedAdStatistics());
    setIntermission(app->intermission());
    presenter->presentViewController(app, true);
    return true;
}

void VDSlot::loadRequest(const std::shared_ptr<VDRequest>& request) {
    base::assertMainThread();
    nextRequest_ = request ? request->copy() : nullptr;
    loadNextRequestWithAutoRefresh(false);
}

bool VDSlot::shouldMakeRequest(const std::shared_ptr<VDRequest>& request) {
    if (state_ == StateInvalidated)
        return false;
    auto delegate = slotDelegate();
    if (isMakingRequest() &&
        !(delegate && delegate->slotShouldPreemptInProgressRequest(*this).value_or(false)))
        return false;
    if (delegate) {
        const auto probe = request ? request : VDRequest::request();
        if (delegate->slotShouldLoadRequest(*this, *probe) == false) {
            adFailedToReceiveContentWithError(
                VDRequestError(VDRequestError::kVDErrorInvalidRequest, request.get()));
            return false;
        }
    }
    if (!VDApplication::sharedInstance()->isAppActive())
        return false;
    return VDDevice::sharedInstance()->OSIsSupported();
}

bool VDSlot::loadNextRequestWithAutoRefresh(bool autoRefresh) {
    base::assertMainThread();
    auto self = shared_from_this();
    slotHasAttemptedAnAdRequestAtLeastOnce_ = true;
    if (!shouldMakeRequest(nextRequest_))
        return false;
    cancelLoad();
    willRequestAdURL();
    if (!nextRequest_)
        nextRequest_ = VDRequest::request();
    nextRequest_->setCorrelationID(PUBRequestPrivate::sharedInstance()->correlationID());
    request_ = nextRequest_->copy();
    if (auto delegate = slotDelegate())
        delegate->slotWillLoadAdWithRequest(*this, *request_);
    hasAutoRefreshed_ = autoRefresh;
    logTestAdHintOnce();

    // The host's extras may carry a ready ad, or a ready ad URL.
    const auto requestURL = request_->networkExtrasRequestURL();
    if (auto extras = request_->networkExtrasAdditionalParameters(); extras || requestURL) {
        const base::Value values(extras ? std::move(*extras) : base::Value::Dictionary());
        const auto mask = orientationMaskOfExtras(values["_orientation"]);
        if (const auto* dictionary = values["_ad"].dictionary()) {
            std::shared_ptr<VDAd> ad =
                adType_.isInterstitial()
                    ? std::shared_ptr<VDAd>(VDInterstitialAd::createWithDictionary(*dictionary))
                    : VDBannerAd::createWithDictionary(*dictionary);
            if (mask)
                ad->setSupportedOrientations(mask);
            loadAdHeaders(ad, headersOfExtras(values["_adHeaders"]));
            return true;
        }
        if (requestURL) {
            VDMRAIDInterceptor::allow();
            auto ad = VDAd::create();
            ad->setAdURL(requestURL);
            if (mask)
                ad->setSupportedOrientations(mask);
            loadAdHeaders(ad, std::nullopt);
            return true;
        }
    }

    startURLRequest();
    return true;
}

void VDSlot::logTestAdHintOnce() {
    static std::once_flag logged;
    std::call_once(logged, [this] {
        if (request_ && request_->isATestDevice())
            return;
        const std::string identifier = VDDevice::sharedInstance()->deviceIdentifier();
        auto logger = VDLogger::sharedInstance();
        if (identifier.empty())
            logger->logPublicMessage("Advertising tracking may be disabled. To get test ads on "
                                     "this device, enable advertising tracking.");
        else
            logger->logPublicMessage("To get test ads on this device, call: "
                                     "request.testDevices = @[ @\"" +
                                     identifier + "\" ];");
    });
}

void VDSlot::loadAdHeaders(const std::shared_ptr<VDAd>& ad,
                           const std::optional<net::HTTPHeaderFields>& headers) {
    base::assertMainThread();
    if (state_ == StateInvalidated || !ad)
        return;
    auto self = shared_from_this();
    mediationManager_->cancel();
    if (adFetcher_)
        adFetcher_->cancel();
    resetRequestState();
    loadingAd_ = ad;
    willFetchAdContent();
    if (ad->hasAdNetworkJavaScript()) {
        loadAdNetworkJavaScriptRequest(ad);
        return;
    }
    // A network script's delegate would take this ad's navigations for its passback.
    if (std::dynamic_pointer_cast<VDAdNetworkJavaScriptAdViewDelegate>(adViewDelegate_))
        useAdViewDelegate(std::make_shared<VDBannerAdViewDelegate>(weak_from_this(), opener_));
    if (!adType_.isInterstitial() && std::dynamic_pointer_cast<VDBannerAd>(ad)) {
        newAdSize_ = ad->size().size;
        if (ad->reloadInterval())
            setReloadInterval(*ad->reloadInterval());
    }
    adFetcher_ = VDAdFetcher::create();
    auto fetcher = adFetcher_;
    (void)fetcher->fetchRemainingContentForAd(ad, headers, self, request_);
}

void VDSlot::resetRequestState() {
    if (ad_) {
        if (auto handler = ad_->MRAIDEventHandler())
            handler->MRAIDAdDidUnload();
        adOnShow_ = std::move(ad_);
    }
    ad_.reset();
    setState(StateIdle);
}

void VDSlot::cancelLoad() {
    if (adFetcher_) {
        adFetcher_->cancel();
        adFetcher_.reset();
    }
    loadingAd_.reset();
    // An answer of the core page for the dropped request finds nobody.
    requester_.reset();
    giveBackPendingAdStatistics();
    releaseInterceptorCount();
    setState(StateIdle);
}

void VDSlot::cancelPendingActions() {
    deactivateReloadTimer();
    cancelLoad();
    mediationManager_->cancel();
}

void VDSlot::cancelPendingAndFutureActions() {
    cancelPendingActions();
    slotDelegate_.reset();
    reloadable_ = false;
    deactivateReloadTimer();
    invalidateState();
}

void VDSlot::invalidate() {
    // Nothing of a request in flight may reach the ad view once it is dropped.
    cancelPendingActions();
    unscheduleSwipeToViewControllerChecker();
    disableSwipeToViewController();
    opener_->setDelegate({});
    adViewDelegate_.reset();
    if (adView_) {
        adView_->setDelegate({});
        adView_->removeFromSuperview();
        adView_.reset();
    }
    activeViewMonitoredView_.reset();
    invalidateState();
}

void VDSlot::finishedLoadingAdResponse(const std::shared_ptr<VDAd>& ad) {
    ad_ = ad;
    adOnShow_.reset();
    loadingAd_.reset();
}

void VDSlot::releaseInterceptorCount() {
    if (!holdsInterceptorCount_)
        return;
    holdsInterceptorCount_ = false;
    VDMRAIDInterceptor::disableCanInitWithRequest();
}

void VDSlot::giveBackPendingAdStatistics() {
    if (pendingAdStatistics_.empty())
        return;
    VDApplication::sharedInstance()->didNotSendAdStatistics(pendingAdStatistics_);
    pendingAdStatistics_.clear();
}

std::shared_ptr<VDMRAIDEventHandling> VDSlot::currentAdMRAIDEventHandler() const {
    return ad_ ? ad_->MRAIDEventHandler() : nullptr;
}

void VDSlot::didFailToLoadAdHTMLInWebView(const base::Error& error) {
    didFailToReceiveAdWithErrorShouldCancelPendingActions(
        VDRequestError(VDRequestError::kVDErrorNetworkError, request_.get(), 0, std::nullopt,
                       error),
        false);
}

// --- Fetcher and response delegate.

void VDSlot::adFetcherDidFetchAd(VDAdFetcher& fetcher, const std::shared_ptr<VDAd>& ad) {
    if (&fetcher != adFetcher_.get() || state_ == StateInvalidated)
        return;
    // Whatever the owner does meanwhile (a new load drops the fetcher), both stay alive.
    auto self = shared_from_this();
    auto keptFetcher = adFetcher_;
    didFetchAdContent();
    auto delegate = adResponseDelegate();
    if (!delegate || !delegate->slotDidReceiveAd(*this, ad)) {
        if (&fetcher != adFetcher_.get())
            return;
        adFetcherDidFailToFetchAdWithErrorResponseCode(
            fetcher, ad, VDRequestError(VDRequestError::kVDErrorInternalError, request_.get()), 0);
    }
}

void VDSlot::adFetcherDidFailToFetchAdWithErrorResponseCode(VDAdFetcher& fetcher,
                                                            const std::shared_ptr<VDAd>& ad,
                                                            const base::Error& error, long) {
    if (&fetcher != adFetcher_.get() || state_ == StateInvalidated)
        return;
    auto self = shared_from_this();
    auto keptFetcher = adFetcher_;
    // A failed response's interval holds unless nothing came back at all; a response that set
    // none refreshes on the standard interval.
    if (error.code != VDRequestError::kVDErrorReceivedInvalidResponse)
        setReloadInterval(ad && ad->reloadInterval() ? *ad->reloadInterval()
                                                     : defaultReloadInterval);
    didFailToReceiveAdWithErrorShouldCancelPendingActions(error, false);
    if (auto delegate = adResponseDelegate())
        delegate->slotDidFailToReceiveAdWithError(*this, error);
}

void VDSlot::slotDidFailToReceiveAdWithError(VDSlot&, const std::optional<base::Error>&) {
    scheduleAdReloadTimer();
}

bool VDSlot::slotDidReceiveAd(VDSlot&, const std::shared_ptr<VDAd>& ad) {
    willProcessAd();
    switch (ad->responseType()) {
    case VDAd::ResponseTypeHTML:
        processAdResponse(ad);
        return true;
    case VDAd::ResponseTypeMediationJSON:
        processMediationAdResponse(ad);
        return true;
    case VDAd::ResponseTypeCustomRendering:
        processCustomRenderingAdResponse(ad);
        return true;
    default:
        return false;
    }
}
