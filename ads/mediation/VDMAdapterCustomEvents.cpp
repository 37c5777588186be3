#include "ads/mediation/VDMAdapterCustomEvents.h"

#include "ads/foundation/VDLogger.h"
#include "ads/mediation/VDMAdNetworkConnector.h"
#include "platform/base/RunLoop.h"

std::shared_ptr<VDMAdapterCustomEvents>
VDMAdapterCustomEvents::create(const std::shared_ptr<VDMAdNetworkConnector>& connector) {
    return std::make_shared<VDMAdapterCustomEvents>(Private{}, connector);
}

VDMAdapterCustomEvents::VDMAdapterCustomEvents(
    Private, const std::shared_ptr<VDMAdNetworkConnector>& connector)
    : VDMAdNetworkAdapter(connector) {}

void VDMAdapterCustomEvents::getBannerWithSize(ui::Size size) {
    auto connector = this->connector();
    if (!connector)
        return;
    const base::Value parameters(connector->network().parameters);
    const auto name = parameters["class_name"].stringValue().value_or("");
    auto eventClass = VDClassRegistry::classNamed<VDMCustomEventBannerClass>(name);
    event_ = eventClass ? eventClass->makeCustomEventBanner() : nullptr;
    if (!event_) {
        const std::string message = "Custom event class " + name + " is not available.";
        VDLogger::sharedInstance()->logPublicMessage(message);
        base::RunLoop::main().dispatch([weakSelf = weak_from_this(), message] {
            auto self = weakSelf.lock();
            if (!self || !self->delegating_)
                return;
            if (auto connector = self->connector())
                connector->adapterDidFailToReceiveAd(base::Error::make(errorDomain, 0, message));
        });
        return;
    }
    event_->setDelegate(weak_from_this());
    event_->requestBannerAd(size, parameters["parameter"].stringValue(),
                            parameters["label"].stringValue());
}

void VDMAdapterCustomEvents::stopBeingDelegate() {
    delegating_ = false;
    if (event_)
        event_->setDelegate({});
}

std::shared_ptr<VDMAdNetworkConnector>
VDMAdapterCustomEvents::listeningConnector(VDMCustomEventBanner& event) const {
    if (!delegating_ || &event != event_.get())
        return nullptr;
    return connector();
}

void VDMAdapterCustomEvents::customEventBannerDidReceiveAd(VDMCustomEventBanner& event,
                                                           const std::shared_ptr<ui::View>& view) {
    if (!view) {
        customEventBannerDidFailAd(event, base::Error::make(errorDomain, 0, "No view."));
        return;
    }
    if (auto connector = listeningConnector(event))
        connector->adapterDidReceiveAdView(view);
}

void VDMAdapterCustomEvents::customEventBannerDidFailAd(VDMCustomEventBanner& event,
                                                        const base::Error& error) {
    if (auto connector = listeningConnector(event))
        connector->adapterDidFailToReceiveAd(error);
}

void VDMAdapterCustomEvents::customEventBannerWillPresentModal(VDMCustomEventBanner& event) {
    if (auto connector = listeningConnector(event))
        connector->adapterWillPresentFullScreen();
}

void VDMAdapterCustomEvents::customEventBannerWillDismissModal(VDMCustomEventBanner& event) {
    if (auto connector = listeningConnector(event))
        connector->adapterWillDismissFullScreen();
}

void VDMAdapterCustomEvents::customEventBannerDidDismissModal(VDMCustomEventBanner& event) {
    if (auto connector = listeningConnector(event))
        connector->adapterDidDismissFullScreen();
}

void VDMAdapterCustomEvents::customEventBannerWillLeaveApplication(VDMCustomEventBanner& event) {
    if (auto connector = listeningConnector(event))
        connector->adapterWillLeaveApplication();
}
