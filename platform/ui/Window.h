#pragma once

#include "platform/ui/Screen.h"
#include "platform/ui/View.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace base {
class Timer;
}

namespace ui {

class ScrollView;
class Touch;
class ViewController;

// A top-level view: the root of a tree of views that the drawer shows. The application keeps
// the list of windows and which one is key (Application::windows(), keyWindow()).
//
// Root view controller: when the window becomes visible (makeKeyAndVisible, or setHidden(false)),
// and when a root controller is set on a visible window, the window puts the controller's
// view() in as its only controller view, sized to the window's bounds with flexible width and
// height, wrapped in the controller's appearance calls: beginAppearanceTransition(true,
// false) before the view is added and endAppearanceTransition() after, so viewWillAppear and
// viewDidAppear both run inside makeKeyAndVisible. A replaced root controller's view is
// removed with beginAppearanceTransition(false, false) / endAppearanceTransition().
class Window : public View {
public:
    explicit Window(const Rect& frame = Rect());
    ~Window() override;
    static std::shared_ptr<Window> create(const Rect& frame = Rect()) {
        return std::make_shared<Window>(frame);
    }
    std::string className() const override { return "Window"; }

    const std::shared_ptr<ViewController>& rootViewController() const { return root_; }
    void setRootViewController(std::shared_ptr<ViewController> controller);

    // Shows the window, makes it the application's key window and installs the root
    // controller's view. Registers the window with the application.
    void makeKeyAndVisible();
    void makeKeyWindow();
    bool isKeyWindow() const;
    void setHidden(bool hidden) override;

    // Every window is on the main screen.
    const Screen& screen() const { return Screen::mainScreen(); }

    double windowLevel() const { return windowLevel_; }
    void setWindowLevel(double level) { windowLevel_ = level; }

    // Keyboard focus within this window.
    std::shared_ptr<View> firstResponder() const { return firstResponder_.lock(); }
    // True while focus moves straight from one view to another (the one letting go is
    // resigning inside the other's becomeFirstResponder), so that the keyboard stays up.
    bool isHandingOverFirstResponder() const { return handingOver_; }

    // Touch delivery, for the drawer and tests. A touch that begins is given to the view the
    // window's hitTest finds at its location (nothing when none); its later phases go to the
    // same view. The gesture recognizers of that view and of its ancestors that accept the
    // touch see each phase first; once one of them has taken the touch (a pan has begun), the
    // view's touch is cancelled (when the recognizer cancels touches in its view) and the view
    // gets nothing more of it. Otherwise a touch that begins inside a scroll view with content
    // to scroll is held back from the view it hit for contentTouchDelay, as the platform's
    // scroll views do: when it moves more than panThreshold points along an axis the scroll
    // view can scroll, it is a drag of that scroll view from then on (beginDragging; the
    // content follows the finger within its bounds; the touch's end ends the drag) and the
    // view hears nothing of it, or touchesCancelled if the delay had already passed; a touch
    // that ends or stays still first reaches the view after all, beginning then. Non-touch
    // events go nowhere but are still hit-tested by their caller.
    void sendEvent(const Event& event);
    static constexpr double panThreshold = 10.0;
    static constexpr double contentTouchDelay = 0.15;
    // Whether a gesture recognizer would follow a touch that begins at the point.
    bool hasGestureRecognizerForTouchAt(Point pointInWindow);
    // Whether a gesture recognizer has taken the touch.
    bool isTouchTakenByGestureRecognizer(const Touch& touch) const;
    // A finger down and up at a point of the window: began then ended, one event each.
    // Returns the view that was hit, or null.
    std::shared_ptr<View> simulateTap(Point pointInWindow);
    // A finger down at `from`, moved to `to` in `steps` equal moves `interval` seconds apart
    // (timestamps only: nothing waits), then lifted there.
    void simulateDrag(Point from, Point to, int steps = 10, double interval = 0.016);

    // A long press: a finger held still at a point of the window. What it means is the
    // application's; its handler answers whether it took the press, in which case the press
    // ends there and is no tap. Without a handler a long press is nothing.
    using LongPressHandler = std::function<bool(Point pointInWindow)>;
    void setLongPressHandler(LongPressHandler handler) { longPressHandler_ = std::move(handler); }
    bool longPress(Point pointInWindow) {
        return longPressHandler_ && longPressHandler_(pointInWindow);
    }

    // The layout pass: lays out every view of the window that needs it, top-down. Runs by
    // itself on the next turn of the run loop after a setNeedsLayout in the window.
    void layoutPass();

protected:
    bool isWindow() const override { return true; }

private:
    friend class View;
    void installRootView();
    void setFirstResponder(const std::shared_ptr<View>& view) { firstResponder_ = view; }
    void scheduleLayoutPass();
    // Follows the touch for a drag of a scroll view; true when the view it hit must not hear
    // this phase of it.
    bool panned(const std::shared_ptr<Touch>& touch, const Event& event);
    // Lets the view hit hear the beginning of the touch held back.
    void releaseHeldTouch();

    // The recognizers following a touch, and whether one of them has taken it from its view.
    struct TrackedTouch {
        std::shared_ptr<Touch> touch;
        std::vector<std::shared_ptr<PanGestureRecognizer>> recognizers;
        bool taken = false;
        bool viewCancelled = false;
    };
    // The recognizers on the view and its ancestors that accept the touch, innermost first.
    static std::vector<std::shared_ptr<PanGestureRecognizer>>
    recognizersForTouch(const std::shared_ptr<View>& view, const Touch& touch);
    // Gives the touch's phase to its recognizers; answers whether the view must not get it.
    bool sendToRecognizers(const std::shared_ptr<Touch>& touch, const Event& event);

    std::vector<TrackedTouch> trackedTouches_;
    std::shared_ptr<ViewController> root_;
    std::shared_ptr<View> installedRootView_;
    std::weak_ptr<View> firstResponder_;
    LongPressHandler longPressHandler_;
    double windowLevel_ = 0;
    bool layoutScheduled_ = false;
    bool handingOver_ = false;

    // The touch under way and the scroll view it may drag.
    struct Pan {
        std::weak_ptr<Touch> touch;
        std::weak_ptr<ScrollView> scrollView;
        Point start;
        Point startOffset;
        bool dragging = false;
        // The view hit has not heard of the touch yet.
        bool held = false;
        std::shared_ptr<base::Timer> release;
    };
    std::optional<Pan> pan_;
};

} // namespace ui
