#include "ads/foundation/VDJSONUtilities.h"
#include "ads/request/VDRequestError.h"
#include "ads/request/VDSlot.h"

namespace {

constexpr const char* ownAdapterClassName = "VDMAdapterRedodiVeDivAds";

} // namespace

bool VDSlot::isMediating() const {
    return ad_ && ad_->responseType() == VDAd::ResponseTypeMediationJSON;
}

bool VDSlot::changeAdTypeTo(const VDAdType& type) {
    if (adType_.isInterstitial() || type.isInterstitial())
        return false;
    return mediationManager_->changeAdTypeTo(false, VDCGSizeFromAdSize(type.adSize()));
}

std::optional<std::string> VDSlot::adNetworkClassName() const {
    if (state_ != StateValidAd)
        return std::nullopt;
    if (isMediating())
        return mediationManager_->fillingAdapterClassName();
    return std::string(ownAdapterClassName);
}

// A mediation configuration: the JSON dictionary of the response's body. Its optional "format"
// ("banner" or "interstitial") must be the slot's kind of ad; a banner takes its "refresh"
// (seconds), else the standard interval.
void VDSlot::processMediationAdResponse(const std::shared_ptr<VDAd>& ad) {
    auto self = shared_from_this();
    willProcessMediationResponse();
    const auto decoded = vd_decodedJSONObjectError(ad->adHTML().value_or(""));
    if (!decoded || !decoded->dictionary()) {
        didFailToReceiveAdWithErrorShouldCancelPendingActions(
            VDRequestError(VDRequestError::kVDErrorMediationDataError, request_.get()), false);
        return;
    }
    const base::Value configuration = *decoded;
    mediationConfiguration_ = *configuration.dictionary();
    finishedLoadingAdResponse(ad);
    if (const auto& custom = ad->customAdSizeString())
        newAdSize_ = adType_.isInterstitial() ? ui::Size() : VDCGSizeFromAdSizeString(*custom);
    if (auto format = configuration["format"].stringValue();
        format && (*format == "interstitial") != adType_.isInterstitial()) {
        didFailToReceiveAdWithErrorShouldCancelPendingActions(
            VDRequestError(VDRequestError::kVDErrorMediationInvalidAdSize, request_.get()), false);
        return;
    }
    mediationManager_->loadAdWithConfiguration(*mediationConfiguration_);
    if (!adType_.isInterstitial()) {
        const base::Value refresh = configuration["refresh"];
        setReloadInterval(refresh.isNumber() && !refresh.isBool() ? refresh.doubleValue()
                                                                  : defaultReloadInterval);
        scheduleAdReloadTimer();
    }
}

void VDSlot::mediationDidFailWithRequestErrorCode(long code) {
    if (state_ != StateFetching || !isMediating())
        return;
    didFailToReceiveAdWithErrorShouldCancelPendingActions(VDRequestError(code, request_.get()),
                                                          false);
}
