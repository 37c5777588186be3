#include "platform/base/Timer.h"

#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"

#include <algorithm>

namespace base {

namespace {

// A repeating timer must leave the loop time to breathe.
constexpr double minimumRepeatInterval = 0.0001;

std::int64_t toNanoseconds(Seconds seconds) {
    double ns = seconds.count() * 1e9;
    if (!(ns > 0))
        return 0;
    return ns > 9e18 ? std::int64_t(9e18) : std::int64_t(ns);
}

} // namespace

Timer::Timer(Private, Seconds interval, bool repeats, Callback callback)
    : interval_(repeats ? std::max(interval, Seconds(minimumRepeatInterval))
                        : std::max(interval, Seconds(0)))
    , repeats_(repeats)
    , callback_(std::move(callback)) {
    if (!(interval_.count() >= 0)) // NaN
        interval_ = Seconds(repeats ? minimumRepeatInterval : 0);
}

std::shared_ptr<Timer> Timer::scheduled(Seconds interval, bool repeats, Callback callback) {
    auto timer = std::make_shared<Timer>(Private{}, interval, repeats, std::move(callback));
    RunLoop::main().schedule(timer, toNanoseconds(timer->interval_));
    return timer;
}

void Timer::invalidate() {
    valid_ = false;
    RunLoop::main().unschedule(*this);
}

std::int64_t Timer::fireDeadline() const {
    return RunLoop::main().deadlineOf(*this);
}

void Timer::setFireDelay(Seconds delay) {
    if (!valid_)
        return;
    RunLoop::main().schedule(shared_from_this(), toNanoseconds(delay));
}

void Timer::fire() {
    if (!valid_)
        return;
    auto keep = shared_from_this();
    if (callback_)
        callback_(*this);
    if (!repeats_)
        invalidate();
}

void Timer::runCallback() {
    if (!valid_)
        return;
    auto keep = shared_from_this();
    if (repeats_) {
        // The next tick keeps the original rhythm; ticks missed while the loop was busy are
        // dropped rather than fired in a burst.
        std::int64_t now = Clock::current().monotonicNanoseconds();
        std::int64_t step = toNanoseconds(interval_);
        std::int64_t previous = RunLoop::main().deadlineOf(*this);
        std::int64_t next = previous + step;
        if (next <= now)
            next = now + step;
        RunLoop::main().schedule(keep, next - now);
    }
    if (callback_)
        callback_(*this);
    if (!repeats_ && !RunLoop::main().isScheduled(*this))
        valid_ = false;
}

} // namespace base
