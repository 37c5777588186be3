#pragma once

class VDActiveViewMonitor;

// Hears each sample of an active-view monitor, on the main thread, after the sample is stored.
class VDActiveViewMonitorDelegate {
public:
    virtual ~VDActiveViewMonitorDelegate() = default;
    virtual void didRefreshActiveViewMonitor(VDActiveViewMonitor& monitor) = 0;
};
