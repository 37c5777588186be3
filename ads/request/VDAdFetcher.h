#pragma once

#include "ads/request/VDAd.h"
#include "ads/request/VDAdFetcherDelegate.h"
#include "ads/request/VDURLConnection.h"
#include "platform/base/Result.h"
#include "platform/net/HTTPHeaderFields.h"
#include "platform/net/URLRequest.h"

#include <memory>
#include <optional>

class VDRequest;
class VDTiming;

// Fetches one ad: loads its URL with a VDURLConnection, reads the response headers whose names
// begin with "x-vdma-" into the ad record, decides the response type and tells its delegate
// once whether the ad was fetched. A fetcher fetches once; make a new one for every ad.
//
// Response types (from the headers, names in any case): "x-vdma-mediation" true with a JSON
// "Content-Type" is mediation (2), "x-vdma-native" true with JSON is native (3), mediation or
// native without JSON is no type (0, code 3 at once), "x-vdma-custom-rendering-allowed" true is
// custom rendering (4), anything else HTML (1). A header is true when its text reads true
// ("1", "true", "yes").
//
// Outcomes: fetched when the type is not 0 and the body is not empty; otherwise code 1 (no ad)
// or 11 (no type). A load that fails: HTTP 400 is code 0 (with a line in the public log),
// above 400 code 3, no response at all code 13 (response code -1), anything else code 2, each
// with the status as response code. Only mediation responses use the memory cache.
//
// Main thread only. The delegate is held weakly; after a failure the fetcher cancels itself.
class VDAdFetcher : public VDURLConnectionDelegate,
                    public std::enable_shared_from_this<VDAdFetcher> {
    struct Private {};

public:
    // The user default a response's "x-vdma-use-https" header is stored under; the slot reads
    // it into its next request.
    static constexpr const char* useHTTPSKey = "/redodi/ads/use_https";

    static std::shared_ptr<VDAdFetcher> create();
    explicit VDAdFetcher(Private);
    ~VDAdFetcher() override;
    VDAdFetcher(const VDAdFetcher&) = delete;
    VDAdFetcher& operator=(const VDAdFetcher&) = delete;

    // Fetches the request into a new ad.
    base::Result<void> fetchRequestURL(const net::URLRequest& request,
                                       const std::shared_ptr<VDAdFetcherDelegate>& delegate);
    // The slot's entry: an ad without HTML is fetched from its adURL (a GET carrying the
    // ads client's user agent); an ad with HTML needs no request. The headers, when given,
    // are read as a response's would be. `request` is the load the errors are made with.
    base::Result<void>
    fetchRemainingContentForAd(const std::shared_ptr<VDAd>& ad,
                               const std::optional<net::HTTPHeaderFields>& headers,
                               const std::shared_ptr<VDAdFetcherDelegate>& delegate,
                               std::shared_ptr<const VDRequest> request);
    // Refused (code 2, "Could not start fetch. This object has already been used to fetch.")
    // for a fetcher that has fetched before; code 2 "Failed to start ad connection." when the
    // connection will not start. Without a request the outcome follows on a later turn of the
    // main run loop.
    base::Result<void> fetchRequestURL(const std::optional<net::URLRequest>& request,
                                       const std::shared_ptr<VDAdFetcherDelegate>& delegate,
                                       const std::optional<net::HTTPHeaderFields>& headers,
                                       const std::shared_ptr<VDAd>& ad);
    // Forgets the delegate and stops the load.
    void cancel();

    const std::shared_ptr<VDAd>& ad() const { return ad_; }
    const std::shared_ptr<const VDRequest>& request() const { return request_; }
    void setRequest(std::shared_ptr<const VDRequest> request) { request_ = std::move(request); }
    std::shared_ptr<VDAdFetcherDelegate> delegate() const { return delegate_.lock(); }
    const std::shared_ptr<VDTiming>& timer() const { return timer_; }
    const std::shared_ptr<VDURLConnection>& adConnection() const { return adConnection_; }
    bool adConnectionHasCompleted() const { return adConnectionHasCompleted_; }

    // Reads the headers into the ad (see the class comment and the table in VDAdFetcher.cpp).
    void processHTTPHeaders(const net::HTTPHeaderFields& headers);
    // The response type the headers give, and the error that comes with type 0.
    static unsigned adResponseTypeFromHeaders(const net::HTTPHeaderFields& headers,
                                              std::optional<base::Error>* requestError);

    // --- VDURLConnectionDelegate.
    std::optional<base::Error> connectionShouldRedirectToURL(VDURLConnection& connection,
                                                             const base::URL& url) override;
    void connectionLoadDidReceiveRedirectResponse(VDURLConnection& connection,
                                                  const net::HTTPURLResponse& response) override;
    bool connectionLoadShouldUseCachedResponse(VDURLConnection& connection,
                                               const net::HTTPURLResponse& response) override;
    void connectionLoadDidReceiveCachedResponse(VDURLConnection& connection,
                                                const net::HTTPURLResponse& response) override;
    void connectionLoadDidFinishBaseURL(VDURLConnection& connection,
                                        const std::optional<std::string>& body,
                                        const std::optional<base::URL>& baseURL) override;
    void connectionLoadDidFailHTTPStatusCode(VDURLConnection& connection,
                                             const std::optional<base::Error>& error,
                                             long statusCode) override;

private:
    void completedURLConnection();
    void resourceFailedToLoadWithError(const base::Error& error, long responseCode);

    bool hasStartedFetch_ = false;
    bool hasNotifiedDelegate_ = false;
    bool adConnectionHasCompleted_ = false;
    std::shared_ptr<VDAd> ad_;
    std::shared_ptr<const VDRequest> request_;
    std::weak_ptr<VDAdFetcherDelegate> delegate_;
    std::shared_ptr<VDTiming> timer_;
    std::shared_ptr<VDURLConnection> adConnection_;
};
