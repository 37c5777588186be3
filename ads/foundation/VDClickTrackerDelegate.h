#pragma once

#include "platform/base/Error.h"
#include "platform/base/URL.h"

#include <optional>

class VDClickTracker;

// The one outcome of a ping, on the main thread; both methods are optional.
class VDClickTrackerDelegate {
public:
    virtual ~VDClickTrackerDelegate() = default;

    // The ping got through; `url` is the last URL reached (a non-HTTP redirect target is
    // reached but not requested).
    virtual void trackerDidRedirect(VDClickTracker& tracker, const base::URL& url) {
        (void)tracker;
        (void)url;
    }
    // The ping did not get through: a failing status (no error), a network error, a URL that
    // cannot be pinged, or background time running out.
    virtual void trackerDidFailWithError(VDClickTracker& tracker,
                                         const std::optional<base::Error>& error) {
        (void)tracker;
        (void)error;
    }
};
