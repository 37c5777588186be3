#pragma once

#include "platform/base/Data.h"
#include "platform/base/Error.h"
#include "platform/net/CurlTransfer.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/net/URLConnectionDelegate.h"
#include "platform/net/URLRequest.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace base {
class Timer;
}

namespace net {

// Loads one URL request (http, https or file) through the process's one libcurl multi, driven by
// the main run loop's own sockets and wake-ups (CurlMulti), and tells its delegate on that loop
// (see URLConnectionDelegate for the order).
//
// - Redirects (301, 302, 303, 307, 308) are followed here, one hop at a time, so the delegate
//   sees each hop and may change or refuse it. 303, and 301/302 after a POST, go on as a GET
//   without body; 307 and 308 keep method and body. A hop to another origin drops the
//   request's own Authorization and Cookie fields. More than 16 redirects fail with
//   URLErrorHTTPTooManyRedirects. A hop to a file URL fails with URLErrorUnsupportedURL.
// - The request's time-out is an idle time-out: the load fails with URLErrorTimedOut when the
//   server makes no progress for that long. The request's time limit, when it has one, bounds
//   the whole load (redirects included) on the main run loop's clock, with the same error.
// - The request's maximum body length bounds the decoded body: past it the load fails with
//   URLErrorDataLengthExceedsMaximum, a cached answer included.
// - With HTTPShouldHandleCookies, CookieStorage::shared() supplies the Cookie field (unless the
//   request has one) and stores every Set-Cookie of every response, redirects included.
// - URLCache::shared() answers according to the request's cache policy and stores GET
//   responses that may be stored (see CachedURLResponse::isStorable).
//
// A running connection keeps itself and its delegate alive until it finishes, fails or is
// cancelled, as the platform's connection did: dropping every reference to it does not stop
// the load, cancel() does. Call start() and cancel() on the main thread.
class URLConnection : public std::enable_shared_from_this<URLConnection> {
    struct Private {};

public:
    static constexpr int maximumRedirects = 16;
    using CompletionHandler =
        std::function<void(const std::optional<HTTPURLResponse>& response, const base::Data& data,
                           const std::optional<base::Error>& error)>;

    static std::shared_ptr<URLConnection> create(URLRequest request,
                                                 std::shared_ptr<URLConnectionDelegate> delegate,
                                                 bool startImmediately = true);
    // Whether the request names a URL this loader can fetch: http or https with a host, or
    // file.
    static bool canHandleRequest(const URLRequest& request);
    // Loads the request and hands the outcome to `completion` on the main run loop: the
    // response and the whole body, or the error. The whole body is kept: give the request a
    // maximum body length unless its source is trusted.
    static void sendAsynchronousRequest(URLRequest request, CompletionHandler completion);

    URLConnection(Private, URLRequest request, std::shared_ptr<URLConnectionDelegate> delegate);
    ~URLConnection();
    URLConnection(const URLConnection&) = delete;
    URLConnection& operator=(const URLConnection&) = delete;

    // Starts a connection made with startImmediately false; does nothing otherwise, nor after
    // cancel().
    void start();
    // Stops the load: no delegate method is called any more, not even for events already
    // waiting on the main run loop. The delegate is released.
    void cancel();

    const URLRequest& originalRequest() const { return originalRequest_; }
    // The request of the current hop, as the delegate last returned it.
    const URLRequest& currentRequest() const { return currentRequest_; }

private:
    enum class State { Created, Loading, Done };

    void beginHop(URLRequest proposed, std::optional<HTTPURLResponse> redirectResponse,
                  base::Data redirectBody);
    void load();
    bool answerFromCache();
    void handleEvent(std::uint64_t generation, CurlTransfer::Event event);
    void handleResponse(const HTTPURLResponse& response);
    void handleData(const base::Data& data);
    void handleRedirect(const HTTPURLResponse& response, base::Data body);
    void handleFinished();
    void deliverAsFinalResponse(const HTTPURLResponse& response, const base::Data& body);
    void finish();
    void fail(long code);
    void storeCookies(const HTTPURLResponse& response);
    // Ends the load; returns the delegate for the last call.
    std::shared_ptr<URLConnectionDelegate> end();

    URLRequest originalRequest_;
    URLRequest currentRequest_;
    std::shared_ptr<URLConnectionDelegate> delegate_;
    State state_ = State::Created;
    std::shared_ptr<URLConnection> self_; // while loading
    std::shared_ptr<CurlTransfer> transfer_;
    std::shared_ptr<base::Timer> timeLimitTimer_;
    std::uint64_t generation_ = 0; // of the current hop's transfer
    int redirectCount_ = 0;
    std::optional<HTTPURLResponse> response_;
    bool cacheCandidate_ = false;
    base::Data cacheBody_;
};

} // namespace net
