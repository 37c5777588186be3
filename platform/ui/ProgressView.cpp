#include "platform/ui/ProgressView.h"

#include <algorithm>
#include <cmath>

namespace ui {

ProgressView::ProgressView(const Rect& frame)
    : View(frame) {}

ProgressView::ProgressView(ProgressViewStyle style)
    : View(Rect(0, 0, 150, 2))
    , style_(style) {}

void ProgressView::setProgress(double progress, bool) {
    progress_ = std::isnan(progress) ? 0.0 : std::clamp(progress, 0.0, 1.0);
    setNeedsDisplay();
}

Size ProgressView::sizeThatFits(Size) const {
    return Size(bounds().width(), 2);
}

} // namespace ui
