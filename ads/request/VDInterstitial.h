#pragma once

#include "ads/presentation/VDInAppPurchaseDelegate.h"
#include "ads/presentation/VDInterstitialViewController.h"
#include "ads/request/VDInterstitialDelegate.h"
#include "ads/request/VDRequest.h"
#include "ads/request/VDSlot.h"
#include "ads/request/VDSlotAdEventDelegate.h"
#include "ads/request/VDSlotDelegate.h"

#include <memory>
#include <optional>
#include <string>

namespace ui {
class ViewController;
}

// The public full-screen ad: a host makes one per ad, gives it an ad unit identifier and a
// delegate, asks it to load a request and, once it is ready, presents it over a view
// controller of its own:
//
//     auto interstitial = VDInterstitial::createWithAdUnitID("vd-app-pub-…/…");
//     interstitial->setDelegate(listener);            // held weakly
//     interstitial->loadRequest(VDRequest::request());
//     ...
//     void Listener::interstitialDidReceiveAd(VDInterstitial& ad) {
//         ad.presentFromRootViewController(topController);
//     }
//
// An interstitial serves one ad: it is shown once, on its own full-screen screen
// (VDInterstitialViewController: the ad under a close control), and is used from then on.
// Presenting it again, or loading into it again, is refused with the "already used" failure
// (VDRequestError code 6) to the delegate; a host makes a new interstitial for the next ad.
// Presenting one that is not ready (its ad has not loaded, or failed) is refused with the log
// line "Cannot present interstitial. It is not ready." and changes nothing, so the host may
// present it later. It never refreshes.
//
// While its screen is up it is a full-screen takeover: every slot of the process pauses its
// refresh ("kAdModalViewControllerWillPresentFullScreen" / "...DidDismissFullScreen"); the
// delegate hears the screen come and go (VDInterstitialDelegate). Once the screen has gone the
// interstitial's slot is invalidated and its ad released.
//
// Letting the interstitial go stops whatever it still does; its screen, if up, stays until
// dismissed. Main thread only; the delegate is called on the main thread.
class VDInterstitial : public VDSlotDelegate,
                       public VDSlotAdEventDelegate,
                       public std::enable_shared_from_this<VDInterstitial> {
    struct Private {};

public:
    static constexpr const char* notReadyMessage = "Cannot present interstitial. It is not ready.";

    // The interstitial with its slot (as large as the device's portrait screen), its screen,
    // and no ad unit identifier yet.
    static std::shared_ptr<VDInterstitial> create();
    static std::shared_ptr<VDInterstitial> createWithAdUnitID(std::optional<std::string> adUnitID);
    explicit VDInterstitial(Private);
    ~VDInterstitial() override;
    VDInterstitial(const VDInterstitial&) = delete;
    VDInterstitial& operator=(const VDInterstitial&) = delete;

    const std::optional<std::string>& adUnitID() const { return slot_->adUnitID(); }
    void setAdUnitID(std::optional<std::string> adUnitID) {
        slot_->setAdUnitID(std::move(adUnitID));
    }
    std::shared_ptr<VDInterstitialDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<VDInterstitialDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    // Hears the in-app purchases the interstitial's creative offers; held weakly.
    std::shared_ptr<VDInAppPurchaseDelegate> inAppPurchaseDelegate() const override {
        return inAppPurchaseDelegate_.lock();
    }
    void setInAppPurchaseDelegate(std::weak_ptr<VDInAppPurchaseDelegate> delegate) {
        inAppPurchaseDelegate_ = std::move(delegate);
    }

    // Starts loading an ad (a default request when null); the delegate hears the outcome. On
    // a used interstitial: the "already used" failure (code 6) and nothing else.
    void loadRequest(const std::shared_ptr<VDRequest>& request);
    // An ad has loaded and the interstitial has not been shown yet.
    bool isReady() const;
    // It has been shown: it will never show or load again.
    bool hasBeenUsed() const { return hasBeenUsed_; }

    // Shows the ad full screen over the controller (over the top of its parent chain) and
    // counts its impression; true when the screen is coming up. Refused, false and nothing
    // shown: a used interstitial (the delegate hears code 6); one that is not ready (the log
    // line above); no controller, or one that already presents another screen (logged). Only a
    // presentation marks the interstitial used.
    bool presentFromRootViewController(const std::shared_ptr<ui::ViewController>& controller);

    // Stops every load and future action of the slot; the interstitial will not become ready.
    void cancel();

    // The engine behind the interstitial, and the screen it is shown on (until it has gone).
    const std::shared_ptr<VDSlot>& slot() const { return slot_; }
    const std::shared_ptr<VDInterstitialViewController>& viewController() const {
        return viewController_;
    }

    // --- VDSlotDelegate.
    std::optional<bool> slotShouldLoadRequest(VDSlot& slot, const VDRequest& request) override;
    // An interstitial never refreshes.
    std::optional<bool> slotShouldReloadCurrentRequest(VDSlot& slot) override;
    std::optional<base::Value::Dictionary>
    coordinatesOfContentInScreen(const ui::Screen& screen) const override;
    // The controller it was presented from, while it is up.
    std::shared_ptr<ui::ViewController> rootViewController() const override {
        return rootViewController_.lock();
    }
    void slotDidReceiveAdView(VDSlot& slot, const std::shared_ptr<ui::View>& view) override;
    void slotDidReceiveAdClick(VDSlot& slot) override;

    // --- VDSlotAdEventDelegate: each becomes the host's callback on the main thread.
    void slotFinishedLoadingAdContent(VDSlot& slot) override;
    void slotDidFailToLoadAdContentWithError(VDSlot& slot, const base::Error& error) override;
    void slotWillPresentScreen(VDSlot& slot) override;
    void slotWillDismissScreen(VDSlot& slot) override;
    // Once its own screen has gone: the slot's viewability reporting ends, the slot is
    // invalidated and the screen dropped, then the host hears it.
    void slotDidDismissScreen(VDSlot& slot) override;
    void slotWillLeaveApplication(VDSlot& slot) override;

private:
    void commonInit();
    // The "already used" failure: logged, and the delegate hears it.
    void sendInterstitialError(const base::Error& error);
    // Runs the call with the host's delegate on the main thread, keeping the interstitial and
    // its slot alive meanwhile.
    void tellDelegate(const std::function<void(VDInterstitialDelegate&, VDInterstitial&)>& call);

    std::shared_ptr<VDSlot> slot_;
    std::shared_ptr<VDInterstitialViewController> viewController_;
    // What the screen shows: the slot's creative view or a mediated network's.
    std::shared_ptr<ui::View> adContentView_;
    std::weak_ptr<VDInterstitialDelegate> delegate_;
    std::weak_ptr<VDInAppPurchaseDelegate> inAppPurchaseDelegate_;
    std::weak_ptr<ui::ViewController> rootViewController_;
    bool hasBeenUsed_ = false;
};
