#pragma once

#include "ads/foundation/VDActiveViewMonitoring.h"
#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDSlotStatistics.h"
#include "ads/mediation/VDMAdManager.h"
#include "ads/mediation/VDMAdManagerSlot.h"
#include "ads/presentation/VDAdAppViewControllerSlot.h"
#include "ads/presentation/VDInAppPurchaseDelegate.h"
#include "ads/presentation/VDIntermission.h"
#include "ads/presentation/VDIntermissionParticipant.h"
#include "ads/presentation/VDOpener.h"
#include "ads/presentation/VDOpenerDelegate.h"
#include "ads/presentation/VDPercentDrivenUserInteractionAnimationControllerDelegate.h"
#include "ads/request/VDAd.h"
#include "ads/request/VDAdFetcher.h"
#include "ads/request/VDAdFetcherDelegate.h"
#include "ads/request/VDAdType.h"
#include "ads/request/VDRequest.h"
#include "ads/request/VDSlotAdEventDelegate.h"
#include "ads/request/VDSlotAdResponseDelegate.h"
#include "ads/request/VDSlotDelegate.h"
#include "ads/webview/VDAdView.h"
#include "ads/webview/VDAdViewSlot.h"
#include "ads/webview/VDBannerAdViewDelegate.h"
#include "ads/webview/VDMRAIDEventHandling.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/Timer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class VDInterstitial;
class VDPercentDrivenUserInteractionAnimationController;
class VDSDKCoreControllerDelegate;
class VDScheduler;
class VDSwipeToViewControllerConfigurations;
class VDViewControllerFullScreenSwipeAnimation;
namespace ui {
class PanGestureRecognizer;
class ProductSheet;
class Touch;
} // namespace ui

// The engine behind one ad placement (a banner view, an interstitial): it decides whether a
// request may be made, asks the SDK-core page for the ad URL, fetches the ad, renders an HTML
// creative in its own ad view (or hands a custom-rendered or mediated ad on), reports every
// outcome to its owner, pings impressions and clicks, and refreshes on a timer.
//
// States (fixed numbers): 0 idle, 1 the core page failed, 2 requesting the ad URL, 3 URL
// received, 4 fetching (or processing a mediation response), 5 rendering, 6 valid ad, 7 failed,
// 8 invalidated (terminal). A banner goes 0 → 2 → 3 → 0 → 4 → 5 → 6; a refresh starts again
// from 0; any step may end in 7.
//
// The owner talks to the slot through VDSlotDelegate (questions), VDSlotAdEventDelegate (load
// outcome and screen events) and VDSlotAdResponseDelegate (fetched responses; the slot itself
// unless replaced); all three are held weakly. The layers below reach the slot through their
// own interfaces: its ad view's delegate (VDAdViewSlot), rich media (VDMRAIDEventHandling),
// the opener (VDOpenerDelegate), full-screen takeovers (VDIntermissionParticipant) and the
// mediation manager (VDMAdManagerSlot).
//
// Refresh: a timer of reloadInterval() seconds (60 unless a response sets another; a response's
// interval below 1 s turns refresh off) runs while the slot is reloadable; it is paused while
// the application is inactive or any full-screen ad is shown, and re-armed afterwards. A timed
// load that cannot start now (a request still in flight, the owner off screen, the application
// inactive) arms the timer again, so refreshing never stops by itself.
//
// Main thread only, except requestParameters() and setRequestID(), which the SDK-core
// controller calls on its URL queue.
class VDSlot : public VDAdFetcherDelegate,
               public VDSlotAdResponseDelegate,
               public VDAdViewSlot,
               public VDMRAIDEventHandling,
               public VDOpenerDelegate,
               public VDIntermissionParticipant,
               public VDAdAppViewControllerSlot,
               public VDMAdManagerSlot,
               public VDPercentDrivenUserInteractionAnimationControllerDelegate,
               public std::enable_shared_from_this<VDSlot> {
    struct Private {};

public:
    enum State : long {
        StateIdle = 0,
        StateSDKCoreFailed = 1,
        StateRequestingAdURL = 2,
        StateAdURLReceived = 3,
        StateFetching = 4,
        StateRendering = 5,
        StateValidAd = 6,
        StateFailed = 7,
        StateInvalidated = 8,
    };

    static constexpr double defaultReloadInterval = 60.0;
    static constexpr const char* adServerDomainsKey = "/redodi/ads/as_domains";
    static constexpr const char* useHTTPSKey = VDAdFetcher::useHTTPSKey;
    // The ad server's domains when the server has named none.
    static const std::vector<std::string>& defaultAdServerDomains();

    // A slot with its ad view of that frame; it observes the application's activity and the
    // full-screen notifications from now on. The first slot of the process runs the ads
    // client's early activities.
    static std::shared_ptr<VDSlot> create(const ui::Rect& frame = ui::Rect());
    explicit VDSlot(Private, const ui::Rect& frame);
    ~VDSlot() override;
    VDSlot(const VDSlot&) = delete;
    VDSlot& operator=(const VDSlot&) = delete;

    // "<VDSlot: 0x…>\nad unit ID:<id>"
    std::string description() const;

    // --- Owners.
    std::shared_ptr<VDSlotDelegate> slotDelegate() const { return slotDelegate_.lock(); }
    void setSlotDelegate(std::weak_ptr<VDSlotDelegate> delegate) {
        slotDelegate_ = std::move(delegate);
    }
    std::shared_ptr<VDSlotAdEventDelegate> adEventDelegate() const {
        return adEventDelegate_.lock();
    }
    void setAdEventDelegate(std::weak_ptr<VDSlotAdEventDelegate> delegate) {
        adEventDelegate_ = std::move(delegate);
    }
    std::shared_ptr<VDSlotAdResponseDelegate> adResponseDelegate() const {
        return adResponseDelegate_.lock();
    }
    void setAdResponseDelegate(std::weak_ptr<VDSlotAdResponseDelegate> delegate) {
        adResponseDelegate_ = std::move(delegate);
    }
    // The interstitial that owns the slot, if one does.
    void setInterstitial(const std::shared_ptr<VDInterstitial>& interstitial) {
        interstitial_ = interstitial;
    }

    // --- Fields.
    const std::optional<std::string>& adUnitID() const { return adUnitID_; }
    void setAdUnitID(std::optional<std::string> adUnitID);
    long state() const { return state_; }
    void setState(long state);
    // In every state but 0, 1, 6 and 7.
    bool isMakingRequest() const;
    const std::shared_ptr<VDAd>& ad() const { return ad_; }
    const std::shared_ptr<VDAd>& loadingAd() const { return loadingAd_; }
    const VDAdType& adType() const { return adType_; }
    const std::shared_ptr<VDRequest>& request() const { return request_; }
    const std::shared_ptr<VDRequest>& nextRequest() const { return nextRequest_; }
    std::optional<std::uint64_t> timeLastLoaded() const { return timeLastLoaded_; }
    const std::shared_ptr<VDAdView>& adView() const override { return adView_; }
    std::shared_ptr<VDSlotStatistics> slotStats() const override { return slotStats_; }
    const std::shared_ptr<VDBannerAdViewDelegate>& adViewDelegate() const {
        return adViewDelegate_;
    }
    const std::shared_ptr<VDOpener>& opener() const { return opener_; }
    const std::shared_ptr<VDAdFetcher>& adFetcher() const { return adFetcher_; }
    const std::shared_ptr<VDMAdManager>& mediationManager() const { return mediationManager_; }
    const base::Value::Dictionary& applicationStatistics() const { return applicationStatistics_; }
    const VDApplication::StatisticsSet& pendingAdStatistics() const { return pendingAdStatistics_; }
    const std::shared_ptr<base::Timer>& reloadTimer() const { return reloadTimer_; }
    double reloadInterval() const { return reloadInterval_; }
    // The identifier of the URL request in progress; any thread.
    std::optional<std::string> requestID() const;
    bool reloadable() const { return reloadable_; }
    void setReloadable(bool reloadable) { reloadable_ = reloadable; }
    bool hasAutoRefreshed() const override { return hasAutoRefreshed_; }
    bool slotHasAttemptedAnAdRequestAtLeastOnce() const {
        return slotHasAttemptedAnAdRequestAtLeastOnce_;
    }
    bool manualImpressionsEnabled() const { return manualImpressionsEnabled_; }
    void setManualImpressionsEnabled(bool enabled) { manualImpressionsEnabled_ = enabled; }
    bool calledLoadAndDisplayRequest() const { return calledLoadAndDisplayRequest_; }
    void setCalledLoadAndDisplayRequest(bool called) { calledLoadAndDisplayRequest_ = called; }
    bool isAdCustomRendered() const { return adCustomRendered_; }
    void setAdCustomRendered(bool rendered) { adCustomRendered_ = rendered; }
    ui::Size newAdSize() const { return newAdSize_; }
    void setNewAdSize(ui::Size size) { newAdSize_ = size; }
    std::shared_ptr<VDIntermission> intermission() const { return intermission_.lock(); }
    // A full-screen view taking over for this slot sets it and adds the slot to it.
    void setIntermission(const std::shared_ptr<VDIntermission>& intermission) override;
    // What presents a click's screens: the ad view's controller, else the owner's root view
    // controller.
    std::shared_ptr<ui::ViewController> viewControllerForPresentingModalView() const override;
    std::shared_ptr<VDStatisticDictionary> clickedAdStatistics() const override {
        return ad_ ? ad_->statistics() : nullptr;
    }
    // The active-view measurement of the ad view (none until one is given).
    const std::shared_ptr<VDActiveViewMonitoring>& activeViewMonitor() const {
        return activeViewMonitor_;
    }
    void setActiveViewMonitor(std::shared_ptr<VDActiveViewMonitoring> monitor) {
        activeViewMonitor_ = std::move(monitor);
    }
    const std::shared_ptr<ui::View>& activeViewMonitoredView() const {
        return activeViewMonitoredView_;
    }
    bool swipeToViewControllerEnabled() const { return swipeToViewControllerEnabled_; }

    // --- The request cycle.
    // nextRequest := a copy of the request (a new default request when null), then a load.
    void loadRequest(const std::shared_ptr<VDRequest>& request);
    // Starts loading nextRequest; false when the load was refused (see shouldMakeRequest).
    bool loadNextRequestWithAutoRefresh(bool autoRefresh);
    // Refused in state 8, while a request is in progress (unless the owner pre-empts it), when
    // the owner refuses (reported as code 0), while the application is inactive and on an
    // unsupported system.
    bool shouldMakeRequest(const std::shared_ptr<VDRequest>& request);
    // Fetches the ad (the page's answers, the extras' ready ad and the ad-URL mediation adapter
    // come here).
    void loadAdHeaders(const std::shared_ptr<VDAd>& ad,
                       const std::optional<net::HTTPHeaderFields>& headers);
    void setAdTypeAndReloadRequest(const VDAdType& type, bool reload);
    void cancelLoad();
    void cancelPendingActions();
    void cancelPendingAndFutureActions();
    void invalidate();
    void resetRequestState();
    void finishedLoadingAdResponse(const std::shared_ptr<VDAd>& ad);

    // --- Responses, the rendered view and refresh (VDSlot+Responses.cpp).
    void processAdResponse(const std::shared_ptr<VDAd>& ad);
    void processCustomRenderingAdResponse(const std::shared_ptr<VDAd>& ad);
    void setViewForAdUsingView(const std::shared_ptr<ui::View>& view) override;
    static bool validateAdResponseWithAdSizeAndValidAdSizes(VDAdSize size,
                                                            const std::vector<VDAdSize>& sizes);
    // Below 1 s: 0, no refresh.
    void setReloadInterval(double seconds);
    void scheduleAdReloadTimer();
    void deactivateReloadTimer();
    void reloadCurrentRequest();
    void appWillBecomeInactive();
    void appDidBecomeActive();
    void adWillPresentFullScreen();
    void adDidRelinquishFullScreen();

    // --- State steps (VDSlot+State.cpp).
    void willRequestAdURL();
    void didFailToRetrieveSDKCoreWithError(const base::Error& error);
    void didReceiveAdURL();
    void willFetchAdContent();
    void didFetchAdContent();
    void willProcessMediationResponse();
    void
    didFailToReceiveAdWithErrorShouldCancelPendingActions(const std::optional<base::Error>& error,
                                                          bool cancelPendingActions);
    void didReceiveValidAd() override;
    void willStartAdRendering();
    void willLoadAdHTMLInWebView();
    void didLoadAdHTMLInWebView() override;
    void didMakeAdImpression() override;
    void willLeaveAppDueToClick() override;
    void resetState();
    void invalidateState();

    // --- The SDK-core page (VDSlot+VDSDKCoreControllerDelegate.cpp). The controller hears a
    // request object of the slot's, one per URL request, that passes the page's answers on
    // only while it is the slot's current request and the slot is not invalidated.
    // 1 when the owner is a banner view, 2 an interstitial, 0 otherwise.
    long requestedAdType() const;
    void setRequestID(const std::string& requestID);
    // The request's parameters with the slot's keys; built on the main thread whatever the
    // caller's thread.
    base::Value::Dictionary requestParameters();
    void loadAdURLWithParameters(const base::Value::Dictionary& parameters);
    void invalidJavaScriptRequest();
    void failedJavaScriptFile();
    void adURLRequestDidTimeOutWithError(const base::Error& error);
    // "320x50|300x250": the sizes that are valid, in order.
    static std::string multipleAdSizeParameterFromSizes(const std::vector<VDAdSize>& sizes);

    // --- Ad events, clicks and impressions (VDSlot+AdEvents.cpp).
    void willProcessAd();
    void adFailedToReceiveContentWithError(const base::Error& error);
    void adFinishedLoadingContent() override;
    void adWasClicked() override;
    void adWillPresentScreen() override;
    void adWillDismissScreen() override;
    void adDidDismissScreen() override;
    void adWillLeaveApplication() override;
    void pingClickURLs() override;
    void pingImpressionURLs();
    void pingManualTrackingURLs();
    base::URL spamClickURLWithURL(const base::URL& url) override;
    // Whether the URL's host is one of the ad server's domains or below one: whole labels,
    // any case; an empty entry matches nothing.
    static bool isRedodiAdURL(const base::URL& url);
    void bannerDidMoveToWindow(bool hasWindow);
    void interstitialViewWillAppear() override;
    void interstitialViewWillDisappear() override;
    bool isMRAIDEnabled() const;
    void finishActiveViewReporting();
    void resetActiveViewReporting();

    // --- Mediation (VDSlot+Mediation.cpp).
    // The current ad is a mediation response.
    bool isMediating() const;
    bool changeAdTypeTo(const VDAdType& type);
    // In state 6: the filling network's adapter while mediating, else the ads client's own.
    std::optional<std::string> adNetworkClassName() const;
    void mediatedAdNetworkAutoRefreshed() override { hasAutoRefreshed_ = true; }
    void processMediationAdResponse(const std::shared_ptr<VDAd>& ad);
    // The custom size of the response when it has one, else the ad type's.
    ui::Size requestedAdSize() const override;
    // While a mediation response is processed the load fails; once a network's ad is on show,
    // the owner only hears of the failure.
    void mediationDidFailWithRequestErrorCode(long code) override;
    void
    trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
        const std::vector<std::string>& templates,
        const std::optional<std::string>& defaultTemplate, const std::string& networkID,
        const std::string& allocationID, const std::string& qData, const std::string& appKey,
        bool refresh, const std::optional<std::string>& durations,
        const std::optional<std::string>& exitCodes) override;

    // --- Rich media (VDSlot+MRAID.cpp). MRAIDAdDidLoad tells the creative it is ready
    // ("onReady" with its placement type), its orientation ("onOrientationChanged", degrees)
    // and its position, and follows the interface orientation until MRAIDAdDidUnload;
    // updatePositionFromView sends "onSizeChanged" with the view's rectangle in window
    // coordinates ({x, y, width, height}; "defaultPosition" too, the first time for a
    // creative) when it changed, and the orientation when that changed.
    void MRAIDAdDidLoad() override;
    void MRAIDAdDidUnload() override;
    void updateVisibility(bool visible) override;
    void updatePositionFromView(const std::shared_ptr<ui::View>& view) override;
    bool isListeningToDeviceOrientationChangeEvent() const {
        return isListeningToDeviceOrientationChangeEvent_;
    }

    // --- In-app purchases (VDSlot+InAppPurchase.cpp).
    // The shared VDPaymentTransactionObserver while its default purchase flow is on, else the
    // owner's, else null.
    std::shared_ptr<VDInAppPurchaseDelegate> inAppPurchaseDelegate() const;
    // A creative offers a purchase: it goes to inAppPurchaseDelegate() as a VDInAppPurchase whose
    // report is pinged through the tracker collection; false when nobody takes purchases.
    bool didReceiveInAppPurchaseRequest(std::string productID, std::int64_t quantity,
                                        std::vector<std::string> reportURLTemplates) override;

    // --- Ad-network JavaScript (VDSlot+AdNetworkJavaScript.cpp). The ad's HTML (the network's
    // script) renders in the ad view under a VDAdNetworkJavaScriptAdViewDelegate with the ad's
    // passback URL; empty HTML fails the load (code 2, "Empty ad HTML.", pending actions
    // cancelled) and arms the refresh timer.
    void loadAdNetworkJavaScriptRequest(const std::shared_ptr<VDAd>& ad);
    // In states 5 and 6: the passback URL is fetched as the slot's next ad.
    void adNetworkDidPassBackToURL(const base::URL& passbackURL) override;

    // --- Swipe to the store (VDSlot+SwipeToViewController.cpp). While an ad with swipe
    // configurations is on show, a checker samples (every swipeToViewSamplingInterval of the
    // SDK-core controller, 1 s when it sets none) whether the swipe can be offered: the owner's
    // swipeToViewControllerView is in a window and shown, the owner has a rootViewController
    // that presents nothing, the ad names a product and swipeable rectangles. While it can,
    // the store's product sheet is loaded ahead and a pan recognizer on that view takes the
    // drags that begin over a swipeable rectangle of the ad view; pulling up brings the sheet
    // in with the finger (VDPercentDrivenUserInteractionAnimationController). A finished
    // swipe tells the creative "onSwipeableViewControllerPresentationFinished" and shows the
    // sheet as a full-screen takeover through the opener; a cancelled one tells it
    // "onSwipeableViewControllerPresentationCanceled"; both with the configurations'
    // swipeEventCreativeMetadata. The slot keeps itself alive from the swipe's start until
    // its takeover has ended, or until the swipe is cancelled.
    void scheduleSwipeToViewControllerChecker();
    void unscheduleSwipeToViewControllerChecker();
    // Takes the pan off the owner's view (a swipe under way goes back) and turns the swipe off.
    void disableSwipeToViewController();
    // Samples once (what each tick of the checker does).
    void checkSwipeToViewController();
    const std::shared_ptr<VDScheduler>& swipeToViewControllerChecker() const {
        return swipeToViewControllerChecker_;
    }
    std::int64_t swipeToViewControllerCheckerTaskID() const {
        return swipeToViewControllerCheckerTaskID_;
    }
    const base::Value::Dictionary& savedParamsForCheckingSwipeToViewController() const {
        return savedParamsForCheckingSwipeToViewController_;
    }
    const std::shared_ptr<ui::PanGestureRecognizer>& swipeGestureRecognizer() const {
        return swipeGestureRecognizer_;
    }
    const std::shared_ptr<VDPercentDrivenUserInteractionAnimationController>&
    animationController() const {
        return animationController_;
    }
    const std::shared_ptr<ui::ProductSheet>& swipeableStoreProductViewController() const {
        return swipeableStoreProductViewController_;
    }
    bool holdsItselfForSwipeToViewController() const {
        return strongSlotForSwipeToViewController_ != nullptr;
    }
    // --- VDPercentDrivenUserInteractionAnimationControllerDelegate.
    void animationControllerDidFinishAnimationTransition(
        VDPercentDrivenUserInteractionAnimationController& controller) override;
    void animationControllerDidCancelAnimationTransition(
        VDPercentDrivenUserInteractionAnimationController& controller) override;

    // --- VDAdFetcherDelegate.
    void adFetcherDidFetchAd(VDAdFetcher& fetcher, const std::shared_ptr<VDAd>& ad) override;
    void adFetcherDidFailToFetchAdWithErrorResponseCode(VDAdFetcher& fetcher,
                                                        const std::shared_ptr<VDAd>& ad,
                                                        const base::Error& error,
                                                        long responseCode) override;
    // --- VDSlotAdResponseDelegate (the slot's own).
    void slotDidFailToReceiveAdWithError(VDSlot& slot,
                                         const std::optional<base::Error>& error) override;
    bool slotDidReceiveAd(VDSlot& slot, const std::shared_ptr<VDAd>& ad) override;

    // --- VDAdViewSlot.
    bool isRenderingAd() const override { return state_ == StateRendering; }
    bool hasValidAd() const override { return state_ == StateValidAd; }
    bool requestsInterstitialAd() const override { return adType_.isInterstitial(); }
    std::shared_ptr<VDMRAIDEventHandling> currentAdMRAIDEventHandler() const override;
    void didFailToLoadAdHTMLInWebView(const base::Error& error) override;
    void trackURL(const base::URL& url) override;
    void didReceiveAppEventWithInfo(const std::string& name,
                                    const std::optional<std::string>& info) override;
    // The ad app's page full screen, a takeover the slot takes part in, presented like a
    // click's landing page; refused (logged) with no controller to present it from or while
    // another full-screen view is up.
    bool openAdAppWithURL(const base::URL& url) override;
    // Off: disableSwipeToViewController; on: scheduleSwipeToViewControllerChecker.
    void setSwipeToViewControllerEnabled(bool enabled) override;

private:
    class URLRequester;
    friend class URLRequester;

    void observeNotifications();
    // Tells the rich-media creative its orientation when it is not the one it was last told.
    void sendOrientationIfChanged();
    // The ad view's delegate from now on.
    void useAdViewDelegate(std::shared_ptr<VDBannerAdViewDelegate> delegate);
    // The rich-media interceptor's count is held from the start of a request to its end.
    void releaseInterceptorCount();
    // Hands the statistics sent with the ad URL request back when that URL was never fetched.
    void giveBackPendingAdStatistics();
    void logTestAdHintOnce();
    bool isCurrentRequester(const URLRequester* requester) const;
    // Asks the SDK-core controller for the ad URL of request_.
    void startURLRequest();

    long state_ = StateIdle;
    std::uint64_t activeViewID_ = 0;
    std::int64_t swipeToViewControllerCheckerTaskID_ = 0;
    std::shared_ptr<VDMAdManager> mediationManager_;
    std::optional<VDMConfig> mediationConfiguration_;
    bool slotHasAttemptedAnAdRequestAtLeastOnce_ = false;
    bool isListeningToDeviceOrientationChangeEvent_ = false;
    bool hasAutoRefreshed_ = false;
    bool reloadable_ = false;
    bool manualImpressionsEnabled_ = false;
    bool calledLoadAndDisplayRequest_ = false;
    bool swipeToViewControllerEnabled_ = false;
    bool adCustomRendered_ = false;
    bool holdsInterceptorCount_ = false;
    std::weak_ptr<VDSlotDelegate> slotDelegate_;
    std::weak_ptr<VDSlotAdEventDelegate> adEventDelegate_;
    std::weak_ptr<VDSlotAdResponseDelegate> adResponseDelegate_;
    std::optional<std::string> adUnitID_;
    std::shared_ptr<VDAd> ad_;
    // The ad on show when the load in progress began (resetRequestState drops it from ad_):
    // its creative stays in the ad view until another has loaded.
    std::shared_ptr<VDAd> adOnShow_;
    VDAdType adType_ = VDAdType::interstitialAdType();
    std::shared_ptr<VDRequest> request_;
    std::optional<std::uint64_t> timeLastLoaded_;
    std::shared_ptr<VDAdView> adView_;
    std::shared_ptr<VDSlotStatistics> slotStats_;
    std::weak_ptr<VDIntermission> intermission_;
    std::shared_ptr<VDBannerAdViewDelegate> adViewDelegate_;
    std::shared_ptr<VDOpener> opener_;
    std::shared_ptr<VDAd> loadingAd_;
    std::shared_ptr<VDAdFetcher> adFetcher_;
    base::Value::Dictionary applicationStatistics_;
    VDApplication::StatisticsSet pendingAdStatistics_;
    std::shared_ptr<base::Timer> reloadTimer_;
    double reloadInterval_ = defaultReloadInterval;
    std::shared_ptr<VDRequest> nextRequest_;
    std::weak_ptr<VDInterstitial> interstitial_;
    std::shared_ptr<VDActiveViewMonitoring> activeViewMonitor_;
    std::shared_ptr<ui::View> activeViewMonitoredView_;
    ui::Size newAdSize_;
    // Where the rich-media creative was last told it is, in window coordinates, and its
    // orientation in degrees.
    std::optional<ui::Rect> lastCreativePosition_;
    std::optional<int> lastCreativeOrientation_;
    std::optional<base::NotificationCenter::ObserverToken> orientationObserver_;
    // Swipe to the store.
    void enableSwipeToViewController(const std::shared_ptr<ui::View>& view,
                                     const VDSwipeToViewControllerConfigurations& configurations);
    void swipeGestureRecognizerDidPan(ui::PanGestureRecognizer& pan);
    bool isInSwipeableRectangle(const ui::Touch& touch) const;
    void postSwipeEvent(const std::string& name);
    std::shared_ptr<VDScheduler> swipeToViewControllerChecker_;
    base::Value::Dictionary savedParamsForCheckingSwipeToViewController_;
    bool swipeToViewControllerAnimationControllerInitialized_ = false;
    std::shared_ptr<ui::PanGestureRecognizer> swipeGestureRecognizer_;
    std::shared_ptr<VDPercentDrivenUserInteractionAnimationController> animationController_;
    std::shared_ptr<VDViewControllerFullScreenSwipeAnimation> animation_;
    std::shared_ptr<ui::ProductSheet> swipeableStoreProductViewController_;
    std::shared_ptr<VDSlot> strongSlotForSwipeToViewController_;

    // The URL request in progress, if any: the SDK-core controller holds it weakly.
    std::shared_ptr<URLRequester> requester_;
    std::vector<base::NotificationCenter::ObserverToken> observers_;
};
