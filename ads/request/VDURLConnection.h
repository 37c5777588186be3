#pragma once

#include "ads/request/VDCachedURLResponse.h"
#include "ads/request/VDURLConnectionDelegate.h"
#include "platform/base/Data.h"
#include "platform/base/Result.h"
#include "platform/base/URL.h"
#include "platform/net/URLConnection.h"
#include "platform/net/URLConnectionDelegate.h"
#include "platform/net/URLRequest.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

// The ads client's HTTP load of one request (ad responses, the bad-ad report): it follows
// redirects while its delegate lets it, reads the final answer whole and hands it over as text
// with the URL it came from. Only http and https URLs are loaded.
//
// - A final answer whose status is not 2xx is a failure with that status, never a body.
// - The body is decoded in the charset the response names when the text-encoding table knows
//   it, else as UTF-8 (nullopt when it is no UTF-8).
// - One memory cache of at most 25 entries is shared by every connection. A delegate turns it
//   on for its connection by answering true to connectionLoadShouldUseCachedResponse; a
//   finished answer is then kept until the expiry its caching headers give, and a later load
//   of the same key whose delegate turns caching on is answered from the entry instead of the
//   network body. The key is the URL, or host + path + "slotname" value when the query has a
//   "slotname" item, so every request of one ad unit shares an entry.
//
// An idle connection can be started again. Main thread only; the delegate is held weakly, and
// a running load keeps the connection alive until it ends.
class VDURLConnection : public net::URLConnectionDelegate,
                        public std::enable_shared_from_this<VDURLConnection> {
    struct Private {};

public:
    static constexpr std::size_t memoryCacheCountLimit = 25;

    static std::shared_ptr<VDURLConnection> create();
    explicit VDURLConnection(Private) {}
    ~VDURLConnection() override;
    VDURLConnection(const VDURLConnection&) = delete;
    VDURLConnection& operator=(const VDURLConnection&) = delete;

    // Starts the load; refused (code 2, "Ignoring -- Currently loading <URL>") while a load is
    // in progress. A request that cannot be loaded (no URL, not http or https) fails through
    // the delegate, on a later turn of the main run loop, with status -1.
    base::Result<void>
    startWithRequestURL(const net::URLRequest& request,
                        const std::shared_ptr<VDURLConnectionDelegate>& delegate);
    // Ends the load without telling the delegate; the delegate stays.
    void stop();
    // Forgets the delegate, then stop().
    void cancel();

    bool isInProgress() const { return isInProgress_; }
    bool allowCache() const { return allowCache_; }
    void setAllowCache(bool allow) { allowCache_ = allow; }
    // The URL first asked for, and the one after redirects.
    const std::optional<base::URL>& sourceURL() const { return sourceURL_; }
    const std::optional<base::URL>& destinationURL() const { return destinationURL_; }
    std::shared_ptr<VDURLConnectionDelegate> delegate() const { return delegate_.lock(); }
    const std::optional<net::HTTPURLResponse>& response() const { return response_; }
    const base::Data& receivedData() const { return receivedData_; }

    // --- The shared memory cache. Any thread.
    // The MD5 digest of the URL's key text (see above).
    static std::optional<base::Data> cacheKeyForURL(const base::URL& url);
    // The entry for the URL's key while it has not expired; an expired entry is dropped.
    static std::shared_ptr<VDCachedURLResponse> cachedResponseForURL(const base::URL& url);
    static std::size_t memoryCacheCount();
    static void clearCache();

    // The body as text: in the response's charset when that is a known one, else UTF-8.
    static std::optional<std::string> decodedBody(const base::Data& data,
                                                  const net::HTTPURLResponse& response);

    // --- net::URLConnectionDelegate.
    std::optional<net::URLRequest>
    connectionWillSendRequest(const std::shared_ptr<net::URLConnection>& connection,
                              const net::URLRequest& request,
                              const std::optional<net::HTTPURLResponse>& redirectResponse) override;
    void connectionDidReceiveResponse(const std::shared_ptr<net::URLConnection>& connection,
                                      const net::HTTPURLResponse& response) override;
    void connectionDidReceiveData(const std::shared_ptr<net::URLConnection>& connection,
                                  const base::Data& data) override;
    std::optional<net::CachedURLResponse>
    connectionWillCacheResponse(const std::shared_ptr<net::URLConnection>& connection,
                                const net::CachedURLResponse& cachedResponse) override;
    void connectionDidFinishLoading(const std::shared_ptr<net::URLConnection>& connection) override;
    void connectionDidFailWithError(const std::shared_ptr<net::URLConnection>& connection,
                                    const base::Error& error) override;

private:
    // Answers from the entry for the URL, when there is one: the cached response, then the
    // finish with its body.
    bool answerFromMemoryCache(const base::URL& url);
    void tryToStoreResponseAndData();
    bool isCurrent(const std::shared_ptr<net::URLConnection>& connection) const {
        return connection && connection == connection_;
    }

    bool isInProgress_ = false;
    bool allowCache_ = false;
    std::optional<base::URL> sourceURL_;
    std::optional<base::URL> destinationURL_;
    std::weak_ptr<VDURLConnectionDelegate> delegate_;
    std::shared_ptr<net::URLConnection> connection_;
    std::optional<net::HTTPURLResponse> response_;
    base::Data receivedData_;
    // Counts starts and stops, so that a failure queued for a start that has since been
    // stopped is dropped.
    std::uint64_t generation_ = 0;
};
