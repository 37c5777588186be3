#include "ads/request/VDCachedURLResponse.h"

std::shared_ptr<VDCachedURLResponse> VDCachedURLResponse::create(
    std::optional<net::HTTPURLResponse> response, std::optional<base::Data> data,
    std::optional<base::Date> expirationDate, std::optional<base::URL> destinationURL) {
    if (!response || !data || !expirationDate)
        return nullptr;
    return std::make_shared<VDCachedURLResponse>(Private{}, std::move(*response), std::move(*data),
                                                 *expirationDate, std::move(destinationURL));
}

VDCachedURLResponse::VDCachedURLResponse(Private, net::HTTPURLResponse response, base::Data data,
                                         base::Date expirationDate,
                                         std::optional<base::URL> destinationURL)
    : cached_(std::move(response), std::move(data), base::Date::now())
    , expirationDate_(expirationDate)
    , destinationURL_(std::move(destinationURL)) {}
