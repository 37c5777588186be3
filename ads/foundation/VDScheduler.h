#pragma once

#include "ads/foundation/VDSchedulerTask.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/Seconds.h"
#include "platform/base/Timer.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

// One repeating main-run-loop timer that, at each tick, queues every registered block on its
// own queue without waiting for it. Stopped until start(). The timer holds the scheduler
// weakly, and a scheduler that goes away invalidates its timer.
class VDScheduler : public std::enable_shared_from_this<VDScheduler> {
    struct Private {};

public:
    // An interval below the repeating-timer minimum (0, negative, not a number) is raised to
    // it.
    static std::shared_ptr<VDScheduler> createWithInterval(base::Seconds interval);

    VDScheduler(Private, base::Seconds interval);
    ~VDScheduler();
    VDScheduler(const VDScheduler&) = delete;
    VDScheduler& operator=(const VDScheduler&) = delete;

    // The new task's identifier (1 for the first), or -1 without registering anything when
    // the queue or the block is missing. Registering does not start the scheduler.
    std::int64_t taskIDScheduledOnQueueBlock(std::optional<base::DispatchQueue> queue,
                                             std::function<void()> block);
    // Removes the task; a run of it already queued by a tick is skipped. Unknown identifiers
    // change nothing.
    void unscheduleTaskWithID(std::int64_t taskID);

    // Starts ticking with a tolerance of a tenth of the interval; does nothing when started.
    void start();
    // Stops ticking; does nothing when stopped.
    void stop();
    bool isStarted() const;
    // Queues every task once (what a tick does).
    void executeBlocks();

    base::Seconds interval() const { return interval_; }
    std::size_t taskCount() const;
    // The repeating timer while started (tests).
    std::shared_ptr<base::Timer> timer() const;
    // "VDScheduler 0x…: 2 blocks, 10.000000 interval"
    std::string description() const;

private:
    mutable std::mutex mutex_;
    std::int64_t taskID_ = 0;
    std::map<std::int64_t, VDSchedulerTask> blocks_;
    base::Seconds interval_;
    std::shared_ptr<base::Timer> timer_;
};
