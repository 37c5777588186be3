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
    VDWebViewCacheSet(VDCacheSet::Private tag, std::size_t maxCapacity)
        : VDCacheSet(tag, maxCapacity) {}

    static std::size_t maxCapacityFromUserDefaults();
};
