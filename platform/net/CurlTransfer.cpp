#include "platform/net/CurlTransfer.h"

#include "platform/base/Error.h"
#include "platform/base/Strings.h"

#include <cmath>
#include <curl/curl.h>
#include <map>

namespace net {

namespace {

bool isRedirectStatus(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

long urlErrorCode(CURLcode code) {
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return base::URLErrorUnsupportedURL;
    case CURLE_URL_MALFORMAT:
        return base::URLErrorBadURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return base::URLErrorCannotFindHost;
    case CURLE_COULDNT_CONNECT:
        return base::URLErrorCannotConnectToHost;
    case CURLE_OPERATION_TIMEDOUT:
        return base::URLErrorTimedOut;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return base::URLErrorNetworkConnectionLost;
    case CURLE_WEIRD_SERVER_REPLY:
        return base::URLErrorBadServerResponse;
    case CURLE_BAD_CONTENT_ENCODING:
        return base::URLErrorCannotDecodeContentData;
    case CURLE_FILE_COULDNT_READ_FILE:
        return base::URLErrorFileDoesNotExist;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return base::URLErrorSecureConnectionFailed;
    case CURLE_ABORTED_BY_CALLBACK:
    case CURLE_WRITE_ERROR:
        return base::URLErrorCancelled;
    default:
        return base::URLErrorUnknown;
    }
}

std::string MIMETypeForExtension(std::string extension) {
    static const std::map<std::string, std::string> types = {
        {"html", "text/html"},
        {"htm", "text/html"},
        {"xhtml", "application/xhtml+xml"},
        {"txt", "text/plain"},
        {"css", "text/css"},
        {"js", "text/javascript"},
        {"json", "application/json"},
        {"xml", "text/xml"},
        {"plist", "application/x-plist"},
        {"png", "image/png"},
        {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"gif", "image/gif"},
        {"svg", "image/svg+xml"},
        {"webp", "image/webp"},
        {"ico", "image/x-icon"},
        {"pdf", "application/pdf"},
    };
    auto found = types.find(base::lowercaseASCII(extension));
    return found == types.end() ? "application/octet-stream" : found->second;
}

} // namespace

struct CurlTransfer::Callbacks {
    static std::size_t header(char* buffer, std::size_t size, std::size_t count, void* data) {
        auto* self = static_cast<CurlTransfer*>(data);
        if (self->abandoned_)
            return 0;
        self->markActive();
        self->headerLine(std::string_view(buffer, size * count));
        return size * count;
    }

    static std::size_t body(char* buffer, std::size_t size, std::size_t count, void* data) {
        auto* self = static_cast<CurlTransfer*>(data);
        // Once the outcome is reported (a redirect cut short), the rest is not wanted.
        if (self->abandoned_ || self->reported_)
            return 0;
        self->markActive();
        return self->body(buffer, size * count) ? size * count : 0;
    }

    static int progress(void* data, curl_off_t, curl_off_t downloaded, curl_off_t,
                        curl_off_t uploaded) {
        auto* self = static_cast<CurlTransfer*>(data);
        if (self->abandoned_)
            return 1;
        if (downloaded != self->lastDownloaded_ || uploaded != self->lastUploaded_) {
            self->lastDownloaded_ = downloaded;
            self->lastUploaded_ = uploaded;
            self->markActive();
        }
        return 0;
    }
};

std::shared_ptr<CurlTransfer> CurlTransfer::create(const URLRequest& request,
                                                   std::optional<std::string> cookieHeader,
                                                   Sink sink) {
    auto transfer = std::make_shared<CurlTransfer>(Private{}, request, std::move(sink));
    transfer->configure(request, std::move(cookieHeader));
    return transfer;
}

CurlTransfer::CurlTransfer(Private, const URLRequest& request, Sink sink)
    : handle_(curl_easy_init())
    , sink_(std::move(sink))
    , url_(request.url())
    , maximumBodyLength_(request.maximumBodyLength()) {
    double seconds = request.timeoutInterval().count();
    if (!(seconds > 0) || !std::isfinite(seconds))
        seconds = URLRequest::defaultTimeoutInterval.count();
    timeout_ = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(seconds));
    lastActivity_ = std::chrono::steady_clock::now();
}

CurlTransfer::~CurlTransfer() {
    if (handle_)
        curl_easy_cleanup(handle_);
    if (headerList_)
        curl_slist_free_all(headerList_);
}

void CurlTransfer::configure(const URLRequest& request, std::optional<std::string> cookieHeader) {
    if (!handle_ || !url_)
        return;
    isFile_ = url_->scheme() == "file";
    std::string address = url_->absoluteString();
    if (auto hash = address.find('#'); hash != std::string::npos)
        address.erase(hash);

    curl_easy_setopt(handle_, CURLOPT_URL, address.c_str());
    curl_easy_setopt(handle_, CURLOPT_PROTOCOLS_STR, "http,https,file");
    curl_easy_setopt(handle_, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle_, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(handle_, CURLOPT_PRIVATE, this);
    curl_easy_setopt(handle_, CURLOPT_HEADERFUNCTION, &Callbacks::header);
    curl_easy_setopt(handle_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &Callbacks::body);
    curl_easy_setopt(handle_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(handle_, CURLOPT_XFERINFOFUNCTION, &Callbacks::progress);
    curl_easy_setopt(handle_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(handle_, CURLOPT_NOPROGRESS, 0L);
    // Larger reads mean fewer hand-overs to the main run loop for a large body.
    curl_easy_setopt(handle_, CURLOPT_BUFFERSIZE, 64L * 1024);
    if (isFile_)
        return;

    // Compressed bodies are asked for and decoded, as the platform's loader did, in the codings
    // the web engine's own loader asks for, so that a page the tab fetches comes as the engine
    // would have fetched it. (Offered brotli as well, a server that compresses as it sends
    // spent six times longer on a 5 MB page than with gzip.)
    curl_easy_setopt(handle_, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");

    const std::string& method = request.HTTPMethod();
    requestBody_ = request.HTTPBody();
    if (method == "HEAD" && requestBody_.empty()) {
        curl_easy_setopt(handle_, CURLOPT_NOBODY, 1L);
    } else if (method == "GET" && requestBody_.empty()) {
        curl_easy_setopt(handle_, CURLOPT_HTTPGET, 1L);
    } else if (method == "POST" || !requestBody_.empty()) {
        curl_easy_setopt(handle_, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(requestBody_.size()));
        curl_easy_setopt(
            handle_, CURLOPT_POSTFIELDS,
            requestBody_.empty() ? "" : reinterpret_cast<const char*>(requestBody_.bytes()));
        if (method != "POST")
            curl_easy_setopt(handle_, CURLOPT_CUSTOMREQUEST, method.c_str());
    } else {
        curl_easy_setopt(handle_, CURLOPT_CUSTOMREQUEST, method.c_str());
    }

    // The request's fields go out as given; libcurl adds no User-Agent of its own.
    const auto& fields = request.allHTTPHeaderFields();
    for (auto& [name, value] : fields.all()) {
        std::string line = value.empty() ? name + ";" : name + ": " + value;
        headerList_ = curl_slist_append(headerList_, line.c_str());
    }
    if (cookieHeader && !fields.contains("Cookie"))
        headerList_ = curl_slist_append(headerList_, ("Cookie: " + *cookieHeader).c_str());
    // No "Expect: 100-continue" round trip for large bodies unless the request asks for it.
    if (!requestBody_.empty() && !fields.contains("Expect"))
        headerList_ = curl_slist_append(headerList_, "Expect:");
    if (headerList_)
        curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headerList_);
}

void CurlTransfer::markActive() {
    lastActivity_ = std::chrono::steady_clock::now();
}

bool CurlTransfer::idleTimeExpired(std::chrono::steady_clock::time_point now) const {
    return now >= idleDeadline();
}

std::chrono::steady_clock::time_point CurlTransfer::idleDeadline() const {
    return lastActivity_ + timeout_;
}

void CurlTransfer::headerLine(std::string_view line) {
    if (isFile_)
        return;
    if (head_.addLine(line))
        headersComplete();
}

void CurlTransfer::headersComplete() {
    if (isRedirectStatus(head_.statusCode()) && head_.fields().contains("Location")) {
        isRedirect_ = true;
        return;
    }
    responseSent_ = true;
    emit(Event::makeResponse(response()));
}

HTTPURLResponse CurlTransfer::response() const {
    return HTTPURLResponse(url_, head_.statusCode(), head_.fields());
}

void CurlTransfer::ensureResponse() {
    if (responseSent_)
        return;
    responseSent_ = true;
    curl_off_t length = -1;
    curl_easy_getinfo(handle_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    auto response = HTTPURLResponse::plain(url_, MIMETypeForExtension(url_->pathExtension()),
                                           std::int64_t(length));
    emit(Event::makeResponse(std::move(response)));
}

bool CurlTransfer::body(const char* bytes, std::size_t size) {
    if (isFile_)
        ensureResponse();
    if (isRedirect_) {
        // A redirect's own body is only shown when the hop is refused; a server that streams
        // one without end must not grow memory without end, so the redirect goes on with the
        // first part.
        constexpr std::size_t maximumRedirectBody = 1 << 20;
        std::size_t room = maximumRedirectBody - redirectBody_.size();
        redirectBody_.append(bytes, std::min(size, room));
        if (size >= room) {
            reported_ = true;
            emit(Event::makeRedirect(response(), std::move(redirectBody_)));
        }
        return true;
    }
    if (size == 0)
        return true;
    // Counted as decoded, so that a few compressed bytes cannot stand for an unbounded body.
    bodyLength_ += size;
    if (maximumBodyLength_ && bodyLength_ > *maximumBodyLength_) {
        reported_ = true;
        emit(Event::makeFailed(base::URLErrorDataLengthExceedsMaximum));
        return false;
    }
    emit(Event::makeData(base::Data(bytes, size)));
    return true;
}

void CurlTransfer::complete(int curlCode) {
    if (reported_)
        return;
    auto code = static_cast<CURLcode>(curlCode);
    if (code == CURLE_OK) {
        if (isFile_)
            ensureResponse();
        if (isRedirect_) {
            reported_ = true;
            emit(Event::makeRedirect(response(), std::move(redirectBody_)));
            return;
        }
        if (!responseSent_) {
            reported_ = true;
            emit(Event::makeFailed(base::URLErrorBadServerResponse));
            return;
        }
        reported_ = true;
        emit(Event::makeFinished());
        return;
    }
    reported_ = true;
    emit(Event::makeFailed(urlErrorCode(code)));
}

void CurlTransfer::failTimedOut() {
    if (reported_)
        return;
    reported_ = true;
    emit(Event::makeFailed(base::URLErrorTimedOut));
}

void CurlTransfer::emit(Event event) {
    if (abandoned_)
        return;
    pending_.push_back(std::move(event));
}

void CurlTransfer::deliver() {
    while (!abandoned_ && !pending_.empty()) {
        Event event = std::move(pending_.front());
        pending_.pop_front();
        sink_(std::move(event));
    }
}

void CurlTransfer::abandon() {
    abandoned_ = true;
    pending_.clear();
}

} // namespace net
