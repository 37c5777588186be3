#include "platform/base/RunLoop.h"

#include "platform/base/Clock.h"
#include "platform/base/FileDescriptorWatch.h"
#include "platform/base/NoDestructor.h"
#include "platform/base/Timer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <glib.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace base {

namespace {

// Initialised before main() runs, so on the thread that started the process.
const std::thread::id mainThreadId = std::this_thread::get_id();

// How many of our functions and timers one dispatch of the source runs before GLib gets its
// turn: a steady stream of our own work must not starve input and drawing.
constexpr int turnsPerDispatch = 16;
// How often runUntil looks at its condition when no event comes.
constexpr gint64 conditionPollMicroseconds = 50'000;

std::int64_t nowNanoseconds() {
    return Clock::current().monotonicNanoseconds();
}

std::int64_t toNanoseconds(Seconds seconds) {
    double ns = seconds.count() * 1e9;
    if (!(ns > 0)) // also NaN
        return 0;
    return ns > 9e18 ? std::int64_t(9e18) : std::int64_t(ns);
}

struct LoopSource {
    GSource source;
    RunLoop* loop;
};

// A source that only wakes the context at its ready time (runUntil's bound).
GSourceFuncs wakeFunctions = {nullptr,
                              nullptr,
                              [](GSource* source, GSourceFunc, gpointer) -> gboolean {
                                  g_source_set_ready_time(source, g_get_monotonic_time() +
                                                                      conditionPollMicroseconds);
                                  return G_SOURCE_CONTINUE;
                              },
                              nullptr,
                              nullptr,
                              nullptr};

} // namespace

bool isMainThread() {
    return std::this_thread::get_id() == mainThreadId;
}

#if BROWSER_MAIN_THREAD_CHECKS
void assertMainThread(std::source_location where) {
    if (isMainThread())
        return;
    std::fprintf(stderr, "%s:%u: %s is main thread only, and was called on another thread.\n",
                 where.file_name(), static_cast<unsigned>(where.line()), where.function_name());
    std::abort();
}
#endif

RunLoop& RunLoop::main() {
    // Never destroyed: blocks and timers that finish while the process ends still find it.
    static NoDestructor<RunLoop> loop(madeBy, [] { return RunLoop(); });
    return *loop;
}

void RunLoop::SourceRelease::operator()(GSource* source) const {
    g_source_destroy(source);
    g_source_unref(source);
}

RunLoop::RunLoop() {
    static GSourceFuncs functions = {nullptr,
                                     nullptr,
                                     [](GSource* source, GSourceFunc, gpointer) -> gboolean {
                                         reinterpret_cast<LoopSource*>(source)->loop->performSome();
                                         return G_SOURCE_CONTINUE;
                                     },
                                     nullptr,
                                     nullptr,
                                     nullptr};
    GSource* source = g_source_new(&functions, sizeof(LoopSource));
    reinterpret_cast<LoopSource*>(source)->loop = this;
    g_source_set_name(source, "base::RunLoop");
    // Beside input and the engine's own sources (see performSome for how it yields).
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    // A function that runs the loop itself (a test's runUntil inside a callback) serves it.
    g_source_set_can_recurse(source, TRUE);
    source_.reset(source);
    g_source_attach(source, g_main_context_default());
}

RunLoop::~RunLoop() = default;

void RunLoop::dispatch(std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(fn));
    updateReadyTimeLocked();
}

std::shared_ptr<Timer> RunLoop::dispatchAfter(Seconds delay, std::function<void()> fn) {
    return Timer::scheduled(delay, false, [fn = std::move(fn)](Timer&) { fn(); });
}

void RunLoop::updateReadyTimeLocked() {
    gint64 ready = -1;
    if (held_ > 0) {
        // asleep until the wait in place is over
    } else if (!posted_.empty()) {
        ready = 0;
    } else if (!timers_.empty() && !onManualClockLocked()) {
        const std::int64_t wait = timers_.begin()->first.first - nowNanoseconds();
        ready = wait <= 0 ? 0 : g_get_monotonic_time() + (wait + 999) / 1000;
    }
    g_source_set_ready_time(source_.get(), ready);
}

void RunLoop::schedule(const std::shared_ptr<Timer>& timer, std::int64_t delayNanoseconds) {
    std::lock_guard lock(mutex_);
    unscheduleLocked(*timer);
    timer->deadline_ = nowNanoseconds() + delayNanoseconds;
    timer->sequence_ = nextSequence_++;
    timer->scheduled_ = true;
    timers_[{timer->deadline_, timer->sequence_}] = timer;
    updateReadyTimeLocked();
}

void RunLoop::unschedule(Timer& timer) {
    std::shared_ptr<Timer> keep; // released outside the lock: its callback may own anything
    std::lock_guard lock(mutex_);
    if (auto found = timers_.find({timer.deadline_, timer.sequence_});
        timer.scheduled_ && found != timers_.end()) {
        keep = std::move(found->second);
        timers_.erase(found);
        updateReadyTimeLocked();
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
        updateReadyTimeLocked();
    }
    if (fn)
        fn();
    else
        timer->runCallback();
    return true;
}

void RunLoop::performSome() {
    if (yielding_) {
        g_source_set_priority(source_.get(), G_PRIORITY_DEFAULT);
        yielding_ = false;
    }
    const std::int64_t now = nowNanoseconds();
    int ran = 0;
    for (; ran < turnsPerDispatch; ++ran) {
        {
            std::lock_guard lock(mutex_);
            if (held_ > 0)
                break;
        }
        if (!performOne(now))
            break;
    }
    if (ran == 0)
        return;
    if (ran == turnsPerDispatch) {
        // More may be waiting: the next turn comes only once nothing else is ready, drawing and
        // idle work included, so a steady stream of our own work starves none of them.
        g_source_set_priority(source_.get(), G_PRIORITY_DEFAULT_IDLE);
        yielding_ = true;
    }
    notifyTurnObservers();
}

void RunLoop::notifyTurnObservers() {
    std::vector<std::function<void()>> observers;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [token, observer] : turnObservers_)
            observers.push_back(observer);
    }
    for (const auto& observer : observers)
        observer();
}

std::unique_ptr<FileDescriptorWatch>
RunLoop::watchFileDescriptor(int fd, unsigned events,
                             std::function<void(unsigned readyEvents)> callback) {
    assertMainThread();
    return std::make_unique<FileDescriptorWatch>(*this, fd, events, std::move(callback));
}

void RunLoop::addWatch(FileDescriptorWatch& watch) {
    assertMainThread();
    watches_.push_back(&watch);
    watch.apply(isHeld());
}

void RunLoop::removeWatch(FileDescriptorWatch& watch) {
    assertMainThread();
    std::erase(watches_, &watch);
}

void RunLoop::performWatch(FileDescriptorWatch& watch, unsigned readyEvents) {
    if (isHeld())
        return;
    // Kept for the call: the watch may be destroyed by its own callback.
    const auto callback = watch.callback_;
    (*callback)(readyEvents);
    notifyTurnObservers();
}

bool RunLoop::isHeld() const {
    std::lock_guard lock(mutex_);
    return held_ > 0;
}

void RunLoop::applyHoldToWatches() {
    const bool held = isHeld();
    for (auto* watch : watches_)
        watch->apply(held);
}

std::uint64_t RunLoop::addTurnObserver(std::function<void()> observer) {
    std::lock_guard lock(mutex_);
    const std::uint64_t token = nextObserverToken_++;
    turnObservers_[token] = std::move(observer);
    return token;
}

void RunLoop::removeTurnObserver(std::uint64_t token) {
    std::function<void()> removed; // let go outside the lock
    std::lock_guard lock(mutex_);
    if (auto found = turnObservers_.find(token); found != turnObservers_.end()) {
        removed = std::move(found->second);
        turnObservers_.erase(found);
    }
}

void RunLoop::runUntilIdle() {
    assertMainThread();
    // Timers are taken as due at the time idling started, so that a short repeating timer on
    // a real clock cannot keep this from returning.
    std::int64_t now = nowNanoseconds();
    while (performOne(now)) {
    }
}

std::shared_ptr<Clock> RunLoop::useManualClock(std::shared_ptr<ManualClock> clock) {
    auto replaced = Clock::install(clock);
    std::lock_guard lock(mutex_);
    manualClock_ = std::move(clock);
    updateReadyTimeLocked();
    return replaced;
}

bool RunLoop::onManualClockLocked() const {
    // A test may put a real clock back without telling the loop.
    return manualClock_ && &Clock::current() == manualClock_.get();
}

void RunLoop::advance(Seconds by) {
    assertMainThread();
    std::shared_ptr<ManualClock> manual;
    {
        std::lock_guard lock(mutex_);
        if (onManualClockLocked())
            manual = manualClock_;
    }
    if (!manual)
        throw std::logic_error("RunLoop::advance needs the loop on a manual clock");
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

void RunLoop::run() {
    assertMainThread();
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
        g_main_context_iteration(g_main_context_default(), TRUE);
    }
}

void RunLoop::stop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    g_main_context_wakeup(g_main_context_default());
}

bool RunLoop::iterateUntil(const std::function<bool()>& condition, Seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(timeout);
    GSource* wake = g_source_new(&wakeFunctions, sizeof(GSource));
    const std::unique_ptr<GSource, SourceRelease> owned(wake);
    g_source_set_ready_time(wake, g_get_monotonic_time() + conditionPollMicroseconds);
    g_source_attach(wake, g_main_context_default());
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        g_main_context_iteration(g_main_context_default(), TRUE);
    }
    return true;
}

bool RunLoop::runUntil(const std::function<bool()>& condition, Seconds timeout) {
    assertMainThread();
    return iterateUntil(condition, timeout);
}

bool RunLoop::runOthersUntil(const std::function<bool()>& condition, Seconds timeout) {
    assertMainThread();
    {
        std::lock_guard lock(mutex_);
        ++held_;
        updateReadyTimeLocked();
    }
    applyHoldToWatches();
    struct Release {
        RunLoop& loop;
        ~Release() {
            {
                std::lock_guard lock(loop.mutex_);
                --loop.held_;
                loop.updateReadyTimeLocked();
            }
            loop.applyHoldToWatches();
        }
    } release{*this};
    return iterateUntil(condition, timeout);
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
        updateReadyTimeLocked();
    }
    // Destroyed here, outside the lock: their captures may post or invalidate.
}

} // namespace base
