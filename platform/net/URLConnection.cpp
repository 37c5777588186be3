#include "platform/net/URLConnection.h"

#include "platform/base/PercentEscape.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/base/Timer.h"
#include "platform/net/CachedURLResponse.h"
#include "platform/net/CookieStorage.h"
#include "platform/net/CurlMulti.h"
#include "platform/net/CurlTransfer.h"
#include "platform/net/URLCache.h"
#include "platform/net/URLError.h"

#include <cmath>

namespace net {

namespace {

bool isHTTPScheme(const std::string& scheme) {
    return scheme == "http" || scheme == "https";
}

bool sameOrigin(const base::URL& a, const base::URL& b) {
    auto port = [](const base::URL& url) {
        if (url.port())
            return *url.port();
        return url.scheme() == "https" ? 443 : 80;
    };
    return a.scheme() == b.scheme() && base::equalsIgnoringASCIICase(a.host(), b.host()) &&
           port(a) == port(b);
}

// Collects a load for sendAsynchronousRequest.
class CompletionDelegate final : public URLConnectionDelegate {
public:
    explicit CompletionDelegate(URLConnection::CompletionHandler completion)
        : completion_(std::move(completion)) {}

    void connectionDidReceiveResponse(const std::shared_ptr<URLConnection>&,
                                      const HTTPURLResponse& response) override {
        response_ = response;
        data_.clear();
    }
    void connectionDidReceiveData(const std::shared_ptr<URLConnection>&,
                                  const base::Data& data) override {
        data_.append(data);
    }
    void connectionDidFinishLoading(const std::shared_ptr<URLConnection>&) override {
        completion_(response_, data_, std::nullopt);
    }
    void connectionDidFailWithError(const std::shared_ptr<URLConnection>&,
                                    const base::Error& error) override {
        completion_(response_, base::Data(), error);
    }

private:
    URLConnection::CompletionHandler completion_;
    std::optional<HTTPURLResponse> response_;
    base::Data data_;
};

} // namespace

std::shared_ptr<URLConnection>
URLConnection::create(URLRequest request, std::shared_ptr<URLConnectionDelegate> delegate,
                      bool startImmediately) {
    auto connection =
        std::make_shared<URLConnection>(Private{}, std::move(request), std::move(delegate));
    if (startImmediately)
        connection->start();
    return connection;
}

bool URLConnection::canHandleRequest(const URLRequest& request) {
    const auto& url = request.url();
    if (!url)
        return false;
    if (isHTTPScheme(url->scheme()))
        return !url->host().empty();
    return url->scheme() == "file";
}

void URLConnection::sendAsynchronousRequest(URLRequest request, CompletionHandler completion) {
    create(std::move(request), std::make_shared<CompletionDelegate>(std::move(completion)));
}

URLConnection::URLConnection(Private, URLRequest request,
                             std::shared_ptr<URLConnectionDelegate> delegate)
    : originalRequest_(request)
    , currentRequest_(std::move(request))
    , delegate_(std::move(delegate)) {}

URLConnection::~URLConnection() {
    if (transfer_)
        CurlMulti::shared().remove(transfer_);
}

void URLConnection::start() {
    base::assertMainThread();
    if (state_ != State::Created)
        return;
    state_ = State::Loading;
    self_ = shared_from_this();
    if (auto limit = originalRequest_.timeLimit();
        limit && limit->count() > 0 && std::isfinite(limit->count())) {
        timeLimitTimer_ = base::RunLoop::main().dispatchAfter(*limit, [weak = weak_from_this()] {
            if (auto self = weak.lock(); self && self->state_ == State::Loading)
                self->fail(base::URLErrorTimedOut);
        });
    }
    // The first callback comes from the run loop, never from inside start(), so that the
    // creator can finish setting up first.
    base::RunLoop::main().dispatch([weak = weak_from_this()] {
        auto self = weak.lock();
        if (self && self->state_ == State::Loading && self->generation_ == 0 &&
            self->redirectCount_ == 0)
            self->beginHop(self->originalRequest_, std::nullopt, {});
    });
}

void URLConnection::cancel() {
    base::assertMainThread();
    if (state_ == State::Done)
        return;
    auto keepAlive = shared_from_this();
    end();
}

std::shared_ptr<URLConnectionDelegate> URLConnection::end() {
    state_ = State::Done;
    if (transfer_) {
        CurlMulti::shared().remove(transfer_);
        transfer_.reset();
    }
    ++generation_; // anything the transfer still reports is stale
    if (auto timer = std::move(timeLimitTimer_))
        timer->invalidate();
    self_.reset();
    return std::move(delegate_);
}

void URLConnection::beginHop(URLRequest proposed, std::optional<HTTPURLResponse> redirectResponse,
                             base::Data redirectBody) {
    auto self = shared_from_this();
    std::optional<URLRequest> next = proposed;
    // Held for the call: a delegate that cancels from inside it may have no other owner.
    if (auto delegate = delegate_)
        next = delegate->connectionWillSendRequest(self, proposed, redirectResponse);
    if (state_ != State::Loading)
        return;
    if (!next) {
        if (redirectResponse)
            deliverAsFinalResponse(*redirectResponse, redirectBody);
        else
            fail(base::URLErrorCancelled);
        return;
    }
    currentRequest_ = std::move(*next);
    load();
}

void URLConnection::load() {
    const auto& url = currentRequest_.url();
    if (!url) {
        fail(base::URLErrorBadURL);
        return;
    }
    bool http = isHTTPScheme(url->scheme());
    if (!http && url->scheme() != "file") {
        fail(base::URLErrorUnsupportedURL);
        return;
    }
    if (http && url->host().empty()) {
        fail(base::URLErrorBadURL);
        return;
    }
    // A server's Location must not reach the machine's own files.
    if (!http && redirectCount_ > 0) {
        fail(base::URLErrorUnsupportedURL);
        return;
    }
    if (answerFromCache())
        return;

    response_.reset();
    cacheCandidate_ = false;
    cacheBody_.clear();
    std::optional<std::string> cookieHeader;
    if (http && currentRequest_.HTTPShouldHandleCookies())
        cookieHeader = CookieStorage::shared()->cookieHeaderForURL(*url);
    auto generation = ++generation_;
    transfer_ =
        CurlTransfer::create(currentRequest_, std::move(cookieHeader),
                             [weak = weak_from_this(), generation](CurlTransfer::Event event) {
                                 if (auto self = weak.lock())
                                     self->handleEvent(generation, std::move(event));
                             });
    CurlMulti::shared().add(transfer_);
}

bool URLConnection::answerFromCache() {
    auto policy = currentRequest_.cachePolicy();
    if (policy == URLRequestCachePolicy::ReloadIgnoringLocalCacheData)
        return false;
    std::optional<CachedURLResponse> cached;
    if (currentRequest_.HTTPMethod() == "GET" && isHTTPScheme(currentRequest_.url()->scheme()))
        cached = URLCache::shared()->cachedResponse(currentRequest_);
    bool usable = false;
    if (cached) {
        switch (policy) {
        case URLRequestCachePolicy::UseProtocolCachePolicy: {
            // A request that validates by itself wants the server's answer (a 304 included).
            const auto& fields = currentRequest_.allHTTPHeaderFields();
            bool conditional =
                fields.contains("If-Modified-Since") || fields.contains("If-None-Match");
            usable = !conditional && cached->isFresh(base::Date::now());
            break;
        }
        case URLRequestCachePolicy::ReturnCacheDataElseLoad:
        case URLRequestCachePolicy::ReturnCacheDataDontLoad:
            usable = true;
            break;
        case URLRequestCachePolicy::ReloadIgnoringLocalCacheData:
            break;
        }
    }
    if (!usable) {
        if (policy == URLRequestCachePolicy::ReturnCacheDataDontLoad) {
            fail(base::URLErrorResourceUnavailable);
            return true;
        }
        return false;
    }
    if (auto maximum = currentRequest_.maximumBodyLength();
        maximum && cached->data().size() > *maximum) {
        fail(base::URLErrorDataLengthExceedsMaximum);
        return true;
    }
    response_.reset();
    cacheCandidate_ = false;
    handleResponse(cached->response());
    if (state_ == State::Loading && !cached->data().empty())
        handleData(cached->data());
    if (state_ == State::Loading)
        finish();
    return true;
}

void URLConnection::handleEvent(std::uint64_t generation, CurlTransfer::Event event) {
    base::assertMainThread();
    if (state_ != State::Loading || generation != generation_)
        return;
    auto self = shared_from_this();
    switch (event.kind) {
    case CurlTransfer::Event::Kind::Response:
        storeCookies(event.response);
        cacheCandidate_ = CachedURLResponse::isStorable(currentRequest_, event.response);
        handleResponse(event.response);
        break;
    case CurlTransfer::Event::Kind::Data:
        handleData(event.data);
        break;
    case CurlTransfer::Event::Kind::Redirect:
        transfer_.reset();
        handleRedirect(event.response, std::move(event.data));
        break;
    case CurlTransfer::Event::Kind::Finished:
        transfer_.reset();
        handleFinished();
        break;
    case CurlTransfer::Event::Kind::Failed:
        transfer_.reset();
        fail(event.errorCode);
        break;
    }
}

void URLConnection::handleResponse(const HTTPURLResponse& response) {
    response_ = response;
    cacheBody_.clear();
    if (auto delegate = delegate_)
        delegate->connectionDidReceiveResponse(shared_from_this(), response);
}

void URLConnection::handleData(const base::Data& data) {
    if (cacheCandidate_) {
        if (cacheBody_.size() + data.size() > URLCache::shared()->maximumEntrySize()) {
            cacheCandidate_ = false;
            cacheBody_.clear();
        } else {
            cacheBody_.append(data);
        }
    }
    if (auto delegate = delegate_)
        delegate->connectionDidReceiveData(shared_from_this(), data);
}

void URLConnection::handleRedirect(const HTTPURLResponse& response, base::Data body) {
    storeCookies(response);
    if (++redirectCount_ > maximumRedirects) {
        fail(base::URLErrorHTTPTooManyRedirects);
        return;
    }
    const auto& from = *currentRequest_.url();
    auto location = response.valueForHTTPHeaderField("Location").value_or("");
    auto target = from.resolve(location);
    if (!target)
        target = from.resolve(base::percentEscape(location));
    if (!target) {
        // A Location that makes no URL cannot be followed: the answer is the redirect itself.
        cacheCandidate_ = false;
        deliverAsFinalResponse(response, body);
        return;
    }

    URLRequest next = currentRequest_;
    if (next.mainDocumentURL() == next.url())
        next.setMainDocumentURL(target);
    next.setURL(target);
    int status = response.statusCode();
    bool becomesGet = (status == 303 && next.HTTPMethod() != "HEAD") ||
                      ((status == 301 || status == 302) && next.HTTPMethod() == "POST");
    if (becomesGet) {
        next.setHTTPMethod("GET");
        next.setHTTPBody({});
        next.removeHTTPHeaderField("Content-Type");
        next.removeHTTPHeaderField("Content-Length");
    }
    // Credentials the caller put into the request were meant for the origin it named.
    if (!sameOrigin(from, *target)) {
        next.removeHTTPHeaderField("Authorization");
        next.removeHTTPHeaderField("Cookie");
    }
    beginHop(std::move(next), response, std::move(body));
}

void URLConnection::handleFinished() {
    if (auto delegate = delegate_; cacheCandidate_ && response_ && delegate) {
        CachedURLResponse proposed(*response_, cacheBody_, base::Date::now());
        auto accepted = delegate->connectionWillCacheResponse(shared_from_this(), proposed);
        if (state_ != State::Loading)
            return;
        if (accepted)
            URLCache::shared()->storeCachedResponse(*accepted, currentRequest_);
    } else if (cacheCandidate_ && response_) {
        URLCache::shared()->storeCachedResponse(
            CachedURLResponse(*response_, cacheBody_, base::Date::now()), currentRequest_);
    }
    cacheBody_.clear();
    finish();
}

void URLConnection::deliverAsFinalResponse(const HTTPURLResponse& response,
                                           const base::Data& body) {
    cacheCandidate_ = false;
    handleResponse(response);
    if (state_ == State::Loading && !body.empty())
        handleData(body);
    if (state_ == State::Loading)
        finish();
}

void URLConnection::finish() {
    auto self = shared_from_this();
    if (auto delegate = end())
        delegate->connectionDidFinishLoading(self);
}

void URLConnection::fail(long code) {
    auto self = shared_from_this();
    const auto& url = currentRequest_.url();
    auto error = makeURLError(code, url ? url->absoluteString() : std::string());
    if (auto delegate = end())
        delegate->connectionDidFailWithError(self, error);
}

void URLConnection::storeCookies(const HTTPURLResponse& response) {
    const auto& url = currentRequest_.url();
    if (!currentRequest_.HTTPShouldHandleCookies() || !url || !isHTTPScheme(url->scheme()))
        return;
    CookieStorage::shared()->setCookiesFromHeaders(response.allHeaderFields(), *url);
}

} // namespace net
