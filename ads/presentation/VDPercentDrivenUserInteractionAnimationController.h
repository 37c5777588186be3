#pragma once

#include "ads/presentation/VDPercentDrivenUserInteractionAnimationControllerDelegate.h"
#include "ads/presentation/VDViewControllerFullScreenSwipeAnimation.h"
#include "platform/ui/PanGestureRecognizer.h"

#include <memory>

// Drives a swipe animation with the user's finger: the transition follows the fraction of the
// container's height that the finger has pulled up, and when the finger lifts it either
// finishes (past half way, or flicked upwards) or goes back (otherwise, or when the touch is
// cancelled). Its delegate (held weakly) hears which, once, after the animation has run its
// course. Main thread only.
class VDPercentDrivenUserInteractionAnimationController
    : public std::enable_shared_from_this<VDPercentDrivenUserInteractionAnimationController> {
    struct Private {};

public:
    static constexpr double completionThreshold = 0.5;
    // Points per second upwards that finish the transition wherever the finger lifts.
    static constexpr double flickVelocity = 800;

    static std::shared_ptr<VDPercentDrivenUserInteractionAnimationController>
    createWithAnimationDelegate(
        std::shared_ptr<VDViewControllerFullScreenSwipeAnimation> animation,
        std::weak_ptr<VDPercentDrivenUserInteractionAnimationControllerDelegate> delegate);
    VDPercentDrivenUserInteractionAnimationController(
        Private, std::shared_ptr<VDViewControllerFullScreenSwipeAnimation> animation,
        std::weak_ptr<VDPercentDrivenUserInteractionAnimationControllerDelegate> delegate)
        : animation_(std::move(animation))
        , delegate_(std::move(delegate)) {}

    const std::shared_ptr<VDViewControllerFullScreenSwipeAnimation>& animation() const {
        return animation_;
    }
    double percentComplete() const { return animation_->progress(); }
    // Between startInteractiveTransition and the end of finishing or cancelling.
    bool isInteractive() const { return started_ && !ended_; }
    bool hasEnded() const { return ended_; }

    // False when the transition cannot start (its container has gone) or has already.
    bool startInteractiveTransition();
    void updateInteractiveTransition(double percentComplete);
    void finishInteractiveTransition();
    void cancelInteractiveTransition();

    // The pan that drives the transition: began starts it, each move updates it, the lift
    // finishes or cancels it.
    void handlePan(ui::PanGestureRecognizer& pan);

private:
    void end(bool finished);

    std::shared_ptr<VDViewControllerFullScreenSwipeAnimation> animation_;
    std::weak_ptr<VDPercentDrivenUserInteractionAnimationControllerDelegate> delegate_;
    bool started_ = false;
    bool ending_ = false;
    bool ended_ = false;
};
