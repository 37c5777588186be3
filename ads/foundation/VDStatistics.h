#pragma once

#include "ads/foundation/VDStatisticsCore.h"
#include "ads/foundation/VDTiming.h"
#include "ads/foundation/VDTimingManager.h"

#include <memory>
#include <string>

// A persisted statistics store with named stopwatches beside it. Used from one thread at a
// time (its owner's).
class VDStatistics {
public:
    VDStatistics();
    virtual ~VDStatistics() = default;
    VDStatistics(const VDStatistics&) = delete;
    VDStatistics& operator=(const VDStatistics&) = delete;

    const std::shared_ptr<VDStatisticsCore>& statistics() const { return statistics_; }
    const std::shared_ptr<VDTimingManager>& timingManager() const { return timingManager_; }

    // Null when there is no timing of that name.
    std::shared_ptr<VDTiming> timingNamed(const std::string& name) const;
    // Replaces any timing of that name with a new one, started.
    void startTimingNamedWithExplicitEnd(const std::string& name, bool explicitEnd);
    void endTimingNamed(const std::string& name);

private:
    const std::shared_ptr<VDStatisticsCore> statistics_;
    const std::shared_ptr<VDTimingManager> timingManager_;
};
