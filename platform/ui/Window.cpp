#include "platform/ui/Window.h"

#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"

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
        }
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
