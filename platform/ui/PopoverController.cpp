#include "platform/ui/PopoverController.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"

#include <utility>

namespace ui {

PopoverController::PopoverController(std::shared_ptr<ViewController> contentViewController)
    : content_(std::move(contentViewController)) {}

PopoverController::~PopoverController() {
    if (transitionTimer_)
        transitionTimer_->invalidate();
}

void PopoverController::setContentViewController(std::shared_ptr<ViewController> controller,
                                                 bool animated) {
    if (controller == content_)
        return;
    finishTransition();
    if (visible_ && content_) {
        content_->beginAppearanceTransition(false, animated);
        content_->endAppearanceTransition();
    }
    content_ = std::move(controller);
    if (visible_ && content_) {
        content_->view();
        content_->beginAppearanceTransition(true, animated);
        content_->endAppearanceTransition();
    }
}

Size PopoverController::popoverContentSize() const {
    if (contentSize_)
        return *contentSize_;
    if (content_ && content_->preferredContentSize() != Size())
        return content_->preferredContentSize();
    return defaultContentSize;
}

void PopoverController::setPopoverContentSize(Size size, bool animated) {
    (void)animated;
    contentSize_ = size;
}

void PopoverController::presentPopoverFromRectInView(const Rect& rect,
                                                     const std::shared_ptr<View>& view,
                                                     PopoverArrowDirection arrows, bool animated) {
    anchorItem_.reset();
    anchorView_ = view;
    anchorRect_ = rect;
    arrows_ = arrows;
    present(animated);
}

void PopoverController::presentPopoverFromBarButtonItem(const std::shared_ptr<BarButtonItem>& item,
                                                        PopoverArrowDirection arrows,
                                                        bool animated) {
    anchorView_.reset();
    anchorRect_.reset();
    anchorItem_ = item;
    arrows_ = arrows;
    present(animated);
}

void PopoverController::present(bool animated) {
    if (visible_)
        return; // moved to the new anchor, nothing else changes
    finishTransition();
    visible_ = true;
    Presentation::shared().add(shared_from_this());
    if (content_) {
        content_->view();
        content_->beginAppearanceTransition(true, animated);
    }
    auto content = content_;
    finish_ = [content] {
        if (content)
            content->endAppearanceTransition();
    };
    auto self = shared_from_this();
    // The timer is kept by the object it would otherwise keep alive: it holds it weakly.
    auto later = [weak = std::weak_ptr(self)] {
        if (auto strong = weak.lock())
            strong->finishTransition();
    };
    transitionTimer_ = base::RunLoop::main().dispatchAfter(
        base::Seconds(animated ? animationDuration : 0.0), later);
}

void PopoverController::finishTransition() {
    if (!finish_)
        return;
    auto finish = std::exchange(finish_, nullptr);
    if (auto timer = std::exchange(transitionTimer_, nullptr))
        timer->invalidate();
    finish();
}

void PopoverController::dismissPopoverAnimated(bool animated) {
    if (!visible_)
        return;
    finishTransition();
    visible_ = false;
    auto self = shared_from_this();
    if (content_)
        content_->beginAppearanceTransition(false, animated);
    auto content = content_;
    finish_ = [this, content] {
        Presentation::shared().remove(this);
        if (content)
            content->endAppearanceTransition();
    };
    // The timer is kept by the object it would otherwise keep alive: it holds it weakly.
    auto later = [weak = std::weak_ptr(self)] {
        if (auto strong = weak.lock())
            strong->finishTransition();
    };
    transitionTimer_ = base::RunLoop::main().dispatchAfter(
        base::Seconds(animated ? animationDuration : 0.0), later);
}

bool PopoverController::dismissByUser() {
    if (!visible_)
        return false;
    auto self = shared_from_this();
    auto delegate = delegate_.lock();
    if (delegate && !delegate->popoverControllerShouldDismissPopover(*this))
        return false;
    dismissPopoverAnimated(true);
    finishTransition();
    if (delegate)
        delegate->popoverControllerDidDismissPopover(*this);
    return true;
}

} // namespace ui
