#pragma once

#include "ads/foundation/VDActiveViewMonitor.h"
#include "ads/foundation/VDActiveViewMonitoring.h"
#include "ads/request/VDActiveViewReport.h"
#include "ads/webview/VDActiveViewObserver.h"

#include <cstdint>
#include <functional>
#include <memory>

class VDMRAIDEventHandling;
class VDSDKCoreController;
class VDSDKCoreWebView;

// The active-view measurement of one slot's shown ad, from impression to end: a monitor of the
// ad's view, an identifier, and an SDK-core web view borrowed from the controller in whose page
// the measurement script runs. After every sample the page gets a report
// ("VDMA_updateActiveView", VDActiveViewReport) and the ad's rich-media handler its position;
// the page's visibility verdicts go to a rich-media ad's handler; the page's "untrack", a new
// ad, or the slot's end finish the measurement with a last report marked unloaded, and the web
// view goes back to the controller (which keeps it while its page still measures).
//
// The slot owns one, drives its monitor (sample, start, stop) as its view enters and leaves
// windows, and tells it of each impression; on each, the measurement asks the slot (through
// the source it was made with) which ad it shows in which view. Main thread.
class VDActiveViewReporting : public VDActiveViewMonitoring,
                              public VDActiveViewMonitorDelegate,
                              public VDActiveViewObserver,
                              public std::enable_shared_from_this<VDActiveViewReporting> {
    struct Private {};

public:
    // What the measurement tells of the slot's current ad.
    struct Ad {
        bool MRAID = false;
        bool interstitial = false;
        std::optional<base::Value::Dictionary> activeViewConfiguration;
        std::weak_ptr<VDMRAIDEventHandling> MRAIDEventHandler;
    };

    // The ad shown now, the view it shows in, and whether the slot mediates; nullopt when
    // there is nothing to measure.
    struct AdInView {
        Ad ad;
        std::shared_ptr<ui::View> view;
        bool mediating = false;
    };
    using Source = std::function<std::optional<AdInView>()>;

    static std::shared_ptr<VDActiveViewReporting>
    create(std::shared_ptr<VDSDKCoreController> controller, Source source = {});
    VDActiveViewReporting(Private, std::shared_ptr<VDSDKCoreController> controller, Source source);
    ~VDActiveViewReporting() override;

    // No measurement while the slot mediates; else one for an ad with an active-view
    // configuration, or a rich-media ad.
    static bool canEnableActiveViewMonitoring(bool mediating, const Ad& ad);

    // Finishes the current measurement, then starts one for the ad shown in the view: a new
    // monitor (not yet sampling), the next active-view identifier and a borrowed web view.
    // Nothing more when the ad cannot be measured or there is no view.
    void resetActiveViewReportingForAdInView(const Ad& ad, const std::shared_ptr<ui::View>& view,
                                             bool mediating);
    // Stops the monitor, sends the last report, and gives the web view back. Nothing when no
    // measurement runs.
    void finishActiveViewReporting() override;

    // --- VDActiveViewMonitoring: nothing without a measurement.
    void sampleOnce() override;
    void start() override;
    void stop() override;
    bool monitoredViewIsSubviewOfDeviceScreen() const override;
    // resetActiveViewReportingForAdInView with what the source gives (only a finish without).
    void resetActiveViewReporting() override;

    const std::shared_ptr<VDActiveViewMonitor>& activeViewMonitor() const { return monitor_; }
    std::uint64_t activeViewID() const { return activeViewID_; }
    const std::shared_ptr<VDSDKCoreWebView>& SDKCoreWebView() const { return SDKCoreWebView_; }

    // The report of the monitor's last sample, in the page's command form; nullopt without a
    // measurement or when it cannot be written.
    std::optional<std::string> activeViewCommand(bool unloaded) const;

    // --- VDActiveViewMonitorDelegate.
    void didRefreshActiveViewMonitor(VDActiveViewMonitor& monitor) override;
    // --- VDActiveViewObserver: the page's verdicts.
    void adViewDidChangeActiveViewVisibility(bool visible) override;
    void adViewDidStopActiveViewMonitoring() override;

private:
    void send(bool unloaded);

    std::shared_ptr<VDSDKCoreController> controller_;
    Source source_;
    Ad ad_;
    std::shared_ptr<VDActiveViewMonitor> monitor_;
    std::uint64_t activeViewID_ = 0;
    std::shared_ptr<VDSDKCoreWebView> SDKCoreWebView_;
};
