#include "platform/ui/ActivityIndicatorView.h"

namespace ui {

namespace {

double sideFor(ActivityIndicatorViewStyle style) {
    return style == ActivityIndicatorViewStyle::WhiteLarge ? 37 : 20;
}

} // namespace

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorViewStyle style)
    : View(Rect(0, 0, sideFor(style), sideFor(style)))
    , style_(style) {
    View::setHidden(true);
    setUserInteractionEnabled(false);
}

void ActivityIndicatorView::startAnimating() {
    animating_ = true;
    if (hidesWhenStopped_)
        setHidden(false);
}

void ActivityIndicatorView::stopAnimating() {
    animating_ = false;
    if (hidesWhenStopped_)
        setHidden(true);
}

void ActivityIndicatorView::setHidesWhenStopped(bool on) {
    hidesWhenStopped_ = on;
    if (on && !animating_)
        setHidden(true);
}

Size ActivityIndicatorView::sizeThatFits(Size) const {
    const double side = sideFor(style_);
    return Size(side, side);
}

} // namespace ui
