#pragma once

#include "ads/foundation/VDClassRegistry.h"
#include "platform/ui/Geometry.h"

#include <memory>
#include <string>

class VDMAdNetworkConnector;

// One ad network as the mediation waterfall asks it: made for one network of a configuration
// with its connector, which it tells of the outcome (VDMAdNetworkConnector). A request ends in
// exactly one of adapterDidReceiveAdView or adapterDidFailToReceiveAd, at once or later on the
// main thread; once the manager has called stopBeingDelegate the adapter tells nothing more.
// Main thread only.
class VDMAdNetworkAdapter {
public:
    virtual ~VDMAdNetworkAdapter() = default;

    // The registered class name (what the configuration names and the slot reports).
    virtual std::string adapterClassName() const = 0;
    virtual void getBannerWithSize(ui::Size size) = 0;
    // Networks that serve no interstitials fail at once, which this default does.
    virtual void getInterstitial();
    // Stops every report to the connector and any work in progress.
    virtual void stopBeingDelegate() = 0;
    // Asks the network whose ad is on show to show one of the new size; false when it cannot.
    virtual bool changeAdSizeTo(ui::Size size) {
        (void)size;
        return false;
    }

    std::shared_ptr<VDMAdNetworkConnector> connector() const { return connector_.lock(); }

protected:
    explicit VDMAdNetworkAdapter(std::weak_ptr<VDMAdNetworkConnector> connector)
        : connector_(std::move(connector)) {}

private:
    std::weak_ptr<VDMAdNetworkConnector> connector_;
};

// What is registered in VDClassRegistry under an adapter's class name: it makes the adapter
// for one network.
class VDMAdNetworkAdapterClass : public VDClassRegistry::Class {
public:
    virtual std::shared_ptr<VDMAdNetworkAdapter>
    adapterWithConnector(const std::shared_ptr<VDMAdNetworkConnector>& connector) const = 0;
};

// The class of an adapter type made by Adapter::create(connector).
template <class Adapter> class VDMAdNetworkAdapterClassOf final : public VDMAdNetworkAdapterClass {
public:
    std::shared_ptr<VDMAdNetworkAdapter>
    adapterWithConnector(const std::shared_ptr<VDMAdNetworkConnector>& connector) const override {
        return Adapter::create(connector);
    }
};
