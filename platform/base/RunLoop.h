#pragma once

#include "platform/base/Seconds.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <source_location>
#include <vector>

typedef struct _GSource GSource;

namespace base {

class Clock;
class FileDescriptorWatch;
class ManualClock;
class Timer;

// True on the thread that started the process.
bool isMainThread();

// Checks a "main thread only" promise where it is made: with BROWSER_MAIN_THREAD_CHECKS (every
// build but a release one) a call from another thread writes the place to standard error and
// aborts the program; a release build checks nothing.
#if BROWSER_MAIN_THREAD_CHECKS
void assertMainThread(std::source_location where = std::source_location::current());
#else
inline void assertMainThread(std::source_location = std::source_location::current()) {}
#endif

// The main thread's loop: posted functions and timers run here, one at a time, in order.
// Functions may be posted from any thread.
//
// The loop is GLib's main context of the main thread, where GTK and WebKit have their sources
// too: this loop's own functions and timers are dispatched from one GLib source, woken when
// work is posted or the next timer comes due, so one loop serves the window, the engine and
// our work, and sleeps while nothing happens.
//
// Unit tests put the loop on a manual clock (useManualClock): its timers then come due only as
// advance() moves time, and nothing waits on them in real time. runUntilIdle() and advance()
// run the loop's own work directly, without GLib.
class RunLoop {
public:
    static RunLoop& main();
    ~RunLoop();

    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // Runs fn on the loop after what is already posted. Thread-safe.
    void dispatch(std::function<void()> fn);
    // Runs fn once after the delay; invalidate the returned timer to cancel. Thread-safe.
    std::shared_ptr<Timer> dispatchAfter(Seconds delay, std::function<void()> fn);

    // Calls `callback` on the loop whenever `fd` is ready for `events` (FileDescriptorWatch's
    // bits), until the returned watch is destroyed. Main thread only.
    std::unique_ptr<FileDescriptorWatch>
    watchFileDescriptor(int fd, unsigned events,
                        std::function<void(unsigned readyEvents)> callback);

    // Runs until stop() is called from a function on the loop (or from another thread).
    // Main thread only, as are the calls below that run the loop.
    void run();
    // Thread-safe.
    void stop();
    // Runs until condition() holds or timeout (real time) has passed; returns condition(). The
    // condition is looked at after every event and at least every 50 ms, so it may follow
    // other threads (a loopback server). For tests and benchmarks.
    bool runUntil(const std::function<bool()>& condition, Seconds timeout);
    // As runUntil, but serves only GLib's other sources (input, drawing, the web engine): this
    // loop's own functions and timers wait for the outer turn. For code that must wait in place
    // for an answer (a script's result, a painted frame) without its callers being re-entered.
    bool runOthersUntil(const std::function<bool()>& condition, Seconds timeout);

    // Calls `observer` on the main thread at the end of every turn in which the loop ran some
    // of its functions or timers: a turn with nothing to do calls nothing. A window follows its
    // model this way, once for all the changes of a turn. Thread-safe; returns a token.
    std::uint64_t addTurnObserver(std::function<void()> observer);
    void removeTurnObserver(std::uint64_t token);

    // --- Stepping, for unit tests.

    // Installs `clock` as Clock::current() and puts the loop on it: while it is the current
    // clock, timers come due only as advance() moves it. nullptr goes back to the system clock
    // and real time. Returns the clock it replaces.
    std::shared_ptr<Clock> useManualClock(std::shared_ptr<ManualClock> clock);
    // Runs posted functions and due timers until nothing is ready at the current time. Watched
    // file descriptors wait for run() or runUntil().
    void runUntilIdle();
    // Moves the manual clock forward by `by`, firing every timer due on the way at its own
    // time, in order. Throws std::logic_error when the loop is not on a manual clock.
    void advance(Seconds by);
    // Drops every posted function and timer.
    void reset();
    // The monotonic time of the next due timer, and whether functions are waiting.
    std::optional<std::int64_t> nextTimerDeadline() const;
    bool hasReadyWork() const;

private:
    friend class FileDescriptorWatch;
    friend class Timer;
    RunLoop();

    // Watches, main thread only: each sleeps while the loop is held.
    void addWatch(FileDescriptorWatch& watch);
    void removeWatch(FileDescriptorWatch& watch);
    void performWatch(FileDescriptorWatch& watch, unsigned readyEvents);
    bool isHeld() const;
    void applyHoldToWatches();
    void notifyTurnObservers();

    // Puts the timer in the schedule at now + delay (replacing an earlier place).
    void schedule(const std::shared_ptr<Timer>& timer, std::int64_t delayNanoseconds);
    void unschedule(Timer& timer);
    void unscheduleLocked(Timer& timer);
    std::int64_t deadlineOf(const Timer& timer) const;
    bool isScheduled(const Timer& timer) const;
    // Runs one ready function or a timer due by `now`; returns false when nothing was ready.
    bool performOne(std::int64_t now);
    // What the GLib source dispatches: a few turns of our work, so GLib's events keep coming.
    void performSome();
    // Tells GLib when our source is next due: at once for posted work, at the next timer's
    // deadline on the system clock, never while held or on a manual clock.
    void updateReadyTimeLocked();
    bool iterateUntil(const std::function<bool()>& condition, Seconds timeout);

    mutable std::mutex mutex_;
    std::deque<std::function<void()>> posted_;
    // (deadline, sequence) → timer; the sequence keeps timers due together in schedule order.
    std::map<std::pair<std::int64_t, std::uint64_t>, std::shared_ptr<Timer>> timers_;
    std::uint64_t nextSequence_ = 0;
    bool stopRequested_ = false;
    // How many runOthersUntil calls are under way: our source sleeps while any is.
    int held_ = 0;
    // Set while the source waits behind the others after a long run of our work.
    bool yielding_ = false;
    std::map<std::uint64_t, std::function<void()>> turnObservers_;
    std::vector<FileDescriptorWatch*> watches_;
    std::uint64_t nextObserverToken_ = 1;
    // Set while unit tests step time by hand.
    std::shared_ptr<ManualClock> manualClock_;
    bool onManualClockLocked() const;

    // Our source on GLib's default main context, taken off it with the loop.
    struct SourceRelease {
        void operator()(GSource* source) const;
    };
    std::unique_ptr<GSource, SourceRelease> source_;
};

} // namespace base
