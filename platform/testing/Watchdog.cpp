#include "platform/testing/Watchdog.h"

#include <cstdio>
#include <cstdlib>

namespace testing_support {

Watchdog::Watchdog(std::string what, std::chrono::seconds limit)
    : thread_([this, what = std::move(what), limit] {
        std::unique_lock lock(mutex_);
        if (!done_.wait_for(lock, limit, [&] { return finished_; })) {
            std::fprintf(stderr, "deadlock: %s did not finish in %lld s\n", what.c_str(),
                         static_cast<long long>(limit.count()));
            std::abort();
        }
    }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    done_.notify_all();
    thread_.join();
}

} // namespace testing_support
