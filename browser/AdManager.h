#pragma once

#include "ads/request/VDInterstitialDelegate.h"

#include <cstdint>
#include <memory>

class VDBannerView;
class VDInterstitial;
class VDRequest;

namespace base {
class Timer;
}
namespace ui {
class ViewController;
}

// The browser's one point of contact with the ads client: it makes and owns the bottom banner
// that the application delegate puts over the window at launch, moves that banner to a fixed
// height as screens come into view or the share panel opens and closes, and, after certain
// user actions, loads a full-screen interstitial and shows it once it has arrived.
//
//     auto banner = AdManager::sharedInstance()->veDivBanner_bot();   // at launch
//     rootView->addSubview(banner);
//     AdManager::sharedInstance()->animate_banner(AdManager::browserScreenBannerCentre());
//     AdManager::sharedInstance()->showVeDivFullscreen();            // after a user action
//
// Heights and positions are points of the main screen; "pad" means the device's idiom is pad,
// everything else counts as phone. Ad failures are silent: the banner has no delegate, and of
// an interstitial only its arrival is heard. The ad unit identifiers are settings
// (BrowserSettings). Main thread only.
class AdManager : public VDInterstitialDelegate, public std::enable_shared_from_this<AdManager> {
public:
    struct Private {};

    // Banner heights: the bottom banner's, and the second factory's.
    static constexpr double phoneBottomBannerHeight = 63.0;
    static constexpr double padBottomBannerHeight = 100.0;
    static constexpr double phoneBannerHeight = 50.0;
    static constexpr double padBannerHeight = 70.0;
    // How far above the screen's bottom edge the second factory's banner starts.
    static constexpr double phoneBannerOffset = 105.0;
    static constexpr double padBannerOffset = 128.0;
    // How long a move of the banner takes, in seconds.
    static constexpr double bannerMoveDuration = 0.3;
    // The banner's centre while the share panel is open: off the top of the screen.
    static constexpr std::int32_t sharePanelBannerCentre = -300;
    // How long an interstitial that arrived during a modal transition waits before it tries
    // again, in seconds.
    static constexpr double presentationRetryInterval = 0.3;

    // The one manager, made on first use.
    // A process service (platform/base/ProcessWide.h).
    static std::shared_ptr<AdManager> sharedInstance();

    explicit AdManager(Private);
    ~AdManager() override;
    AdManager(const AdManager&) = delete;
    AdManager& operator=(const AdManager&) = delete;

    // The banner's centre while the browser screen shows (150 on a pad, 128 on a phone) and
    // while a bookmark screen shows (120 on a pad, 98 on a phone).
    static std::int32_t browserScreenBannerCentre();
    static std::int32_t bookmarkScreensBannerCentre();

    // Makes the bottom banner along the screen's bottom edge over its whole width (63 points
    // high on a phone, 100 on a pad), keeps it, starts its first ad request and returns it.
    // Its root view controller is the key window's root view controller, so a window must be
    // key first. A second call replaces the kept banner.
    std::shared_ptr<VDBannerView> veDivBanner_bot();
    // A banner of the same kind 50 points high and 105 above the bottom edge on a phone, 70
    // high and 128 above it on a pad; kept, requested and returned the same way.
    std::shared_ptr<VDBannerView> veDivBanner();
    const std::shared_ptr<VDBannerView>& bannerView() const { return bannerView_; }

    // Moves the banner's centre to (half the screen's width, y) in 0.3 s; nothing while
    // there is no banner.
    void animate_banner(std::int32_t y);

    // A new request whose test devices are two empty identifiers: the interstitials'.
    std::shared_ptr<VDRequest> veDivrequest() const;
    // Makes a new interstitial of the interstitial ad unit with this manager as its delegate
    // and starts its load. It replaces the previous one, which is let go with whatever it was
    // still doing (an interstitial serves one ad).
    void showVeDivFullscreen();
    const std::shared_ptr<VDInterstitial>& interstitial() const { return interstitial_; }

    // An interstitial of this manager has arrived: the newest one is presented from the top
    // controller, at once unless that controller is being presented or dismissed; then 0.3 s
    // later, and again every 0.3 s while a transition runs there. One timer serves every
    // arrival that waits, and none runs while nothing waits. An older interstitial's late
    // arrival presents the newest too, which the ads client refuses (and logs) while it is
    // not ready or once it has been shown.
    void interstitialDidReceiveAd(VDInterstitial& ad) override;
    // Whether an arrival waits for a transition to end.
    bool isWaitingForTransition() const;

    // The controller on top of the key window's root view controller (null without a key
    // window or root).
    std::shared_ptr<ui::ViewController> topViewController() const;
    // Through a tab bar controller's selected controller, a navigation controller's visible
    // one and any presented one, to the controller that shows.
    static std::shared_ptr<ui::ViewController>
    topViewControllerWithRootViewController(const std::shared_ptr<ui::ViewController>& root);

private:
    // The banner of that size at that origin, with the banner's ad unit and the key window's
    // root controller, kept and asked to load.
    std::shared_ptr<VDBannerView> makeBanner(double height, double bottomOffset);

    // Presents the newest interstitial from the top controller, or waits for the transition
    // that runs there.
    void presentInterstitialWhenNoTransitionRuns();

    std::shared_ptr<VDBannerView> bannerView_;
    std::shared_ptr<VDInterstitial> interstitial_;
    std::shared_ptr<base::Timer> presentationRetry_;
};
