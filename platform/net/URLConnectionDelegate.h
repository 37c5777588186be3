#pragma once

#include "platform/base/Data.h"
#include "platform/base/Error.h"
#include "platform/net/CachedURLResponse.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/net/URLRequest.h"

#include <memory>
#include <optional>

namespace net {

class URLConnection;

// What a URLConnection tells its delegate, always on the main run loop, in this order:
// connectionWillSendRequest for the first request and for every redirect, then
// connectionDidReceiveResponse, connectionDidReceiveData any number of times,
// connectionWillCacheResponse when the response may be stored, and last exactly one of
// connectionDidFinishLoading and connectionDidFailWithError. Every method has a default body.
class URLConnectionDelegate {
public:
    virtual ~URLConnectionDelegate() = default;

    // The request about to go out: the first one (no redirect response) or the next hop of a
    // redirect. Return it, a changed request, or nullopt to refuse it. A refused redirect makes
    // the redirect response itself the final answer (its body follows, then the finish); a
    // refused first request ends the load with URLErrorCancelled.
    virtual std::optional<URLRequest>
    connectionWillSendRequest(const std::shared_ptr<URLConnection>& connection,
                              const URLRequest& request,
                              const std::optional<HTTPURLResponse>& redirectResponse) {
        (void)connection;
        (void)redirectResponse;
        return request;
    }
    virtual void connectionDidReceiveResponse(const std::shared_ptr<URLConnection>& connection,
                                              const HTTPURLResponse& response) {
        (void)connection;
        (void)response;
    }
    virtual void connectionDidReceiveData(const std::shared_ptr<URLConnection>& connection,
                                          const base::Data& data) {
        (void)connection;
        (void)data;
    }
    // The entry about to be stored in URLCache::shared(); return it, a changed one, or nullopt
    // to store nothing.
    virtual std::optional<CachedURLResponse>
    connectionWillCacheResponse(const std::shared_ptr<URLConnection>& connection,
                                const CachedURLResponse& cachedResponse) {
        (void)connection;
        return cachedResponse;
    }
    virtual void connectionDidFinishLoading(const std::shared_ptr<URLConnection>& connection) {
        (void)connection;
    }
    virtual void connectionDidFailWithError(const std::shared_ptr<URLConnection>& connection,
                                            const base::Error& error) {
        (void)connection;
        (void)error;
    }
};

} // namespace net
