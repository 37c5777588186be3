#pragma once

#include "ads/request/VDAdSize.h"

#include <cstddef>
#include <functional>
#include <string>

// What a slot asks for: a banner of a given size, or an interstitial. It keys slots and
// mediation configurations: all interstitial types are equal, banner types are equal when
// their sizes are, and hash() agrees.
class VDAdType {
public:
    static VDAdType bannerAdTypeForSize(VDAdSize size) { return VDAdType(false, size); }
    static VDAdType interstitialAdType() { return VDAdType(true, kVDAdSizeInvalid); }

    bool isInterstitial() const { return interstitial_; }
    VDAdSize adSize() const { return adSize_; }
    void setAdSize(VDAdSize size) { adSize_ = size; }

    bool isEqual(const VDAdType& other) const;
    friend bool operator==(const VDAdType& a, const VDAdType& b) { return a.isEqual(b); }
    // 1 for an interstitial; for a banner the string hash of "{w, h} <flags>".
    std::size_t hash() const;
    // An interstitial always; a banner when its size is valid.
    bool isValid() const;
    // "VDAdType interstitial type" or "VDAdType banner with size: <size>".
    std::string description() const;

private:
    VDAdType(bool interstitial, VDAdSize size)
        : interstitial_(interstitial)
        , adSize_(size) {}

    bool interstitial_;
    VDAdSize adSize_;
};

template <> struct std::hash<VDAdType> {
    std::size_t operator()(const VDAdType& type) const { return type.hash(); }
};
