#pragma once

#include "ads/request/VDAdFetcher.h"
#include "ads/request/VDAdFetcherDelegate.h"
#include "ads/webview/VDSDKCoreAMSGHandler.h"

#include <memory>

// One fetch the SDK-core page asked for ("fetchAd"): a new VDAdFetcher fetches the request,
// with this object as its delegate, and the completion hears the fetched ad once (nothing on
// a failure). Letting go of the fetch cancels it. install() makes it the SDK-core handler's
// road for the process. Main thread only.
class VDSDKCoreAdFetch : public VDAdFetcherDelegate,
                         public std::enable_shared_from_this<VDSDKCoreAdFetch> {
    struct Private {};

public:
    static void install();
    static std::shared_ptr<VDSDKCoreAdFetch>
    start(net::URLRequest request, VDSDKCoreAMSGHandler::FetchCompletion completion);

    VDSDKCoreAdFetch(Private, VDSDKCoreAMSGHandler::FetchCompletion completion);
    ~VDSDKCoreAdFetch() override;

    void adFetcherDidFetchAd(VDAdFetcher& fetcher, const std::shared_ptr<VDAd>& ad) override;
    void adFetcherDidFailToFetchAdWithErrorResponseCode(VDAdFetcher& fetcher,
                                                        const std::shared_ptr<VDAd>& ad,
                                                        const base::Error& error,
                                                        long responseCode) override;

private:
    void finish(std::optional<VDSDKCoreAMSGHandler::FetchedAd> ad);

    std::shared_ptr<VDAdFetcher> fetcher_ = VDAdFetcher::create();
    VDSDKCoreAMSGHandler::FetchCompletion completion_;
};
