#pragma once

#include "platform/base/URL.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The outcome of an in-app purchase, as its report sends it ("status").
enum VDInAppPurchaseStatus : long {
    kVDInAppPurchaseStatusError = 0,
    kVDInAppPurchaseStatusSuccessful = 1,
    kVDInAppPurchaseStatusCancel = 2,
    kVDInAppPurchaseStatusInvalidProduct = 3,
};

// An in-app purchase a creative offers: the product, the quantity, and the ad server's report
// URL templates. Whoever makes the purchase reports its outcome once with reportPurchaseStatus:
// each template is expanded with the at-quoted keywords "sku", "quantity", "status",
// "sessionid", "appid", "appversion", "osversion", "sdkversion" and "timestamp" (milliseconds
// since the first ad request), every other keyword removed and "@@" read as "@", and the URLs
// are pinged without cache. Each value is escaped as a URL parameter first, so that no value
// (a hostile product name) can add parameters, keywords or a fragment of its own.
// Main thread only.
class VDInAppPurchase {
    struct Private {};

public:
    // Pings the report URLs (the ad server's tracker collection, without cache).
    using Pinger = std::function<void(const std::vector<base::URL>&)>;

    static std::shared_ptr<VDInAppPurchase> create(std::string productID, std::int64_t quantity,
                                                   std::vector<std::string> reportURLTemplates,
                                                   std::string SDKVersion, Pinger pinger);
    VDInAppPurchase(Private, std::string productID, std::int64_t quantity,
                    std::vector<std::string> reportURLTemplates, std::string SDKVersion,
                    Pinger pinger);

    const std::string& productID() const { return productID_; }
    std::int64_t quantity() const { return quantity_; }
    const std::vector<std::string>& reportURLTemplates() const { return reportURLTemplates_; }
    bool hasReported() const { return reported_; }

    // The first report pings; later ones are ignored. Templates that expand to no http or https
    // URL are skipped.
    void reportPurchaseStatus(long status);
    // One template expanded for that status.
    std::string expandedURLStringForURLStringFormat(std::string_view format, long status) const;

private:
    const std::string productID_;
    const std::int64_t quantity_;
    const std::vector<std::string> reportURLTemplates_;
    const std::string SDKVersion_;
    Pinger pinger_;
    bool reported_ = false;
};
