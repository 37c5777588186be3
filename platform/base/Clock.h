#pragma once

#include "platform/base/Date.h"
#include "platform/base/Seconds.h"

#include <cstdint>
#include <memory>
#include <string>

namespace base {

// The process's sources of time. Everything reads time through Clock::current() so that
// tests can install a ManualClock and step it.
class Clock {
public:
    virtual ~Clock() = default;

    // Nanoseconds of a monotonic clock that never goes back; its origin is arbitrary.
    virtual std::int64_t monotonicNanoseconds() const = 0;
    // Wall time.
    virtual Date now() const = 0;
    // The local time zone's offset from UTC at the given moment, in seconds.
    virtual int secondsFromGMT(Date at) const = 0;
    // The local time zone's name ("Europe/Paris", or "UTC" when unknown).
    virtual std::string timeZoneName() const = 0;
    // A manual clock moves only when told; the run loop never sleeps on it.
    virtual bool isManual() const { return false; }

    static Clock& current();
    // Installs a clock for the whole process; returns the one it replaces. nullptr restores
    // the system clock.
    static std::shared_ptr<Clock> install(std::shared_ptr<Clock> clock);
};

class SystemClock final : public Clock {
public:
    std::int64_t monotonicNanoseconds() const override;
    Date now() const override;
    int secondsFromGMT(Date at) const override;
    std::string timeZoneName() const override;
};

// A clock for tests: starts at a fixed wall time and moves only through advance().
// Use RunLoop::advance() instead when timers due in between must fire.
class ManualClock final : public Clock {
public:
    explicit ManualClock(Date start = Date(1'700'000'000), int secondsFromGMT = 0,
                         std::string zoneName = "UTC");

    std::int64_t monotonicNanoseconds() const override;
    Date now() const override;
    int secondsFromGMT(Date at) const override;
    std::string timeZoneName() const override;
    bool isManual() const override { return true; }

    void advance(Seconds by);
    void advanceNanoseconds(std::int64_t nanoseconds);
    void setNow(Date wallTime); // moves wall time only; monotonic time never goes back
    void setZone(int secondsFromGMT, std::string name);

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace base
