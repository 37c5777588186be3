#include "ads/request/VDInterstitial.h"

#include "ads/foundation/VDLogger.h"
#include "ads/foundation/VDMainThread.h"
#include "ads/foundation/VDViewUtilities.h"
#include "ads/request/VDRequestError.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Screen.h"

std::shared_ptr<VDInterstitial> VDInterstitial::create() {
    base::assertMainThread();
    auto interstitial = std::make_shared<VDInterstitial>(Private{});
    interstitial->commonInit();
    return interstitial;
}

std::shared_ptr<VDInterstitial>
VDInterstitial::createWithAdUnitID(std::optional<std::string> adUnitID) {
    auto interstitial = create();
    interstitial->setAdUnitID(std::move(adUnitID));
    return interstitial;
}

VDInterstitial::VDInterstitial(Private) {}

void VDInterstitial::commonInit() {
    auto self = shared_from_this();
    slot_ = VDSlot::create(ui::Screen::mainScreen().bounds());
    slot_->setInterstitial(self);
    slot_->setSlotDelegate(self);
    slot_->setAdEventDelegate(self);
    slot_->adView()->configureAsInterstitialAdView();
    viewController_ = VDInterstitialViewController::createWithSlot(slot_);
    // What a click on the ad opens comes up over the interstitial's own screen.
    slot_->adView()->setViewController(viewController_);
}

VDInterstitial::~VDInterstitial() {
    if (!slot_)
        return;
    slot_->finishActiveViewReporting();
    if (const auto& adView = slot_->adView())
        adView->setViewController({});
    slot_->setInterstitial(nullptr);
    slot_->cancelPendingAndFutureActions();
}

void VDInterstitial::loadRequest(const std::shared_ptr<VDRequest>& request) {
    auto self = shared_from_this();
    if (hasBeenUsed_) {
        sendInterstitialError(
            VDRequestError(VDRequestError::kVDErrorInterstitialAlreadyUsed, request.get()));
        return;
    }
    auto slot = slot_;
    slot->loadRequest(request);
}

bool VDInterstitial::isReady() const {
    return !hasBeenUsed_ && slot_->state() == VDSlot::StateValidAd;
}

bool VDInterstitial::presentFromRootViewController(
    const std::shared_ptr<ui::ViewController>& controller) {
    base::assertMainThread();
    auto self = shared_from_this();
    if (hasBeenUsed_) {
        sendInterstitialError(VDRequestError(VDRequestError::kVDErrorInterstitialAlreadyUsed));
        return false;
    }
    if (!isReady()) {
        VDLogger::sharedInstance()->logPublicMessage(notReadyMessage);
        return false;
    }
    if (!controller) {
        VDLogger::sharedInstance()->logPublicMessage(
            "Cannot present interstitial without a view controller to present it from.");
        return false;
    }
    if (auto shown = controller->presentedViewController()) {
        VDLogger::sharedInstance()->logPublicMessage("Cannot present interstitial while " +
                                                     shown->className() +
                                                     " is presented over the view controller.");
        return false;
    }
    auto slot = slot_;
    auto screen = viewController_;
    rootViewController_ = controller;
    if (const auto& ad = slot->ad()) {
        screen->setAdStatistics(ad->statistics());
        screen->setSupportedOrientations(ad->supportedOrientations());
    }
    screen->setAdContentView(adContentView_);
    slot->setIntermission(screen->intermission());
    hasBeenUsed_ = true;
    slot->didMakeAdImpression();
    controller->presentViewController(screen, true);
    return true;
}

void VDInterstitial::cancel() {
    auto self = shared_from_this();
    slot_->cancelPendingAndFutureActions();
}

void VDInterstitial::sendInterstitialError(const base::Error& error) {
    VDLogger::sharedInstance()->logPublicMessage(error.localizedDescription());
    tellDelegate([&](VDInterstitialDelegate& delegate, VDInterstitial& interstitial) {
        delegate.interstitialDidFailToReceiveAdWithError(interstitial, error);
    });
}

void VDInterstitial::tellDelegate(
    const std::function<void(VDInterstitialDelegate&, VDInterstitial&)>& call) {
    VDRunSyncOnMainThread([&] {
        // A host that lets the interstitial go from inside its callback does not free it or
        // its slot under the call.
        auto self = shared_from_this();
        auto slot = slot_;
        if (auto delegate = this->delegate())
            call(*delegate, *self);
    });
}

std::optional<bool> VDInterstitial::slotShouldLoadRequest(VDSlot&, const VDRequest&) {
    return !hasBeenUsed_;
}

std::optional<bool> VDInterstitial::slotShouldReloadCurrentRequest(VDSlot&) {
    return false;
}

std::optional<base::Value::Dictionary>
VDInterstitial::coordinatesOfContentInScreen(const ui::Screen& screen) const {
    const auto& adView = slot_->adView();
    if (!adView)
        return std::nullopt;
    return VDViewUtilities::positionOfViewInScreen(*adView, screen);
}

void VDInterstitial::slotDidReceiveAdView(VDSlot&, const std::shared_ptr<ui::View>& view) {
    adContentView_ = view;
    if (hasBeenUsed_ && viewController_)
        viewController_->setAdContentView(view);
}

void VDInterstitial::slotDidReceiveAdClick(VDSlot&) {
    tellDelegate([](VDInterstitialDelegate& delegate, VDInterstitial& interstitial) {
        delegate.interstitialDidReceiveAdClick(interstitial);
    });
}

void VDInterstitial::slotFinishedLoadingAdContent(VDSlot&) {
    tellDelegate([](VDInterstitialDelegate& delegate, VDInterstitial& interstitial) {
        delegate.interstitialDidReceiveAd(interstitial);
    });
}

void VDInterstitial::slotDidFailToLoadAdContentWithError(VDSlot&, const base::Error& error) {
    tellDelegate([&](VDInterstitialDelegate& delegate, VDInterstitial& interstitial) {
        delegate.interstitialDidFailToReceiveAdWithError(interstitial, error);
    });
}

void VDInterstitial::slotWillPresentScreen(VDSlot&) {
    tellDelegate([](VDInterstitialDelegate& delegate, VDInterstitial& interstitial) {
        delegate.interstitialWillPresentScreen(interstitial);
    });
}

void VDInterstitial::slotWillDismissScreen(VDSlot&) {
    tellDelegate([](VDInterstitialDelegate& delegate, VDInterstitial& interstitial) {
        delegate.interstitialWillDismissScreen(interstitial);
    });
}

void VDInterstitial::slotDidDismissScreen(VDSlot&) {
    auto self = shared_from_this();
    auto slot = slot_;
    // A landing page that a click opened over the interstitial has gone; its own screen is
    // still up.
    const bool ownScreenGone = !viewController_ || viewController_->isBeingDismissed() ||
                               !viewController_->presentingViewController();
    if (ownScreenGone && hasBeenUsed_) {
        slot->finishActiveViewReporting();
        slot->invalidate();
        viewController_.reset();
        adContentView_.reset();
        rootViewController_.reset();
    }
    tellDelegate([](VDInterstitialDelegate& delegate, VDInterstitial& interstitial) {
        delegate.interstitialDidDismissScreen(interstitial);
    });
}

void VDInterstitial::slotWillLeaveApplication(VDSlot&) {
    tellDelegate([](VDInterstitialDelegate& delegate, VDInterstitial& interstitial) {
        delegate.interstitialWillLeaveApplication(interstitial);
    });
}
