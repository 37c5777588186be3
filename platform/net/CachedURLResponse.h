#pragma once

#include "platform/base/Data.h"
#include "platform/base/Date.h"
#include "platform/net/HTTPURLResponse.h"

#include <optional>

namespace net {

class URLRequest;

// A response and its body as the URL cache keeps them, with the moment they were stored.
class CachedURLResponse {
public:
    CachedURLResponse(HTTPURLResponse response, base::Data data, base::Date storedDate);

    const HTTPURLResponse& response() const { return response_; }
    const base::Data& data() const { return data_; }
    base::Date storedDate() const { return storedDate_; }

    // When the response stops being fresh, from its Cache-Control max-age (less its Age), or
    // else from Expires measured against its Date. "no-cache" makes it stale at once. nullopt
    // when the headers give it no lifetime.
    std::optional<base::Date> expirationDate() const;
    bool isFresh(base::Date now) const;

    // Whether a response to the request may be stored at all: a GET answered 200 over HTTP(S),
    // no "no-store" on either side, and a header that lets it be reused or revalidated later
    // (max-age, Expires, Last-Modified or ETag).
    static bool isStorable(const URLRequest& request, const HTTPURLResponse& response);

    bool operator==(const CachedURLResponse&) const = default;

private:
    HTTPURLResponse response_;
    base::Data data_;
    base::Date storedDate_;
};

} // namespace net
