#include "ads/foundation/VDJSONUtilities.h"
#include "ads/request/VDClickTrackerCollection.h"
#include "ads/request/VDMAdapterRedodiVeDivAds.h"
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

// The body is a mediation configuration (VDMConfig). One that cannot be used fails the slot:
// invalid data (7), or a size or kind of ad that does not fit (10).
void VDSlot::processMediationAdResponse(const std::shared_ptr<VDAd>& ad) {
    auto self = shared_from_this();
    willProcessMediationResponse();
    if (ad->statistics())
        ad->statistics()->setObjectForKeyShouldNotifyDelegate(base::Value(true), "ismediation",
                                                              true);
    const auto decoded = vd_decodedJSONObjectError(ad->adHTML().value_or(""));
    VDMConfig::Problem problem = VDMConfig::Problem::None;
    auto configuration = decoded
                             ? VDMConfig::configurationWithJSONValue(*decoded, adUnitID_, &problem)
                             : std::nullopt;
    const bool interstitial = adType_.isInterstitial();
    if (configuration && configuration->format != VDMConfig::Format::Unspecified &&
        (configuration->format == VDMConfig::Format::Interstitial) != interstitial)
        problem = VDMConfig::Problem::BadFormat;
    if (!configuration || problem != VDMConfig::Problem::None) {
        const long code = problem == VDMConfig::Problem::BadAdSize ||
                                  (configuration && problem == VDMConfig::Problem::BadFormat)
                              ? VDRequestError::kVDErrorMediationInvalidAdSize
                              : VDRequestError::kVDErrorMediationDataError;
        didFailToReceiveAdWithErrorShouldCancelPendingActions(VDRequestError(code, request_.get()),
                                                              false);
        return;
    }
    mediationConfiguration_ = configuration;
    finishedLoadingAdResponse(ad);
    if (const auto& custom = ad->customAdSizeString())
        newAdSize_ = interstitial ? ui::Size() : VDCGSizeFromServerAdSizeString(*custom);
    if (configuration->adSize && !interstitial)
        newAdSize_ = *configuration->adSize;
    // The adapters of this layer, in case the registry was emptied since start-up.
    VDMAdapterRedodiVeDivAds::registerAdapterClasses();
    mediationManager_->loadAdWithConfiguration(*configuration);
    if (!interstitial) {
        setReloadInterval(configuration->refreshInterval);
        scheduleAdReloadTimer();
    }
}

ui::Size VDSlot::requestedAdSize() const {
    if (newAdSize_.width > 0 && newAdSize_.height > 0)
        return newAdSize_;
    return VDCGSizeFromAdSize(adType_.adSize());
}

void VDSlot::mediationDidFailWithRequestErrorCode(long code) {
    if (!isMediating())
        return;
    if (state_ == StateFetching) {
        didFailToReceiveAdWithErrorShouldCancelPendingActions(VDRequestError(code, request_.get()),
                                                              false);
    } else if (state_ == StateValidAd) {
        // The network on show failed an ad it loaded by itself: its last ad stays on show.
        adFailedToReceiveContentWithError(VDRequestError(code, request_.get()));
    }
}

void VDSlot::
    trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
        const std::vector<std::string>& templates,
        const std::optional<std::string>& defaultTemplate, const std::string& networkID,
        const std::string& allocationID, const std::string& qData, const std::string& appKey,
        bool refresh, const std::optional<std::string>& durations,
        const std::optional<std::string>& exitCodes) {
    VDClickTrackerCollection::sharedInstance()
        ->trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
            templates, defaultTemplate, networkID, allocationID, qData, appKey, refresh, durations,
            exitCodes);
}
