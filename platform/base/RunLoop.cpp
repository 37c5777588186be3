#include "platform/base/RunLoop.h"

#include "platform/base/Clock.h"
#include "platform/base/Timer.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace base {

namespace {

// Initialised before main() runs, so on the thread that started the process.
const std::thread::id mainThreadId = std::this_thread::get_id();

std::int64_t nowNanoseconds() {
    return Clock::current().monotonicNanoseconds();
}

std::int64_t toNanoseconds(Seconds seconds) {
    double ns = seconds.count() * 1e9;
    if (!(ns > 0)) // also NaN
        return 0;
    return ns > 9e18 ? std::int64_t(9e18) : std::int64_t(ns);
}

} // namespace

bool isMainThread() {
    return std::this_thread::get_id() == mainThreadId;
}

RunLoop& RunLoop::main() {
    static RunLoop loop;
    return loop;
}

void RunLoop::dispatch(std::function<void()> fn) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(fn));
    }
    wakeUp();
}

std::shared_ptr<Timer> RunLoop::dispatchAfter(Seconds delay, std::function<void()> fn) {
    return Timer::scheduled(delay, false, [fn = std::move(fn)](Timer&) { fn(); });
}

void RunLoop::schedule(const std::shared_ptr<Timer>& timer, std::int64_t delayNanoseconds) {
    {
        std::lock_guard lock(mutex_);
        unscheduleLocked(*timer);
        timer->deadline_ = nowNanoseconds() + delayNanoseconds;
        timer->sequence_ = nextSequence_++;
        timer->scheduled_ = true;
        timers_[{timer->deadline_, timer->sequence_}] = timer;
    }
    wakeUp();
}

void RunLoop::unschedule(Timer& timer) {
    std::shared_ptr<Timer> keep; // released outside the lock: its callback may own anything
    std::lock_guard lock(mutex_);
    if (auto found = timers_.find({timer.deadline_, timer.sequence_});
        timer.scheduled_ && found != timers_.end()) {
        keep = std::move(found->second);
        timers_.erase(found);
    }
    timer.scheduled_ = false;
}

void RunLoop::unscheduleLocked(Timer& timer) {
    if (timer.scheduled_)
        timers_.erase({timer.deadline_, timer.sequence_});
    timer.scheduled_ = false;
}

std::int64_t RunLoop::deadlineOf(const Timer& timer) const {
    std::lock_guard lock(mutex_);
    return timer.deadline_;
}

bool RunLoop::isScheduled(const Timer& timer) const {
    std::lock_guard lock(mutex_);
    return timer.scheduled_;
}

bool RunLoop::performOne(std::int64_t now) {
    std::function<void()> fn;
    std::shared_ptr<Timer> timer;
    {
        std::lock_guard lock(mutex_);
        if (!posted_.empty()) {
            fn = std::move(posted_.front());
            posted_.pop_front();
        } else if (!timers_.empty() && timers_.begin()->first.first <= now) {
            timer = std::move(timers_.begin()->second);
            timers_.erase(timers_.begin());
            timer->scheduled_ = false;
        } else {
            return false;
        }
    }
    if (fn)
        fn();
    else
        timer->runCallback();
    return true;
}

void RunLoop::runUntilIdle() {
    // Timers are taken as due at the time idling started, so that a short repeating timer on
    // a real clock cannot keep this from returning.
    std::int64_t now = nowNanoseconds();
    while (performOne(now)) {
    }
}

void RunLoop::advance(Seconds by) {
    auto* manual = dynamic_cast<ManualClock*>(&Clock::current());
    if (!manual)
        throw std::logic_error("RunLoop::advance needs a ManualClock installed");
    std::int64_t target = manual->monotonicNanoseconds() + toNanoseconds(by);
    runUntilIdle();
    for (;;) {
        std::optional<std::int64_t> next = nextTimerDeadline();
        if (!next || *next > target)
            break;
        manual->advanceNanoseconds(*next - manual->monotonicNanoseconds());
        runUntilIdle();
    }
    manual->advanceNanoseconds(target - manual->monotonicNanoseconds());
    runUntilIdle();
}

void RunLoop::waitForWork(Seconds maxWait) {
    std::unique_lock lock(mutex_);
    if (!posted_.empty() || stopRequested_)
        return;
    std::int64_t wait = toNanoseconds(maxWait);
    if (!timers_.empty() && !Clock::current().isManual())
        wait = std::min(wait,
                        std::max<std::int64_t>(0, timers_.begin()->first.first - nowNanoseconds()));
    if (auto pump = pump_) {
        // Work posted from now on wakes the pump, which remembers a wake-up that comes
        // before it starts waiting.
        lock.unlock();
        pump->wait(std::chrono::nanoseconds(wait));
        return;
    }
    if (wait > 0)
        wake_.wait_for(lock, std::chrono::nanoseconds(wait));
}

void RunLoop::servePumpNow(std::uint64_t turn) {
    // A steady stream of our own work must not starve the pump's events (input, page loads).
    if (turn % 16 != 0)
        return;
    std::shared_ptr<EventPump> pump;
    {
        std::lock_guard lock(mutex_);
        pump = pump_;
    }
    if (pump)
        pump->wait(Seconds(0));
}

void RunLoop::run() {
    std::uint64_t turns = 0;
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = false;
    }
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopRequested_) {
                stopRequested_ = false;
                return;
            }
        }
        if (!performOne(nowNanoseconds()))
            waitForWork(Seconds(3600));
        else
            servePumpNow(++turns);
    }
}

void RunLoop::stop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wakeUp();
}

bool RunLoop::runOnce(Seconds maxWait) {
    bool ran = false;
    std::int64_t now = nowNanoseconds();
    while (performOne(now))
        ran = true;
    if (ran)
        return true;
    waitForWork(maxWait);
    now = nowNanoseconds();
    while (performOne(now))
        ran = true;
    return ran;
}

bool RunLoop::runUntil(const std::function<bool()>& condition, Seconds timeout) {
    std::uint64_t turns = 0;
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(timeout);
    while (!condition()) {
        auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return condition();
        if (!performOne(nowNanoseconds()))
            waitForWork(std::min<Seconds>(left, Seconds(0.05)));
        else
            servePumpNow(++turns);
    }
    return true;
}

std::optional<std::int64_t> RunLoop::nextTimerDeadline() const {
    std::lock_guard lock(mutex_);
    if (timers_.empty())
        return std::nullopt;
    return timers_.begin()->first.first;
}

bool RunLoop::hasReadyWork() const {
    std::lock_guard lock(mutex_);
    return !posted_.empty();
}

std::shared_ptr<RunLoop::EventPump> RunLoop::setEventPump(std::shared_ptr<EventPump> pump) {
    std::lock_guard lock(mutex_);
    std::swap(pump_, pump);
    return pump;
}

void RunLoop::wakeUp() {
    std::shared_ptr<EventPump> pump;
    {
        std::lock_guard lock(mutex_);
        pump = pump_;
    }
    wake_.notify_all();
    if (pump)
        pump->wakeUp();
}

void RunLoop::reset() {
    std::deque<std::function<void()>> posted;
    std::map<std::pair<std::int64_t, std::uint64_t>, std::shared_ptr<Timer>> timers;
    {
        std::lock_guard lock(mutex_);
        posted.swap(posted_);
        timers.swap(timers_);
        for (auto& [key, timer] : timers) {
            timer->scheduled_ = false;
            timer->valid_ = false;
        }
        stopRequested_ = false;
    }
    // Destroyed here, outside the lock: their captures may post or invalidate.
}

} // namespace base
