#pragma once

#include "platform/ui/Geometry.h"
#include "platform/ui/Touch.h"

#include <functional>
#include <memory>

namespace ui {

class View;

// The platform's recognizer states, with their values.
enum class GestureRecognizerState {
    Possible = 0,
    Began = 1,
    Changed = 2,
    Ended = 3,
    Cancelled = 4,
    Failed = 5,
};

// A finger dragged over a view: attached to a view (View::addGestureRecognizer), it sees every
// touch that begins on that view or inside it, before the view that was hit. Once the finger
// has moved `hysteresis` points from where it went down, the pan has begun: the action runs
// (Began), the hit view's touch is cancelled (when cancelsTouchesInView) and gets nothing more
// of it, and each later move runs the action again (Changed) until the finger lifts (Ended) or
// the touch is cancelled (Cancelled). A finger that lifts before that is no pan: the view had
// the whole touch and the action never runs. The state is back to Possible once the action of
// the last phase has run.
//
// Only touches that shouldReceiveTouch accepts are seen (all when none is set). A recognizer
// that is disabled or taken off its view in the middle of a pan cancels it. Main thread only.
class PanGestureRecognizer {
public:
    using Action = std::function<void(PanGestureRecognizer& recognizer)>;
    using TouchFilter = std::function<bool(const Touch& touch)>;

    static constexpr double hysteresis = 10;

    explicit PanGestureRecognizer(Action action = {})
        : action_(std::move(action)) {}
    static std::shared_ptr<PanGestureRecognizer> create(Action action = {}) {
        return std::make_shared<PanGestureRecognizer>(std::move(action));
    }

    void setAction(Action action) { action_ = std::move(action); }
    void setShouldReceiveTouch(TouchFilter filter) { shouldReceiveTouch_ = std::move(filter); }
    bool shouldReceiveTouch(const Touch& touch) const;

    GestureRecognizerState state() const { return state_; }
    // The view it is attached to, or null.
    std::shared_ptr<View> view() const { return view_.lock(); }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool cancelsTouchesInView() const { return cancelsTouchesInView_; }
    void setCancelsTouchesInView(bool cancels) { cancelsTouchesInView_ = cancels; }
    // Whether a pan is under way (Began or Changed).
    bool isPanning() const {
        return state_ == GestureRecognizerState::Began || state_ == GestureRecognizerState::Changed;
    }

    // How far the finger has moved since it went down, in `view`'s coordinate system's axes
    // (null: the window's); zero when no touch is followed.
    Point translationInView(const View* view) const;
    // Points per second, from the last two positions of the finger.
    Point velocityInView(const View* view) const;
    // Where the finger is now, in `view`'s coordinates.
    Point locationInView(const View* view) const;

    // --- For the window's touch delivery. touchBegan answers whether the recognizer follows
    // the touch; the others answer whether the touch is now the pan's (the hit view must not
    // get it).
    bool touchBegan(const std::shared_ptr<Touch>& touch);
    bool touchMoved(const Touch& touch);
    void touchEnded(const Touch& touch);
    void touchCancelled(const Touch& touch);
    // For View: attaching and detaching (a pan under way is cancelled).
    void attachToView(const std::weak_ptr<View>& view) { view_ = view; }
    void detachFromView();

private:
    void finish(GestureRecognizerState last);
    void send(GestureRecognizerState state);

    Action action_;
    TouchFilter shouldReceiveTouch_;
    std::weak_ptr<View> view_;
    std::shared_ptr<Touch> touch_;
    GestureRecognizerState state_ = GestureRecognizerState::Possible;
    Point start_;
    Point last_;
    Point previous_;
    double lastTime_ = 0;
    double previousTime_ = 0;
    bool enabled_ = true;
    bool cancelsTouchesInView_ = true;
};

} // namespace ui
