#pragma once

#include "platform/base/NoDestructor.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace base {

// Process services live by one rule: they are never destroyed. A service is made on first use
// and stays until the process ends without its destructor running, so no service depends on
// the order in which statics die at exit, and a thread still finishing a block as the process
// ends finds every service in place. What must reach the disk is written when it changes, not
// at exit.
//
// Tests drop every service the process made on demand with one call; the next use makes fresh
// ones. The most recently made is dropped first, so a service goes before the services it was
// made from. Services a test installed are the test's to put back and are left alone. Call it
// on the main thread, with no work of the dropped services still queued elsewhere.
void resetProcessServicesForTesting();

namespace detail {

// What the reset sees of each holder.
class ProcessServiceSlot {
public:
    // 0 when the holder holds nothing the reset may drop; else when its service was made.
    virtual std::uint64_t madeStamp() = 0;
    // Lets the service go if it is still the one made at `stamp`.
    virtual void dropIfMadeAt(std::uint64_t stamp) = 0;

protected:
    ProcessServiceSlot() = default;
    ~ProcessServiceSlot() = default;
};

void registerProcessService(ProcessServiceSlot& slot);
std::uint64_t nextProcessServiceStamp();

} // namespace detail

// The holder of one process-wide service behind its class's shared()/install() pair: made by
// `make` on first use, replaced by install() (tests swap it and put the old one back; nullptr
// makes the next get() build a fresh one). Thread-safe. Only ever a function-local static:
//
//     std::shared_ptr<CookieStorage> CookieStorage::shared() {
//         static base::ProcessWide<CookieStorage> jar(&CookieStorage::make);
//         return jar.get();
//     }
//
// Neither the holder nor its service is destroyed at exit (see above).
template <class T> class ProcessWide final : detail::ProcessServiceSlot {
public:
    explicit ProcessWide(std::function<std::shared_ptr<T>()> make)
        : state_(std::move(make)) {
        detail::registerProcessService(*this);
    }
    // `settle` runs on a service the reset drops, before it goes: it lets work the service
    // has queued finish (tests).
    ProcessWide(std::function<std::shared_ptr<T>()> make, std::function<void(T&)> settle)
        : state_(std::move(make), std::move(settle)) {
        detail::registerProcessService(*this);
    }
    ProcessWide(const ProcessWide&) = delete;
    ProcessWide& operator=(const ProcessWide&) = delete;

    std::shared_ptr<T> get() {
        std::lock_guard lock(state_->mutex);
        if (!state_->current) {
            state_->current = state_->make();
            state_->madeStamp = detail::nextProcessServiceStamp();
        }
        return state_->current;
    }

    // The service when there is one, without making it.
    std::shared_ptr<T> current() {
        std::lock_guard lock(state_->mutex);
        return state_->current;
    }

    // Returns the service it replaces.
    std::shared_ptr<T> install(std::shared_ptr<T> replacement) {
        std::lock_guard lock(state_->mutex);
        std::swap(state_->current, replacement);
        state_->madeStamp = 0;
        return replacement;
    }

private:
    std::uint64_t madeStamp() override {
        std::lock_guard lock(state_->mutex);
        return state_->current ? state_->madeStamp : 0;
    }
    void dropIfMadeAt(std::uint64_t stamp) override {
        std::shared_ptr<T> dropped;
        {
            std::lock_guard lock(state_->mutex);
            if (!state_->current || state_->madeStamp != stamp)
                return;
            state_->madeStamp = 0;
            dropped = std::exchange(state_->current, nullptr);
        }
        // Outside the lock: settling and going away may reach the services again.
        if (state_->settle)
            state_->settle(*dropped);
    }

    struct State {
        explicit State(std::function<std::shared_ptr<T>()> make,
                       std::function<void(T&)> settle = {})
            : make(std::move(make))
            , settle(std::move(settle)) {}
        std::mutex mutex;
        const std::function<std::shared_ptr<T>()> make;
        const std::function<void(T&)> settle;
        std::shared_ptr<T> current;
        std::uint64_t madeStamp = 0; // 0 while empty or installed
    };
    NoDestructor<State> state_;
};

} // namespace base
