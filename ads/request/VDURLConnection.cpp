#include "ads/request/VDURLConnection.h"

#include "ads/foundation/VDHTTPCacheExpiry.h"
#include "ads/foundation/VDMD5.h"
#include "ads/foundation/VDURLQuery.h"
#include "ads/request/VDRequestError.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/base/TextEncoding.h"
#include "platform/net/URLError.h"

#include <deque>
#include <map>
#include <mutex>

namespace {

// The shared memory cache: at most memoryCacheCountLimit entries, the oldest stored going
// first when it is full.
struct MemoryCache {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<VDCachedURLResponse>> entries;
    std::deque<std::string> order;

    void store(const std::string& key, std::shared_ptr<VDCachedURLResponse> entry) {
        std::lock_guard lock(mutex);
        if (entries.insert_or_assign(key, std::move(entry)).second)
            order.push_back(key);
        while (entries.size() > VDURLConnection::memoryCacheCountLimit) {
            entries.erase(order.front());
            order.pop_front();
        }
    }
    std::shared_ptr<VDCachedURLResponse> live(const std::string& key) {
        std::lock_guard lock(mutex);
        auto found = entries.find(key);
        if (found == entries.end())
            return nullptr;
        if (found->second->expirationDate() > base::Date::now())
            return found->second;
        entries.erase(found);
        std::erase(order, key);
        return nullptr;
    }
};

MemoryCache& memoryCache() {
    static MemoryCache cache;
    return cache;
}

std::optional<std::string> cacheKeyString(const base::URL& url) {
    auto key = VDURLConnection::cacheKeyForURL(url);
    return key ? std::optional<std::string>(key->toString()) : std::nullopt;
}

bool isLoadable(const net::URLRequest& request) {
    const auto& url = request.url();
    return url && (url->scheme() == "http" || url->scheme() == "https") &&
           net::URLConnection::canHandleRequest(request);
}

} // namespace

std::shared_ptr<VDURLConnection> VDURLConnection::create() {
    return std::make_shared<VDURLConnection>(Private{});
}

VDURLConnection::~VDURLConnection() {
    stop();
}

base::Result<void>
VDURLConnection::startWithRequestURL(const net::URLRequest& request,
                                     const std::shared_ptr<VDURLConnectionDelegate>& delegate) {
    base::assertMainThread();
    if (isInProgress_) {
        return VDRequestError(VDRequestError::kVDErrorNetworkError, nullptr, 0,
                              "Ignoring -- Currently loading " +
                                  (sourceURL_ ? sourceURL_->absoluteString() : std::string()));
    }
    delegate_ = delegate;
    sourceURL_ = request.url();
    destinationURL_ = request.url();
    const std::uint64_t generation = ++generation_;

    if (allowCache_ && sourceURL_ && answerFromMemoryCache(*sourceURL_))
        return {};

    if (!isLoadable(request)) {
        // Told on a later turn, so that the caller is never re-entered from inside its own
        // start.
        const std::string failingURL = sourceURL_ ? sourceURL_->absoluteString() : std::string();
        base::RunLoop::main().dispatch([weakSelf = weak_from_this(), generation, failingURL] {
            auto self = weakSelf.lock();
            if (!self || self->generation_ != generation)
                return;
            if (auto delegate = self->delegate())
                delegate->connectionLoadDidFailHTTPStatusCode(
                    *self, net::makeURLError(base::URLErrorUnsupportedURL, failingURL), -1);
        });
        return {};
    }
    receivedData_ = base::Data();
    response_.reset();
    isInProgress_ = true;
    connection_ = net::URLConnection::create(request, shared_from_this());
    return {};
}

void VDURLConnection::stop() {
    ++generation_;
    if (auto connection = std::exchange(connection_, nullptr))
        connection->cancel();
    sourceURL_.reset();
    destinationURL_.reset();
    response_.reset();
    receivedData_ = base::Data();
    isInProgress_ = false;
}

void VDURLConnection::cancel() {
    delegate_.reset();
    stop();
}

bool VDURLConnection::answerFromMemoryCache(const base::URL& url) {
    auto entry = cachedResponseForURL(url);
    if (!entry)
        return false;
    if (auto delegate = this->delegate()) {
        delegate->connectionLoadDidReceiveCachedResponse(*this, entry->response());
        delegate->connectionLoadDidFinishBaseURL(
            *this, decodedBody(entry->data(), entry->response()), entry->destinationURL());
    }
    return true;
}

std::optional<base::Data> VDURLConnection::cacheKeyForURL(const base::URL& url) {
    std::string text = url.absoluteString();
    if (auto slotName = vd_parameterValueForKey(url, "slotname"))
        text = url.host() + url.path() + *slotName;
    return vd_MD5Data(text);
}

std::shared_ptr<VDCachedURLResponse> VDURLConnection::cachedResponseForURL(const base::URL& url) {
    auto key = cacheKeyString(url);
    return key ? memoryCache().live(*key) : nullptr;
}

std::size_t VDURLConnection::memoryCacheCount() {
    auto& cache = memoryCache();
    std::lock_guard lock(cache.mutex);
    return cache.entries.size();
}

void VDURLConnection::clearCache() {
    auto& cache = memoryCache();
    std::lock_guard lock(cache.mutex);
    cache.entries.clear();
    cache.order.clear();
}

std::optional<std::string> VDURLConnection::decodedBody(const base::Data& data,
                                                        const net::HTTPURLResponse& response) {
    const std::string& charset = response.textEncodingName();
    if (!charset.empty() && base::isKnownEncodingName(charset)) {
        auto text = base::decodeText(data, charset);
        return text ? std::optional<std::string>(std::move(text).value()) : std::nullopt;
    }
    std::string text = data.toString();
    if (!base::isValidUTF8(text))
        return std::nullopt;
    return text;
}

void VDURLConnection::tryToStoreResponseAndData() {
    if (!response_ || !response_->isHTTP() || !sourceURL_)
        return;
    auto expiration = vd_expirationDate(*response_);
    if (!expiration || *expiration <= base::Date::now())
        return;
    auto key = cacheKeyString(*sourceURL_);
    auto entry = VDCachedURLResponse::create(response_, receivedData_, expiration, destinationURL_);
    if (key && entry)
        memoryCache().store(*key, std::move(entry));
}

std::optional<net::URLRequest> VDURLConnection::connectionWillSendRequest(
    const std::shared_ptr<net::URLConnection>& connection, const net::URLRequest& request,
    const std::optional<net::HTTPURLResponse>& redirectResponse) {
    if (!redirectResponse || !isCurrent(connection))
        return request;
    auto self = shared_from_this();
    auto delegate = this->delegate();
    if (request.url() && delegate) {
        if (auto refusal = delegate->connectionShouldRedirectToURL(*this, *request.url())) {
            stop();
            delegate->connectionLoadDidFailHTTPStatusCode(*this, refusal, -1);
            return std::nullopt;
        }
    }
    if (!isCurrent(connection))
        return std::nullopt;
    destinationURL_ = request.url();
    if (delegate)
        delegate->connectionLoadDidReceiveRedirectResponse(*this, *redirectResponse);
    return request;
}

void VDURLConnection::connectionDidReceiveResponse(
    const std::shared_ptr<net::URLConnection>& connection, const net::HTTPURLResponse& response) {
    if (!isCurrent(connection))
        return;
    auto self = shared_from_this();
    response_ = response;
    receivedData_ = base::Data();
    auto delegate = this->delegate();
    if (!delegate || !delegate->connectionLoadShouldUseCachedResponse(*this, response))
        return;
    if (!isCurrent(connection))
        return;
    allowCache_ = true;
    if (sourceURL_ && cachedResponseForURL(*sourceURL_)) {
        // The entry answers; the new body is not read.
        const auto url = *sourceURL_;
        stop();
        answerFromMemoryCache(url);
    }
}

void VDURLConnection::connectionDidReceiveData(
    const std::shared_ptr<net::URLConnection>& connection, const base::Data& data) {
    if (isCurrent(connection))
        receivedData_.append(data);
}

std::optional<net::CachedURLResponse>
VDURLConnection::connectionWillCacheResponse(const std::shared_ptr<net::URLConnection>&,
                                             const net::CachedURLResponse& cachedResponse) {
    if (!allowCache_)
        return std::nullopt;
    return cachedResponse;
}

void VDURLConnection::connectionDidFinishLoading(
    const std::shared_ptr<net::URLConnection>& connection) {
    if (!isCurrent(connection))
        return;
    auto self = shared_from_this();
    auto delegate = this->delegate();
    if (response_ && response_->isHTTP() &&
        (response_->statusCode() < 200 || response_->statusCode() > 299)) {
        // An error page is no content, whatever body it has.
        const long status = response_->statusCode();
        const std::string url = destinationURL_ ? destinationURL_->absoluteString() : std::string();
        stop();
        if (delegate)
            delegate->connectionLoadDidFailHTTPStatusCode(
                *this,
                net::makeURLError(base::URLErrorBadServerResponse, url,
                                  "HTTP status " + std::to_string(status) + ": " +
                                      net::HTTPURLResponse::localizedStringForStatusCode(status)),
                status);
        return;
    }
    if (allowCache_)
        tryToStoreResponseAndData();
    auto body = response_ ? decodedBody(receivedData_, *response_)
                          : decodedBody(receivedData_, net::HTTPURLResponse());
    auto baseURL = destinationURL_;
    stop();
    if (delegate)
        delegate->connectionLoadDidFinishBaseURL(*this, body, baseURL);
}

void VDURLConnection::connectionDidFailWithError(
    const std::shared_ptr<net::URLConnection>& connection, const base::Error& error) {
    if (!isCurrent(connection))
        return;
    auto self = shared_from_this();
    auto delegate = this->delegate();
    const long status = response_ && response_->isHTTP() ? response_->statusCode() : -1;
    stop();
    if (delegate)
        delegate->connectionLoadDidFailHTTPStatusCode(*this, error, status);
}
