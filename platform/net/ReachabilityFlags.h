#pragma once

#include <cstdint>

namespace net {

// The reachability flag word, bit for bit as the platform defines it, so that code written
// against the platform's values reads them unchanged.
using ReachabilityFlags = std::uint32_t;

enum ReachabilityFlag : ReachabilityFlags {
    ReachabilityFlagTransientConnection = 1u << 0,
    ReachabilityFlagReachable = 1u << 1,
    ReachabilityFlagConnectionRequired = 1u << 2,
    ReachabilityFlagConnectionOnTraffic = 1u << 3,
    ReachabilityFlagInterventionRequired = 1u << 4,
    ReachabilityFlagConnectionOnDemand = 1u << 5,
    ReachabilityFlagIsLocalAddress = 1u << 16,
    ReachabilityFlagIsDirect = 1u << 17,
    ReachabilityFlagIsWWAN = 1u << 18,
};

} // namespace net
