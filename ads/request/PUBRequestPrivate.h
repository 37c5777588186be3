#pragma once

#include "platform/base/DispatchQueue.h"

#include <cstdint>
#include <memory>

// The correlation identifier shared by every request of the process (sent as
// "correlation_id"), so that the server can tell which ads were asked for together. It changes
// only when the host asks for a new correlator. Reads wait on the "viz.azodoz.eziro.pub-request"
// queue, updates are queued there, so a read after an update sees the new value.
class PUBRequestPrivate {
    struct Private {};

public:
    // A process service (platform/base/ProcessWide.h).
    static std::shared_ptr<PUBRequestPrivate> sharedInstance();

    explicit PUBRequestPrivate(Private);
    PUBRequestPrivate(const PUBRequestPrivate&) = delete;
    PUBRequestPrivate& operator=(const PUBRequestPrivate&) = delete;

    std::uint64_t correlationID() const;
    // Draws a new identifier, different from the current one.
    void updateCorrelationID();

    // A random identifier in 1 … 2³² − 2, other than `excluded`; 0 when five draws in a row
    // give none.
    static std::uint64_t drawCorrelationID(std::uint64_t excluded);

private:
    std::uint64_t correlationID_; // on queue_
    // Last, so that it goes first: a queued update finishes while the identifier still exists.
    base::DispatchQueue queue_;
};
