#pragma once

#include "platform/base/Error.h"

#include <memory>

class VDMCustomEventBanner;
namespace ui {
class View;
}

// What a host's custom event tells the ads client, on the main thread: one of the first two
// ends its request; the others follow what the user does with the ad on show.
class VDMCustomEventBannerDelegate {
public:
    virtual ~VDMCustomEventBannerDelegate() = default;

    virtual void customEventBannerDidReceiveAd(VDMCustomEventBanner& event,
                                               const std::shared_ptr<ui::View>& view) = 0;
    virtual void customEventBannerDidFailAd(VDMCustomEventBanner& event,
                                            const base::Error& error) = 0;
    virtual void customEventBannerWillPresentModal(VDMCustomEventBanner& event) = 0;
    virtual void customEventBannerWillDismissModal(VDMCustomEventBanner& event) = 0;
    virtual void customEventBannerDidDismissModal(VDMCustomEventBanner& event) = 0;
    virtual void customEventBannerWillLeaveApplication(VDMCustomEventBanner& event) = 0;
};
