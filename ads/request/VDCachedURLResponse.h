#pragma once

#include "platform/base/Data.h"
#include "platform/base/Date.h"
#include "platform/base/URL.h"
#include "platform/net/CachedURLResponse.h"
#include "platform/net/HTTPURLResponse.h"

#include <memory>
#include <optional>

// One entry of the ads client's memory cache of responses: the response and its body, until
// when it may answer, and the URL the body came from after redirects.
class VDCachedURLResponse {
    struct Private {};

public:
    // nullptr when the response, the data or the expiration date is missing.
    static std::shared_ptr<VDCachedURLResponse> create(std::optional<net::HTTPURLResponse> response,
                                                       std::optional<base::Data> data,
                                                       std::optional<base::Date> expirationDate,
                                                       std::optional<base::URL> destinationURL);
    VDCachedURLResponse(Private, net::HTTPURLResponse response, base::Data data,
                        base::Date expirationDate, std::optional<base::URL> destinationURL);

    const net::HTTPURLResponse& response() const { return cached_.response(); }
    const base::Data& data() const { return cached_.data(); }
    base::Date expirationDate() const { return expirationDate_; }
    const std::optional<base::URL>& destinationURL() const { return destinationURL_; }

private:
    net::CachedURLResponse cached_;
    base::Date expirationDate_;
    std::optional<base::URL> destinationURL_;
};
