#pragma once

#include "platform/base/Value.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

// A named stopwatch over the monotonic clock, with user data. Idle (both stamps 0), running
// (start > 0, end 0) or ended (both > 0). May be started on one thread and read on another.
//
// Its dictionary representation, also the persisted form: "category" (string), "start" and
// "end" (seconds, doubles) and, when there is user data, "userData" (dictionary).
class VDTiming {
    struct Private {};

public:
    // Seconds of the monotonic clock.
    static double counter();

    // A timing named after the category, or "VDTiming (0x…)" with its address when none is
    // given.
    static std::shared_ptr<VDTiming> create(std::optional<std::string> category = std::nullopt);
    static std::shared_ptr<VDTiming> createWithCategory(std::optional<std::string> category) {
        return create(std::move(category));
    }
    // Stamps that are missing, not numbers or not finite read as 0; user data keeps only
    // property-list values.
    static std::shared_ptr<VDTiming>
    createWithDictionaryRepresentation(const base::Value::Dictionary& representation);

    VDTiming(Private, std::optional<std::string> category);
    VDTiming(const VDTiming&) = delete;
    VDTiming& operator=(const VDTiming&) = delete;

    base::Value::Dictionary dictionaryRepresentation() const;
    // A new timing made from the dictionary representation: explicitEnd is not copied.
    std::shared_ptr<VDTiming> copy() const;
    // "VDTiming (0x…): {…}"
    std::string description() const;

    // Begins a new run.
    void start();
    // Ends a running timing; an idle one stays idle.
    void end();
    void reset();
    // Running timings answer the time so far, or 0 with explicitEnd set. Never started: 0.
    std::uint64_t elapsedMilliseconds() const;
    std::string elapsedMillisecondsString() const;
    bool isActive() const;

    // Stores the value under the key. Only property-list values are kept (strings, numbers,
    // data, dates, and arrays and dictionaries of them), so that the timing can always be
    // persisted: anything else, a null value included, is refused (false).
    bool setValueForKey(const base::Value& value, const std::string& key);
    // Null when absent.
    base::Value valueForKey(const std::string& key) const;
    void removeValueForKey(const std::string& key);
    base::Value::Dictionary keysAndValues() const;

    std::string category() const;
    void setCategory(std::string category);
    bool explicitEnd() const { return explicitEnd_; }
    void setExplicitEnd(bool explicitEnd) { explicitEnd_ = explicitEnd; }
    double startTimestamp() const;
    void setStartTimestamp(double seconds);
    double endTimestamp() const;
    void setEndTimestamp(double seconds);

private:
    // Guards category and user data.
    mutable std::mutex objectLock_;
    base::Value::Dictionary userData_;
    std::atomic<bool> explicitEnd_{false};
    std::string category_;
    // Guards the two stamps.
    mutable std::mutex timeIntervalLock_;
    double startTimestamp_ = 0;
    double endTimestamp_ = 0;
};
