#pragma once

#include <cstdint>
#include <optional>

class VDRequest;

// The PUB views' answer to whether a new load may replace one in progress: it may when the
// process's correlator (PUBRequestPrivate) changed since the load in progress began, that is
// when the host asked for a new correlator (a new page view); a load of the same page view
// waits for the one in progress. Main thread only.
class VIZAvizuverazad {
public:
    // The load that begins carries this request's correlation identifier.
    void willLoadAdWithRequest(const VDRequest& request);
    bool shouldPreemptInProgressRequest() const;

    std::optional<std::uint64_t> previousCorrelationID() const { return previousCorrelationID_; }

private:
    std::optional<std::uint64_t> previousCorrelationID_;
};
