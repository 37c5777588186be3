#include "ads/foundation/VDBlockTimers.h"
#include "ads/request/VDRequestError.h"
#include "ads/request/VDSlot.h"
#include "platform/base/Strings.h"
#include "platform/ui/ScrollView.h"

namespace {

bool isZero(ui::Size size) {
    return size.width == 0 && size.height == 0;
}
} // namespace

void VDSlot::processAdResponse(const std::shared_ptr<VDAd>& ad) {
    auto self = shared_from_this();
    loadingAd_ = ad;
    // A response that sets no interval refreshes on the standard one. The next refresh counts
    // from here, not from the end of rendering.
    setReloadInterval(ad->reloadInterval().value_or(defaultReloadInterval));
    scheduleAdReloadTimer();
    if (const auto& custom = ad->customAdSizeString())
        newAdSize_ =
            adType_.isInterstitial() ? ui::Size() : VDCGSizeFromServerAdSizeString(*custom);
    if (adView_)
        adView_->scrollView()->setScrollEnabled(ad->isScrollEnabled());
    const std::string html = base::trim(ad->adHTML().value_or(""));
    if (html.empty()) {
        didFailToReceiveAdWithErrorShouldCancelPendingActions(
            VDRequestError(VDRequestError::kVDErrorNoFill, request_.get()), false);
        return;
    }
    if (!adView_)
        return;
    adView_->setAdDebugDialog(ad->debugDialog());
    willLoadAdHTMLInWebView();
    // The ad view renders the creative: the slot handles its rich-media events.
    ad->setMRAIDEventHandler(self);
    adView_->loadHTMLStringBaseURL(html, ad->adBaseURL());
    setViewForAdUsingView(adView_);
}

void VDSlot::processCustomRenderingAdResponse(const std::shared_ptr<VDAd>& ad) {
    auto self = shared_from_this();
    // A custom-rendered ad ends this slot's refreshing, whatever the owner answers.
    reloadable_ = false;
    deactivateReloadTimer();
    // The ad whose creative is in the ad view (the fetch dropped it from ad_).
    auto shown = ad_ ? ad_ : adOnShow_;
    finishedLoadingAdResponse(ad);
    std::optional<base::Error> ownerError;
    auto delegate = slotDelegate();
    if (delegate &&
        delegate->slotNotifyPublisherToRenderCustomRenderingAd(*this, ad, ownerError) == true) {
        adCustomRendered_ = true;
        return;
    }
    // Refused: the ad on show stays the current one, and the load fails like any other, so
    // that the owner hears of it.
    ad_ = std::move(shown);
    didFailToReceiveAdWithErrorShouldCancelPendingActions(
        ownerError ? *ownerError
                   : VDRequestError(VDRequestError::kVDErrorInvalidArgument, request_.get(), 0,
                                    "Custom rendered ad could not be rendered by delegate."),
        false);
}

void VDSlot::setViewForAdUsingView(const std::shared_ptr<ui::View>& view) {
    auto self = shared_from_this();
    auto delegate = slotDelegate();
    if (delegate)
        delegate->slotDidReceiveAdView(*this, view);
    if (!isZero(newAdSize_) && delegate) {
        const VDAdSize size = VDAdSizeFromCGSize(newAdSize_);
        const auto valid = delegate->validAdSizes();
        if (valid && validateAdResponseWithAdSizeAndValidAdSizes(size, *valid)) {
            if (VDCGSizeFromAdSize(adType_.adSize()) != newAdSize_)
                delegate->slotWillResizeToAdSize(*this, size);
            delegate->setAdSizeAndReload(size, false);
            if (view && view == adView_)
                if (auto bounds = delegate->slotOwnerBounds())
                    adView_->setFrame(*bounds);
        }
    }
    newAdSize_ = ui::Size();
}

bool VDSlot::validateAdResponseWithAdSizeAndValidAdSizes(VDAdSize size,
                                                         const std::vector<VDAdSize>& sizes) {
    for (const auto& valid : sizes)
        if (valid != kVDAdSizeInvalid && VDAdSizeIsEqual(valid, size))
            return true;
    return false;
}

void VDSlot::setAdTypeAndReloadRequest(const VDAdType& type, bool reload) {
    if (type.isEqual(adType_))
        return;
    auto self = shared_from_this();
    adType_ = type;
    if (isZero(newAdSize_) && reload && adView_)
        adView_->setHidden(true);
    if (isMediating()) {
        if (changeAdTypeTo(type))
            return;
        if (auto delegate = slotDelegate())
            delegate->slotDidReceiveAdView(*this, nullptr);
    }
    if (!reload)
        return;
    if (isMakingRequest())
        cancelPendingActions();
    if (slotHasAttemptedAnAdRequestAtLeastOnce_)
        loadNextRequestWithAutoRefresh(false);
}

void VDSlot::setReloadInterval(double seconds) {
    reloadInterval_ = seconds < 1.0 ? 0.0 : seconds;
}

void VDSlot::scheduleAdReloadTimer() {
    deactivateReloadTimer();
    if (!reloadable_ || !slotHasAttemptedAnAdRequestAtLeastOnce_ || !(reloadInterval_ > 0))
        return;
    reloadTimer_ = vd_scheduledTimerWithTimeIntervalRepeatsToleranceBlock<VDSlot>(
        base::Seconds(reloadInterval_), false, base::Seconds(0), weak_from_this(),
        [](VDSlot& slot, base::Timer&) { slot.reloadCurrentRequest(); });
}

void VDSlot::deactivateReloadTimer() {
    if (reloadTimer_) {
        reloadTimer_->invalidate();
        reloadTimer_.reset();
    }
}

void VDSlot::reloadCurrentRequest() {
    if (!reloadable_)
        return;
    auto self = shared_from_this();
    auto delegate = slotDelegate();
    // A timed load that cannot start now tries again one interval later.
    if (!(delegate && delegate->slotShouldReloadCurrentRequest(*this) == true) ||
        !loadNextRequestWithAutoRefresh(true))
        scheduleAdReloadTimer();
}

void VDSlot::appWillBecomeInactive() {
    deactivateReloadTimer();
    if (activeViewMonitor_)
        activeViewMonitor_->sampleOnce();
}

void VDSlot::appDidBecomeActive() {
    scheduleAdReloadTimer();
    if (activeViewMonitor_)
        activeViewMonitor_->sampleOnce();
}

void VDSlot::adWillPresentFullScreen() {
    deactivateReloadTimer();
}

void VDSlot::adDidRelinquishFullScreen() {
    scheduleAdReloadTimer();
}
