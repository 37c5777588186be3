#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/request/VDRequestError.h"
#include "ads/request/VDSlot.h"
#include "ads/webview/VDMRAIDInterceptor.h"

namespace {

base::Value now() {
    return base::Value(VDAbsoluteTime::absoluteTimeInMilliseconds());
}

} // namespace

void VDSlot::setState(long state) {
    if (state == state_ || state_ == StateInvalidated)
        return;
    if (state_ == StateIdle && state == StateRequestingAdURL && !holdsInterceptorCount_) {
        holdsInterceptorCount_ = true;
        VDMRAIDInterceptor::enableCanInitWithRequest();
    } else if (state == StateSDKCoreFailed || state == StateValidAd || state == StateFailed ||
               state == StateInvalidated) {
        releaseInterceptorCount();
    }
    state_ = state;
}

void VDSlot::willRequestAdURL() {
    setState(StateRequestingAdURL);
    applicationStatistics_ =
        VDApplication::sharedInstance()->nextRequestStatisticsDictionaryForSlot(isMediating());
}

void VDSlot::didFailToRetrieveSDKCoreWithError(const base::Error& error) {
    setState(StateSDKCoreFailed);
    loadingAd_.reset();
    giveBackPendingAdStatistics();
    adFailedToReceiveContentWithError(error);
}

void VDSlot::didReceiveAdURL() {
    setState(StateAdURLReceived);
}

void VDSlot::willFetchAdContent() {
    setState(StateFetching);
    // The statistics sent with the ad URL's request have gone out with its fetch.
    pendingAdStatistics_.clear();
    if (!loadingAd_ || !loadingAd_->statistics())
        return;
    auto& statistics = *loadingAd_->statistics();
    auto requested = applicationStatistics_.find("currts");
    statistics.setObjectForKeyedSubscript(
        requested != applicationStatistics_.end() ? requested->second : now(), "treq");
    statistics.setObjectForKeyedSubscript(now(), "tfetch");
    if (adUnitID_)
        statistics.setObjectForKeyedSubscript(base::Value(*adUnitID_), "slotid");
    if (auto sequence = applicationStatistics_.find("seq_num");
        sequence != applicationStatistics_.end())
        statistics.setObjectForKeyedSubscript(sequence->second, "seq_num");
}

void VDSlot::didFetchAdContent() {
    if (loadingAd_ && loadingAd_->statistics())
        loadingAd_->statistics()->setObjectForKeyedSubscript(now(), "tresponse");
    auto statistics = VDApplication::sharedInstance()->statistics();
    for (const char* key : {"oar", "bas_on", "bas_off"})
        statistics->setObjectForKeyedSubscript(base::Value(base::Decimal(0)), key);
}

void VDSlot::willProcessMediationResponse() {
    setState(StateFetching);
}

void VDSlot::didFailToReceiveAdWithErrorShouldCancelPendingActions(
    const std::optional<base::Error>& error, bool cancelPendingActions) {
    auto self = shared_from_this();
    setState(StateFailed);
    loadingAd_.reset();
    giveBackPendingAdStatistics();
    if (cancelPendingActions)
        this->cancelPendingActions();
    adFailedToReceiveContentWithError(
        error ? *error : VDRequestError(VDRequestError::kVDErrorInternalError));
}

void VDSlot::didReceiveValidAd() {
    setState(StateValidAd);
    pendingAdStatistics_.clear();
}

void VDSlot::willStartAdRendering() {
    setState(StateRendering);
}

void VDSlot::willLoadAdHTMLInWebView() {
    willStartAdRendering();
}

void VDSlot::didLoadAdHTMLInWebView() {
    finishedLoadingAdResponse(loadingAd_);
    if (adView_)
        adView_->setTouched(false);
    if (ad_ && ad_->statistics())
        ad_->statistics()->setObjectForKeyShouldNotifyDelegate(now(), "tload", true);
    timeLastLoaded_ = VDAbsoluteTime::absoluteTimeInMilliseconds();
}

void VDSlot::didMakeAdImpression() {
    VDApplication::sharedInstance()->statistics()->incrementNumberForKeyShouldNotifyDelegate("pimp",
                                                                                             false);
    pingImpressionURLs();
    resetActiveViewReporting();
    if (activeViewMonitor_) {
        activeViewMonitor_->sampleOnce();
        if (activeViewMonitor_->monitoredViewIsSubviewOfDeviceScreen())
            activeViewMonitor_->start();
    }
}

void VDSlot::willLeaveAppDueToClick() {
    if (ad_ && ad_->statistics())
        ad_->statistics()->setObjectForKeyedSubscript(base::Value(true), "pclb");
}

void VDSlot::resetState() {
    setState(StateIdle);
}

void VDSlot::invalidateState() {
    setState(StateInvalidated);
}
