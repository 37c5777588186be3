#include "platform/ui/Button.h"

#include <algorithm>

namespace ui {

namespace {

double alignedStart(ControlContentHorizontalAlignment alignment, double start, double room,
                    double length) {
    switch (alignment) {
    case ControlContentHorizontalAlignment::Left:
    case ControlContentHorizontalAlignment::Fill:
        return start;
    case ControlContentHorizontalAlignment::Right:
        return start + room - length;
    case ControlContentHorizontalAlignment::Center:
        break;
    }
    return start + (room - length) / 2;
}

double alignedStart(ControlContentVerticalAlignment alignment, double start, double room,
                    double length) {
    switch (alignment) {
    case ControlContentVerticalAlignment::Top:
    case ControlContentVerticalAlignment::Fill:
        return start;
    case ControlContentVerticalAlignment::Bottom:
        return start + room - length;
    case ControlContentVerticalAlignment::Center:
        break;
    }
    return start + (room - length) / 2;
}

} // namespace

Button::Button(ButtonType type, const Rect& frame)
    : Control(frame)
    , type_(type) {
    titleLabel_ = std::make_shared<Label>();
    titleLabel_->setFont(Font::systemFont(15));
    imageView_ = std::make_shared<ImageView>();
    addSubview(imageView_);
    addSubview(titleLabel_);
    setOpaque(false);
    refreshContent();
}

template <class T>
const T* Button::lookup(const std::map<ControlState, T>& values, ControlState state) {
    if (auto found = values.find(state); found != values.end())
        return &found->second;
    if (auto found = values.find(ControlStateNormal); found != values.end())
        return &found->second;
    return nullptr;
}

void Button::setTitle(std::optional<std::string> title, ControlState state) {
    if (title)
        titles_[state] = std::move(*title);
    else
        titles_.erase(state);
    refreshContent();
}

std::optional<std::string> Button::titleForState(ControlState state) const {
    if (const auto* title = lookup(titles_, state))
        return *title;
    return std::nullopt;
}

void Button::setTitleColor(std::optional<Color> color, ControlState state) {
    if (color)
        titleColors_[state] = *color;
    else
        titleColors_.erase(state);
    refreshContent();
}

std::optional<Color> Button::titleColorForState(ControlState state) const {
    if (const auto* color = lookup(titleColors_, state))
        return *color;
    return std::nullopt;
}

void Button::setTitleShadowColor(std::optional<Color> color, ControlState state) {
    if (color)
        titleShadowColors_[state] = *color;
    else
        titleShadowColors_.erase(state);
    refreshContent();
}

std::optional<Color> Button::titleShadowColorForState(ControlState state) const {
    if (const auto* color = lookup(titleShadowColors_, state))
        return *color;
    return std::nullopt;
}

void Button::setImage(std::shared_ptr<Image> image, ControlState state) {
    if (image)
        images_[state] = std::move(image);
    else
        images_.erase(state);
    refreshContent();
}

std::shared_ptr<Image> Button::imageForState(ControlState state) const {
    if (const auto* image = lookup(images_, state))
        return *image;
    return nullptr;
}

void Button::setBackgroundImage(std::shared_ptr<Image> image, ControlState state) {
    if (image)
        backgroundImages_[state] = std::move(image);
    else
        backgroundImages_.erase(state);
    refreshContent();
}

std::shared_ptr<Image> Button::backgroundImageForState(ControlState state) const {
    if (const auto* image = lookup(backgroundImages_, state))
        return *image;
    return nullptr;
}

Color Button::currentTitleColor() const {
    if (auto color = titleColorForState(state()))
        return *color;
    if (type_ == ButtonType::Custom)
        return Color::whiteColor();
    if (!isEnabled())
        return Color::fromWhite(0.5, 0.5);
    if (isHighlighted())
        return tintColor().withAlpha(0.2);
    return tintColor();
}

void Button::setContentEdgeInsets(EdgeInsets insets) {
    contentEdgeInsets_ = insets;
    setNeedsLayout();
}

void Button::setTitleEdgeInsets(EdgeInsets insets) {
    titleEdgeInsets_ = insets;
    setNeedsLayout();
}

void Button::setImageEdgeInsets(EdgeInsets insets) {
    imageEdgeInsets_ = insets;
    setNeedsLayout();
}

void Button::stateDidChange() {
    refreshContent();
}

void Button::refreshContent() {
    titleLabel_->setText(currentTitle().value_or(std::string()));
    titleLabel_->setTextColor(currentTitleColor());
    titleLabel_->setShadowColor(titleShadowColorForState(state()));
    imageView_->setImage(currentImage());
    setNeedsLayout();
    setNeedsDisplay();
}

void Button::layoutSubviews() {
    const Rect content = bounds().insetBy(contentEdgeInsets_);
    const Size imageSize = imageView_->image() ? imageView_->image()->size() : Size();
    Size titleSize = Label::measure(titleLabel_->text(), titleLabel_->font());
    titleSize.width = std::min(titleSize.width, std::max(0.0, content.width() - imageSize.width));
    const double totalWidth = imageSize.width + titleSize.width;
    const auto hAlign = contentHorizontalAlignment();
    const auto vAlign = contentVerticalAlignment();
    const double x = alignedStart(hAlign, content.minX(), content.width(), totalWidth);
    const double imageY = alignedStart(vAlign, content.minY(), content.height(), imageSize.height);
    imageView_->setFrame(
        Rect(x, imageY, imageSize.width, imageSize.height).insetBy(imageEdgeInsets_));
    const double titleX = x + imageSize.width;
    double titleWidth = titleSize.width;
    if (hAlign == ControlContentHorizontalAlignment::Fill)
        titleWidth = std::max(0.0, content.width() - imageSize.width);
    const double titleY = alignedStart(vAlign, content.minY(), content.height(), titleSize.height);
    titleLabel_->setFrame(
        Rect(titleX, titleY, titleWidth, titleSize.height).insetBy(titleEdgeInsets_));
}

Size Button::sizeThatFits(Size) const {
    const auto image = currentImage();
    const Size imageSize = image ? image->size() : Size();
    const Size titleSize = Label::measure(titleLabel_->text(), titleLabel_->font());
    const double width =
        imageSize.width + titleSize.width + contentEdgeInsets_.left + contentEdgeInsets_.right;
    const double height = std::max(imageSize.height, titleSize.height) + contentEdgeInsets_.top +
                          contentEdgeInsets_.bottom;
    return Size(width, height);
}

bool Button::simulateTap() {
    if (!isEnabled() || isHidden())
        return false;
    const auto keep = weak_from_this().lock();
    setHighlighted(true);
    sendActionsForControlEvents(ControlEventTouchDown);
    setHighlighted(false);
    // An action of touch-down that disables the button ends the tap there, as a control that
    // stops tracking sends no touch-up.
    if (!isEnabled())
        return true;
    sendActionsForControlEvents(ControlEventTouchUpInside);
    return true;
}

} // namespace ui
