#include "ads/request/VDSDKCoreAdFetch.h"

#include "ads/request/VDAd.h"

void VDSDKCoreAdFetch::install() {
    VDSDKCoreAMSGHandler::installAdFetch(
        [](net::URLRequest request, VDSDKCoreAMSGHandler::FetchCompletion completion) {
            return std::static_pointer_cast<void>(start(std::move(request), std::move(completion)));
        });
}

std::shared_ptr<VDSDKCoreAdFetch>
VDSDKCoreAdFetch::start(net::URLRequest request, VDSDKCoreAMSGHandler::FetchCompletion completion) {
    auto fetch = std::make_shared<VDSDKCoreAdFetch>(Private{}, std::move(completion));
    if (!fetch->fetcher_->fetchRequestURL(request, fetch))
        fetch->finish(std::nullopt);
    return fetch;
}

VDSDKCoreAdFetch::VDSDKCoreAdFetch(Private, VDSDKCoreAMSGHandler::FetchCompletion completion)
    : completion_(std::move(completion)) {}

VDSDKCoreAdFetch::~VDSDKCoreAdFetch() {
    fetcher_->cancel();
}

void VDSDKCoreAdFetch::adFetcherDidFetchAd(VDAdFetcher&, const std::shared_ptr<VDAd>& ad) {
    VDSDKCoreAMSGHandler::FetchedAd fetched;
    fetched.HTML = ad->adHTML().value_or("");
    if (ad->adBaseURL())
        fetched.baseURL = ad->adBaseURL()->absoluteString();
    if (ad->responseHeaders())
        for (const auto& [name, value] : ad->responseHeaders()->combined())
            fetched.headers[name] = base::Value(value);
    finish(std::move(fetched));
}

void VDSDKCoreAdFetch::adFetcherDidFailToFetchAdWithErrorResponseCode(VDAdFetcher&,
                                                                      const std::shared_ptr<VDAd>&,
                                                                      const base::Error&, long) {
    finish(std::nullopt);
}

void VDSDKCoreAdFetch::finish(std::optional<VDSDKCoreAMSGHandler::FetchedAd> ad) {
    if (auto completion = std::exchange(completion_, nullptr))
        completion(std::move(ad));
}
