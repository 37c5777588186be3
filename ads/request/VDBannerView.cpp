#include "ads/request/VDBannerView.h"

#include "ads/foundation/VDGeometry.h"
#include "ads/foundation/VDLogger.h"
#include "ads/foundation/VDMainThread.h"
#include "ads/foundation/VDViewUtilities.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Color.h"
#include "platform/ui/Window.h"

#include <cmath>

namespace {

void logInvalidSize(const base::Error& error) {
    VDLogger::sharedInstance()->logPublicMessage("Unable to set adSize property. " +
                                                 error.localizedDescription());
}

} // namespace

std::shared_ptr<VDBannerView> VDBannerView::createWithFrameAdSize(const ui::Rect& frame,
                                                                  VDAdSize size) {
    base::assertMainThread();
    return createBannerWithFrameAdSize<VDBannerView>(frame, size);
}

bool VDBannerView::isUsableAdSize(VDAdSize size) {
    base::Error error;
    if (VDAdSizeIsValidWithError(size, &error))
        return true;
    logInvalidSize(error);
    return false;
}

std::shared_ptr<VDBannerView> VDBannerView::createWithAdSize(VDAdSize size) {
    return createWithFrameAdSize(ui::Rect(), size);
}

std::shared_ptr<VDBannerView> VDBannerView::createWithAdSizeOrigin(VDAdSize size,
                                                                   ui::Point origin) {
    auto banner = createWithAdSize(size);
    if (banner) {
        const ui::Rect frame = banner->frame();
        banner->setFrame(ui::Rect(origin, frame.size));
    }
    return banner;
}

std::shared_ptr<VDBannerView> VDBannerView::createWithFrame(const ui::Rect& frame) {
    return createWithFrameAdSize(frame, VDAdSizeFromCGSize(frame.size));
}

VDBannerView::VDBannerView(Private, const ui::Rect& frame)
    : View(frame) {}

void VDBannerView::commonInitWithAdSize(VDAdSize size) {
    auto self = sharedBanner();
    slot_ = VDSlot::create(bounds());
    slot_->setReloadable(true);
    slot_->setSlotDelegate(self);
    slot_->setAdEventDelegate(self);
    slot_->adView()->configureAsBannerAdView();
    setRootAdView(slot_->adView());
    setBackgroundColor(ui::Color::clearColor());
    setClipsToBounds(true);
    hasInitialized_ = true;
    setAdSizeAndReload(size, false);
}

VDBannerView::~VDBannerView() {
    if (slot_) {
        slot_->finishActiveViewReporting();
        slot_->cancelPendingAndFutureActions();
    }
}

std::shared_ptr<VDBannerView> VDBannerView::sharedBanner() {
    return std::static_pointer_cast<VDBannerView>(shared_from_this());
}

void VDBannerView::loadRequest(const std::shared_ptr<VDRequest>& request) {
    auto self = sharedBanner();
    auto slot = slot_;
    slot->loadRequest(request);
}

void VDBannerView::setRootViewController(const std::shared_ptr<ui::ViewController>& controller) {
    if (controller == rootViewController_.lock())
        return;
    rootViewController_ = controller;
    slot_->adView()->setViewController(controller);
    // The ads client's own banner inside a mediated one.
    if (auto inner = std::dynamic_pointer_cast<VDBannerView>(rootAdView_))
        inner->setRootViewController(controller);
}

VDAdSize VDBannerView::adSize() const {
    return slot_ ? slot_->adType().adSize() : VDAdSize{};
}

void VDBannerView::setAdSize(VDAdSize size) {
    const VDAdSize current = adSize();
    const bool wholeChanged = std::trunc(size.size.width) != std::trunc(current.size.width) ||
                              std::trunc(size.size.height) != std::trunc(current.size.height);
    const bool flexibleChanged =
        (std::trunc(size.size.width) == 0 || std::trunc(size.size.height) == 0) &&
        size.flags != current.flags;
    setAdSizeAndReload(size, wholeChanged || flexibleChanged);
    // Views here are laid out by frame: the intrinsic size only marks the view for layout.
    if (!translatesAutoresizingMaskIntoConstraints())
        invalidateIntrinsicContentSize();
}

void VDBannerView::setAdSizeAndReload(VDAdSize size, bool reload) {
    if (!hasInitialized_ || VDAdSizeIsEqual(size, adSize()))
        return;
    base::Error error;
    if (!VDAdSizeIsValidWithError(size, &error)) {
        logInvalidSize(error);
        return;
    }
    const ui::Rect current = frame();
    // The superclass's frame: the banner's own frame rule must not run again.
    View::setFrame(ui::Rect(current.origin, VDCGSizeFromAdSize(size)));
    auto self = sharedBanner();
    slot_->setAdTypeAndReloadRequest(VDAdType::bannerAdTypeForSize(size), reload);
}

void VDBannerView::setFrame(const ui::Rect& frame) {
    View::setFrame(frame);
    if (hasInitialized_ && VDCGSizeFromAdSize(adSize()) != frame.size)
        setAdSize(VDAdSizeFromCGSize(frame.size));
}

void VDBannerView::setBounds(const ui::Rect& bounds) {
    View::setBounds(bounds);
    // Compared with the laid-out size, as for the frame: a smart banner's bounds are its
    // laid-out size and must not turn it into a custom size.
    if (hasInitialized_ && VDCGSizeFromAdSize(adSize()) != bounds.size)
        setAdSize(VDAdSizeFromCGSize(bounds.size));
}

ui::Size VDBannerView::intrinsicContentSize() const {
    return VDCGSizeFromAdSize(adSize());
}

void VDBannerView::setAlpha(double alpha) {
    View::setAlpha(alpha == 0 ? 0 : 1.0);
}

void VDBannerView::setRootAdView(const std::shared_ptr<ui::View>& view) {
    if (view == rootAdView_)
        return;
    if (rootAdView_)
        rootAdView_->removeFromSuperview();
    rootAdView_ = view;
    if (!view)
        return;
    // The banner's only content, filling it.
    view->setFrame(ui::Rect(ui::Point(), bounds().size));
    view->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth |
                              ui::ViewAutoresizingFlexibleHeight);
    addSubview(view);
}

void VDBannerView::setAutoloadEnabled(bool enabled) {
    if (enabled == autoloadEnabled_)
        return;
    autoloadEnabled_ = enabled;
    if (!enabled)
        return;
    base::mainQueue().async([weakSelf = std::weak_ptr<VDBannerView>(sharedBanner())] {
        if (auto self = weakSelf.lock())
            self->loadRequest(nullptr);
    });
}

std::shared_ptr<ui::View> VDBannerView::mediatedAdView() const {
    return slot_->isMediating() ? rootAdView_ : nullptr;
}

std::shared_ptr<ui::View> VDBannerView::hitTest(ui::Point point, const ui::Event* event) {
    auto hit = View::hitTest(point, event);
    return hit.get() == this ? nullptr : hit;
}

void VDBannerView::didMoveToWindow() {
    View::didMoveToWindow();
    if (slot_)
        slot_->bannerDidMoveToWindow(window() != nullptr);
}

std::optional<bool> VDBannerView::slotShouldLoadRequest(VDSlot&, const VDRequest&) {
    if (rootViewController_.lock())
        return true;
    VDLogger::sharedInstance()->logPublicMessage("Must set the rootViewController property of " +
                                                 className() + " before loading the ad.");
    return false;
}

std::optional<bool> VDBannerView::slotShouldReloadCurrentRequest(VDSlot&) {
    if (!hasLoadedAd_)
        return true;
    for (const ui::View* view = rootAdView_.get(); view; view = view->superviewPointer()) {
        if (view->isHidden())
            return false;
        if (dynamic_cast<const ui::Window*>(view))
            return true;
    }
    return false;
}

std::optional<ui::Rect> VDBannerView::frameInInterface() const {
    if (!window())
        return ui::Rect();
    return VDInterfaceOrientedRect(convertRectToView(bounds(), nullptr));
}

std::optional<base::Value::Dictionary>
VDBannerView::coordinatesOfContentInScreen(const ui::Screen& screen) const {
    const auto& adView = slot_->adView();
    if (!adView)
        return std::nullopt;
    return VDViewUtilities::positionOfViewInScreen(*adView, screen);
}

std::shared_ptr<ui::View> VDBannerView::swipeToViewControllerView() const {
    return std::const_pointer_cast<ui::View>(shared_from_this());
}

void VDBannerView::slotDidReceiveAdView(VDSlot&, const std::shared_ptr<ui::View>& view) {
    setRootAdView(view);
}

void VDBannerView::tellDelegate(
    const std::function<void(VDBannerViewDelegate&, VDBannerView&)>& call) {
    VDRunSyncOnMainThread([&] {
        // A host that starts a new load, or lets the banner go, from inside its callback does
        // not free the banner or its slot under the call.
        auto self = sharedBanner();
        auto slot = slot_;
        if (auto delegate = this->delegate())
            call(*delegate, *self);
    });
}

void VDBannerView::slotFinishedLoadingAdContent(VDSlot&) {
    tellDelegate([](VDBannerViewDelegate& delegate, VDBannerView& view) {
        delegate.adViewDidReceiveAd(view);
    });
    hasLoadedAd_ = true;
}

void VDBannerView::slotDidFailToLoadAdContentWithError(VDSlot&, const base::Error& error) {
    auto self = sharedBanner();
    auto slot = slot_;
    tellDelegate([&](VDBannerViewDelegate& delegate, VDBannerView& view) {
        delegate.adViewDidFailToReceiveAdWithError(view, error);
    });
    // A failed banner tries again one refresh interval later.
    slot->scheduleAdReloadTimer();
}

void VDBannerView::slotWillPresentScreen(VDSlot&) {
    tellDelegate([](VDBannerViewDelegate& delegate, VDBannerView& view) {
        delegate.adViewWillPresentScreen(view);
    });
}

void VDBannerView::slotWillDismissScreen(VDSlot&) {
    tellDelegate([](VDBannerViewDelegate& delegate, VDBannerView& view) {
        delegate.adViewWillDismissScreen(view);
    });
}

void VDBannerView::slotDidDismissScreen(VDSlot&) {
    tellDelegate([](VDBannerViewDelegate& delegate, VDBannerView& view) {
        delegate.adViewDidDismissScreen(view);
    });
}

void VDBannerView::slotWillLeaveApplication(VDSlot&) {
    tellDelegate([](VDBannerViewDelegate& delegate, VDBannerView& view) {
        delegate.adViewWillLeaveApplication(view);
    });
}
