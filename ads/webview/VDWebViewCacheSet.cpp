#include "ads/webview/VDWebViewCacheSet.h"

#include "platform/base/ProcessWide.h"
#include "platform/base/UserDefaults.h"

namespace {

base::ProcessWide<VDWebViewCacheSet>& process() {
    // A reset lets the dropped pool take in or hand to the main queue the web views given
    // back to it first: none is left to its queue after the test that gave it back.
    static base::ProcessWide<VDWebViewCacheSet> pool(
        &VDWebViewCacheSet::create, [](VDWebViewCacheSet& dropped) { (void)dropped.count(); });
    return pool;
}

} // namespace

std::size_t VDWebViewCacheSet::maxCapacityFromUserDefaults() {
    const std::int64_t capacity = base::UserDefaults::standard()->integerForKey(maxCapacityKey);
    return capacity < 0 || capacity > 9 ? 0 : std::size_t(capacity);
}

std::shared_ptr<VDWebViewCacheSet> VDWebViewCacheSet::create() {
    auto set = std::make_shared<VDWebViewCacheSet>(Private{}, maxCapacityFromUserDefaults());
    set->startObservingMemoryWarnings();
    return set;
}

std::shared_ptr<VDWebViewCacheSet> VDWebViewCacheSet::shared() {
    return process().get();
}

std::shared_ptr<VDWebViewCacheSet>
VDWebViewCacheSet::install(std::shared_ptr<VDWebViewCacheSet> pool) {
    auto previous = process().install(std::move(pool));
    // The web views given back to the replaced pool have been taken in or handed to the main
    // queue before it goes: none is left to its queue after the test that gave it back.
    if (previous)
        (void)previous->count();
    return previous;
}
