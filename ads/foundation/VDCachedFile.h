#pragma once

#include "ads/foundation/VDCachedFileDelegate.h"
#include "platform/base/Data.h"
#include "platform/base/Result.h"
#include "platform/base/URL.h"
#include "platform/net/HTTPHeaderFields.h"
#include "platform/net/URLConnection.h"
#include "platform/net/URLConnectionDelegate.h"
#include "platform/net/URLRequest.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

// One URL downloaded into a file under the application's caches folder and revalidated with a
// conditional GET ("If-Modified-Since" with the file's date), following redirects while the
// delegate lets it. The file is Caches/<host>/<MD5 of the URL>: the host made safe as a folder
// name ("@local" without a host), so no URL names another's file or a place outside the caches
// folder.
//
// A download runs on the main run loop and keeps the object alive until it ends; every call
// and every delegate call happens on the main thread. The body is written off the main thread
// (one writer for every cached file, in order), to a temporary file made durable before it
// replaces the old one, and the download ends once it is: the delegate then finds the file as
// it will stay. Success is any 2xx answer (the body is written) or 304 (the file is left as
// it is).
class VDCachedFile : public net::URLConnectionDelegate,
                     public std::enable_shared_from_this<VDCachedFile> {
    struct Private {};

public:
    static std::shared_ptr<VDCachedFile> createWithURL(base::URL url);
    VDCachedFile(Private, base::URL url);
    ~VDCachedFile() override;
    VDCachedFile(const VDCachedFile&) = delete;
    VDCachedFile& operator=(const VDCachedFile&) = delete;

    // Starts a download unless one runs.
    void validate() { beginFetchWithCacheBuster(false); }
    // The same with "unique=<seconds since 2001>" added to the query, so that no cache on the
    // way can answer; the download then ignores the local URL cache.
    void validateWithCacheBuster() { beginFetchWithCacheBuster(true); }
    // Ends a running download without telling the delegate (a body being written is still
    // written).
    void cancel();
    // cancel(), then deletes the file, after any write of it still under way.
    void invalidate();
    // From validate() until the delegate is told, the body's write included.
    bool isDownloading() const { return connection_ != nullptr || saving_; }

    const std::filesystem::path& filePath() const;
    bool fileExists() const;
    // The file read as UTF-8; nullopt when it cannot be read or is not UTF-8.
    std::optional<std::string> contentAsString() const;
    // The file's modification date as an HTTP date; nullopt without a file.
    std::optional<std::string> fileModificationRFC1123DateString() const;

    std::shared_ptr<VDCachedFileDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<VDCachedFileDelegate>& delegate) {
        delegate_ = delegate;
    }

    const base::URL& sourceURL() const { return sourceURL_; }
    void setSourceURL(base::URL url);
    net::URLRequestCachePolicy cachePolicy() const { return cachePolicy_; }
    void setCachePolicy(net::URLRequestCachePolicy policy) { cachePolicy_ = policy; }
    // The URL of the latest request, redirects included.
    const base::URL& HTTPDestinationURL() const { return HTTPDestinationURL_; }
    void setHTTPDestinationURL(base::URL url) { HTTPDestinationURL_ = std::move(url); }
    // Of the last HTTP response (redirects included, for the headers); 0 before one.
    int HTTPStatusCode() const { return HTTPStatusCode_; }
    const net::HTTPHeaderFields& HTTPHeaders() const { return HTTPHeaders_; }
    // The "Last-Modified" of the answer being received; empty otherwise.
    const std::string& receivedModificationDate() const { return receivedModificationDate_; }

    // "<VDCachedFile: 0x…> HTTP code: …\n\turl: …\n\tfile: …".
    std::string description() const;

    // The response's header fields when it is an HTTP response.
    static std::optional<net::HTTPHeaderFields>
    headersForResponse(const net::HTTPURLResponse& response);
    // The folder name a host gets under the caches folder.
    static std::string folderNameForHost(std::string_view host);

    // net::URLConnectionDelegate.
    std::optional<net::URLRequest>
    connectionWillSendRequest(const std::shared_ptr<net::URLConnection>& connection,
                              const net::URLRequest& request,
                              const std::optional<net::HTTPURLResponse>& redirectResponse) override;
    void connectionDidReceiveResponse(const std::shared_ptr<net::URLConnection>& connection,
                                      const net::HTTPURLResponse& response) override;
    void connectionDidReceiveData(const std::shared_ptr<net::URLConnection>& connection,
                                  const base::Data& data) override;
    void connectionDidFinishLoading(const std::shared_ptr<net::URLConnection>& connection) override;
    void connectionDidFailWithError(const std::shared_ptr<net::URLConnection>& connection,
                                    const base::Error& error) override;

private:
    void beginFetchWithCacheBuster(bool cacheBuster);
    void cleanUpConnection();
    // Writes the body on the writer's queue; the end reaches the delegate on the main thread.
    void save(base::Data data, std::string modificationDate);
    void didSave(const base::Result<void>& written, unsigned generation);
    bool isCurrent(const std::shared_ptr<net::URLConnection>& connection) const {
        return connection && connection == connection_;
    }

    base::Data receivedData_;
    mutable std::optional<std::filesystem::path> filePath_;
    std::weak_ptr<VDCachedFileDelegate> delegate_;
    base::URL sourceURL_;
    net::URLRequestCachePolicy cachePolicy_ = net::URLRequestCachePolicy::UseProtocolCachePolicy;
    base::URL HTTPDestinationURL_;
    int HTTPStatusCode_ = 0;
    net::HTTPHeaderFields HTTPHeaders_;
    std::shared_ptr<net::URLConnection> connection_;
    std::string receivedModificationDate_;
    bool saving_ = false;
    // Counts cancellations, so that a write that ends after one tells nobody.
    unsigned generation_ = 0;
};
