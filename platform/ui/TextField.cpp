#include "platform/ui/TextField.h"

#include "platform/base/NotificationCenter.h"
#include "platform/base/Strings.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace ui {

namespace {

void postFieldNotification(const char* name, TextField& field) {
    base::NotificationCenter::defaultCenter().post(name, field.weak_from_this().lock());
}

} // namespace

TextField::TextField(const Rect& frame)
    : Control(frame) {}

void TextField::setText(std::string text) {
    text_ = std::move(text);
    const std::size_t length = base::utf16Length(text_);
    selection_ = TextRange{length, 0};
    setNeedsDisplay();
}

void TextField::setLeftView(std::shared_ptr<View> view) {
    if (leftView_ && leftView_->superviewPointer() == this)
        leftView_->removeFromSuperview();
    leftView_ = std::move(view);
    updateOverlayViews();
}

void TextField::setLeftViewMode(TextFieldViewMode mode) {
    leftViewMode_ = mode;
    updateOverlayViews();
}

void TextField::setRightView(std::shared_ptr<View> view) {
    if (rightView_ && rightView_->superviewPointer() == this)
        rightView_->removeFromSuperview();
    rightView_ = std::move(view);
    updateOverlayViews();
}

void TextField::setRightViewMode(TextFieldViewMode mode) {
    rightViewMode_ = mode;
    updateOverlayViews();
}

bool TextField::modeShows(TextFieldViewMode mode, bool editing) {
    switch (mode) {
    case TextFieldViewMode::Never:
        return false;
    case TextFieldViewMode::WhileEditing:
        return editing;
    case TextFieldViewMode::UnlessEditing:
        return !editing;
    case TextFieldViewMode::Always:
        return true;
    }
    return false;
}

bool TextField::isLeftViewShown() const {
    return leftView_ && modeShows(leftViewMode_, editing_);
}

bool TextField::isRightViewShown() const {
    return rightView_ && modeShows(rightViewMode_, editing_);
}

Rect TextField::textRectForBounds(Rect bounds) const {
    double left = bounds.minX();
    double right = bounds.maxX();
    if (isLeftViewShown())
        left += leftView_->frame().width();
    if (isRightViewShown())
        right -= rightView_->frame().width();
    return Rect(left, bounds.minY(), std::max(0.0, right - left), bounds.height());
}

bool TextField::isClearButtonShown() const {
    return !text_.empty() && modeShows(clearButtonMode_, editing_);
}

void TextField::updateOverlayViews() {
    for (auto [view, shown] :
         {std::pair{leftView_, isLeftViewShown()}, std::pair{rightView_, isRightViewShown()}}) {
        if (!view)
            continue;
        if (shown && view->superviewPointer() != this)
            addSubview(view);
        else if (!shown && view->superviewPointer() == this)
            view->removeFromSuperview();
    }
    layoutSubviews();
}

void TextField::layoutSubviews() {
    const Rect b = bounds();
    if (leftView_ && isLeftViewShown()) {
        const Rect f = leftView_->frame();
        leftView_->setFrame(Rect(b.minX(), b.midY() - f.height() / 2, f.width(), f.height()));
    }
    if (rightView_ && isRightViewShown()) {
        const Rect f = rightView_->frame();
        rightView_->setFrame(
            Rect(b.maxX() - f.width(), b.midY() - f.height() / 2, f.width(), f.height()));
    }
}

Size TextField::sizeThatFits(Size size) const {
    return Size(size.width, std::max(Label::measure("X", font_).height, 30.0));
}

bool TextField::canBecomeFirstResponder() const {
    return isEnabled();
}

bool TextField::becomeFirstResponder() {
    if (isFirstResponder())
        return true;
    if (!canBecomeFirstResponder() || !window())
        return false;
    const auto keep = weak_from_this().lock();
    const auto delegate = delegate_.lock();
    if (delegate && !delegate->textFieldShouldBeginEditing(*this))
        return false;
    if (!Control::becomeFirstResponder())
        return false;
    editing_ = true;
    if (clearsOnBeginEditing_)
        setText(std::string());
    updateOverlayViews();
    if (delegate)
        delegate->textFieldDidBeginEditing(*this);
    sendActionsForControlEvents(ControlEventEditingDidBegin);
    postFieldNotification(TextFieldTextDidBeginEditingNotification, *this);
    // The keyboard comes up once focus is here, so its observers see this field focused.
    if (isFirstResponder())
        Application::shared().keyboard().show();
    return true;
}

bool TextField::resignFirstResponder() {
    if (!isFirstResponder())
        return Control::resignFirstResponder();
    const auto keep = weak_from_this().lock();
    const auto delegate = delegate_.lock();
    if (delegate && !delegate->textFieldShouldEndEditing(*this))
        return false;
    const auto window = this->window();
    const bool handingOver = window && window->isHandingOverFirstResponder();
    Control::resignFirstResponder();
    editing_ = false;
    updateOverlayViews();
    if (delegate)
        delegate->textFieldDidEndEditing(*this);
    sendActionsForControlEvents(ControlEventEditingDidEnd);
    postFieldNotification(TextFieldTextDidEndEditingNotification, *this);
    if (!handingOver)
        Application::shared().keyboard().hide();
    return true;
}

void TextField::setSelectedRange(TextRange range) {
    const std::size_t length = base::utf16Length(text_);
    range.location = std::min(range.location, length);
    range.length = std::min(range.length, length - range.location);
    selection_ = range;
}

void TextField::selectAll() {
    setSelectedRange(TextRange{0, base::utf16Length(text_)});
}

std::string TextField::selectedText() const {
    return base::utf16Substr(text_, selection_.location, selection_.length);
}

void TextField::replace(TextRange range, const std::string& text) {
    const std::size_t length = base::utf16Length(text_);
    std::string result = base::utf16Substr(text_, 0, range.location);
    result += text;
    result += base::utf16Substr(text_, range.location + range.length,
                                length - (range.location + range.length));
    text_ = std::move(result);
    selection_ = TextRange{range.location + base::utf16Length(text), 0};
    setNeedsDisplay();
    updateOverlayViews();
    sendActionsForControlEvents(ControlEventEditingChanged);
    postFieldNotification(TextFieldTextDidChangeNotification, *this);
}

bool TextField::insertText(const std::string& text) {
    const auto keep = weak_from_this().lock();
    const TextRange range = selection_;
    if (const auto delegate = delegate_.lock())
        if (!delegate->textFieldShouldChangeCharactersInRangeReplacementString(*this, range, text))
            return false;
    if (text.empty() && range.length == 0)
        return false;
    replace(range, text);
    return true;
}

bool TextField::deleteBackward() {
    const auto keep = weak_from_this().lock();
    TextRange range = selection_;
    if (range.length == 0) {
        if (range.location == 0)
            return false;
        // One character back: two units for a character outside the basic plane.
        const std::string before = base::utf16Substr(text_, range.location - 1, 1);
        const bool lowSurrogateHalf = before.empty();
        const std::size_t units = lowSurrogateHalf && range.location >= 2 ? 2 : 1;
        range = TextRange{range.location - units, units};
    }
    if (const auto delegate = delegate_.lock())
        if (!delegate->textFieldShouldChangeCharactersInRangeReplacementString(*this, range, ""))
            return false;
    replace(range, std::string());
    return true;
}

void TextField::simulateReturn() {
    const auto keep = weak_from_this().lock();
    if (const auto delegate = delegate_.lock())
        if (!delegate->textFieldShouldReturn(*this))
            return;
    const bool endsEditing = allControlEvents() & ControlEventEditingDidEndOnExit;
    sendActionsForControlEvents(ControlEventEditingDidEndOnExit);
    if (endsEditing && isFirstResponder())
        resignFirstResponder();
}

bool TextField::simulateClear() {
    const auto keep = weak_from_this().lock();
    if (const auto delegate = delegate_.lock())
        if (!delegate->textFieldShouldClear(*this))
            return false;
    if (text_.empty())
        return true;
    replace(TextRange{0, base::utf16Length(text_)}, std::string());
    return true;
}

void TextField::touchesEnded(const TouchSet& touches, const Event* event) {
    Control::touchesEnded(touches, event);
    if (isEnabled() && !isFirstResponder())
        becomeFirstResponder();
}

} // namespace ui
