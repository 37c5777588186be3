#pragma once

#include "platform/base/Error.h"

#include <memory>

class VDAdLoader;
class VDNativeAd;

// What the host of an ad loader hears, on the main thread: each load ends in one of the two.
class VDAdLoaderDelegate {
public:
    virtual ~VDAdLoaderDelegate() = default;

    virtual void adLoaderDidReceiveNativeAd(VDAdLoader& loader,
                                            const std::shared_ptr<VDNativeAd>& ad) = 0;
    virtual void adLoaderDidFailToReceiveAdWithError(VDAdLoader& loader,
                                                     const base::Error& error) = 0;
};
