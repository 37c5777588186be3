#include "ads/foundation/VDScheduler.h"

#include "ads/foundation/VDBlockTimers.h"

#include <cstdio>
#include <vector>

VDScheduler::VDScheduler(Private, base::Seconds interval)
    : interval_(VDEffectiveTimerInterval(interval, true)) {}

std::shared_ptr<VDScheduler> VDScheduler::createWithInterval(base::Seconds interval) {
    return std::make_shared<VDScheduler>(Private{}, interval);
}

VDScheduler::~VDScheduler() {
    if (timer_)
        timer_->invalidate();
}

std::int64_t VDScheduler::taskIDScheduledOnQueueBlock(std::optional<base::DispatchQueue> queue,
                                                      std::function<void()> block) {
    if (!queue || !block)
        return -1;
    std::lock_guard lock(mutex_);
    std::int64_t taskID = ++taskID_;
    blocks_.emplace(taskID, VDSchedulerTask(std::move(*queue), std::move(block)));
    return taskID;
}

void VDScheduler::unscheduleTaskWithID(std::int64_t taskID) {
    std::lock_guard lock(mutex_);
    auto found = blocks_.find(taskID);
    if (found == blocks_.end())
        return;
    found->second.cancel();
    blocks_.erase(found);
}

void VDScheduler::start() {
    std::lock_guard lock(mutex_);
    if (timer_)
        return;
    timer_ = vd_scheduledTimerWithTimeIntervalRepeatsToleranceBlock<VDScheduler>(
        interval_, true, interval_ / 10, weak_from_this(),
        [](VDScheduler& scheduler, base::Timer&) { scheduler.executeBlocks(); });
}

void VDScheduler::stop() {
    std::shared_ptr<base::Timer> timer;
    {
        std::lock_guard lock(mutex_);
        timer = std::move(timer_);
    }
    if (timer)
        timer->invalidate();
}

bool VDScheduler::isStarted() const {
    std::lock_guard lock(mutex_);
    return timer_ != nullptr;
}

void VDScheduler::executeBlocks() {
    std::vector<VDSchedulerTask> tasks;
    {
        // A task may unschedule itself or others while the tick goes on: queue from a copy.
        std::lock_guard lock(mutex_);
        tasks.reserve(blocks_.size());
        for (const auto& [taskID, task] : blocks_)
            tasks.push_back(task);
    }
    for (const auto& task : tasks)
        task.enqueue();
}

std::size_t VDScheduler::taskCount() const {
    std::lock_guard lock(mutex_);
    return blocks_.size();
}

std::shared_ptr<base::Timer> VDScheduler::timer() const {
    std::lock_guard lock(mutex_);
    return timer_;
}

std::string VDScheduler::description() const {
    std::lock_guard lock(mutex_);
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "VDScheduler %p: %zu blocks, %f interval",
                  static_cast<const void*>(this), blocks_.size(), interval_.count());
    return buffer;
}
