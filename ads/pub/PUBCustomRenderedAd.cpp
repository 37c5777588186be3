#include "ads/pub/PUBCustomRenderedAd.h"

#include "ads/request/VDAd.h"
#include "ads/request/VDSlot.h"

std::shared_ptr<PUBCustomRenderedAd>
PUBCustomRenderedAd::create(const std::shared_ptr<VDSlot>& slot, const std::shared_ptr<VDAd>& ad) {
    return std::make_shared<PUBCustomRenderedAd>(Private{}, slot, ad);
}

PUBCustomRenderedAd::PUBCustomRenderedAd(Private, const std::shared_ptr<VDSlot>& slot,
                                         const std::shared_ptr<VDAd>& ad)
    : slot_(slot)
    , ad_(ad) {}

const std::optional<std::string>& PUBCustomRenderedAd::adHTML() const {
    return ad_->adHTML();
}

const std::optional<base::URL>& PUBCustomRenderedAd::adBaseURL() const {
    return ad_->adBaseURL();
}

std::shared_ptr<VDSlot> PUBCustomRenderedAd::currentSlot() const {
    auto slot = slot_.lock();
    return slot && slot->ad() == ad_ ? slot : nullptr;
}

void PUBCustomRenderedAd::finishedRenderingAdView() {
    auto slot = currentSlot();
    if (!slot || finished_ || slot->state() != VDSlot::StateRendering)
        return;
    finished_ = true;
    slot->didReceiveValidAd();
    slot->adFinishedLoadingContent();
}

void PUBCustomRenderedAd::recordClick() {
    if (auto slot = currentSlot())
        slot->pingClickURLs();
}

void PUBCustomRenderedAd::recordImpression() {
    if (auto slot = currentSlot())
        slot->didMakeAdImpression();
}
