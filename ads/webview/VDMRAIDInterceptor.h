#pragma once

#include "platform/base/URL.h"
#include "platform/ui/WebResourceInterception.h"

#include <optional>
#include <string>

// The interceptor that serves the rich-media (MRAID) script to ad pages. Its state is
// class-wide: whether it has been registered with the web engines' resource loading
// (ui::WebResourceInterception, done once by its class set-up, before the first message reaches
// it), whether it is allowed to act, and how many ad loads want it. While it is allowed and
// that count is above 0, a page's request whose last path segment is "mraid.js" is answered
// with the script of the asking view's placement: the file at the banner, interstitial or
// expanded-banner implementation path, or the built-in script (resources/mraid.js) when that
// path is unset; a file that cannot be read leaves the request to the network. Every
// operation may be called from any thread; all of them take the class lock, and the engines
// are told on the main thread.
class VDMRAIDInterceptor {
public:
    static constexpr const char* scriptFileName = "mraid.js";

    VDMRAIDInterceptor() = delete;

    // Runs the class set-up when it has not run yet, then allows the interceptor. It stays
    // allowed until disallow().
    static void allow();
    static void disallow();

    static bool isAllowed();

    // How many ad loads want the interceptor to look at requests: each slot raises the count
    // when it starts a request and lowers it once when that request ends, whichever way. It
    // never goes below 0.
    static void enableCanInitWithRequest();
    static void disableCanInitWithRequest();
    static long canInitWithRequestCount();

    // The paths of the rich-media scripts served to banners, interstitials and expanded
    // banners, as the ad server names them; nullopt (the default the class set-up restores)
    // serves the built-in script.
    static void setBannerImplementationPath(std::optional<std::string> path);
    static void setInterstitialImplementationPath(std::optional<std::string> path);
    static void setExpandedBannerImplementationPath(std::optional<std::string> path);
    static std::optional<std::string> bannerImplementationPath();
    static std::optional<std::string> interstitialImplementationPath();
    static std::optional<std::string> expandedBannerImplementationPath();
    // Whether the class set-up has registered the interceptor.
    static bool isRegistered();

    // The script for a page's request of the web view (placement from the VDAdView that holds
    // it); nullopt when there is none to serve. Main thread.
    static std::optional<ui::WebResourceInterception::Resource>
    scriptForRequest(const base::URL& url, ui::WebView* webView);

    // Forgets the class set-up, the permission and the count, as in a new process (tests).
    static void resetForTesting();
};
