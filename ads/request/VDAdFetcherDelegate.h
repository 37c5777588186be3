#pragma once

#include "platform/base/Error.h"

#include <memory>

class VDAd;
class VDAdFetcher;

// What a fetcher tells the one who asked (the slot), on the main thread: exactly one of the
// two, once per fetch.
class VDAdFetcherDelegate {
public:
    virtual ~VDAdFetcherDelegate() = default;

    virtual void adFetcherDidFetchAd(VDAdFetcher& fetcher, const std::shared_ptr<VDAd>& ad) = 0;
    // The error is a VDRequestError; the response code is the HTTP status of a failed load,
    // -1 for a load that got no response, and 0 otherwise.
    virtual void adFetcherDidFailToFetchAdWithErrorResponseCode(VDAdFetcher& fetcher,
                                                                const std::shared_ptr<VDAd>& ad,
                                                                const base::Error& error,
                                                                long responseCode) = 0;
};
