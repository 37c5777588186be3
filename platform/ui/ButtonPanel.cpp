#include "platform/ui/ButtonPanel.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Presentation.h"

#include <stdexcept>

namespace ui {

ButtonPanel::ButtonPanel(std::string title)
    : title_(std::move(title))
    , titleLabel_(Label::create()) {
    titleLabel_->setText(title_);
    setBackgroundColor(Color::fromWhite(0.97));
}

ButtonPanel::~ButtonPanel() {
    if (presentTimer_)
        presentTimer_->invalidate();
}

void ButtonPanel::setTitle(std::string title) {
    title_ = std::move(title);
    titleLabel_->setText(title_);
    setNeedsLayout();
}

void ButtonPanel::setFrameIfMoved(const Rect& frame) {
    if (bounds().size != frame.size || center() != frame.center())
        setFrame(frame);
}

std::int64_t ButtonPanel::addButtonWithTitle(std::string title) {
    buttonTitles_.push_back(std::move(title));
    rebuildButtonViews();
    return numberOfButtons() - 1;
}

const std::string& ButtonPanel::buttonTitleAtIndex(std::int64_t index) const {
    if (index < 0 || index >= numberOfButtons())
        throw std::out_of_range("no button at index " + std::to_string(index));
    return buttonTitles_[std::size_t(index)];
}

void ButtonPanel::rebuildButtonViews() {
    for (auto& button : buttonViews_)
        button->removeFromSuperview();
    buttonViews_.clear();
    if (weak_from_this().expired())
        return; // not yet owned: built again when shown
    std::weak_ptr<View> weakSelf = weak_from_this();
    for (std::size_t i = 0; i < buttonTitles_.size(); ++i) {
        auto button = Button::create(ButtonType::System);
        button->setTitle(buttonTitles_[i], ControlStateNormal);
        button->setTag(std::int64_t(i));
        button->addAction(
            this, "buttonTapped",
            [weakSelf, i](Control&, const Event*) {
                if (auto self = std::static_pointer_cast<ButtonPanel>(weakSelf.lock()))
                    self->tapButton(std::int64_t(i));
            },
            ControlEventTouchUpInside);
        addSubview(button);
        buttonViews_.push_back(button);
    }
    setNeedsLayout();
}

void ButtonPanel::present() {
    if (visible_)
        return;
    auto self = std::static_pointer_cast<ButtonPanel>(shared_from_this());
    if (buttonViews_.size() != buttonTitles_.size())
        rebuildButtonViews();
    visible_ = true;
    registerShown();
    notifyWillPresent();
    setNeedsLayout();
    layoutIfNeeded();
    // The timer is kept by the object it would otherwise keep alive: it holds it weakly.
    auto later = [weak = std::weak_ptr(self)] {
        if (auto strong = weak.lock())
            strong->finishPresenting();
    };
    presentTimer_ = base::RunLoop::main().dispatchAfter(base::Seconds(animationDuration), later);
}

void ButtonPanel::finishPresenting() {
    if (!presentTimer_)
        return;
    presentTimer_->invalidate();
    presentTimer_.reset();
    notifyDidPresent();
}

bool ButtonPanel::tapButton(std::int64_t index) {
    if (!visible_ || dismissing_ || index < 0 || index >= numberOfButtons())
        return false;
    auto self = shared_from_this();
    finishPresenting();
    notifyClicked(index);
    dismiss(index, true);
    return true;
}

void ButtonPanel::dismissWithClickedButtonIndex(std::int64_t index, bool animated) {
    dismiss(index, animated);
}

void ButtonPanel::dismiss(std::int64_t index, bool animated) {
    if (!visible_ || dismissing_)
        return;
    auto self = std::static_pointer_cast<ButtonPanel>(shared_from_this());
    finishPresenting();
    dismissing_ = true;
    notifyWillDismiss(index);
    auto finish = [self, index] {
        self->visible_ = false;
        self->dismissing_ = false;
        self->removeFromSuperview();
        Presentation::shared().remove(self.get());
        self->notifyDidDismiss(index);
    };
    if (animated)
        base::RunLoop::main().dispatchAfter(base::Seconds(animationDuration), finish);
    else
        finish();
}

void ButtonPanel::cancel() {
    if (!visible_ || dismissing_)
        return;
    auto self = shared_from_this();
    if (notifyCancel()) {
        // The delegate dealt with it; the panel goes away without reporting a button.
        dismiss(cancelButtonIndex_, false);
        return;
    }
    if (cancelButtonIndex_ >= 0 && cancelButtonIndex_ < numberOfButtons())
        tapButton(cancelButtonIndex_);
    else
        dismiss(cancelButtonIndex_, false);
}

} // namespace ui
