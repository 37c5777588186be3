#include "platform/base/DispatchQueue.h"

#include "platform/base/RunLoop.h"
#include "platform/base/Timer.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace base {

namespace {

// The queues whose functions the calling thread is running or is waiting on in sync(): a
// sync onto any of them could never return.
thread_local std::vector<const DispatchQueue::Impl*> heldQueues;
thread_local std::string runningLabel;

struct HeldScope {
    std::vector<const DispatchQueue::Impl*> saved;
    std::string savedLabel;
    HeldScope(std::vector<const DispatchQueue::Impl*> held, const DispatchQueue::Impl* running,
              const std::string& label)
        : saved(std::exchange(heldQueues, std::move(held)))
        , savedLabel(std::exchange(runningLabel, label)) {
        heldQueues.push_back(running);
    }
    ~HeldScope() {
        heldQueues = std::move(saved);
        runningLabel = std::move(savedLabel);
    }
};

// The worker's state outlives the queue object when the last copy goes away on the worker
// itself, so the worker owns it too.
struct WorkerState {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> items;
    bool stopping = false;
};

} // namespace

struct DispatchQueue::Impl {
    std::string label;
    bool main = false;
    std::shared_ptr<WorkerState> state;
    std::thread worker;
    std::once_flag started;

    Impl(std::string label, bool main)
        : label(std::move(label))
        , main(main)
        , state(std::make_shared<WorkerState>()) {}

    ~Impl() {
        if (!worker.joinable())
            return;
        {
            std::lock_guard lock(state->mutex);
            state->stopping = true;
        }
        state->wake.notify_all();
        if (worker.get_id() == std::this_thread::get_id())
            worker.detach();
        else
            worker.join();
    }

    void start() {
        std::call_once(started, [this] {
            worker = std::thread([state = state] {
                for (;;) {
                    std::function<void()> item;
                    {
                        std::unique_lock lock(state->mutex);
                        state->wake.wait(lock,
                                         [&] { return state->stopping || !state->items.empty(); });
                        if (state->items.empty())
                            return; // stopping, and everything queued has run
                        item = std::move(state->items.front());
                        state->items.pop_front();
                    }
                    item();
                }
            });
        });
    }

    void enqueue(std::function<void()> fn) {
        if (main) {
            RunLoop::main().dispatch(std::move(fn));
            return;
        }
        start();
        {
            std::lock_guard lock(state->mutex);
            state->items.push_back(std::move(fn));
        }
        state->wake.notify_one();
    }
};

DispatchQueue::DispatchQueue(std::string label)
    : impl_(std::make_shared<Impl>(std::move(label), false)) {}

DispatchQueue& DispatchQueue::main() {
    static DispatchQueue queue(std::make_shared<Impl>("main", true));
    return queue;
}

std::string DispatchQueue::currentLabel() {
    if (!runningLabel.empty())
        return runningLabel;
    return isMainThread() ? "main" : "";
}

const std::string& DispatchQueue::label() const {
    return impl_->label;
}

bool DispatchQueue::isMain() const {
    return impl_->main;
}

bool DispatchQueue::isCurrent() const {
    if (impl_->main)
        return isMainThread();
    return std::find(heldQueues.begin(), heldQueues.end(), impl_.get()) != heldQueues.end();
}

void DispatchQueue::async(std::function<void()> fn) const {
    const Impl* self = impl_.get();
    impl_->enqueue([self, label = impl_->label, fn = std::move(fn)] {
        HeldScope scope({}, self, label);
        fn();
    });
}

void DispatchQueue::sync(const std::function<void()>& fn) const {
    if (isCurrent())
        throw std::logic_error("DispatchQueue::sync onto \"" + impl_->label +
                               "\" from code that is running on it (or waiting for it)");
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::exception_ptr failure;
    const Impl* self = impl_.get();
    auto held = heldQueues;
    impl_->enqueue([&, self, held] {
        {
            HeldScope scope(held, self, impl_->label);
            try {
                fn();
            } catch (...) {
                failure = std::current_exception();
            }
        }
        std::lock_guard lock(mutex);
        finished = true;
        done.notify_all();
    });
    std::unique_lock lock(mutex);
    done.wait(lock, [&] { return finished; });
    if (failure)
        std::rethrow_exception(failure);
}

void DispatchQueue::after(Seconds delay, std::function<void()> fn) const {
    std::weak_ptr<Impl> weak = impl_;
    RunLoop::main().dispatchAfter(delay, [weak, fn = std::move(fn)]() mutable {
        if (auto impl = weak.lock())
            DispatchQueue(impl).async(std::move(fn));
    });
}

} // namespace base
