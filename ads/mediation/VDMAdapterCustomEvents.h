#pragma once

#include "ads/mediation/VDMAdNetworkAdapter.h"
#include "ads/mediation/VDMCustomEventBanner.h"

#include <memory>

// The built-in adapter of a network that is a host's custom event (VDMCustomEventBanner): the
// network's "parameters" name the event's class ("class_name", registered by the host) and
// what it is given ("parameter", "label"). A class that is not registered fails the network.
// Banners only.
class VDMAdapterCustomEvents final : public VDMAdNetworkAdapter,
                                     public VDMCustomEventBannerDelegate,
                                     public std::enable_shared_from_this<VDMAdapterCustomEvents> {
    struct Private {};

public:
    static constexpr const char* className = "VDMAdapterCustomEvents";
    static constexpr const char* errorDomain = "VDMAdapterCustomEvents";

    static std::shared_ptr<VDMAdapterCustomEvents>
    create(const std::shared_ptr<VDMAdNetworkConnector>& connector);
    VDMAdapterCustomEvents(Private, const std::shared_ptr<VDMAdNetworkConnector>& connector);

    std::string adapterClassName() const override { return className; }
    void getBannerWithSize(ui::Size size) override;
    void stopBeingDelegate() override;

    const std::shared_ptr<VDMCustomEventBanner>& customEvent() const { return event_; }

    // --- VDMCustomEventBannerDelegate.
    void customEventBannerDidReceiveAd(VDMCustomEventBanner& event,
                                       const std::shared_ptr<ui::View>& view) override;
    void customEventBannerDidFailAd(VDMCustomEventBanner& event, const base::Error& error) override;
    void customEventBannerWillPresentModal(VDMCustomEventBanner& event) override;
    void customEventBannerWillDismissModal(VDMCustomEventBanner& event) override;
    void customEventBannerDidDismissModal(VDMCustomEventBanner& event) override;
    void customEventBannerWillLeaveApplication(VDMCustomEventBanner& event) override;

private:
    // The connector while the event is this adapter's and the manager listens.
    std::shared_ptr<VDMAdNetworkConnector> listeningConnector(VDMCustomEventBanner& event) const;

    std::shared_ptr<VDMCustomEventBanner> event_;
    bool delegating_ = true;
};
