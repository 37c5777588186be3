#pragma once

#include "ads/foundation/VDActiveViewMonitorDelegate.h"
#include "platform/base/Seconds.h"
#include "platform/ui/Geometry.h"

#include <functional>
#include <memory>
#include <mutex>

class VDScheduler;

namespace ui {
class View;
}

// Measures how much of an ad's view is on screen: each sample stores the part of the view
// visible in its window (in window coordinates, clipped by every clipping ancestor and by the
// window) and whether the view counts as visible (it, its ancestors and its window shown, the
// application active, and something of it left), then tells the delegate.
//
// Samples are taken on a timer while monitoring (startMonitoring, every samplingInterval) and
// on demand (sample). The view and the delegate are held weakly: a view that has gone samples
// as not visible with a zero rectangle. The timer stops when the monitor goes.
//
// Any thread; samples run on the main thread. A lock guards the stored sample, which is stored
// before the delegate is told, so the delegate reads the sample it is told of.
class VDActiveViewMonitor : public std::enable_shared_from_this<VDActiveViewMonitor> {
    struct Private {};

public:
    static constexpr double defaultSamplingInterval = 0.4;

    // The interval is asked for each time monitoring starts (the server may change it).
    using SamplingInterval = std::function<base::Seconds()>;

    // Null for a null view. Without an interval, samples every defaultSamplingInterval.
    static std::shared_ptr<VDActiveViewMonitor>
    createWithView(const std::shared_ptr<ui::View>& view, SamplingInterval interval = {});
    VDActiveViewMonitor(Private, const std::shared_ptr<ui::View>& view, SamplingInterval interval);
    ~VDActiveViewMonitor();
    VDActiveViewMonitor(const VDActiveViewMonitor&) = delete;
    VDActiveViewMonitor& operator=(const VDActiveViewMonitor&) = delete;

    // Samples now (on the main thread) and then on the timer; a second start changes nothing.
    void startMonitoring();
    // One sample, on the main thread (at once when called there).
    void sample();
    // Stops the timer; nothing when it is not running.
    void stopMonitoring();
    bool isMonitoring() const;

    // The sampling step. Main thread.
    void updateViewBounds();

    ui::Rect monitoredViewVisibleBounds() const;
    bool isMonitoredViewVisible() const;
    std::shared_ptr<VDActiveViewMonitorDelegate> delegate() const;
    void setDelegate(std::weak_ptr<VDActiveViewMonitorDelegate> delegate);
    std::shared_ptr<ui::View> monitoredView() const { return monitoredView_.lock(); }

    // The visible part of the view in window coordinates and whether it counts as visible, as
    // a sample finds them now. Main thread.
    static std::pair<ui::Rect, bool> visibleBoundsOfView(const std::shared_ptr<ui::View>& view);

private:
    std::weak_ptr<ui::View> monitoredView_;
    SamplingInterval samplingInterval_;

    // Guards what follows.
    mutable std::mutex lock_;
    std::shared_ptr<VDScheduler> updateViewBoundsScheduler_;
    std::weak_ptr<VDActiveViewMonitorDelegate> delegate_;
    ui::Rect monitoredViewVisibleBounds_;
    bool monitoredViewVisible_ = false;
};
