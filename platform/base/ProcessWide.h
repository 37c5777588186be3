#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace base {

// One process-wide service behind its class's shared()/install() pair: made by `make` on first
// use, replaced by install() (tests swap it and put the old one back; nullptr makes the next
// get() build a fresh one). Thread-safe.
//
//     std::shared_ptr<CookieStorage> CookieStorage::shared() { return process().get(); }
//
// where process() holds a function-local static ProcessWide<CookieStorage>.
template <class T> class ProcessWide {
public:
    explicit ProcessWide(std::function<std::shared_ptr<T>()> make)
        : make_(std::move(make)) {}
    ProcessWide(const ProcessWide&) = delete;
    ProcessWide& operator=(const ProcessWide&) = delete;

    std::shared_ptr<T> get() {
        std::lock_guard lock(mutex_);
        if (!current_)
            current_ = make_();
        return current_;
    }

    // Returns the service it replaces.
    std::shared_ptr<T> install(std::shared_ptr<T> replacement) {
        std::lock_guard lock(mutex_);
        std::swap(current_, replacement);
        return replacement;
    }

private:
    std::mutex mutex_;
    const std::function<std::shared_ptr<T>()> make_;
    std::shared_ptr<T> current_;
};

} // namespace base
