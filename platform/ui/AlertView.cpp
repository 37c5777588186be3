#include "platform/ui/AlertView.h"

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TextField.h"

#include <stdexcept>

namespace ui {

namespace {

constexpr double alertWidth = 270;
constexpr double margin = 16;
constexpr double rowHeight = 44;

} // namespace

AlertView::AlertView(std::string title, std::string message,
                     std::weak_ptr<AlertViewDelegate> delegate,
                     std::optional<std::string> cancelButtonTitle,
                     std::vector<std::string> otherButtonTitles)
    : ButtonPanel(std::move(title))
    , message_(std::move(message))
    , delegate_(std::move(delegate))
    , background_(ImageView::create())

    , messageLabel_(Label::create()) {
    if (cancelButtonTitle) {
        addButtonWithTitle(std::move(*cancelButtonTitle));
        setCancelButtonIndex(0);
    }
    for (auto& other : otherButtonTitles)
        addButtonWithTitle(std::move(other));
    titleLabel()->setFont(Font::boldSystemFont(17));
    titleLabel()->setTextAlignment(TextAlignment::Center);
    messageLabel_->setText(message_);
    messageLabel_->setFont(Font::systemFont(13));
    messageLabel_->setTextAlignment(TextAlignment::Center);
    messageLabel_->setNumberOfLines(0);
    layer().cornerRadius = 7;
}

std::shared_ptr<AlertView> AlertView::create(std::string title, std::string message,
                                             std::weak_ptr<AlertViewDelegate> delegate,
                                             std::optional<std::string> cancelButtonTitle,
                                             std::vector<std::string> otherButtonTitles) {
    auto alert =
        std::make_shared<AlertView>(std::move(title), std::move(message), std::move(delegate),
                                    std::move(cancelButtonTitle), std::move(otherButtonTitles));
    alert->buildContent();
    return alert;
}

void AlertView::buildContent() {
    if (background_->superview())
        return;
    insertSubviewAtIndex(background_, 0);
    insertSubviewAtIndex(titleLabel(), 1);
    insertSubviewAtIndex(messageLabel_, 2);
    rebuildButtonViews();
    for (auto& field : textFields_)
        addSubview(field);
}

void AlertView::setMessage(std::string message) {
    message_ = std::move(message);
    messageLabel_->setText(message_);
    setNeedsLayout();
}

std::int64_t AlertView::firstOtherButtonIndex() const {
    const std::int64_t first = cancelButtonIndex() == 0 ? 1 : 0;
    return first < numberOfButtons() ? first : -1;
}

void AlertView::setAlertViewStyle(AlertViewStyle style) {
    style_ = style;
    for (auto& field : textFields_)
        field->removeFromSuperview();
    textFields_.clear();
    std::size_t count = 0;
    switch (style) {
    case AlertViewStyle::Default:
        break;
    case AlertViewStyle::SecureTextInput:
    case AlertViewStyle::PlainTextInput:
        count = 1;
        break;
    case AlertViewStyle::LoginAndPasswordInput:
        count = 2;
        break;
    }
    for (std::size_t i = 0; i < count; ++i) {
        auto field = std::make_shared<TextField>();
        field->setBorderStyle(TextBorderStyle::Line);
        const bool secure = style == AlertViewStyle::SecureTextInput ||
                            (style == AlertViewStyle::LoginAndPasswordInput && i == 1);
        field->setSecureTextEntry(secure);
        if (style == AlertViewStyle::LoginAndPasswordInput)
            field->setPlaceholder(i == 0 ? "Login" : "Password");
        textFields_.push_back(field);
        if (background_->superview())
            addSubview(field);
    }
    setNeedsLayout();
}

std::shared_ptr<TextField> AlertView::textFieldAtIndex(std::int64_t index) const {
    if (index < 0 || index >= std::int64_t(textFields_.size()))
        throw std::out_of_range("the alert has no text field at index " + std::to_string(index));
    return textFields_[std::size_t(index)];
}

void AlertView::show() {
    buildContent();
    present();
}

void AlertView::layoutSubviews() {
    double y = margin;
    const double inner = alertWidth - 2 * margin;
    titleLabel()->setFrame(Rect(margin, y, inner, titleLabel()->font().lineHeight()));
    y += titleLabel()->frame().height() + 4;
    const Size messageSize = messageLabel_->sizeThatFits(Size(inner, 10000));
    messageLabel_->setFrame(Rect(margin, y, inner, message_.empty() ? 0 : messageSize.height));
    y += messageLabel_->frame().height() + margin;
    for (auto& field : textFields_) {
        field->setFrame(Rect(margin, y, inner, 24));
        y += 28;
    }
    const auto& buttons = buttonViews();
    const bool sideBySide = buttons.size() == 2;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (sideBySide)
            buttons[i]->setFrame(Rect(i * alertWidth / 2, y, alertWidth / 2, rowHeight));
        else
            buttons[i]->setFrame(Rect(0, y + i * rowHeight, alertWidth, rowHeight));
    }
    y += sideBySide ? rowHeight : rowHeight * double(buttons.size());
    const Rect screen = Screen::mainScreen().bounds();
    const Rect frame(screen.midX() - alertWidth / 2, screen.midY() - y / 2, alertWidth, y);
    setFrameIfMoved(frame);
    background_->setFrame(bounds());
}

void AlertView::notifyClicked(std::int64_t index) {
    if (auto delegate = delegate_.lock())
        delegate->alertViewClickedButtonAtIndex(*this, index);
}

void AlertView::notifyWillPresent() {
    if (auto delegate = delegate_.lock())
        delegate->willPresentAlertView(*this);
}

void AlertView::notifyDidPresent() {
    if (auto delegate = delegate_.lock())
        delegate->didPresentAlertView(*this);
}

void AlertView::notifyWillDismiss(std::int64_t index) {
    if (auto delegate = delegate_.lock())
        delegate->alertViewWillDismissWithButtonIndex(*this, index);
}

void AlertView::notifyDidDismiss(std::int64_t index) {
    if (auto delegate = delegate_.lock())
        delegate->alertViewDidDismissWithButtonIndex(*this, index);
}

bool AlertView::notifyCancel() {
    auto delegate = delegate_.lock();
    if (!delegate || !delegate->respondsToAlertViewCancel())
        return false;
    delegate->alertViewCancel(*this);
    return true;
}

void AlertView::registerShown() {
    Presentation::shared().add(std::static_pointer_cast<AlertView>(shared_from_this()));
}

} // namespace ui
