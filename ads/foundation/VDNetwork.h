#pragma once

#include "platform/base/DispatchQueue.h"
#include "platform/net/Reachability.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// What kind of network the device is on now and was on last, following the reachability of the
// ad service's host. The request parameters "net" and "net_last" come from here.
//
// Checking is off after create(). While it is on, the object keeps itself alive (so the
// reachability callback always finds it) until disableNetworkChecking(). Reachability callbacks
// arrive on the "viz.azodoz.eziro.network-enable" queue; the numbers change only on the
// "viz.azodoz.eziro.network" queue: setters queue their change there, readers wait for it, so
// a read right after a set may still see the old value. Any thread, but not from a function
// already running on either queue.
class VDNetwork : public std::enable_shared_from_this<VDNetwork> {
    struct Private {};

public:
    enum NetworkType : unsigned {
        NetworkTypeNone = 0,         // checking off, or no answer yet
        NetworkTypeNotReachable = 1, // no route to the host
        NetworkTypeWiFi = 2,         // reachable, not over the cellular radio
        NetworkTypeCellular = 3,     // reachable over the cellular radio
    };

    // The host whose reachability tells the network type.
    static constexpr const char* reachabilityHostName = "www.redodi.com";

    static std::shared_ptr<VDNetwork> create();
    explicit VDNetwork(Private);
    ~VDNetwork();
    VDNetwork(const VDNetwork&) = delete;
    VDNetwork& operator=(const VDNetwork&) = delete;

    // Sets the type to none and starts following the host's reachability; nothing when it is
    // on already. The type stays none until the first callback.
    void enableNetworkChecking();
    // Stops following, sets the type to none and lets the object go; nothing when it is off.
    void disableNetworkChecking();
    bool isNetworkCheckingEnabled() const;

    unsigned networkType() const;
    // A change to a type other than none counts in changeCount(), and a Wi-Fi or cellular type
    // becomes the last known one; setting the current type again changes nothing.
    void setNetworkType(unsigned type);
    // Cellular when the host is reachable over the cellular radio, Wi-Fi when it is reachable
    // otherwise, not reachable when the reachable flag is clear (whatever else is set).
    void setNetworkTypeFromFlags(net::ReachabilityFlags flags);
    unsigned changeCount() const;

    // "wi" for Wi-Fi, "ed" for cellular, nullopt for every other type.
    std::optional<std::string> networkTypeString() const;
    std::optional<std::string> lastKnownNetworkTypeString() const;

    static std::optional<std::string> stringForNetworkType(unsigned type);

    const base::DispatchQueue& lockQueue() const { return lockQueue_; }
    const base::DispatchQueue& enableCheckingQueue() const { return enableCheckingQueue_; }

private:
    // On lockQueue_.
    void applyNetworkType(unsigned type);

    // The object itself while checking is on.
    std::shared_ptr<VDNetwork> selfReference_;
    unsigned changeCount_ = 0;
    unsigned networkType_ = NetworkTypeNone;
    unsigned lastKnownNetworkType_ = NetworkTypeNone;
    base::DispatchQueue lockQueue_;
    base::DispatchQueue enableCheckingQueue_;
    std::shared_ptr<net::Reachability> reachability_;
};
