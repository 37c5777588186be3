#include "platform/ui/Label.h"

#include "platform/ui/TextMeasurer.h"

#include <algorithm>
#include <cmath>

namespace ui {

Label::Label(const Rect& frame)
    : View(frame) {
    setUserInteractionEnabled(false);
    setOpaque(false);
}

void Label::setText(std::string text) {
    text_ = std::move(text);
    setNeedsDisplay();
}

void Label::setFont(Font font) {
    font_ = std::move(font);
    setNeedsDisplay();
}

Size Label::measure(const std::string& text, const Font& font) {
    if (text.empty())
        return Size();
    return TextMeasurer::current()->measure(text, font);
}

Size Label::sizeThatFits(Size size) const {
    const Size natural = measure(text_, font_);
    if (natural.width == 0)
        return Size();
    if (numberOfLines_ == 1 || size.width <= 0 || natural.width <= size.width)
        return natural;
    double lines = std::ceil(natural.width / size.width);
    if (numberOfLines_ > 0)
        lines = std::min(lines, double(numberOfLines_));
    return Size(size.width, lines * natural.height);
}

} // namespace ui
