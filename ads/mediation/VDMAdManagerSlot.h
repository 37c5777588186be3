#pragma once

#include "platform/ui/Geometry.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

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
    // The banner size the networks are asked for.
    virtual ui::Size requestedAdSize() const = 0;
    // The load in progress was started by the refresh timer (or a network refreshed itself).
    virtual bool hasAutoRefreshed() const = 0;

    // A network filled: its view goes into the slot's owner, then the ad is valid and loaded.
    virtual void setViewForAdUsingView(const std::shared_ptr<ui::View>& view) = 0;
    virtual void didReceiveValidAd() = 0;
    virtual void adFinishedLoadingContent() = 0;
    // No network filled (or the network on show failed its own refresh): the slot's owner
    // hears the request error of that code.
    virtual void mediationDidFailWithRequestErrorCode(long code) = 0;
    // The network on show loaded or failed a new ad by itself.
    virtual void mediatedAdNetworkAutoRefreshed() = 0;

    // The network's full-screen moments and clicks that leave the application.
    virtual void adWillPresentScreen() = 0;
    virtual void adWillDismissScreen() = 0;
    virtual void adDidDismissScreen() = 0;
    virtual void adWillLeaveApplication() = 0;
    virtual void willLeaveAppDueToClick() = 0;

    // Expands the ping templates of one network (or the default one when it has none) and
    // pings the URLs, each with the next sequence number and the session's identifier.
    virtual void
    trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
        const std::vector<std::string>& templates,
        const std::optional<std::string>& defaultTemplate, const std::string& networkID,
        const std::string& allocationID, const std::string& qData, const std::string& appKey,
        bool refresh, const std::optional<std::string>& durations,
        const std::optional<std::string>& exitCodes) = 0;
};
