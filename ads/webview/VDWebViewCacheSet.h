#pragma once

#include "ads/foundation/VDCacheSet.h"
#include "platform/ui/WebView.h"

#include <cstddef>
#include <memory>

// The pool of pre-made ad web views. Its capacity is the user default
// "/redodi/ads/web_view_cache_max_capacity" when that is 0 to 9, else 0 (no pooling).
class VDWebViewCacheSet : public VDCacheSet<ui::WebView> {
public:
    static constexpr const char* maxCapacityKey = "/redodi/ads/web_view_cache_max_capacity";

    static std::shared_ptr<VDWebViewCacheSet> create();
    // The pool the ad views take their web views from and give them back to, made on first
    // use; install() replaces it and returns the one it replaces (tests; nullptr makes the
    // next use make a new one). Any thread.
    static std::shared_ptr<VDWebViewCacheSet> shared();
    static std::shared_ptr<VDWebViewCacheSet> install(std::shared_ptr<VDWebViewCacheSet> pool);
    VDWebViewCacheSet(VDCacheSet::Private tag, std::size_t maxCapacity)
        : VDCacheSet(tag, maxCapacity) {}

    static std::size_t maxCapacityFromUserDefaults();
};
