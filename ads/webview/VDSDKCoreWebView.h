#pragma once

#include "ads/webview/VDActiveViewAMSGHandler.h"
#include "ads/webview/VDActiveViewAMSGHandlerDelegate.h"
#include "ads/webview/VDActiveViewObserver.h"
#include "ads/webview/VDSDKCoreAMSGHandler.h"
#include "ads/webview/VDSDKCoreWebViewNotification.h"
#include "platform/base/URL.h"
#include "platform/ui/WebView.h"
#include "platform/ui/WebViewDelegate.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The hidden web view that holds the SDK-core page: the ad server's page whose script builds
// ad URLs ("VDMA_getAd", "VDMA_getAdapterLessMediationAd") and hands out the server's
// constants ("VDMA_getSdkConstants"), answering through "amsg" messages that its
// VDSDKCoreAMSGHandler serves.
//
// The page's address is the user default "/redodi/ads/sdk_core_url" when that holds an http or
// https URL, else the built-in one. A load counts as loaded (state 2) only when the finished
// page defines the three functions; a page that fails, or finishes without them (an error
// page), is failed (state 3).
//
// Script commands may be given from any thread: they wait in order until the page is loaded
// and then run once each, on the main thread. Everything else is main thread only, except the
// reads of state() and of the active-view registrations, which any thread may make.
class VDSDKCoreWebView : public ui::WebViewDelegate,
                         public VDActiveViewAMSGHandlerDelegate,
                         public std::enable_shared_from_this<VDSDKCoreWebView> {
    struct Private {};

public:
    enum State : long { StateNotLoaded = 0, StateLoading = 1, StateLoaded = 2, StateFailed = 3 };

    static constexpr const char* SDKCoreURLKey = "/redodi/ads/sdk_core_url";
    static constexpr const char* defaultSDKCoreURL =
        "https://sdk.redodi.example/vdma/core/sdk-core.html";

    // A web view whose page is not loaded yet (state 0).
    static std::shared_ptr<VDSDKCoreWebView> create();
    explicit VDSDKCoreWebView(Private);
    ~VDSDKCoreWebView() override;
    VDSDKCoreWebView(const VDSDKCoreWebView&) = delete;
    VDSDKCoreWebView& operator=(const VDSDKCoreWebView&) = delete;

    // Where the core page is loaded from now.
    static base::URL SDKCoreURL();

    State state() const { return state_.load(); }
    bool hasSDKCoreLoadedAtLeastOnce() const { return loadedOnce_.load(); }

    // Loads the core page again (state 1) and, when given, registers the observer for the
    // end of that load.
    void
    refreshSDKCoreAndNotifyObserver(const std::shared_ptr<VDSDKCoreWebViewNotification>& observer);
    // The observer (held weakly) hears once that the current load has ended; at once, before
    // this returns, when the page is already loaded or failed.
    void addObserverForOneTimeNotification(
        const std::shared_ptr<VDSDKCoreWebViewNotification>& observer);
    void removeObserver(const VDSDKCoreWebViewNotification* observer);

    // Queues the command; queued commands run in order, each once, while the page is loaded,
    // handed to the page without waiting for it (the page answers through its messages). Any
    // thread. Nothing comes back.
    void executeJavaScriptCommand(std::string command);
    // Commands waiting for the page (tests).
    std::size_t queuedCommandCount() const;

    // The page's message handler; the SDK-core controller is its delegate.
    const std::shared_ptr<VDSDKCoreAMSGHandler>& SDKCoreAMSGHandler() const {
        return SDKCoreAMSGHandler_;
    }

    // The active-view page's message handler, whose delegate this web view is: the page's
    // verdicts go to the observer registered for their identifier, in a later main-thread
    // turn; nothing happens for an identifier without an observer.
    const std::shared_ptr<VDActiveViewAMSGHandler>& activeViewAMSGHandler() const {
        return activeViewAMSGHandler_;
    }

    // Active-view measurements running in this page, by active-view identifier; observers are
    // held weakly. Any thread.
    void setActiveViewObserverForActiveViewID(const std::shared_ptr<VDActiveViewObserver>& observer,
                                              std::uint64_t activeViewID);
    void removeActiveViewObserverForActiveViewID(std::uint64_t activeViewID);
    std::shared_ptr<VDActiveViewObserver>
    activeViewObserverForActiveViewID(std::uint64_t activeViewID) const;
    // Whether a measurement whose observer is alive still runs here.
    bool isActiveViewRunning() const;
    // Ends every measurement's registration.
    void removeAllActiveViewObservers();

    const std::shared_ptr<ui::WebView>& webView() const { return webView_; }

    // --- ui::WebViewDelegate: "amsg" navigations go to the message handler and never load.
    bool webViewShouldStartLoadWithRequestNavigationType(ui::WebView& webView,
                                                         const net::URLRequest& request,
                                                         ui::WebViewNavigationType type) override;
    void webViewDidFinishLoad(ui::WebView& webView) override;
    void webViewDidFailLoadWithError(ui::WebView& webView, const base::Error& error) override;

    // --- VDActiveViewAMSGHandlerDelegate.
    void activeViewAMSGHandlerDidReceiveVisibilityNotificationForActiveViewID(
        VDActiveViewAMSGHandler& handler, bool visible, std::uint64_t activeViewID) override;
    void activeViewAMSGHandlerDidReceiveUntrackNotificationForActiveViewID(
        VDActiveViewAMSGHandler& handler, std::uint64_t activeViewID) override;

private:
    void endLoad(State state);
    void runQueuedCommands();

    std::shared_ptr<ui::WebView> webView_;
    std::shared_ptr<VDSDKCoreAMSGHandler> SDKCoreAMSGHandler_;
    std::shared_ptr<VDActiveViewAMSGHandler> activeViewAMSGHandler_;
    std::atomic<State> state_{StateNotLoaded};
    std::atomic<bool> loadedOnce_{false};

    // Guards what follows.
    mutable std::mutex mutex_;
    std::vector<std::weak_ptr<VDSDKCoreWebViewNotification>> oneTimeObservers_;
    std::deque<std::string> commands_;
    bool commandsScheduled_ = false;
    // Loads of ours that a newer load of ours replaced: their cancellation is no failure.
    int replacedLoads_ = 0;
    std::map<std::uint64_t, std::weak_ptr<VDActiveViewObserver>> activeViewObservers_;
};
