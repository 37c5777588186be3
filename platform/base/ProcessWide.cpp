#include "platform/base/ProcessWide.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace base {

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<detail::ProcessServiceSlot*> slots;
};

Registry& registry() {
    static NoDestructor<Registry> registry;
    return *registry;
}

} // namespace

namespace detail {

void registerProcessService(ProcessServiceSlot& slot) {
    auto& all = registry();
    std::lock_guard lock(all.mutex);
    all.slots.push_back(&slot);
}

std::uint64_t nextProcessServiceStamp() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

} // namespace detail

void resetProcessServicesForTesting() {
    std::vector<std::pair<std::uint64_t, detail::ProcessServiceSlot*>> made;
    {
        auto& all = registry();
        std::lock_guard lock(all.mutex);
        for (auto* slot : all.slots)
            made.emplace_back(0, slot);
    }
    for (auto& [stamp, slot] : made)
        stamp = slot->madeStamp();
    std::sort(made.begin(), made.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    // One at a time, outside every lock: a service going away may still use the services it
    // was made from, which are dropped after it. Services made while this runs stay.
    for (const auto& [stamp, slot] : made) {
        if (stamp == 0)
            break;
        slot->dropIfMadeAt(stamp);
    }
}

} // namespace base
