#include "ads/presentation/VDPercentDrivenUserInteractionAnimationController.h"

#include <algorithm>

std::shared_ptr<VDPercentDrivenUserInteractionAnimationController>
VDPercentDrivenUserInteractionAnimationController::createWithAnimationDelegate(
    std::shared_ptr<VDViewControllerFullScreenSwipeAnimation> animation,
    std::weak_ptr<VDPercentDrivenUserInteractionAnimationControllerDelegate> delegate) {
    if (!animation)
        return nullptr;
    return std::make_shared<VDPercentDrivenUserInteractionAnimationController>(
        Private{}, std::move(animation), std::move(delegate));
}

bool VDPercentDrivenUserInteractionAnimationController::startInteractiveTransition() {
    if (started_ || !animation_->begin())
        return false;
    started_ = true;
    return true;
}

void VDPercentDrivenUserInteractionAnimationController::updateInteractiveTransition(
    double percentComplete) {
    if (isInteractive() && !ending_)
        animation_->setProgress(percentComplete);
}

void VDPercentDrivenUserInteractionAnimationController::finishInteractiveTransition() {
    end(true);
}

void VDPercentDrivenUserInteractionAnimationController::cancelInteractiveTransition() {
    end(false);
}

void VDPercentDrivenUserInteractionAnimationController::end(bool finished) {
    if (!isInteractive() || ending_)
        return;
    ending_ = true;
    auto done = [self = shared_from_this(), finished] {
        self->ended_ = true;
        auto delegate = self->delegate_.lock();
        if (!delegate)
            return;
        if (finished)
            delegate->animationControllerDidFinishAnimationTransition(*self);
        else
            delegate->animationControllerDidCancelAnimationTransition(*self);
    };
    if (finished)
        animation_->finish(std::move(done));
    else
        animation_->cancel(std::move(done));
}

void VDPercentDrivenUserInteractionAnimationController::handlePan(ui::PanGestureRecognizer& pan) {
    const auto container = animation_->containerView();
    const double height = container ? container->bounds().size.height : 0;
    const double pulled = height > 0 ? -pan.translationInView(container.get()).y / height : 0;
    switch (pan.state()) {
    case ui::GestureRecognizerState::Began:
        if (!started_)
            startInteractiveTransition();
        updateInteractiveTransition(pulled);
        break;
    case ui::GestureRecognizerState::Changed:
        updateInteractiveTransition(pulled);
        break;
    case ui::GestureRecognizerState::Ended: {
        updateInteractiveTransition(pulled);
        const double upwards = -pan.velocityInView(container.get()).y;
        if (percentComplete() >= completionThreshold ||
            (upwards >= flickVelocity && percentComplete() > 0))
            finishInteractiveTransition();
        else
            cancelInteractiveTransition();
        break;
    }
    case ui::GestureRecognizerState::Cancelled:
    case ui::GestureRecognizerState::Failed:
        cancelInteractiveTransition();
        break;
    case ui::GestureRecognizerState::Possible:
        break;
    }
}
