#include "ads/foundation/VDActiveViewMonitor.h"
#include "ads/foundation/VDGeometry.h"
#include "ads/foundation/VDScheduler.h"
#include "ads/presentation/VDPercentDrivenUserInteractionAnimationController.h"
#include "ads/presentation/VDSwipeToViewControllerConfigurations.h"
#include "ads/presentation/VDViewControllerFullScreenSwipeAnimation.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/request/VDSlot.h"
#include "ads/webview/VDNotificationCenter.h"
#include "platform/base/DispatchQueue.h"
#include "platform/ui/Application.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/ProductSheet.h"
#include "platform/ui/Window.h"

namespace {

// The server's sampling interval of the check, when it sets none: a repeating timer at the
// scheduler's floor would keep the program busy for nothing.
constexpr double defaultSwipeCheckInterval = 1.0;

// Whether the view is in a window and neither it nor anything it lies in is hidden.
bool isShown(const ui::View& view) {
    if (!view.window())
        return false;
    for (const ui::View* on = &view; on; on = on->superviewPointer())
        if (on->isHidden() || on->alpha() < 0.01)
            return false;
    return true;
}

} // namespace

void VDSlot::scheduleSwipeToViewControllerChecker() {
    unscheduleSwipeToViewControllerChecker();
    if (!ad_ || !ad_->swipeToViewControllerConfigurations())
        return;
    double interval = VDSDKCoreController::sharedInstance()->swipeToViewSamplingInterval();
    if (!(interval > 0))
        interval = defaultSwipeCheckInterval;
    swipeToViewControllerChecker_ = VDScheduler::createWithInterval(base::Seconds(interval));
    swipeToViewControllerCheckerTaskID_ =
        swipeToViewControllerChecker_->taskIDScheduledOnQueueBlock(
            base::mainQueue(), [weakSelf = weak_from_this()] {
                if (auto self = weakSelf.lock())
                    self->checkSwipeToViewController();
            });
    swipeToViewControllerChecker_->start();
    // The creative has just loaded: the swipe is offered now, not a sampling interval later.
    checkSwipeToViewController();
}

void VDSlot::setSwipeToViewControllerEnabled(bool enabled) {
    if (enabled)
        scheduleSwipeToViewControllerChecker();
    else
        disableSwipeToViewController();
}

void VDSlot::unscheduleSwipeToViewControllerChecker() {
    if (auto checker = std::move(swipeToViewControllerChecker_)) {
        checker->unscheduleTaskWithID(swipeToViewControllerCheckerTaskID_);
        checker->stop();
    }
    swipeToViewControllerCheckerTaskID_ = 0;
    savedParamsForCheckingSwipeToViewController_.clear();
}

void VDSlot::checkSwipeToViewController() {
    // A swipe under way is left alone until it ends.
    if (animationController_ && !animationController_->hasEnded())
        return;
    const auto configurations = ad_ ? ad_->swipeToViewControllerConfigurations() : nullptr;
    const auto delegate = slotDelegate();
    const auto view = delegate ? delegate->swipeToViewControllerView() : nullptr;
    const auto root = delegate ? delegate->rootViewController() : nullptr;
    // Where the ad is seen; the application's activity does not matter here.
    const ui::Rect visibleRect = VDActiveViewMonitor::visibleBoundsOfView(adView_).first;
    const bool possible =
        configurations && view && root && adView_ && isShown(*adView_) && !visibleRect.isEmpty() &&
        isShown(*view) && !root->presentedViewController() && configurations->appStoreProductID() &&
        !configurations->swipeableRectangles().empty() && state_ != StateInvalidated;
    base::Value::Dictionary params;
    params["possible"] = base::Value(possible);
    params["visible_rect"] = base::Value(VDDictionaryFromCGRect(visibleRect));
    if (params == savedParamsForCheckingSwipeToViewController_)
        return;
    savedParamsForCheckingSwipeToViewController_ = std::move(params);
    if (possible)
        enableSwipeToViewController(view, *configurations);
    else
        disableSwipeToViewController();
}

void VDSlot::enableSwipeToViewController(
    const std::shared_ptr<ui::View>& view,
    const VDSwipeToViewControllerConfigurations& configurations) {
    if (!swipeableStoreProductViewController_) {
        // Loaded ahead, so that the page is ready when the finger pulls it in.
        auto sheet = ui::ProductSheet::create();
        sheet->loadProductWithParameters({{ui::ProductSheet::parameterITunesItemIdentifier,
                                           *configurations.appStoreProductID()}});
        if (!sheet->productIdentifier())
            return;
        swipeableStoreProductViewController_ = std::move(sheet);
    }
    if (!swipeGestureRecognizer_) {
        swipeGestureRecognizer_ =
            ui::PanGestureRecognizer::create([weakSelf = weak_from_this()](auto& pan) {
                if (auto self = weakSelf.lock())
                    self->swipeGestureRecognizerDidPan(pan);
            });
        swipeGestureRecognizer_->setShouldReceiveTouch(
            [weakSelf = weak_from_this()](const ui::Touch& touch) {
                auto self = weakSelf.lock();
                return self && self->isInSwipeableRectangle(touch);
            });
    }
    if (swipeGestureRecognizer_->view() != view)
        view->addGestureRecognizer(swipeGestureRecognizer_);
    swipeToViewControllerEnabled_ = true;
}

void VDSlot::disableSwipeToViewController() {
    if (animationController_ && animationController_->isInteractive())
        animationController_->cancelInteractiveTransition();
    if (auto pan = std::move(swipeGestureRecognizer_))
        if (auto view = pan->view())
            view->removeGestureRecognizer(pan.get());
    swipeToViewControllerEnabled_ = false;
}

bool VDSlot::isInSwipeableRectangle(const ui::Touch& touch) const {
    if (!swipeToViewControllerEnabled_ || !adView_ || !ad_)
        return false;
    const auto configurations = ad_->swipeToViewControllerConfigurations();
    if (!configurations)
        return false;
    // The rectangles are the creative's: in the ad view's coordinates.
    const ui::Point point = touch.locationInView(adView_.get());
    for (const auto& rectangle : configurations->swipeableRectangles())
        if (rectangle.containsPoint(point))
            return true;
    return false;
}

void VDSlot::swipeGestureRecognizerDidPan(ui::PanGestureRecognizer& pan) {
    if (pan.state() == ui::GestureRecognizerState::Began) {
        const auto delegate = slotDelegate();
        const auto root = delegate ? delegate->rootViewController() : nullptr;
        const auto view = pan.view();
        const auto window = view ? view->window() : nullptr;
        if (!swipeableStoreProductViewController_ || !root || root->presentedViewController() ||
            !window || (animationController_ && !animationController_->hasEnded()))
            return;
        animation_ = VDViewControllerFullScreenSwipeAnimation::createWithViewControllerInView(
            swipeableStoreProductViewController_, window);
        animationController_ =
            VDPercentDrivenUserInteractionAnimationController::createWithAnimationDelegate(
                animation_, weak_from_this());
        swipeToViewControllerAnimationControllerInitialized_ = true;
        strongSlotForSwipeToViewController_ = shared_from_this();
    }
    if (animationController_ && !animationController_->hasEnded())
        animationController_->handlePan(pan);
}

void VDSlot::postSwipeEvent(const std::string& name) {
    if (!adView_)
        return;
    const auto configurations = ad_ ? ad_->swipeToViewControllerConfigurations() : nullptr;
    VDNotificationCenter::defaultCenter().postJSNotificationAdViewUserInfo(
        name, *adView_,
        configurations ? configurations->swipeEventCreativeMetadata() : base::Value::Dictionary());
}

void VDSlot::animationControllerDidFinishAnimationTransition(
    VDPercentDrivenUserInteractionAnimationController& controller) {
    if (&controller != animationController_.get())
        return;
    postSwipeEvent("onSwipeableViewControllerPresentationFinished");
    auto sheet = std::move(swipeableStoreProductViewController_);
    animation_.reset();
    animationController_.reset();
    // Shown as a takeover; the slot holds itself until that ends (adDidDismissScreen).
    if (!sheet || !opener_->presentProductSheet(sheet)) {
        if (sheet)
            sheet->view()->removeFromSuperview();
        const auto keepUntilReturn = std::move(strongSlotForSwipeToViewController_);
        return;
    }
    // The sheet is up: the next check sees it and takes the pan away until it has gone.
    checkSwipeToViewController();
}

void VDSlot::animationControllerDidCancelAnimationTransition(
    VDPercentDrivenUserInteractionAnimationController& controller) {
    if (&controller != animationController_.get())
        return;
    postSwipeEvent("onSwipeableViewControllerPresentationCanceled");
    animation_.reset();
    animationController_.reset();
    const auto keepUntilReturn = std::move(strongSlotForSwipeToViewController_);
}
