#pragma once

#include "ads/foundation/VDCachedFile.h"
#include "ads/foundation/VDClickTrackerDelegate.h"
#include "platform/base/URL.h"
#include "platform/ui/Application.h"

#include <functional>
#include <memory>

// Pings one tracking URL (a click, impression or report) and reports once whether it got
// through. The ping is a download (VDCachedFile): it follows HTTP redirects, carries the user
// agent and cookies, and ends early as a success when a redirect leaves HTTP (towards a store
// or an application). It always reaches the server: no ping is answered from a local cache.
// Any 2xx or 304 answer is success. Only http and https URLs are pinged; any other fails at
// once.
//
// While it runs, the application keeps a background task open; when background time runs
// out first, the ping fails and is abandoned. Main thread only.
class VDClickTracker : public VDCachedFileDelegate,
                       public std::enable_shared_from_this<VDClickTracker> {
    struct Private {};

public:
    static std::shared_ptr<VDClickTracker> create();
    explicit VDClickTracker(Private) {}
    ~VDClickTracker() override;
    VDClickTracker(const VDClickTracker&) = delete;
    VDClickTracker& operator=(const VDClickTracker&) = delete;

    // Starts a new ping (after reset()).
    void trackURL(const std::optional<base::URL>& url);
    // Back to idle: the running download is dropped with its file, unreported.
    void reset();

    bool hasTracked() const { return hasTracked_; }
    // Whether an earlier download's file of the same URL may make the ping a conditional
    // request (answered 304); when off, that file is dropped first.
    bool isCacheEnabled() const { return cacheEnabled_; }
    void setCacheEnabled(bool enabled) { cacheEnabled_ = enabled; }

    std::shared_ptr<VDClickTrackerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<VDClickTrackerDelegate>& delegate) {
        delegate_ = delegate;
    }

    // The running download (tests).
    const std::shared_ptr<VDCachedFile>& cachedFile() const { return tracker_; }

    // VDCachedFileDelegate.
    std::optional<base::Error> cachedFileShouldRedirectToURL(VDCachedFile& file,
                                                             const base::URL& url) override;
    void cachedFileDownloadDidEnd(VDCachedFile& file) override;
    void cachedFileDownloadDidFail(VDCachedFile& file,
                                   const std::optional<base::Error>& error) override;

private:
    void beginBackgroundTask();
    void endBackgroundTask();
    void dropDownload();
    // The one outcome of a ping: marks it reported, ends the background task, then tells.
    void report(const std::function<void(VDClickTrackerDelegate&)>& tell);
    void reportSuccess(const base::URL& url);
    void reportFailure(const std::optional<base::Error>& error);

    ui::BackgroundTaskIdentifier backgroundTaskID_ = ui::BackgroundTaskInvalid;
    std::shared_ptr<VDCachedFile> tracker_;
    bool hasTracked_ = false;
    bool cacheEnabled_ = true;
    std::weak_ptr<VDClickTrackerDelegate> delegate_;
};
