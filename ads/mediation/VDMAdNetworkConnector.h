#pragma once

#include "ads/mediation/VDMAdNetworkConfig.h"
#include "platform/base/Error.h"

#include <memory>

class VDMAdManager;
class VDMAdManagerSlot;
class VDMAdNetworkAdapter;
namespace ui {
class View;
}

// The link between the mediation manager and one network's adapter: it gives the adapter its
// network's configuration and carries what the adapter reports back to the manager. The
// full-screen moments of the network's ad are posted on the default notification center
// ("kAdModalViewControllerWillPresentFullScreen", "kAdModalViewControllerDidDismissFullScreen",
// so every slot pauses its refresh meanwhile) and reach the slot's owner as its screen events.
// A connector the manager has let go of passes nothing on. Main thread only.
class VDMAdNetworkConnector : public std::enable_shared_from_this<VDMAdNetworkConnector> {
    struct Private {};

public:
    static std::shared_ptr<VDMAdNetworkConnector> create(std::weak_ptr<VDMAdManager> manager,
                                                         VDMAdNetworkConfig network);
    VDMAdNetworkConnector(Private, std::weak_ptr<VDMAdManager> manager, VDMAdNetworkConfig network);

    const VDMAdNetworkConfig& network() const { return network_; }
    const std::shared_ptr<VDMAdNetworkAdapter>& adapter() const { return adapter_; }
    void setAdapter(std::shared_ptr<VDMAdNetworkAdapter> adapter) { adapter_ = std::move(adapter); }
    // The manager no longer listens: every later report is dropped.
    void disconnect();
    // The slot the network's ad is for, while the manager listens.
    std::shared_ptr<VDMAdManagerSlot> slot() const;

    // --- What the adapter reports.
    // The network's ad is in the view; a network whose ad is on show may report a new one (it
    // refreshed by itself).
    void adapterDidReceiveAdView(const std::shared_ptr<ui::View>& view);
    // The network has no ad; after its ad was on show, its own refresh failed.
    void adapterDidFailToReceiveAd(const base::Error& error);
    void adapterWillPresentFullScreen();
    void adapterWillDismissFullScreen();
    void adapterDidDismissFullScreen();
    void adapterWillLeaveApplication();

private:
    std::shared_ptr<VDMAdManager> manager() const;

    std::weak_ptr<VDMAdManager> manager_;
    VDMAdNetworkConfig network_;
    std::shared_ptr<VDMAdNetworkAdapter> adapter_;
    bool connected_ = true;
};
