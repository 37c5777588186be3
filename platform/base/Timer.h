#pragma once

#include "platform/base/Seconds.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace base {

class RunLoop;

// A timer on the main run loop. The loop keeps a valid timer alive; invalidate() removes it.
// A repeating timer's interval is at least 0.1 ms so that it can never spin the loop.
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Callback = std::function<void(Timer&)>;

    // Schedules a timer that first fires after `interval`.
    static std::shared_ptr<Timer> scheduled(Seconds interval, bool repeats, Callback callback);
    // As scheduled(), but the callback only runs while `owner` lives; the first tick after
    // the owner has gone invalidates the timer. The timer never keeps the owner alive.
    template <class Owner>
    static std::shared_ptr<Timer> scheduled(Seconds interval, bool repeats,
                                            std::weak_ptr<Owner> owner,
                                            std::function<void(Owner&, Timer&)> callback) {
        return scheduled(interval, repeats, [owner = std::move(owner), callback](Timer& timer) {
            if (auto strong = owner.lock())
                callback(*strong, timer);
            else
                timer.invalidate();
        });
    }

    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void invalidate();
    bool isValid() const { return valid_; }
    bool repeats() const { return repeats_; }
    Seconds interval() const { return interval_; }
    Seconds tolerance() const { return tolerance_; }
    // The tolerance is only kept for callers to read back: the run loop ignores it, so a timer
    // fires at its own deadline, never delayed by its tolerance nor coalesced with others.
    void setTolerance(Seconds tolerance) { tolerance_ = tolerance; }
    // Fires now, out of schedule; a non-repeating timer is then invalid.
    void fire();
    // Monotonic nanoseconds of the next firing.
    std::int64_t fireDeadline() const;
    // Moves the next firing to `delay` from now.
    void setFireDelay(Seconds delay);

private:
    friend class RunLoop;
    struct Private {};

public:
    Timer(Private, Seconds interval, bool repeats, Callback callback);

private:
    void runCallback();

    Seconds interval_;
    Seconds tolerance_{0};
    bool repeats_;
    std::atomic<bool> valid_{true};
    // Guarded by the run loop's mutex.
    std::int64_t deadline_ = 0;
    std::uint64_t sequence_ = 0;
    bool scheduled_ = false;
    Callback callback_;
};

} // namespace base
