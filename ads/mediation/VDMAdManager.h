#pragma once

#include "ads/mediation/VDMAdManagerSlot.h"
#include "ads/mediation/VDMConfig.h"
#include "platform/base/Timer.h"
#include "platform/ui/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class VDMAdNetworkConnector;

// The mediation waterfall of one slot (held weakly): it asks the networks of a mediation
// configuration (VDMConfig), in order, for an ad, each through the adapter registered under
// the class name the network gives (VDClassRegistry, VDMAdNetworkAdapterClass), and gives the
// first fill to the slot.
//
// Each network: the slot's adapter stopwatch starts, the adapter is asked, and a one-shot timer
// of the network's time-out runs. Whichever comes first ends the network: a fill (exit code 0),
// a failure (1), the time-out (2), or no adapter to ask (3). Its milliseconds and exit code go
// into the network's pings (VDMAdManagerSlot::trackMediationURLs...), then the slot's adapter
// statistics are reset. A fill gives the slot the network's view, then didReceiveValidAd and
// adFinishedLoadingContent; after the last network the slot hears the failure: no fill (9), or
// no adapter (8) when there were networks and none of them had one. Outcomes reach the slot on
// later turns of the main run loop, never from inside the call that started the waterfall.
//
// The network on show stays connected: a new ad it loads by itself reaches the slot as a
// refresh, a failed one of its own as a failure, each after mediatedAdNetworkAutoRefreshed.
//
// Main thread only.
class VDMAdManager : public std::enable_shared_from_this<VDMAdManager> {
    struct Private {};

public:
    enum ExitCode : long {
        ExitCodeFilled = 0,
        ExitCodeFailed = 1,
        ExitCodeTimedOut = 2,
        ExitCodeNoAdapter = 3,
    };
    static constexpr long mediationAdapterErrorCode = 8;
    static constexpr long mediationNoFillCode = 9;

    static std::shared_ptr<VDMAdManager> create();
    explicit VDMAdManager(Private) {}
    ~VDMAdManager();

    std::shared_ptr<VDMAdManagerSlot> slot() const { return slot_.lock(); }
    void setSlot(std::weak_ptr<VDMAdManagerSlot> slot) { slot_ = std::move(slot); }

    // Takes the configuration and starts its waterfall (a waterfall in progress is cancelled
    // first; the network on show stays until another fills).
    void loadAdWithConfiguration(VDMConfig configuration);
    // Asks the configuration's networks from the first.
    void makeAdRequest();
    // Stops the waterfall in progress and lets both the network being asked and the one on
    // show go: no outcome of theirs is reported.
    void cancel();
    bool isRequesting() const { return requestingConnector_ != nullptr || pendingStep_; }

    // The adapter class of the network whose ad is on show; nullopt while none is.
    std::optional<std::string> fillingAdapterClassName() const;
    // Asks the network on show to show an ad of the new banner size; false when none is on
    // show, for interstitials, or when it cannot.
    bool changeAdTypeTo(bool interstitial, ui::Size size);

    // The connector of the network being asked, and of the network on show.
    const std::shared_ptr<VDMAdNetworkConnector>& requestingConnector() const {
        return requestingConnector_;
    }
    const std::shared_ptr<VDMAdNetworkConnector>& receivedConnector() const {
        return receivedConnector_;
    }

    // --- From the connectors.
    void connectorDidReceiveAdView(VDMAdNetworkConnector& connector,
                                   const std::shared_ptr<ui::View>& view);
    void connectorDidFail(VDMAdNetworkConnector& connector);

private:
    // Runs the next step on a later turn, unless the waterfall changed meanwhile.
    void scheduleStep(void (VDMAdManager::*step)());
    void askNextNetwork();
    void finishWaterfallWithoutFill();
    void networkTimedOut();
    // Ends the timing of the network being asked, pings and resets the adapter statistics.
    void endNetworkWithExitCode(const VDMAdNetworkConfig& network, long exitCode);
    void dropConnector(std::shared_ptr<VDMAdNetworkConnector>& connector);
    // Ends the waterfall in progress (steps, timer, the network being asked).
    void stopAsking();
    void stopTimeoutTimer();

    std::weak_ptr<VDMAdManagerSlot> slot_;
    std::optional<VDMConfig> configuration_;
    std::size_t nextNetwork_ = 0;
    bool anyAdapterFound_ = false;
    // Changes with every waterfall and cancel: steps scheduled for an older one do nothing.
    std::uint64_t generation_ = 0;
    bool pendingStep_ = false;
    std::shared_ptr<base::Timer> timeoutTimer_;
    std::shared_ptr<VDMAdNetworkConnector> requestingConnector_;
    std::shared_ptr<VDMAdNetworkConnector> receivedConnector_;
};
