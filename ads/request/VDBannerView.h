#pragma once

#include "ads/request/VDAdSize.h"
#include "ads/request/VDBannerViewDelegate.h"
#include "ads/request/VDRequest.h"
#include "ads/request/VDSlot.h"
#include "ads/request/VDSlotAdEventDelegate.h"
#include "ads/request/VDSlotDelegate.h"
#include "platform/ui/View.h"

#include <memory>
#include <optional>
#include <string>

namespace ui {
class ViewController;
}

// The public banner: a view a host places in its layout, gives an ad unit identifier, a root
// view controller and a delegate, and asks to load a request; from then on it shows ads and
// refreshes them by itself (every 60 s unless the ad server sets another interval; not while it
// is off screen or hidden, nor while the application is inactive or a full-screen ad is shown).
//
//     auto banner = VDBannerView::createWithAdSizeOrigin(kVDAdSizeBanner, {0, 430});
//     banner->setAdUnitID("my-unit");
//     banner->setRootViewController(rootController);
//     banner->setDelegate(listener);
//     window->addSubview(banner);
//     banner->loadRequest(VDRequest::request());
//
// Its size is its ad size (adSize()), laid out for the device: a standard size as it is, a
// smart banner as wide as the screen and as high as the device's banners. Setting the frame or
// the bounds to another size sets a custom ad size of that size (a reload when the whole
// numbers changed); setting the ad size sets the frame's size. The banner's only content is
// the slot's creative view (or a mediated network's view), which clips to it.
//
// The delegate and the root view controller are held weakly; the delegate hears the load
// outcomes and screen events of VDBannerViewDelegate on the main thread. A load without a root
// view controller fails with code 0. Main thread only.
class VDBannerView : public ui::View, public VDSlotDelegate, public VDSlotAdEventDelegate {
protected:
    struct Private {};

public:
    // nullptr, after "Unable to set adSize property. <why>" in the public log, for a size that
    // cannot be shown.
    static std::shared_ptr<VDBannerView> createWithFrameAdSize(const ui::Rect& frame,
                                                               VDAdSize size);
    static std::shared_ptr<VDBannerView> createWithAdSize(VDAdSize size);
    static std::shared_ptr<VDBannerView> createWithAdSizeOrigin(VDAdSize size, ui::Point origin);
    // The ad size is the frame's size.
    static std::shared_ptr<VDBannerView> createWithFrame(const ui::Rect& frame);

    VDBannerView(Private, const ui::Rect& frame);
    ~VDBannerView() override;
    std::string className() const override { return "VDBannerView"; }

    // Starts a load (a default request when null).
    void loadRequest(const std::shared_ptr<VDRequest>& request);

    const std::optional<std::string>& adUnitID() const { return slot_->adUnitID(); }
    void setAdUnitID(std::optional<std::string> adUnitID) {
        slot_->setAdUnitID(std::move(adUnitID));
    }
    std::shared_ptr<ui::ViewController> rootViewController() const override {
        return rootViewController_.lock();
    }
    void setRootViewController(const std::shared_ptr<ui::ViewController>& controller);
    std::shared_ptr<VDBannerViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<VDBannerViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    // Hears the in-app purchases the banner's creatives offer; held weakly. Setting one makes
    // the banner's requests say so ("iap_set").
    std::shared_ptr<VDInAppPurchaseDelegate> inAppPurchaseDelegate() const override {
        return inAppPurchaseDelegate_.lock();
    }
    void setInAppPurchaseDelegate(std::weak_ptr<VDInAppPurchaseDelegate> delegate) {
        inAppPurchaseDelegate_ = std::move(delegate);
    }
    // The slot's ad type's size (kVDAdSizeInvalid before one is set).
    VDAdSize adSize() const;
    void setAdSize(VDAdSize size);
    bool isAutoloadEnabled() const { return autoloadEnabled_; }
    // Turning it on loads once, on a later turn of the main run loop.
    void setAutoloadEnabled(bool enabled);
    // Whether the ad on show came from a refresh.
    bool hasAutoRefreshed() const { return slot_->hasAutoRefreshed(); }
    std::optional<std::string> adNetworkClassName() const { return slot_->adNetworkClassName(); }
    // The mediated network's view while a mediated ad is on show.
    std::shared_ptr<ui::View> mediatedAdView() const;
    const std::shared_ptr<VDAdView>& adView() const { return slot_->adView(); }
    const std::shared_ptr<ui::View>& rootAdView() const { return rootAdView_; }
    void setRootAdView(const std::shared_ptr<ui::View>& view);
    const std::shared_ptr<VDSlot>& slot() const { return slot_; }
    // Whether the delegate has been told of an ad at least once.
    bool hasLoadedAd() const { return hasLoadedAd_; }

    // --- ui::View.
    void setFrame(const ui::Rect& frame) override;
    void setBounds(const ui::Rect& bounds) override;
    ui::Size intrinsicContentSize() const override;
    // Fully opaque unless 0.
    void setAlpha(double alpha) override;
    void didMoveToWindow() override;
    // Only what the banner shows takes touches: where it shows nothing (before its first ad,
    // or after failures) a touch reaches the views below, as if it were not there.
    std::shared_ptr<ui::View> hitTest(ui::Point point, const ui::Event* event) override;

    // --- VDSlotDelegate.
    // Sets the frame's size and the slot's ad type (reloading when asked); an invalid size is
    // logged and ignored.
    void setAdSizeAndReload(VDAdSize size, bool reload) override;
    std::optional<bool> slotShouldLoadRequest(VDSlot& slot, const VDRequest& request) override;
    // While no ad has been received, yes; afterwards only while the banner is in a window and
    // nothing on its way up is hidden.
    std::optional<bool> slotShouldReloadCurrentRequest(VDSlot& slot) override;
    std::optional<ui::Rect> slotOwnerFrame() const override { return frame(); }
    std::optional<ui::Rect> frameInInterface() const override;
    std::optional<ui::Rect> slotOwnerBounds() const override { return bounds(); }
    std::optional<base::Value::Dictionary>
    coordinatesOfContentInScreen(const ui::Screen& screen) const override;
    std::shared_ptr<ui::View> swipeToViewControllerView() const override;
    void slotDidReceiveAdView(VDSlot& slot, const std::shared_ptr<ui::View>& view) override;

    // --- VDSlotAdEventDelegate: each becomes the host's callback on the main thread.
    void slotFinishedLoadingAdContent(VDSlot& slot) override;
    void slotDidFailToLoadAdContentWithError(VDSlot& slot, const base::Error& error) override;
    void slotWillPresentScreen(VDSlot& slot) override;
    void slotWillDismissScreen(VDSlot& slot) override;
    void slotDidDismissScreen(VDSlot& slot) override;
    void slotWillLeaveApplication(VDSlot& slot) override;

protected:
    // A banner of the subclass Banner (constructible with Private and the frame), checked and
    // set up as createWithFrameAdSize does.
    template <class Banner>
    static std::shared_ptr<Banner> createBannerWithFrameAdSize(const ui::Rect& frame,
                                                               VDAdSize size) {
        if (!isUsableAdSize(size))
            return nullptr;
        auto banner = std::make_shared<Banner>(Private{}, frame);
        banner->commonInitWithAdSize(size);
        return banner;
    }
    // Logs why when it is not.
    static bool isUsableAdSize(VDAdSize size);
    void commonInitWithAdSize(VDAdSize size);

private:
    std::shared_ptr<VDBannerView> sharedBanner();
    // Runs the call with the host's delegate on the main thread, keeping the banner and its
    // slot alive meanwhile.
    void tellDelegate(const std::function<void(VDBannerViewDelegate&, VDBannerView&)>& call);

    bool hasLoadedAd_ = false;
    bool hasInitialized_ = false;
    bool autoloadEnabled_ = false;
    std::weak_ptr<ui::ViewController> rootViewController_;
    std::weak_ptr<VDBannerViewDelegate> delegate_;
    std::weak_ptr<VDInAppPurchaseDelegate> inAppPurchaseDelegate_;
    std::shared_ptr<ui::View> rootAdView_;
    std::shared_ptr<VDSlot> slot_;
};
