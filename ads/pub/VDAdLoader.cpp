#include "ads/pub/VDAdLoader.h"

#include "ads/foundation/VDJSONUtilities.h"
#include "ads/pub/VDNativeAd.h"
#include "ads/request/VDAd.h"
#include "ads/request/VDRequestError.h"

std::shared_ptr<VDAdLoader> VDAdLoader::create(std::string adUnitID) {
    auto loader = std::make_shared<VDAdLoader>(Private{}, std::move(adUnitID));
    loader->slot_ = VDSlot::create();
    loader->slot_->setAdUnitID(loader->adUnitID_);
    loader->slot_->setSlotDelegate(loader);
    loader->slot_->setAdResponseDelegate(loader);
    loader->preprocessor_ = std::make_shared<VDAdPreprocessor>(loader);
    loader->slot_->setAdEventDelegate(loader->preprocessor_);
    return loader;
}

VDAdLoader::VDAdLoader(Private, std::string adUnitID)
    : adUnitID_(std::move(adUnitID)) {}

VDAdLoader::~VDAdLoader() {
    if (slot_)
        slot_->cancelPendingAndFutureActions();
}

void VDAdLoader::loadRequest(const std::shared_ptr<VDRequest>& request) {
    slot_->loadRequest(request);
}

bool VDAdLoader::slotDidReceiveAd(VDSlot& slot, const std::shared_ptr<VDAd>& ad) {
    if (ad->responseType() != VDAd::ResponseTypeNativeJSON)
        return false;
    auto self = shared_from_this();
    const auto decoded = vd_decodedJSONObjectError(ad->adHTML().value_or(""));
    if (!decoded || !decoded->dictionary()) {
        slot.didFailToReceiveAdWithErrorShouldCancelPendingActions(
            VDRequestError(VDRequestError::kVDErrorReceivedInvalidResponse, slot.request().get()),
            false);
        return true;
    }
    auto nativeAd = VDNativeAd::create(*ad, *decoded->dictionary());
    slot.finishedLoadingAdResponse(ad);
    slot.didReceiveValidAd();
    if (auto delegate = this->delegate())
        delegate->adLoaderDidReceiveNativeAd(*this, nativeAd);
    return true;
}

void VDAdLoader::slotDidFailToReceiveAdWithError(VDSlot&, const std::optional<base::Error>&) {}

void VDAdLoader::didFailToReceiveAdWithError(const base::Error& error) {
    auto self = shared_from_this();
    if (auto delegate = this->delegate())
        delegate->adLoaderDidFailToReceiveAdWithError(*this, error);
}
