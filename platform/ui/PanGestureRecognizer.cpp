#include "platform/ui/PanGestureRecognizer.h"

#include "platform/ui/View.h"

#include <cmath>

namespace ui {

bool PanGestureRecognizer::shouldReceiveTouch(const Touch& touch) const {
    return enabled_ && (!shouldReceiveTouch_ || shouldReceiveTouch_(touch));
}

void PanGestureRecognizer::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled && touch_)
        finish(isPanning() ? GestureRecognizerState::Cancelled : GestureRecognizerState::Failed);
}

void PanGestureRecognizer::detachFromView() {
    if (touch_)
        finish(isPanning() ? GestureRecognizerState::Cancelled : GestureRecognizerState::Failed);
    view_.reset();
}

Point PanGestureRecognizer::translationInView(const View* view) const {
    if (!touch_)
        return Point();
    const Point from = view ? view->convertPointFromView(start_, nullptr) : start_;
    const Point to = view ? view->convertPointFromView(last_, nullptr) : last_;
    return Point(to.x - from.x, to.y - from.y);
}

Point PanGestureRecognizer::velocityInView(const View* view) const {
    const double elapsed = lastTime_ - previousTime_;
    if (!touch_ || elapsed <= 0)
        return Point();
    const Point from = view ? view->convertPointFromView(previous_, nullptr) : previous_;
    const Point to = view ? view->convertPointFromView(last_, nullptr) : last_;
    return Point((to.x - from.x) / elapsed, (to.y - from.y) / elapsed);
}

Point PanGestureRecognizer::locationInView(const View* view) const {
    return view ? view->convertPointFromView(last_, nullptr) : last_;
}

bool PanGestureRecognizer::touchBegan(const std::shared_ptr<Touch>& touch) {
    // One finger at a time; a second one is not followed.
    if (touch_ || !touch || view_.expired() || !shouldReceiveTouch(*touch))
        return false;
    touch_ = touch;
    start_ = last_ = previous_ = touch->locationInView(nullptr);
    lastTime_ = previousTime_ = touch->timestamp();
    state_ = GestureRecognizerState::Possible;
    return true;
}

bool PanGestureRecognizer::touchMoved(const Touch& touch) {
    if (touch_.get() != &touch)
        return false;
    previous_ = last_;
    previousTime_ = lastTime_;
    last_ = touch.locationInView(nullptr);
    lastTime_ = touch.timestamp();
    if (isPanning()) {
        send(GestureRecognizerState::Changed);
    } else if (std::hypot(last_.x - start_.x, last_.y - start_.y) >= hysteresis) {
        send(GestureRecognizerState::Began);
    }
    return touch_ && isPanning();
}

void PanGestureRecognizer::touchEnded(const Touch& touch) {
    if (touch_.get() != &touch)
        return;
    last_ = touch.locationInView(nullptr);
    finish(isPanning() ? GestureRecognizerState::Ended : GestureRecognizerState::Failed);
}

void PanGestureRecognizer::touchCancelled(const Touch& touch) {
    if (touch_.get() != &touch)
        return;
    finish(isPanning() ? GestureRecognizerState::Cancelled : GestureRecognizerState::Failed);
}

void PanGestureRecognizer::finish(GestureRecognizerState last) {
    if (last == GestureRecognizerState::Failed)
        state_ = last;
    else
        send(last);
    touch_.reset();
    state_ = GestureRecognizerState::Possible;
}

void PanGestureRecognizer::send(GestureRecognizerState state) {
    state_ = state;
    if (!action_)
        return;
    // The action may drop the last other reference to the recognizer (taking it off its view).
    auto action = action_;
    action(*this);
}

} // namespace ui
