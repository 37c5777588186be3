#include "ads/pub/VDNativeAd.h"

#include "ads/request/VDAd.h"
#include "ads/request/VDClickTrackerCollection.h"

#include <algorithm>

namespace {

// The most impression URLs a response may give: each is a request of its own.
constexpr std::size_t maximumImpressionURLCount = 16;

} // namespace

std::shared_ptr<VDNativeAd> VDNativeAd::create(VDAd& ad, base::Value::Dictionary properties) {
    return std::make_shared<VDNativeAd>(Private{}, ad, std::move(properties));
}

VDNativeAd::VDNativeAd(Private, VDAd& ad, base::Value::Dictionary properties)
    : properties_(std::move(properties))
    , impressionURLs_(ad.impressionURLs()) {
    const base::Value assets(properties_);
    if (const auto* urls = assets["impression_urls"].array()) {
        for (const auto& entry : *urls) {
            const auto* text = entry.string();
            auto url = text ? base::URL::parse(*text) : std::nullopt;
            if (url && std::find(impressionURLs_.begin(), impressionURLs_.end(), *url) ==
                           impressionURLs_.end())
                impressionURLs_.push_back(std::move(*url));
        }
    }
    if (impressionURLs_.size() > maximumImpressionURLCount)
        impressionURLs_.erase(impressionURLs_.begin() + maximumImpressionURLCount,
                              impressionURLs_.end());
}

void VDNativeAd::recordImpression() {
    if (recordedImpression_)
        return;
    recordedImpression_ = true;
    VDClickTrackerCollection::sharedInstance()->trackURLsCacheEnabled(impressionURLs_, false);
}
