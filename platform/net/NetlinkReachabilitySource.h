#pragma once

#include "platform/net/ReachabilitySource.h"

#include <atomic>
#include <thread>

namespace net {

// The system's reachability: reads the kernel's links and routes through rtnetlink.
// - The default route (and the unspecified address) is reachable when a default route leaves
//   through a link that is up and running and is not the loopback.
// - An address is looked up in the routing tables: one of the machine's own addresses is
//   Reachable|IsLocalAddress|IsDirect; an address on an attached subnet is Reachable|IsDirect;
//   one reached through a gateway is Reachable.
// - A host name is never resolved here (a synchronous question must not wait on DNS):
//   "localhost" counts as the loopback address, a numeric name as that address, and any other
//   name as reachable exactly when the default route is.
// While observed, a background thread listens to the kernel's link, address and route events
// and tells the observers after each burst of them; meanwhile answers already read are known
// (ReachabilitySource) and cost no new netlink query.
class NetlinkReachabilitySource final : public ReachabilitySource {
public:
    NetlinkReachabilitySource() = default;
    ~NetlinkReachabilitySource() override;

private:
    std::optional<ReachabilityFlags> readFlags(const ReachabilityTarget& target) override;
    bool followsChanges() const override { return listening_; }
    void startWatching() override;
    void stopWatching() override;
    void watch(int socket, int stopEvent);

    std::thread watcher_;
    // Set while the watcher listens to the kernel's events.
    std::atomic<bool> listening_ = false;
    int stopEvent_ = -1;
};

} // namespace net
