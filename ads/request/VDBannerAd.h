#pragma once

#include "ads/request/VDAd.h"

// The record of a banner ad: an ad record that also takes its refresh interval from the page's
// "refresh_rate" (seconds, a number).
class VDBannerAd : public VDAd {
public:
    static std::shared_ptr<VDBannerAd> create();
    static std::shared_ptr<VDBannerAd>
    createWithDictionary(const base::Value::Dictionary& dictionary);
    explicit VDBannerAd(Private tag)
        : VDAd(tag) {}

protected:
    void readDictionary(const base::Value::Dictionary& dictionary) override;
};
