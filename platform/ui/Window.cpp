#include "platform/ui/Window.h"

#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Timer.h"
#include "platform/ui/Application.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Touch.h"
#include "platform/ui/ViewController.h"

#include <algorithm>
#include <cmath>

namespace ui {

Window::Window(const Rect& frame)
    : View(frame) {
    // A window stays hidden until it is made visible, as on the platform.
    View::setHidden(true);
}

Window::~Window() = default;

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
    if (controller == root_)
        return;
    const auto old = root_;
    root_ = std::move(controller);
    if (installedRootView_) {
        const bool visible = !isHidden();
        if (old && visible)
            old->beginAppearanceTransition(false, false);
        const auto view = std::move(installedRootView_);
        installedRootView_.reset();
        view->removeFromSuperview();
        if (old && visible)
            old->endAppearanceTransition();
    }
    if (!isHidden())
        installRootView();
}

void Window::installRootView() {
    if (!root_ || installedRootView_)
        return;
    const auto controller = root_;
    const auto view = controller->view();
    if (!view)
        return;
    view->setFrame(bounds());
    view->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
    installedRootView_ = view;
    controller->beginAppearanceTransition(true, false);
    addSubview(view);
    controller->endAppearanceTransition();
}

void Window::makeKeyAndVisible() {
    makeKeyWindow();
    setHidden(false);
}

void Window::makeKeyWindow() {
    Application::shared().setKeyWindow(std::static_pointer_cast<Window>(shared_from_this()));
}

bool Window::isKeyWindow() const {
    return Application::shared().keyWindow().get() == this;
}

void Window::setHidden(bool hidden) {
    View::setHidden(hidden);
    if (!hidden) {
        Application::shared().addWindow(std::static_pointer_cast<Window>(shared_from_this()));
        installRootView();
    }
}

void Window::sendEvent(const Event& event) {
    base::assertMainThread();
    if (event.type() != EventType::Touches)
        return;
    const auto self = std::static_pointer_cast<Window>(shared_from_this());
    for (const auto& touch : event.allTouches()) {
        if (!touch)
            continue;
        if (touch->phase() == TouchPhase::Began) {
            touch->setWindow(self);
            touch->setView(hitTest(touch->locationInView(nullptr), &event));
            if (auto view = touch->view()) {
                auto recognizers = recognizersForTouch(view, *touch);
                if (!recognizers.empty())
                    trackedTouches_.push_back({touch, std::move(recognizers), false});
            }
        }
        if (sendToRecognizers(touch, event)) {
            // Taken by a gesture recognizer: no scroll view drags it or hands it on.
            if (pan_ && pan_->touch.lock() == touch) {
                if (pan_->release)
                    pan_->release->invalidate();
                pan_.reset();
            }
            continue;
        }
        if (panned(touch, event))
            continue;
        const auto view = touch->view();
        if (!view)
            continue;
        const TouchSet touches{touch};
        switch (touch->phase()) {
        case TouchPhase::Began:
            view->touchesBegan(touches, &event);
            break;
        case TouchPhase::Moved:
        case TouchPhase::Stationary:
            view->touchesMoved(touches, &event);
            break;
        case TouchPhase::Ended:
            view->touchesEnded(touches, &event);
            break;
        case TouchPhase::Cancelled:
            view->touchesCancelled(touches, &event);
            break;
        }
    }
}

bool Window::panned(const std::shared_ptr<Touch>& touch, const Event& event) {
    const Point location = touch->locationInView(nullptr);
    if (touch->phase() == TouchPhase::Began) {
        if (pan_ && pan_->release)
            pan_->release->invalidate();
        pan_.reset();
        for (View* view = touch->view().get(); view; view = view->superviewPointer()) {
            auto* scrollView = dynamic_cast<ScrollView*>(view);
            if (!scrollView)
                continue;
            const Point low = scrollView->minimumContentOffset();
            const Point high = scrollView->maximumContentOffset();
            if (!scrollView->isScrollEnabled() || (high.x <= low.x && high.y <= low.y))
                return false;
            pan_ =
                Pan{touch,    std::static_pointer_cast<ScrollView>(scrollView->shared_from_this()),
                    location, scrollView->contentOffset(),
                    false,    true,
                    nullptr};
            std::weak_ptr<View> weak = weak_from_this();
            pan_->release =
                base::RunLoop::main().dispatchAfter(base::Seconds(contentTouchDelay), [weak] {
                    if (auto self = std::static_pointer_cast<Window>(weak.lock()))
                        self->releaseHeldTouch();
                });
            return true;
        }
        return false;
    }
    if (!pan_ || pan_->touch.lock() != touch)
        return false;
    const bool ends =
        touch->phase() == TouchPhase::Ended || touch->phase() == TouchPhase::Cancelled;
    const auto scrollView = pan_->scrollView.lock();
    if (!pan_->dragging) {
        bool pans = false;
        if (scrollView && !ends) {
            const Point low = scrollView->minimumContentOffset();
            const Point high = scrollView->maximumContentOffset();
            pans = (high.x > low.x && std::abs(location.x - pan_->start.x) > panThreshold) ||
                   (high.y > low.y && std::abs(location.y - pan_->start.y) > panThreshold);
        }
        if (!pans) {
            if (!ends)
                return pan_->held; // still the view's, once it has heard the beginning
            // A tap: the view hears its beginning now, then its end.
            releaseHeldTouch();
            pan_.reset();
            return false;
        }
        // From here on the finger moves the content, not what it came down on.
        pan_->dragging = true;
        if (pan_->release)
            pan_->release->invalidate();
        if (!pan_->held)
            if (const auto view = touch->view())
                view->touchesCancelled({touch}, &event);
        pan_->held = false;
        scrollView->beginDragging();
    }
    if (!scrollView) {
        pan_.reset();
        return true;
    }
    const Point low = scrollView->minimumContentOffset();
    const Point high = scrollView->maximumContentOffset();
    const Point from = pan_->startOffset;
    const double dx = location.x - pan_->start.x;
    const double dy = location.y - pan_->start.y;
    scrollView->dragTo(Point(high.x > low.x ? std::clamp(from.x - dx, low.x, high.x) : from.x,
                             high.y > low.y ? std::clamp(from.y - dy, low.y, high.y) : from.y));
    if (ends) {
        pan_.reset();
        scrollView->endDragging(false);
    }
    return true;
}

void Window::releaseHeldTouch() {
    if (!pan_ || !pan_->held)
        return;
    pan_->held = false;
    if (pan_->release)
        pan_->release->invalidate();
    const auto touch = pan_->touch.lock();
    const auto view = touch ? touch->view() : nullptr;
    if (!view)
        return;
    const Event began(EventType::Touches, touch->timestamp(), {touch});
    view->touchesBegan({touch}, &began);
}

std::vector<std::shared_ptr<PanGestureRecognizer>>
Window::recognizersForTouch(const std::shared_ptr<View>& view, const Touch& touch) {
    std::vector<std::shared_ptr<PanGestureRecognizer>> found;
    for (View* on = view.get(); on; on = on->superviewPointer())
        for (const auto& recognizer : on->gestureRecognizers())
            if (recognizer->shouldReceiveTouch(touch))
                found.push_back(recognizer);
    return found;
}

bool Window::sendToRecognizers(const std::shared_ptr<Touch>& touch, const Event& event) {
    const auto find = [&] {
        return std::find_if(trackedTouches_.begin(), trackedTouches_.end(),
                            [&](const TrackedTouch& item) { return item.touch == touch; });
    };
    auto tracked = find();
    if (tracked == trackedTouches_.end())
        return false;
    // Held here: a recognizer's action may send other touches or take recognizers off views.
    const auto recognizers = tracked->recognizers;
    const bool viewCancelled = tracked->viewCancelled;
    const TouchPhase phase = touch->phase();
    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) {
        trackedTouches_.erase(tracked);
        for (const auto& recognizer : recognizers) {
            if (phase == TouchPhase::Ended)
                recognizer->touchEnded(*touch);
            else
                recognizer->touchCancelled(*touch);
        }
        return viewCancelled;
    }
    if (phase == TouchPhase::Began) {
        std::vector<std::shared_ptr<PanGestureRecognizer>> following;
        for (const auto& recognizer : recognizers)
            if (recognizer->touchBegan(touch))
                following.push_back(recognizer);
        tracked->recognizers = std::move(following);
        return false;
    }
    bool takenNow = false;
    bool cancelView = false;
    for (const auto& recognizer : recognizers) {
        if (recognizer->touchMoved(*touch) && !tracked->taken && !takenNow) {
            takenNow = true;
            cancelView = recognizer->cancelsTouchesInView();
        }
        tracked = find();
        if (tracked == trackedTouches_.end())
            return viewCancelled;
    }
    if (!takenNow)
        return viewCancelled;
    tracked->taken = true;
    tracked->viewCancelled = cancelView;
    if (auto view = touch->view(); view && cancelView)
        view->touchesCancelled(TouchSet{touch}, &event);
    return cancelView;
}

bool Window::hasGestureRecognizerForTouchAt(Point pointInWindow) {
    auto view = hitTest(pointInWindow, nullptr);
    if (!view)
        return false;
    Touch probe(pointInWindow, TouchPhase::Began, 0);
    probe.setWindow(std::static_pointer_cast<Window>(shared_from_this()));
    probe.setView(view);
    return !recognizersForTouch(view, probe).empty();
}

bool Window::isTouchTakenByGestureRecognizer(const Touch& touch) const {
    return std::any_of(
        trackedTouches_.begin(), trackedTouches_.end(),
        [&](const TrackedTouch& item) { return item.touch.get() == &touch && item.taken; });
}

std::shared_ptr<View> Window::simulateTap(Point pointInWindow) {
    const double now = double(base::Clock::current().monotonicNanoseconds()) / 1e9;
    auto touch = std::make_shared<Touch>(pointInWindow, TouchPhase::Began, now, 1);
    touch->setWindow(std::static_pointer_cast<Window>(shared_from_this()));
    sendEvent(Event(EventType::Touches, now, {touch}));
    const auto hit = touch->view();
    touch->update(pointInWindow, TouchPhase::Ended, now);
    sendEvent(Event(EventType::Touches, now, {touch}));
    return hit;
}

void Window::simulateDrag(Point from, Point to, int steps, double interval) {
    double time = double(base::Clock::current().monotonicNanoseconds()) / 1e9;
    auto touch = std::make_shared<Touch>(from, TouchPhase::Began, time, 1);
    touch->setWindow(std::static_pointer_cast<Window>(shared_from_this()));
    sendEvent(Event(EventType::Touches, time, {touch}));
    steps = std::max(steps, 1);
    for (int step = 1; step <= steps; ++step) {
        time += interval;
        const double fraction = double(step) / steps;
        touch->update(
            Point(from.x + (to.x - from.x) * fraction, from.y + (to.y - from.y) * fraction),
            TouchPhase::Moved, time);
        sendEvent(Event(EventType::Touches, time, {touch}));
    }
    touch->update(to, TouchPhase::Ended, time);
    sendEvent(Event(EventType::Touches, time, {touch}));
}

void Window::layoutPass() {
    layoutScheduled_ = false;
    layoutIfNeeded();
}

void Window::scheduleLayoutPass() {
    if (layoutScheduled_)
        return;
    const auto weak = weak_from_this();
    if (weak.expired())
        return;
    layoutScheduled_ = true;
    base::RunLoop::main().dispatch([weak] {
        if (auto self = std::static_pointer_cast<Window>(weak.lock()))
            self->layoutPass();
    });
}

} // namespace ui
