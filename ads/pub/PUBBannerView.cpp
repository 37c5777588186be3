#include "ads/pub/PUBBannerView.h"

#include "ads/pub/PUBCustomRenderedAd.h"

std::shared_ptr<PUBBannerView> PUBBannerView::createWithAdSize(VDAdSize size) {
    return createBannerWithFrameAdSize<PUBBannerView>(ui::Rect(), size);
}

std::shared_ptr<PUBBannerView> PUBBannerView::createWithAdSizeOrigin(VDAdSize size,
                                                                     ui::Point origin) {
    auto banner = createWithAdSize(size);
    if (banner)
        banner->setFrame(ui::Rect(origin, banner->frame().size));
    return banner;
}

PUBBannerView::PUBBannerView(Private, const ui::Rect& frame)
    : VDBannerView(Private{}, frame) {}

std::shared_ptr<PUBBannerViewDelegate> PUBBannerView::pubDelegate() const {
    return std::dynamic_pointer_cast<PUBBannerViewDelegate>(delegate());
}

void PUBBannerView::setValidAdSizes(std::vector<VDAdSize> sizes) {
    std::erase_if(sizes, [](VDAdSize size) { return !VDAdSizeIsValidWithError(size, nullptr); });
    validAdSizes_ = std::move(sizes);
}

void PUBBannerView::recordImpression() {
    slot()->pingManualTrackingURLs();
}

std::optional<bool> PUBBannerView::slotShouldPreemptInProgressRequest(VDSlot&) {
    return correlation_.shouldPreemptInProgressRequest();
}

void PUBBannerView::slotWillLoadAdWithRequest(VDSlot&, const VDRequest& request) {
    correlation_.willLoadAdWithRequest(request);
}

std::optional<std::vector<VDAdSize>> PUBBannerView::validAdSizes() const {
    if (validAdSizes_.empty())
        return std::nullopt;
    return validAdSizes_;
}

void PUBBannerView::slotWillResizeToAdSize(VDSlot&, VDAdSize size) {
    auto self = std::static_pointer_cast<PUBBannerView>(shared_from_this());
    if (auto delegate = pubDelegate())
        delegate->adViewWillChangeAdSizeTo(*this, size);
}

void PUBBannerView::slotDidReceiveAppEventWithInfo(VDSlot&, const std::string& name,
                                                   const std::optional<std::string>& info) {
    auto self = std::static_pointer_cast<PUBBannerView>(shared_from_this());
    if (auto delegate = pubDelegate())
        delegate->adViewDidReceiveAppEvent(*this, name, info);
}

std::optional<bool> PUBBannerView::slotNotifyPublisherToRenderCustomRenderingAd(
    VDSlot& slot, const std::shared_ptr<VDAd>& ad, std::optional<base::Error>&) {
    auto delegate = pubDelegate();
    // Refused (the slot fails the load) unless the host renders such ads: a slot moved to
    // rendering for a host that never finishes would wait for good.
    if (!delegate || !delegate->rendersCustomRenderedAds())
        return false;
    auto self = std::static_pointer_cast<PUBBannerView>(shared_from_this());
    slot.willStartAdRendering();
    delegate->bannerViewDidReceiveCustomRenderedAd(
        *this, PUBCustomRenderedAd::create(slot.shared_from_this(), ad));
    return true;
}
