#include "platform/ui/TextView.h"

namespace ui {

TextView::TextView(const Rect& frame)
    : ScrollView(frame) {
    setBackgroundColor(Color::whiteColor());
}

void TextView::setText(std::string text) {
    text_ = std::move(text);
    setNeedsDisplay();
}

} // namespace ui
