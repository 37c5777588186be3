#pragma once

#include "ads/mediation/VDMAdManagerSlot.h"
#include "platform/base/Value.h"
#include "platform/ui/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// The mediation waterfall of one slot: it asks the networks of a mediation configuration, in
// order, for an ad, through the adapter each names, and reports the first fill or the failure
// to its slot (held weakly).
//
// A configuration is the dictionary of a mediation response: "ad_networks", an array of
// dictionaries each naming its adapter class under "adapter". A network whose adapter is not
// built into the program (VDMediationAdapters) is passed over. This program holds no network
// adapter of its own yet, so today every waterfall ends without a fill: the slot hears
// mediationDidFailWithRequestErrorCode with code 9 (mediation no fill), on a later turn of the main
// run loop, unless cancel() came first.
//
// Main thread only.
class VDMAdManager : public std::enable_shared_from_this<VDMAdManager> {
    struct Private {};

public:
    static constexpr const char* adNetworksKey = "ad_networks";
    static constexpr const char* adapterKey = "adapter";
    static constexpr long mediationNoFillCode = 9;

    static std::shared_ptr<VDMAdManager> create();
    explicit VDMAdManager(Private) {}

    std::shared_ptr<VDMAdManagerSlot> slot() const { return slot_.lock(); }
    void setSlot(std::weak_ptr<VDMAdManagerSlot> slot) { slot_ = std::move(slot); }

    // Starts the waterfall over the configuration's networks; a waterfall in progress is
    // cancelled first.
    void loadAdWithConfiguration(const base::Value::Dictionary& configuration);
    // Drops the waterfall in progress: its outcome is never reported.
    void cancel();
    bool isRequesting() const { return requesting_; }

    // The adapter class of the network whose ad is on show; nullopt while none is.
    const std::optional<std::string>& fillingAdapterClassName() const {
        return fillingAdapterClassName_;
    }
    // Asks the network on show to show an ad of the new banner size; false when no network's
    // ad is on show (always, while the program holds no network adapter) or it cannot change.
    bool changeAdTypeTo(bool interstitial, ui::Size size);

private:
    void finishWaterfall(std::uint64_t waterfall);

    std::weak_ptr<VDMAdManagerSlot> slot_;
    std::uint64_t waterfall_ = 0;
    bool requesting_ = false;
    std::optional<std::string> fillingAdapterClassName_;
};
