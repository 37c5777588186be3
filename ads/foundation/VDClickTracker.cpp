#include "ads/foundation/VDClickTracker.h"

#include "platform/base/Strings.h"

namespace {

bool isHTTP(const base::URL& url) {
    return url.scheme() == "http" || url.scheme() == "https";
}

} // namespace

std::shared_ptr<VDClickTracker> VDClickTracker::create() {
    return std::make_shared<VDClickTracker>(Private{});
}

VDClickTracker::~VDClickTracker() {
    dropDownload();
    endBackgroundTask();
}

void VDClickTracker::trackURL(const std::optional<base::URL>& url) {
    reset();
    if (!url)
        return;
    if (!isHTTP(*url)) {
        reportFailure(base::Error::make(base::URLErrorDomain, base::URLErrorUnsupportedURL,
                                        "Only http and https URLs are pinged."));
        return;
    }
    beginBackgroundTask();
    tracker_ = VDCachedFile::createWithURL(*url);
    tracker_->setDelegate(shared_from_this());
    // A ping must reach the server: the URL cache never answers it.
    tracker_->setCachePolicy(net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
    if (!cacheEnabled_)
        tracker_->invalidate(); // no conditional request on an earlier download's file
    // Held: a download that cannot start reports (and may drop the tracker) from inside.
    auto file = tracker_;
    file->validate();
}

void VDClickTracker::reset() {
    hasTracked_ = false;
    dropDownload();
    endBackgroundTask();
}

void VDClickTracker::dropDownload() {
    if (auto file = std::move(tracker_)) {
        file->setDelegate(nullptr);
        file->invalidate();
    }
}

void VDClickTracker::beginBackgroundTask() {
    std::weak_ptr<VDClickTracker> weakSelf = weak_from_this();
    backgroundTaskID_ = ui::Application::shared().beginBackgroundTask([weakSelf] {
        auto self = weakSelf.lock();
        if (!self)
            return;
        // Abandoned, and said so: the ping did not get through.
        self->dropDownload();
        self->endBackgroundTask();
        self->reportFailure(base::Error::make(base::URLErrorDomain, base::URLErrorCancelled,
                                              "The ping ran out of background time."));
    });
}

void VDClickTracker::endBackgroundTask() {
    if (backgroundTaskID_ == ui::BackgroundTaskInvalid)
        return;
    ui::Application::shared().endBackgroundTask(backgroundTaskID_);
    backgroundTaskID_ = ui::BackgroundTaskInvalid;
}

void VDClickTracker::report(const std::function<void(VDClickTrackerDelegate&)>& tell) {
    if (hasTracked_)
        return;
    hasTracked_ = true;
    auto self = shared_from_this();
    endBackgroundTask();
    if (auto delegate = delegate_.lock())
        tell(*delegate);
}

void VDClickTracker::reportSuccess(const base::URL& url) {
    report([&](VDClickTrackerDelegate& delegate) { delegate.trackerDidRedirect(*this, url); });
}

void VDClickTracker::reportFailure(const std::optional<base::Error>& error) {
    report(
        [&](VDClickTrackerDelegate& delegate) { delegate.trackerDidFailWithError(*this, error); });
}

std::optional<base::Error> VDClickTracker::cachedFileShouldRedirectToURL(VDCachedFile& file,
                                                                         const base::URL& url) {
    (void)file;
    if (isHTTP(url))
        return std::nullopt;
    // Leaving HTTP (for a store or an application) is where a click ping ends: it got there.
    reportSuccess(url);
    return base::Error{"com.redodi.ads", 0, {}};
}

void VDClickTracker::cachedFileDownloadDidEnd(VDCachedFile& file) {
    reportSuccess(file.HTTPDestinationURL());
}

void VDClickTracker::cachedFileDownloadDidFail(VDCachedFile& file,
                                               const std::optional<base::Error>& error) {
    (void)file;
    reportFailure(error);
}
