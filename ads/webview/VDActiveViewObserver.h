#pragma once

// What follows the active-view measurement of one ad in an SDK-core web view (the ad view):
// the page's verdicts on its visibility, and the end of the measurement. Main thread.
class VDActiveViewObserver {
public:
    virtual ~VDActiveViewObserver() = default;
    virtual void adViewDidChangeActiveViewVisibility(bool visible) = 0;
    virtual void adViewDidStopActiveViewMonitoring() = 0;
};
