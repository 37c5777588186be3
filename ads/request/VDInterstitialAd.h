#pragma once

#include "ads/request/VDAd.h"

// The record of an interstitial ad: an ad record with nothing of its own, told apart by kind.
class VDInterstitialAd : public VDAd {
public:
    static std::shared_ptr<VDInterstitialAd> create() {
        return std::make_shared<VDInterstitialAd>(Private{});
    }
    static std::shared_ptr<VDInterstitialAd>
    createWithDictionary(const base::Value::Dictionary& dictionary) {
        auto ad = create();
        ad->readDictionary(dictionary);
        return ad;
    }
    explicit VDInterstitialAd(Private tag)
        : VDAd(tag) {}
};
