#pragma once

#include "platform/base/Seconds.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace base {

// A serial queue: functions run one at a time, in order (or on the main run loop for the main
// queue). Copies share the same queue. A queue owns no thread: every queue's functions run on a
// small pool of threads shared by the process, one function of a queue at a time, so a queue
// costs nothing while it has no work.
//
// A function's captures are destroyed on the queue, right after it has run, while isCurrent()
// still holds: a destructor among them that syncs onto the queue gets the error sync()
// promises, not a deadlock.
//
// Dropping the last copy of a queue waits until the functions queued on it so far have run,
// so that they never outlive what they were queued for. While it waits on the main thread, it
// runs the functions that this work syncs onto the main queue (the main thread would otherwise
// wait for work that waits for it). Dropped by its own work (a function that held its last
// copy), it cannot wait for itself: what is still queued then runs after it, on the pool.
class DispatchQueue {
public:
    explicit DispatchQueue(std::string label);
    // The queue of the main run loop.
    static DispatchQueue& main();
    // The label of the queue whose function is running on this thread: "main" on the main
    // thread, "" on a thread that is not a queue's.
    static std::string currentLabel();

    const std::string& label() const;
    bool isMain() const;
    // Whether the calling code runs on this queue.
    bool isCurrent() const;

    void async(std::function<void()> fn) const;
    // Runs fn on the queue and waits for it. Calling it from a function running on this
    // very queue would deadlock: that is a programming error and throws std::logic_error.
    // While the main thread waits here, it runs what fn syncs onto the main queue.
    void sync(const std::function<void()>& fn) const;
    template <class F> auto syncResult(F&& fn) const -> std::invoke_result_t<F> {
        using R = std::invoke_result_t<F>;
        if constexpr (std::is_void_v<R>) {
            sync(std::forward<F>(fn));
        } else {
            std::optional<R> result;
            sync([&] { result.emplace(fn()); });
            return std::move(*result);
        }
    }
    // Runs fn on the queue after the delay, measured on the main run loop's clock.
    void after(Seconds delay, std::function<void()> fn) const;

    bool operator==(const DispatchQueue& other) const { return impl_ == other.impl_; }

    struct Impl;

private:
    explicit DispatchQueue(std::shared_ptr<Impl> impl)
        : impl_(std::move(impl)) {}
    std::shared_ptr<Impl> impl_;
};

inline DispatchQueue& mainQueue() {
    return DispatchQueue::main();
}

namespace detail {
void releaseOnMainThreadErased(std::shared_ptr<void> object);
}

// Lets go of the caller's reference on the main thread, in a later turn of its run loop (on the
// main thread too, so that nothing goes away under the caller's feet), for an object that
// promises to go away there. Taking an rvalue makes the caller give its reference up.
template <class T> void releaseOnMainThread(std::shared_ptr<T>&& object) {
    detail::releaseOnMainThreadErased(std::move(object));
}

} // namespace base
