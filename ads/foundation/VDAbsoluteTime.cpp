#include "ads/foundation/VDAbsoluteTime.h"

#include "platform/base/Clock.h"

#include <mutex>
#include <optional>

namespace {

struct Origin {
    std::mutex mutex;
    std::optional<std::int64_t> nanoseconds;
};

Origin& origin() {
    static Origin instance;
    return instance;
}

} // namespace

std::uint64_t VDAbsoluteTime::absoluteTimeInMilliseconds() {
    // The clock answers nanoseconds directly, so no timebase fraction is involved that could
    // overflow or divide by zero.
    std::int64_t now = base::Clock::current().monotonicNanoseconds();
    std::int64_t start;
    {
        auto& o = origin();
        std::lock_guard lock(o.mutex);
        if (!o.nanoseconds)
            o.nanoseconds = now;
        start = *o.nanoseconds;
    }
    // A clock swapped for one that reads lower (a test's) must not wrap around.
    if (now <= start)
        return 0;
    return std::uint64_t(now - start) / 1'000'000u;
}

void VDAbsoluteTime::resetForTesting() {
    auto& o = origin();
    std::lock_guard lock(o.mutex);
    o.nanoseconds.reset();
}
