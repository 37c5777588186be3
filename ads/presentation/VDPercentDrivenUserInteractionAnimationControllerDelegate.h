#pragma once

class VDPercentDrivenUserInteractionAnimationController;

// Who hears how an interactive swipe transition ended (the slot whose ad was swiped). Main
// thread.
class VDPercentDrivenUserInteractionAnimationControllerDelegate {
public:
    virtual ~VDPercentDrivenUserInteractionAnimationControllerDelegate() = default;

    // The screen came in completely.
    virtual void animationControllerDidFinishAnimationTransition(
        VDPercentDrivenUserInteractionAnimationController& controller) = 0;
    // The screen went back where it came from.
    virtual void animationControllerDidCancelAnimationTransition(
        VDPercentDrivenUserInteractionAnimationController& controller) = 0;
};
