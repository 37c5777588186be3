#include "ads/foundation/VDSchedulerTask.h"

VDSchedulerTask::VDSchedulerTask(base::DispatchQueue queue, std::function<void()> block)
    : block_(std::move(block))
    , queue_(std::move(queue))
    , cancelled_(std::make_shared<std::atomic<bool>>(false)) {}

void VDSchedulerTask::enqueue() const {
    queue_.async([block = block_, cancelled = cancelled_] {
        if (!cancelled->load())
            block();
    });
}
