#pragma once

// What a slot asks of the active-view measurement of its monitored view: take one sample now,
// start sampling, stop. The measurement itself (its samples and reports) is the active-view
// monitor's; a slot without a monitor measures nothing. Main thread only.
class VDActiveViewMonitoring {
public:
    virtual ~VDActiveViewMonitoring() = default;

    virtual void sampleOnce() = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    // Whether the monitored view is inside a view on the device's screen.
    virtual bool monitoredViewIsSubviewOfDeviceScreen() const = 0;
    // Ends the current ad's reporting (its final report), and readies a new one.
    virtual void finishActiveViewReporting() = 0;
    virtual void resetActiveViewReporting() = 0;
};
