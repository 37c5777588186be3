#pragma once

#include "ads/request/VDSDKCoreControllerDelegate.h"
#include "ads/webview/VDSDKCoreAMSGHandlerDelegate.h"
#include "ads/webview/VDSDKCoreWebView.h"
#include "ads/webview/VDSDKCoreWebViewNotification.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/Seconds.h"
#include "platform/base/Timer.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The one driver of the hidden SDK-core page: it asks the page for ad URLs and routes the
// answers back to whoever asked, by request identifier.
//
// A request (buildAdURL) waits until the core page has loaded; the page is loaded on the first
// request, again when more than an hour (3,600,000 ms) has passed since it was last loaded,
// and again on the next request after a load failed. Once the page is loaded, each waiting
// request gets the next identifier ("1", "2", ... for the life of the process), its parameters
// are made JSON-safe and handed to "VDMA_getAd" (or "VDMA_getAdapterLessMediationAd" when they
// hold "redodi-ad-url-mediation"), and the page's "loadAdURL", "loadAd" or "invalidRequest"
// for that identifier goes to that asker, once. A request the page does not answer within
// answerTimeout ends with a time-out error (code 5). While the page fails to load, waiting
// requests hear failedJavaScriptFile.
//
// After each reload the page is asked for the server's constants ("VDMA_getSdkConstants"),
// which are checked and stored, mostly as user defaults under "/redodi/ads/" (see
// SDKCoreAMSGHandlerDidLoadSDKConstants). The controller also lends SDK-core web views to
// active-view measurement and keeps those still measuring after they are given back.
//
// Main thread, except where said; its fields live on its lock queue.
class VDSDKCoreController : public VDSDKCoreWebViewNotification,
                            public VDSDKCoreAMSGHandlerDelegate,
                            public std::enable_shared_from_this<VDSDKCoreController> {
    struct Private {};

public:
    static constexpr const char* lockQueueLabel = "viz.azodoz.eziro.sdk-core-controller";
    static constexpr const char* requestURLQueueLabel = "viz.azodoz.eziro.sdk-core-controller-url";
    static constexpr std::uint64_t reloadIntervalMilliseconds = 3'600'000;
    // How long a request sent to the page may wait for its answer: the platform's request
    // time-out.
    static constexpr base::Seconds answerTimeout{60};
    static constexpr const char* mediationMarkerKey = "redodi-ad-url-mediation";
    static constexpr const char* userDefaultsKeyPrefix = "/redodi/ads/";
    static constexpr const char* clickthroughConfirmSchemesKey =
        "/redodi/ads/clickthrough_confirm_schemes";
    // The constants' accepted ranges: the unload cache holds 1 to 10 web views; sampling
    // intervals lie between 0.05 and 60 seconds.
    static constexpr std::uint64_t maximumActiveViewUnloadCacheSize = 10;
    static constexpr double minimumSamplingInterval = 0.05;
    static constexpr double maximumSamplingInterval = 60;

    // The controller of the process, made on first use (on the main thread).
    // A process service (platform/base/ProcessWide.h); a reset lets it go after its queues
    // have run dry.
    static std::shared_ptr<VDSDKCoreController> sharedInstance();
    // A controller of its own with a new core web view (the shared one, and tests).
    static std::shared_ptr<VDSDKCoreController> create();
    explicit VDSDKCoreController(Private);
    ~VDSDKCoreController() override;
    VDSDKCoreController(const VDSDKCoreController&) = delete;
    VDSDKCoreController& operator=(const VDSDKCoreController&) = delete;

    // Asks for an ad URL for the delegate, held weakly: a delegate that goes away hears
    // nothing.
    void buildAdURL(const std::shared_ptr<VDSDKCoreControllerDelegate>& delegate);

    // --- Active view.
    // A core web view for active-view reports: a new one each time when the server asks for
    // that, else one shared web view, made anew after the page asked for a reload.
    std::shared_ptr<VDSDKCoreWebView> SDKCoreWebViewForActiveViewProcessing();
    // A lent web view comes back: kept while its measurement still runs.
    void finishedUsingSDKCoreWebViewForActiveViewProcessing(
        const std::shared_ptr<VDSDKCoreWebView>& webView);
    // Keeps the running web view (once) and drops the finished ones.
    void cacheRunningActiveViewWebView(const std::shared_ptr<VDSDKCoreWebView>& webView);
    // Keeps, newest first, at most activeViewUnloadCacheMaxSize web views still measuring;
    // the others end their measurements' registrations and are let go.
    void removeFinishedActiveViewWebViews();
    std::vector<std::shared_ptr<VDSDKCoreWebView>> activeViewSDKCoreWebViews() const;

    // Any thread.
    double activeViewSamplingInterval() const;
    void setActiveViewSamplingInterval(double seconds);
    double swipeToViewSamplingInterval() const;
    void setSwipeToViewSamplingInterval(double seconds);
    std::uint64_t activeViewUnloadCacheMaxSize() const;
    bool useNewWebViewsForActiveViewProcessing() const;
    bool SDKConstantsNeedReload() const;
    std::uint64_t lastWebViewRefreshTimestamp() const;

    const std::shared_ptr<VDSDKCoreWebView>& activeSDKCoreWebView() const {
        return activeSDKCoreWebView_;
    }
    // The identifiers sent to the page and not answered yet.
    std::vector<std::string> pendingBuildAdURLRequestIDs() const;

    // --- VDSDKCoreWebViewNotification.
    void didFinishLoadingSDKCoreInSDKCoreWebView(VDSDKCoreWebView& webView) override;

    // --- VDSDKCoreAMSGHandlerDelegate.
    void SDKCoreAMSGHandlerLoadAdURLWithRequestIDParameters(
        VDSDKCoreAMSGHandler& handler, const std::string& requestID,
        const base::Value::Dictionary& parameters) override;
    // The ad is a VDAd, VDBannerAd or VDInterstitialAd by the asker's requested type; URLs the
    // page gives that are not http or https are left out of it. "is_mediation" true makes it a
    // mediation response.
    void SDKCoreAMSGHandlerLoadAdWithRequestIDParameters(
        VDSDKCoreAMSGHandler& handler, const std::string& requestID,
        const base::Value::Dictionary& parameters) override;
    void SDKCoreAMSGHandlerDidReceiveInvalidAdWithRequestIDParameters(
        VDSDKCoreAMSGHandler& handler, const std::string& requestID,
        const base::Value::Dictionary& parameters) override;
    // See the table in VDSDKCoreController.cpp.
    void SDKCoreAMSGHandlerDidLoadSDKConstants(VDSDKCoreAMSGHandler& handler,
                                               const base::Value::Dictionary& constants) override;
    void
    SDKCoreAMSGHandlerDidReceiveSDKCoreUpdateNotification(VDSDKCoreAMSGHandler& handler) override;

    // Waits until both queues have run what they were given (tests).
    void waitForQueuesForTesting() const;

private:
    using DelegateReference = std::weak_ptr<VDSDKCoreControllerDelegate>;
    struct PendingRequest {
        DelegateReference delegate;
        std::shared_ptr<base::Timer> timeout;
    };

    // On the URL queue.
    void sendURLRequest(const DelegateReference& delegate);
    // The delegate recorded under the identifier, forgotten; nothing when there is none.
    DelegateReference takePendingDelegate(const std::string& requestID);
    void requestTimedOut(const std::string& requestID);

    base::DispatchQueue lockQueue_;
    base::DispatchQueue requestURLQueue_;

    // On lockQueue_.
    std::vector<DelegateReference> pendingActiveWebViewLoadDelegates_;
    std::vector<std::shared_ptr<VDSDKCoreWebView>> activeViewSDKCoreWebViews_;
    std::uint64_t lastWebViewRefreshTimestamp_ = 0;
    std::uint64_t activeViewUnloadCacheMaxSize_ = 3;
    bool SDKCoreUpdateHandled_ = false;
    std::shared_ptr<VDSDKCoreWebView> activeViewSDKCoreWebView_;
    bool useNewWebViewsForActiveViewProcessing_ = false;
    double activeViewSamplingInterval_ = 0.4;
    double swipeToViewSamplingInterval_ = 0;
    bool SDKConstantsNeedReload_ = true;
    std::map<std::string, PendingRequest> pendingBuildAdURLDelegates_;

    // On requestURLQueue_.
    std::uint64_t requestID_ = 1;

    const std::shared_ptr<VDSDKCoreWebView> activeSDKCoreWebView_;
};
