#pragma once

#include <optional>
#include <string>

// The interceptor that serves the rich-media scripts to ad pages. Its state is class-wide:
// whether it has been registered with the ads client's URL loading (done once, by its class
// set-up, before the first message reaches it) and whether it is allowed to act. Every
// operation may be called from any thread; all of them take the class lock.
class VDMRAIDInterceptor {
public:
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

    // Forgets the class set-up, the permission and the count, as in a new process (tests).
    static void resetForTesting();
};
