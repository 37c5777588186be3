#include "ads/mediation/VDMAdNetworkConnector.h"

#include "ads/mediation/VDMAdManager.h"
#include "ads/presentation/VDFullScreenNotifications.h"
#include "platform/base/NotificationCenter.h"

std::shared_ptr<VDMAdNetworkConnector>
VDMAdNetworkConnector::create(std::weak_ptr<VDMAdManager> manager, VDMAdNetworkConfig network) {
    return std::make_shared<VDMAdNetworkConnector>(Private{}, std::move(manager),
                                                   std::move(network));
}

VDMAdNetworkConnector::VDMAdNetworkConnector(Private, std::weak_ptr<VDMAdManager> manager,
                                             VDMAdNetworkConfig network)
    : manager_(std::move(manager))
    , network_(std::move(network)) {}

void VDMAdNetworkConnector::disconnect() {
    connected_ = false;
}

std::shared_ptr<VDMAdManagerSlot> VDMAdNetworkConnector::slot() const {
    auto manager = this->manager();
    return manager ? manager->slot() : nullptr;
}

std::shared_ptr<VDMAdManager> VDMAdNetworkConnector::manager() const {
    return connected_ ? manager_.lock() : nullptr;
}

void VDMAdNetworkConnector::adapterDidReceiveAdView(const std::shared_ptr<ui::View>& view) {
    auto self = shared_from_this();
    if (auto manager = this->manager())
        manager->connectorDidReceiveAdView(*this, view);
}

void VDMAdNetworkConnector::adapterDidFailToReceiveAd(const base::Error&) {
    auto self = shared_from_this();
    if (auto manager = this->manager())
        manager->connectorDidFail(*this);
}

void VDMAdNetworkConnector::adapterWillPresentFullScreen() {
    auto manager = this->manager();
    if (!manager)
        return;
    base::NotificationCenter::defaultCenter().post(kAdModalViewControllerWillPresentFullScreen,
                                                   nullptr);
    if (auto slot = manager->slot())
        slot->adWillPresentScreen();
}

void VDMAdNetworkConnector::adapterWillDismissFullScreen() {
    if (auto manager = this->manager())
        if (auto slot = manager->slot())
            slot->adWillDismissScreen();
}

void VDMAdNetworkConnector::adapterDidDismissFullScreen() {
    auto manager = this->manager();
    if (!manager)
        return;
    base::NotificationCenter::defaultCenter().post(kAdModalViewControllerDidDismissFullScreen,
                                                   nullptr);
    if (auto slot = manager->slot())
        slot->adDidDismissScreen();
}

void VDMAdNetworkConnector::adapterWillLeaveApplication() {
    if (auto manager = this->manager()) {
        if (auto slot = manager->slot()) {
            slot->adWillLeaveApplication();
            slot->willLeaveAppDueToClick();
        }
    }
}
