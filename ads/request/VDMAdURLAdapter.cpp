#include "ads/request/VDMAdURLAdapter.h"

#include "ads/foundation/VDMainThread.h"
#include "ads/mediation/VDMAdNetworkConnector.h"
#include "ads/request/VDBannerView.h"
#include "ads/request/VDRequest.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/request/VDSlot.h"

std::shared_ptr<VDMAdURLAdapter>
VDMAdURLAdapter::create(const std::shared_ptr<VDMAdNetworkConnector>& connector) {
    return std::make_shared<VDMAdURLAdapter>(Private{}, connector);
}

VDMAdURLAdapter::VDMAdURLAdapter(Private, const std::shared_ptr<VDMAdNetworkConnector>& connector)
    : VDMAdapterRedodiVeDivAds(VDMAdapterRedodiVeDivAds::Private{}, connector) {}

void VDMAdURLAdapter::loadBanner(const std::shared_ptr<VDSlot>& mediatingSlot) {
    bannerSlot_ = banner_->slot();
    if (mediatingSlot && mediatingSlot->request())
        request_ = mediatingSlot->request()->copy();
    if (auto connector = this->connector())
        networkParameters_ = connector->network().parameters;
    VDSDKCoreController::sharedInstance()->buildAdURL(
        std::static_pointer_cast<VDMAdURLAdapter>(shared_from_this()));
}

std::shared_ptr<VDSlot> VDMAdURLAdapter::listeningSlot() const {
    return listeningConnector() ? bannerSlot_ : nullptr;
}

base::Value::Dictionary VDMAdURLAdapter::requestParameters() {
    // The request, the banner's slot and the statistics they read are the main thread's.
    base::Value::Dictionary parameters;
    VDRunSyncOnMainThread([&] {
        parameters = request_ ? request_->parameters() : base::Value::Dictionary();
        for (auto& [key, value] : bannerSlot_->requestParameters())
            parameters.insert_or_assign(key, std::move(value));
    });
    for (const auto& [key, value] : networkParameters_)
        parameters.insert_or_assign(key, value);
    // The page answers under this request's identifier, not the banner slot's (it has none).
    if (auto identifier = requestID())
        parameters["request_id"] = base::Value(*identifier);
    parameters[VDSDKCoreController::mediationMarkerKey] = base::Value("1");
    return parameters;
}

long VDMAdURLAdapter::requestedAdType() {
    return bannerSlot_->requestedAdType();
}

void VDMAdURLAdapter::setRequestID(const std::string& requestID) {
    std::lock_guard lock(mutex_);
    requestID_ = requestID;
}

std::optional<std::string> VDMAdURLAdapter::requestID() const {
    std::lock_guard lock(mutex_);
    return requestID_;
}

void VDMAdURLAdapter::loadAdURLWithParameters(const base::Value::Dictionary& parameters) {
    if (auto slot = listeningSlot())
        slot->loadAdURLWithParameters(parameters);
}

void VDMAdURLAdapter::loadAdHeaders(const std::shared_ptr<VDAd>& ad,
                                    const std::optional<net::HTTPHeaderFields>& headers) {
    if (auto slot = listeningSlot(); slot && ad)
        slot->loadAdHeaders(ad, headers);
    else if (!ad)
        failSoon("The page delivered no ad.");
}

void VDMAdURLAdapter::invalidJavaScriptRequest() {
    if (auto slot = listeningSlot())
        slot->invalidJavaScriptRequest();
}

void VDMAdURLAdapter::failedJavaScriptFile() {
    if (auto slot = listeningSlot())
        slot->failedJavaScriptFile();
}

void VDMAdURLAdapter::adURLRequestDidTimeOutWithError(const base::Error& error) {
    if (auto slot = listeningSlot())
        slot->adURLRequestDidTimeOutWithError(error);
}
