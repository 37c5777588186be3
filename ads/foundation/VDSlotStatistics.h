#pragma once

#include "ads/foundation/VDStatistics.h"

#include <memory>
#include <optional>
#include <string>

// A slot's persisted statistics, identified by its ad unit: the durations and exit codes of
// the mediation adapters it ran ("adapter_duration" and "adapter_exit", decimal strings, one
// of each per adapter, always in step), with the adapter stopwatch in the timing manager.
class VDSlotStatistics final : public VDStatistics {
public:
    static std::shared_ptr<VDSlotStatistics> create() {
        return std::make_shared<VDSlotStatistics>();
    }

    const std::optional<std::string>& identifier() const { return identifier_; }
    // A new identifier (compared by value) goes to the statistics store and the timing manager,
    // each of which saves under the old one first.
    void setIdentifier(std::string identifier);

    void startTimingAdapter();
    // Ends the adapter stopwatch and records its milliseconds with the exit code. Without a
    // stopwatch, or when either list is not an array, nothing is recorded.
    void endTimingAdapterWithExitCode(long exitCode);
    void resetTimingAdapters();

    // The recorded values joined with ","; nullopt before any.
    std::optional<std::string> adapterExitCodesParameter() const;
    std::optional<std::string> adapterDurationsParameter() const;

private:
    std::optional<std::string> joinedArrayForKey(const std::string& key) const;

    std::optional<std::string> identifier_;
};
