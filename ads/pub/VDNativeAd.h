#pragma once

#include "platform/base/URL.h"
#include "platform/base/Value.h"

#include <memory>
#include <vector>

class VDAd;

// A native ad: the assets of a native response (its JSON dictionary, which the host lays out
// itself) and its impression URLs: the response's tracking URLs, then the dictionary's
// "impression_urls" strings. The host records the impression when the ad is seen; its URLs are
// pinged once, without cache. Main thread only.
class VDNativeAd {
    struct Private {};

public:
    static std::shared_ptr<VDNativeAd> create(VDAd& ad, base::Value::Dictionary properties);
    VDNativeAd(Private, VDAd& ad, base::Value::Dictionary properties);

    const base::Value::Dictionary& properties() const { return properties_; }
    const std::vector<base::URL>& impressionURLs() const { return impressionURLs_; }
    bool hasRecordedImpression() const { return recordedImpression_; }

    // The first call pings the impression URLs; later calls do nothing.
    void recordImpression();

private:
    base::Value::Dictionary properties_;
    std::vector<base::URL> impressionURLs_;
    bool recordedImpression_ = false;
};
