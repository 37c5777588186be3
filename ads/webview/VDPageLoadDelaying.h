#pragma once

#include "platform/base/Seconds.h"

// What holds an ad view's end-of-load sequence while its creative asks for a delay (the
// slot's VDBannerAdViewDelegate). Main thread only.
class VDPageLoadDelaying {
public:
    virtual ~VDPageLoadDelaying() = default;

    // Holds the sequence for at most `timeout`; a second request replaces the first's time-out.
    virtual void beginPageLoadDelay(base::Seconds timeout) = 0;
    // The creative is ready: the held sequence runs now, if the page has loaded.
    virtual void endPageLoadDelay() = 0;
};
