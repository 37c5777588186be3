#pragma once

#include "platform/base/DispatchQueue.h"
#include "platform/net/Reachability.h"
#include "platform/net/ReachabilityFlags.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct sockaddr_in;

// How the network can be reached, by value.
enum NetworkStatus : std::int64_t {
    NotReachable = 0,
    ReachableViaWWAN = 1,
    ReachableViaWiFi = 2,
};

// Posted on the main run loop, with the Reachability as object, after each change while the
// notifier runs.
inline constexpr const char* kReachabilityChangedNotification = "kReachabilityChangedNotification";

// Whether a host, an address or the internet can be reached, with the answers the browser
// asks for (reachable at all, over Wi-Fi, over the mobile network, connection required) read
// afresh from the flags of one net::Reachability on every question. Once its notifier runs it
// reports each change through two optional blocks and kReachabilityChangedNotification, and
// keeps itself alive until stopNotifier().
class Reachability : public std::enable_shared_from_this<Reachability> {
    struct Private {};

public:
    using Block = std::function<void(Reachability&)>;

    static constexpr const char* serialQueueLabel = "com.morrowcliff.reachability";

    // Each gives null when no reference can be made for the target.
    static std::shared_ptr<Reachability> reachabilityWithHostname(const std::string& hostname);
    static std::shared_ptr<Reachability> reachabilityWithHostName(const std::string& hostName);
    static std::shared_ptr<Reachability> reachabilityWithAddress(const sockaddr_in* hostAddress);
    // 0.0.0.0: the internet at large.
    static std::shared_ptr<Reachability> reachabilityForInternetConnection();
    // 169.254.0.0: the link-local network.
    static std::shared_ptr<Reachability> reachabilityForLocalWiFi();
    // Takes ownership of the reference; null for a null reference.
    static std::shared_ptr<Reachability>
    createWithReachabilityRef(std::shared_ptr<net::Reachability> ref);

    Reachability(Private, std::shared_ptr<net::Reachability> ref);
    ~Reachability();
    Reachability(const Reachability&) = delete;
    Reachability& operator=(const Reachability&) = delete;

    // --- Properties.
    // Run on the serial queue when a change leaves the target reachable / unreachable. They
    // may be set while the notifier runs.
    Block reachableBlock() const;
    void setReachableBlock(Block block);
    Block unreachableBlock() const;
    void setUnreachableBlock(Block block);
    // Whether a connection over the mobile network counts as reachable; true at first.
    bool reachableOnWWAN() const { return reachableOnWWAN_; }
    void setReachableOnWWAN(bool on) { reachableOnWWAN_ = on; }
    const std::shared_ptr<net::Reachability>& reachabilityRef() const { return reachabilityRef_; }
    void setReachabilityRef(std::shared_ptr<net::Reachability> ref) {
        reachabilityRef_ = std::move(ref);
    }
    // Set while the notifier runs.
    const std::optional<base::DispatchQueue>& reachabilitySerialQueue() const {
        return reachabilitySerialQueue_;
    }
    void setReachabilitySerialQueue(std::optional<base::DispatchQueue> queue) {
        reachabilitySerialQueue_ = std::move(queue);
    }
    // The object itself while the notifier runs, so that it lives as long as it notifies.
    const std::shared_ptr<Reachability>& reachabilityObject() const { return reachabilityObject_; }
    void setReachabilityObject(std::shared_ptr<Reachability> object) {
        reachabilityObject_ = std::move(object);
    }

    // --- Notifier.
    bool startNotifier();
    void stopNotifier();
    void reachabilityChanged(net::ReachabilityFlags flags);

    // --- Questions, each reading the current flags.
    bool isReachableWithFlags(net::ReachabilityFlags flags) const;
    bool isReachable() const;
    bool isReachableViaWWAN() const;
    bool isReachableViaWiFi() const;
    bool connectionRequired() const;
    bool isConnectionRequired() const;
    bool isConnectionOnDemand() const;
    bool isInterventionRequired() const;
    NetworkStatus currentReachabilityStatus() const;
    // 0 when the flags cannot be read.
    net::ReachabilityFlags reachabilityFlags() const;
    // "Cellular", "WiFi" or "No Connection".
    std::string currentReachabilityString() const;
    // The flags as "WR ctiCDld", "-" for each flag not set.
    std::string currentReachabilityFlags() const;
    // "<Reachability: 0x…>"
    std::string description() const;

private:
    std::optional<net::ReachabilityFlags> readFlags() const;

    // Guards the two blocks, which the serial queue reads.
    mutable std::mutex blocksMutex_;
    Block reachableBlock_;
    Block unreachableBlock_;
    std::atomic<bool> reachableOnWWAN_ = true;
    // Whether changes are reported: cleared by stopNotifier() so that a change already on its
    // way runs no block.
    std::atomic<bool> notifying_ = false;
    // Counts stopNotifier() calls, so that a post still waiting for the main queue is dropped.
    std::atomic<std::uint64_t> stopCount_ = 0;
    std::shared_ptr<net::Reachability> reachabilityRef_;
    std::optional<base::DispatchQueue> reachabilitySerialQueue_;
    std::shared_ptr<Reachability> reachabilityObject_;
};
