#pragma once

#include "platform/base/Seconds.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace base {

// A serial queue: functions run one at a time, in order, on the queue's own thread (or on the
// main run loop for the main queue). Copies share the same queue.
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

} // namespace base
