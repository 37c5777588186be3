#include "ads/request/VDMAdapterRedodiVeDivAds.h"

#include "ads/foundation/VDClassRegistry.h"
#include "ads/mediation/VDMAdNetworkConnector.h"
#include "ads/request/VDBannerView.h"
#include "ads/request/VDMAdURLAdapter.h"
#include "ads/request/VDSlot.h"
#include "platform/base/RunLoop.h"

std::shared_ptr<VDMAdapterRedodiVeDivAds>
VDMAdapterRedodiVeDivAds::create(const std::shared_ptr<VDMAdNetworkConnector>& connector) {
    return std::make_shared<VDMAdapterRedodiVeDivAds>(Private{}, connector);
}

VDMAdapterRedodiVeDivAds::VDMAdapterRedodiVeDivAds(
    Private, const std::shared_ptr<VDMAdNetworkConnector>& connector)
    : VDMAdNetworkAdapter(connector) {}

void VDMAdapterRedodiVeDivAds::registerAdapterClasses() {
    if (!VDClassRegistry::classNamed(className))
        VDClassRegistry::registerClass(
            className, std::make_shared<VDMAdNetworkAdapterClassOf<VDMAdapterRedodiVeDivAds>>());
    if (!VDClassRegistry::classNamed(VDMAdURLAdapter::className))
        VDClassRegistry::registerClass(
            VDMAdURLAdapter::className,
            std::make_shared<VDMAdNetworkAdapterClassOf<VDMAdURLAdapter>>());
}

void VDMAdapterRedodiVeDivAds::failSoon(const std::string& reason) {
    base::RunLoop::main().dispatch([weakSelf = weak_from_this(), reason] {
        auto self = weakSelf.lock();
        if (!self)
            return;
        if (auto connector = self->listeningConnector())
            connector->adapterDidFailToReceiveAd(base::Error::make(errorDomain, 0, reason));
    });
}

void VDMAdapterRedodiVeDivAds::getBannerWithSize(ui::Size size) {
    auto connector = this->connector();
    if (!connector)
        return;
    const base::Value parameters(connector->network().parameters);
    auto slot = std::dynamic_pointer_cast<VDSlot>(connector->slot());
    std::optional<std::string> adUnitID = parameters["ad_unit_id"].stringValue();
    if ((!adUnitID || adUnitID->empty()) && slot)
        adUnitID = slot->adUnitID();
    if (!adUnitID || adUnitID->empty()) {
        failSoon("The network names no ad unit.");
        return;
    }
    banner_ = VDBannerView::createWithAdSize(VDAdSizeFromCGSize(size));
    if (!banner_) {
        failSoon("The requested size cannot be shown.");
        return;
    }
    auto owner = slot ? slot->slotDelegate() : nullptr;
    banner_->setAdUnitID(*adUnitID);
    banner_->setRootViewController(owner ? owner->rootViewController() : nullptr);
    banner_->setDelegate(weak_from_this());
    banner_->slot()->setReloadable(false);
    loadBanner(slot);
}

void VDMAdapterRedodiVeDivAds::loadBanner(const std::shared_ptr<VDSlot>& mediatingSlot) {
    banner_->loadRequest(mediatingSlot ? mediatingSlot->request() : nullptr);
}

std::shared_ptr<VDMAdNetworkConnector> VDMAdapterRedodiVeDivAds::listeningConnector() const {
    return delegating_ ? connector() : nullptr;
}

void VDMAdapterRedodiVeDivAds::stopBeingDelegate() {
    delegating_ = false;
    if (banner_)
        banner_->setDelegate({});
}

bool VDMAdapterRedodiVeDivAds::changeAdSizeTo(ui::Size size) {
    const VDAdSize adSize = VDAdSizeFromCGSize(size);
    if (!banner_ || !VDAdSizeIsValidWithError(adSize))
        return false;
    banner_->setAdSize(adSize);
    return true;
}

void VDMAdapterRedodiVeDivAds::adViewDidReceiveAd(VDBannerView& view) {
    if (auto connector = listeningConnector())
        connector->adapterDidReceiveAdView(view.shared_from_this());
}

void VDMAdapterRedodiVeDivAds::adViewDidFailToReceiveAdWithError(VDBannerView&,
                                                                 const base::Error& error) {
    if (auto connector = listeningConnector())
        connector->adapterDidFailToReceiveAd(error);
}

void VDMAdapterRedodiVeDivAds::adViewWillPresentScreen(VDBannerView&) {
    if (auto connector = listeningConnector())
        connector->adapterWillPresentFullScreen();
}

void VDMAdapterRedodiVeDivAds::adViewWillDismissScreen(VDBannerView&) {
    if (auto connector = listeningConnector())
        connector->adapterWillDismissFullScreen();
}

void VDMAdapterRedodiVeDivAds::adViewDidDismissScreen(VDBannerView&) {
    if (auto connector = listeningConnector())
        connector->adapterDidDismissFullScreen();
}

void VDMAdapterRedodiVeDivAds::adViewWillLeaveApplication(VDBannerView&) {
    if (auto connector = listeningConnector())
        connector->adapterWillLeaveApplication();
}
