#pragma once

#include "platform/base/Seconds.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace base {

class Timer;

// True on the thread that started the process.
bool isMainThread();

// The main thread's loop: posted functions and timers run here, one at a time. Functions may
// be posted from any thread. Timers follow Clock::current(): with a manual clock the loop
// never sleeps, and tests move time with advance().
class RunLoop {
public:
    static RunLoop& main();

    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // Runs fn on the loop after what is already posted. Thread-safe.
    void dispatch(std::function<void()> fn);
    // Runs fn once after the delay; invalidate the returned timer to cancel. Thread-safe.
    std::shared_ptr<Timer> dispatchAfter(Seconds delay, std::function<void()> fn);

    // Runs until stop() is called from a function on the loop (or from another thread).
    void run();
    void stop();
    // Runs what is ready; when nothing is, waits at most maxWait (real time) for work to
    // arrive or a timer to come due. Returns whether anything ran.
    bool runOnce(Seconds maxWait);
    // Runs posted functions and due timers until nothing is ready at the current time.
    void runUntilIdle();
    // Runs until condition() holds or timeout (real time) has passed; returns condition().
    // For tests whose work comes from real I/O (a loopback server, a web engine).
    bool runUntil(const std::function<bool()>& condition, Seconds timeout);
    // Manual clock only: moves time forward by `by`, firing every timer due on the way at
    // its own time, in order.
    void advance(Seconds by);

    // Another event source the loop must serve while it waits (GLib's main context, for the
    // web engine and the window). When set, the loop waits in the pump instead of sleeping,
    // so the pump's events are handled on the main thread between this loop's own work.
    class EventPump {
    public:
        virtual ~EventPump() = default;
        // Handles the pump's events, waiting at most maxWait (real time) for one.
        virtual void wait(Seconds maxWait) = 0;
        // Makes a current or the next wait() return at once. Called from any thread.
        virtual void wakeUp() = 0;
    };
    // Returns the pump it replaces; nullptr removes it.
    std::shared_ptr<EventPump> setEventPump(std::shared_ptr<EventPump> pump);

    // The monotonic time of the next due timer, and whether functions are waiting.
    std::optional<std::int64_t> nextTimerDeadline() const;
    bool hasReadyWork() const;

    // Drops every posted function and timer (tests).
    void reset();

private:
    friend class Timer;
    RunLoop() = default;

    // Puts the timer in the schedule at now + delay (replacing an earlier place).
    void schedule(const std::shared_ptr<Timer>& timer, std::int64_t delayNanoseconds);
    void unschedule(Timer& timer);
    void unscheduleLocked(Timer& timer);
    std::int64_t deadlineOf(const Timer& timer) const;
    bool isScheduled(const Timer& timer) const;
    // Runs one ready function or a timer due by `now`; returns false when nothing was ready.
    bool performOne(std::int64_t now);
    // Waits (real time) until work is posted, the next timer is due or `maxWait` passes.
    void waitForWork(Seconds maxWait);
    // Lets the pump handle what is ready every few turns of our own work.
    void servePumpNow(std::uint64_t turn);
    void wakeUp();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> posted_;
    // (deadline, sequence) → timer; the sequence keeps timers due together in schedule order.
    std::map<std::pair<std::int64_t, std::uint64_t>, std::shared_ptr<Timer>> timers_;
    std::uint64_t nextSequence_ = 0;
    bool stopRequested_ = false;
    std::shared_ptr<EventPump> pump_;
};

} // namespace base
