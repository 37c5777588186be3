#include "platform/ui/Touch.h"

#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace ui {

Touch::Touch(Point locationInWindow, TouchPhase phase, double timestamp, int tapCount)
    : location_(locationInWindow)
    , previousLocation_(locationInWindow)
    , phase_(phase)
    , timestamp_(timestamp)
    , tapCount_(tapCount) {}

void Touch::setWindow(const std::shared_ptr<Window>& window) {
    window_ = window;
}

void Touch::update(Point locationInWindow, TouchPhase phase, double timestamp) {
    previousLocation_ = location_;
    location_ = locationInWindow;
    phase_ = phase;
    timestamp_ = timestamp;
}

namespace {

Point fromWindow(const std::shared_ptr<Window>& window, Point point, const View* view) {
    if (!view || !window || view == window.get())
        return point;
    return view->convertPointFromView(point, window.get());
}

} // namespace

Point Touch::locationInView(const View* view) const {
    return fromWindow(window_.lock(), location_, view);
}

Point Touch::previousLocationInView(const View* view) const {
    return fromWindow(window_.lock(), previousLocation_, view);
}

} // namespace ui
