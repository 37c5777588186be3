#pragma once

#include "platform/net/ReachabilitySource.h"

#include <map>
#include <mutex>
#include <string>

namespace net {

// A reachability source for tests: every target reads the flags the test set (Reachable
// unless told otherwise), a host name may be given flags of its own, and each change tells the
// observers at once, on the calling thread (so, while observed, known answers are kept until
// the next change, as the system's watcher lets them be).
class FakeReachabilitySource final : public ReachabilitySource {
public:
    explicit FakeReachabilitySource(ReachabilityFlags flags = ReachabilityFlagReachable)
        : flags_(flags) {}

    // Flags for every target without flags of its own; observers are told when they change.
    void setFlags(ReachabilityFlags flags);
    // Flags for one host name only.
    void setFlagsForHostName(const std::string& host, ReachabilityFlags flags);
    // While unreadable, every question answers nullopt (the flags cannot be read).
    void setReadable(bool readable);
    // How many times the flags were read (tests check that an answer was read afresh, or
    // that a known one was not read again).
    int queryCount() const;

private:
    std::optional<ReachabilityFlags> readFlags(const ReachabilityTarget& target) override;
    bool followsChanges() const override { return true; }

    mutable std::mutex mutex_;
    ReachabilityFlags flags_;
    std::map<std::string, ReachabilityFlags> hostFlags_;
    bool readable_ = true;
    int queries_ = 0;
};

} // namespace net
