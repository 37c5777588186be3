#include "ads/presentation/VDViewControllerFullScreenSwipeAnimation.h"

#include <algorithm>
#include <cmath>
#include <utility>

std::shared_ptr<VDViewControllerFullScreenSwipeAnimation>
VDViewControllerFullScreenSwipeAnimation::createWithViewControllerInView(
    std::shared_ptr<ui::ViewController> controller, std::shared_ptr<ui::View> container) {
    if (!controller || !container)
        return nullptr;
    return std::make_shared<VDViewControllerFullScreenSwipeAnimation>(
        Private{}, std::move(controller), std::move(container));
}

VDViewControllerFullScreenSwipeAnimation::~VDViewControllerFullScreenSwipeAnimation() {
    // An animation dropped half-way leaves no stray screen over the window.
    if (begun_ && !controller_->presentingViewController())
        controller_->view()->removeFromSuperview();
}

ui::Rect VDViewControllerFullScreenSwipeAnimation::frameAt(double progress) const {
    auto container = container_.lock();
    const ui::Rect bounds = container ? container->bounds() : ui::Rect();
    return ui::Rect(bounds.origin.x, bounds.origin.y + bounds.size.height * (1 - progress),
                    bounds.size.width, bounds.size.height);
}

bool VDViewControllerFullScreenSwipeAnimation::begin() {
    auto container = container_.lock();
    if (!container)
        return false;
    const auto& view = controller_->view();
    progress_ = 0;
    view->setFrame(frameAt(0));
    container->addSubview(view);
    begun_ = true;
    return true;
}

void VDViewControllerFullScreenSwipeAnimation::setProgress(double progress) {
    if (!begun_)
        return;
    progress_ = std::clamp(progress, 0.0, 1.0);
    controller_->view()->setFrame(frameAt(progress_));
}

void VDViewControllerFullScreenSwipeAnimation::finish(std::function<void()> completion) {
    animateTo(1, false, std::move(completion));
}

void VDViewControllerFullScreenSwipeAnimation::cancel(std::function<void()> completion) {
    animateTo(0, true, std::move(completion));
}

void VDViewControllerFullScreenSwipeAnimation::animateTo(double progress, bool removeAfter,
                                                         std::function<void()> completion) {
    const bool begun = std::exchange(begun_, false);
    const double seconds = begun ? duration * std::abs(progress - progress_) : 0;
    progress_ = progress;
    const ui::Rect frame = frameAt(progress);
    const auto controller = controller_;
    ui::View::animate(
        seconds, 0, ui::ViewAnimationOptionCurveEaseOut,
        [&] {
            if (begun)
                controller->view()->setFrame(frame);
        },
        [controller, removeAfter, completion = std::move(completion)](bool) {
            if (removeAfter && !controller->presentingViewController())
                controller->view()->removeFromSuperview();
            if (completion)
                completion();
        });
}
