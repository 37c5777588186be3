#pragma once

#include <memory>

class VDSlotStatistics;
namespace ui {
class View;
}

// What the mediation manager needs of the slot whose mediated ad it loads (the request
// layer's VDSlot implements it). Main thread only.
class VDMAdManagerSlot {
public:
    virtual ~VDMAdManagerSlot() = default;

    virtual std::shared_ptr<VDSlotStatistics> slotStats() const = 0;
    virtual bool requestsInterstitialAd() const = 0;

    // A network filled: its view goes into the slot's owner, then the ad is valid and loaded.
    virtual void setViewForAdUsingView(const std::shared_ptr<ui::View>& view) = 0;
    virtual void didReceiveValidAd() = 0;
    virtual void adFinishedLoadingContent() = 0;
    // No network filled: the slot's load fails with the request error of that code (9, no
    // fill from any network).
    virtual void mediationDidFailWithRequestErrorCode(long code) = 0;
};
