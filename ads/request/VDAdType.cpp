#include "ads/request/VDAdType.h"

bool VDAdType::isEqual(const VDAdType& other) const {
    if (interstitial_ || other.interstitial_)
        return interstitial_ == other.interstitial_;
    return VDAdSizeIsEqual(adSize_, other.adSize_);
}

std::size_t VDAdType::hash() const {
    if (interstitial_)
        return 1;
    // -0 and 0 are equal sizes and must hash alike.
    const ui::Size size(adSize_.size.width == 0 ? 0.0 : adSize_.size.width,
                        adSize_.size.height == 0 ? 0.0 : adSize_.size.height);
    return std::hash<std::string>()(size.description() + " " + std::to_string(adSize_.flags));
}

bool VDAdType::isValid() const {
    return interstitial_ || VDAdSizeIsValidWithError(adSize_);
}

std::string VDAdType::description() const {
    if (interstitial_)
        return "VDAdType interstitial type";
    return "VDAdType banner with size: " + VDAdSizeDescription(adSize_);
}
