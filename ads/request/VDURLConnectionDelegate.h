#pragma once

#include "platform/base/Error.h"
#include "platform/base/URL.h"
#include "platform/net/HTTPURLResponse.h"

#include <optional>
#include <string>

class VDURLConnection;

// What a VDURLConnection tells the object it loads for, on the main thread. A load ends with
// exactly one of connectionLoadDidFinishBaseURL and connectionLoadDidFailHTTPStatusCode.
class VDURLConnectionDelegate {
public:
    virtual ~VDURLConnectionDelegate() = default;

    // A redirect to `url` is about to be followed: nullopt lets it go on, an error ends the
    // load with that error (status -1).
    virtual std::optional<base::Error> connectionShouldRedirectToURL(VDURLConnection& connection,
                                                                     const base::URL& url) = 0;
    // The response that redirected the load.
    virtual void connectionLoadDidReceiveRedirectResponse(VDURLConnection& connection,
                                                          const net::HTTPURLResponse& response) = 0;
    // The final response has arrived: true turns on the shared memory cache for this
    // connection, and an unexpired entry for the URL then answers instead of the network.
    virtual bool connectionLoadShouldUseCachedResponse(VDURLConnection& connection,
                                                       const net::HTTPURLResponse& response) = 0;
    // The response of the cache entry that answers the load.
    virtual void connectionLoadDidReceiveCachedResponse(VDURLConnection& connection,
                                                        const net::HTTPURLResponse& response) = 0;
    // The body as text (nullopt when it cannot be decoded) and the URL it came from, after
    // redirects.
    virtual void connectionLoadDidFinishBaseURL(VDURLConnection& connection,
                                                const std::optional<std::string>& body,
                                                const std::optional<base::URL>& baseURL) = 0;
    // The load failed; the status of the HTTP response when there was one, else -1.
    virtual void connectionLoadDidFailHTTPStatusCode(VDURLConnection& connection,
                                                     const std::optional<base::Error>& error,
                                                     long statusCode) = 0;
};
