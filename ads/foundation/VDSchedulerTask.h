#pragma once

#include "platform/base/DispatchQueue.h"

#include <atomic>
#include <functional>
#include <memory>

// One block of a VDScheduler and the queue it runs on.
class VDSchedulerTask {
public:
    VDSchedulerTask(base::DispatchQueue queue, std::function<void()> block);

    const std::function<void()>& block() const { return block_; }
    const base::DispatchQueue& queue() const { return queue_; }

    // Queues the block on its queue. A run queued before cancel() does nothing when it comes
    // up afterwards.
    void enqueue() const;
    void cancel() { cancelled_->store(true); }
    bool isCancelled() const { return cancelled_->load(); }

private:
    std::function<void()> block_;
    base::DispatchQueue queue_;
    std::shared_ptr<std::atomic<bool>> cancelled_;
};
