#include "ads/foundation/VDCachedFile.h"

#include "ads/foundation/VDURLQuery.h"
#include "ads/foundation/VDURLRequestUtilities.h"
#include "platform/base/AppHome.h"
#include "platform/base/Date.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/HTTPDate.h"
#include "platform/base/Hashing.h"
#include "platform/base/Strings.h"

#include <cinttypes>
#include <cstdio>

namespace {

// Seconds between 1970 and the platform's reference date, 1 January 2001 GMT.
constexpr double referenceDateOffset = 978'307'200;

bool isSuccess(int status) {
    return status >= 200 && status < 300;
}

// Writes and removes the cached files in the order they were asked, off the main thread.
const base::DispatchQueue& writerQueue() {
    static const base::DispatchQueue queue("VDCachedFile.writer");
    return queue;
}

} // namespace

std::shared_ptr<VDCachedFile> VDCachedFile::createWithURL(base::URL url) {
    return std::make_shared<VDCachedFile>(Private{}, std::move(url));
}

VDCachedFile::VDCachedFile(Private, base::URL url)
    : sourceURL_(url)
    , HTTPDestinationURL_(std::move(url)) {}

VDCachedFile::~VDCachedFile() {
    if (connection_)
        connection_->cancel();
}

void VDCachedFile::setSourceURL(base::URL url) {
    sourceURL_ = std::move(url);
    filePath_.reset();
}

std::string VDCachedFile::folderNameForHost(std::string_view host) {
    if (host.empty())
        return "@local";
    // Only letters, digits, "-", "_" and "." stand for themselves, and a leading "." is
    // covered: no host can name a parent folder ("..") or reach into another ("a/b").
    std::string name;
    for (char c : host) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '_' || c == '.';
        name += plain ? c : '_';
    }
    if (name.front() == '.')
        name.insert(name.begin(), '_');
    return name;
}

const std::filesystem::path& VDCachedFile::filePath() const {
    if (!filePath_) {
        filePath_ = base::AppHome::cachesDirectory() / folderNameForHost(sourceURL_.host()) /
                    base::md5Hex(sourceURL_.absoluteString());
    }
    return *filePath_;
}

bool VDCachedFile::fileExists() const {
    return base::fileExists(filePath());
}

std::optional<std::string> VDCachedFile::contentAsString() const {
    auto data = base::readFile(filePath());
    if (!data)
        return std::nullopt;
    std::string text = data->toString();
    if (!base::isValidUTF8(text))
        return std::nullopt;
    return text;
}

std::optional<std::string> VDCachedFile::fileModificationRFC1123DateString() const {
    auto date = base::modificationDate(filePath());
    if (!date)
        return std::nullopt;
    return base::formatHTTPDate(*date);
}

std::string VDCachedFile::description() const {
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    return std::string("<VDCachedFile: ") + address +
           "> HTTP code: " + std::to_string(HTTPStatusCode_) +
           "\n\turl: " + sourceURL_.absoluteString() + "\n\tfile: " + filePath().string();
}

std::optional<net::HTTPHeaderFields>
VDCachedFile::headersForResponse(const net::HTTPURLResponse& response) {
    if (!response.isHTTP())
        return std::nullopt;
    return response.allHeaderFields();
}

void VDCachedFile::beginFetchWithCacheBuster(bool cacheBuster) {
    if (isDownloading())
        return;
    std::optional<base::URL> url = sourceURL_;
    if (cacheBuster) {
        char seconds[64];
        std::snprintf(seconds, sizeof seconds, "%.0f",
                      base::Date::now().timeIntervalSince1970() - referenceDateOffset);
        url = vd_appendQueryValueForKey(sourceURL_, seconds, "unique");
        cachePolicy_ = net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData;
    }
    auto request = vd_requestForURLDataHeadersType(url, std::nullopt, std::nullopt, std::nullopt);
    if (!request || !net::URLConnection::canHandleRequest(*request)) {
        if (auto delegate = delegate_.lock())
            delegate->cachedFileDownloadDidFail(*this, std::nullopt);
        return;
    }
    request->setCachePolicy(cachePolicy_);
    request->setHTTPShouldHandleCookies(true);
    if (auto date = fileModificationRFC1123DateString())
        request->setValueForHTTPHeaderField(*date, "If-Modified-Since");

    receivedData_.clear();
    connection_ = net::URLConnection::create(std::move(*request), shared_from_this(), false);
    connection_->start();
}

void VDCachedFile::cancel() {
    cleanUpConnection();
    saving_ = false;
}

void VDCachedFile::invalidate() {
    cancel();
    (void)base::removeItem(filePath());
    // A write still queued, even of a cancelled download, would bring the file back: the
    // file goes again after it.
    writerQueue().async([path = filePath()] { (void)base::removeItem(path); });
}

void VDCachedFile::cleanUpConnection() {
    ++generation_;
    if (auto connection = std::move(connection_))
        connection->cancel();
    connection_.reset();
    receivedData_.clear();
    receivedModificationDate_.clear();
}

std::optional<net::URLRequest> VDCachedFile::connectionWillSendRequest(
    const std::shared_ptr<net::URLConnection>& connection, const net::URLRequest& request,
    const std::optional<net::HTTPURLResponse>& redirectResponse) {
    if (!isCurrent(connection) || !request.url())
        return std::nullopt;
    auto self = shared_from_this();
    HTTPDestinationURL_ = *request.url();
    if (redirectResponse) {
        HTTPHeaders_ = redirectResponse->allHeaderFields();
        if (auto delegate = delegate_.lock()) {
            if (auto refusal = delegate->cachedFileShouldRedirectToURL(*this, *request.url())) {
                cleanUpConnection();
                delegate->cachedFileDownloadDidFail(*this, refusal);
                return std::nullopt;
            }
        }
    }
    return request;
}

void VDCachedFile::connectionDidReceiveResponse(
    const std::shared_ptr<net::URLConnection>& connection, const net::HTTPURLResponse& response) {
    if (!isCurrent(connection))
        return;
    auto self = shared_from_this();
    receivedData_.clear();
    if (!response.isHTTP())
        return;
    HTTPStatusCode_ = response.statusCode();
    HTTPHeaders_ = response.allHeaderFields();
    if (HTTPStatusCode_ == 304) {
        // The file is current: it stays as it is. The download ends before the delegate hears
        // of it, so that the delegate may start another.
        cleanUpConnection();
        if (auto delegate = delegate_.lock())
            delegate->cachedFileDownloadDidEnd(*this);
    } else if (isSuccess(HTTPStatusCode_)) {
        receivedModificationDate_ = response.valueForHTTPHeaderField("Last-Modified").value_or("");
    } else {
        cleanUpConnection();
        if (auto delegate = delegate_.lock())
            delegate->cachedFileDownloadDidFail(*this, std::nullopt);
    }
}

void VDCachedFile::connectionDidReceiveData(const std::shared_ptr<net::URLConnection>& connection,
                                            const base::Data& data) {
    if (isCurrent(connection))
        receivedData_.append(data);
}

void VDCachedFile::connectionDidFinishLoading(
    const std::shared_ptr<net::URLConnection>& connection) {
    if (!isCurrent(connection))
        return;
    auto self = shared_from_this();
    base::Data data = std::move(receivedData_);
    std::string modificationDate = std::move(receivedModificationDate_);
    cleanUpConnection();
    save(std::move(data), std::move(modificationDate));
}

void VDCachedFile::connectionDidFailWithError(const std::shared_ptr<net::URLConnection>& connection,
                                              const base::Error& error) {
    if (!isCurrent(connection))
        return;
    auto self = shared_from_this();
    cleanUpConnection();
    if (auto delegate = delegate_.lock())
        delegate->cachedFileDownloadDidFail(*this, error);
}

void VDCachedFile::save(base::Data data, std::string modificationDate) {
    saving_ = true;
    writerQueue().async([self = shared_from_this(), path = filePath(), data = std::move(data),
                         modificationDate = std::move(modificationDate),
                         generation = generation_]() mutable {
        auto written = base::createDirectories(path.parent_path());
        if (written)
            written = base::writeFileAtomically(path, data);
        // Dated before the delegate hears of it, so that it finds the file as it will stay.
        if (written)
            if (auto date = base::parseHTTPDate(modificationDate))
                (void)base::setModificationDate(path, *date);
        // The object goes back with the answer: it is let go on the main thread.
        base::mainQueue().async([self = std::move(self), written = std::move(written), generation] {
            self->didSave(written, generation);
        });
    });
}

void VDCachedFile::didSave(const base::Result<void>& written, unsigned generation) {
    if (generation != generation_)
        return; // cancelled: a later download may be under way
    saving_ = false;
    auto delegate = delegate_.lock();
    if (!delegate)
        return;
    if (!written)
        delegate->cachedFileDownloadDidFail(*this, written.error());
    else
        delegate->cachedFileDownloadDidEnd(*this);
}
