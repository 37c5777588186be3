#include "platform/ui/NavigationController.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/View.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace ui {

namespace {

constexpr double toolbarHeight = 44;

} // namespace

NavigationController::NavigationController(std::string nibName)
    : ViewController(std::move(nibName)) {}

std::shared_ptr<NavigationController>
NavigationController::create(std::shared_ptr<ViewController> rootViewController) {
    auto navigation = std::make_shared<NavigationController>();
    if (rootViewController)
        navigation->setViewControllers({std::move(rootViewController)});
    return navigation;
}

std::shared_ptr<ViewController> NavigationController::topViewController() const {
    const auto& stack = childViewControllers();
    return stack.empty() ? nullptr : stack.back();
}

std::shared_ptr<ViewController> NavigationController::visibleViewController() const {
    if (auto presented = presentedViewController())
        return presented;
    return topViewController();
}

std::vector<std::shared_ptr<ViewController>> NavigationController::childrenForAppearance() const {
    auto top = topViewController();
    if (!top)
        return {};
    return {top};
}

// --- Views.

void NavigationController::loadView() {
    auto view = View::create(Screen::mainScreen().bounds());
    const Size size = view->bounds().size;
    containerView_ = View::create(Rect(Point(), size));
    containerView_->setAutoresizingMask(ViewAutoresizingFlexibleWidth |
                                        ViewAutoresizingFlexibleHeight);
    view->addSubview(containerView_);
    view->addSubview(navigationBar());
    view->addSubview(toolbar());
    setView(view);
    installTopView();
}

const std::shared_ptr<NavigationBar>& NavigationController::navigationBar() {
    if (!navigationBar_) {
        const double width = Screen::mainScreen().bounds().width();
        navigationBar_ = NavigationBar::create(
            Rect(0, Screen::statusBarHeight, width, NavigationBar::defaultHeight));
        navigationBar_->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
        navigationBar_->setHidden(navigationBarHidden_);
        navigationBar_->setBackAction([weak = weak_from_this()] {
            if (auto self = std::static_pointer_cast<NavigationController>(weak.lock()))
                self->popViewControllerAnimated(true);
        });
        updateBars();
    }
    return navigationBar_;
}

const std::shared_ptr<Toolbar>& NavigationController::toolbar() {
    if (!toolbar_) {
        const Rect screen = Screen::mainScreen().bounds();
        toolbar_ = std::make_shared<Toolbar>(
            Rect(0, screen.height() - toolbarHeight, screen.width(), toolbarHeight));
        toolbar_->setAutoresizingMask(ViewAutoresizingFlexibleWidth |
                                      ViewAutoresizingFlexibleTopMargin);
        toolbar_->setHidden(toolbarHidden_);
    }
    return toolbar_;
}

void NavigationController::setNavigationBarHidden(bool hidden, bool animated) {
    (void)animated;
    navigationBarHidden_ = hidden;
    if (navigationBar_)
        navigationBar_->setHidden(hidden);
}

void NavigationController::setToolbarHidden(bool hidden, bool animated) {
    (void)animated;
    toolbarHidden_ = hidden;
    if (toolbar_)
        toolbar_->setHidden(hidden);
}

void NavigationController::installTopView() {
    if (!containerView_)
        return;
    auto top = topViewController();
    if (!top)
        return;
    const auto& view = top->view();
    if (view->superview().get() != containerView_.get()) {
        view->setFrame(containerView_->bounds());
        view->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
        containerView_->addSubview(view);
    }
}

void NavigationController::updateBars() {
    if (!navigationBar_)
        return;
    std::vector<std::shared_ptr<NavigationItem>> items;
    for (const auto& controller : childViewControllers())
        items.push_back(controller->navigationItem());
    navigationBar_->setItems(std::move(items));
}

// --- Stack changes.

void NavigationController::setViewControllers(
    std::vector<std::shared_ptr<ViewController>> controllers, bool animated) {
    finishPendingNavigation();
    for (const auto& controller : controllers)
        if (!controller)
            throw std::invalid_argument("setViewControllers: a null controller");
    auto from = topViewController();
    std::vector<std::shared_ptr<ViewController>> removed;
    for (const auto& old : childViewControllers())
        if (std::find(controllers.begin(), controllers.end(), old) == controllers.end())
            removed.push_back(old);
    for (const auto& old : removed) {
        old->willMoveToParentViewController(nullptr);
        std::erase(children_, old);
    }
    std::vector<std::shared_ptr<ViewController>> added;
    for (const auto& controller : controllers) {
        if (controller->parentViewController().get() != this) {
            addChildViewController(controller);
            added.push_back(controller);
        }
    }
    children_ = controllers;
    auto to = topViewController();
    if (from == to)
        from = to = nullptr; // the top stays: no appearance calls
    transition(from, to, removed, added, animated);
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> controller,
                                              bool animated) {
    if (!controller)
        throw std::invalid_argument("pushViewController: no controller");
    if (controller.get() == this || controller->parentViewController() ||
        controller->presentingViewController())
        throw std::invalid_argument("pushViewController: " + controller->className() +
                                    " is already shown elsewhere");
    finishPendingNavigation();
    auto from = topViewController();
    addChildViewController(controller);
    transition(from, controller, {}, {controller}, animated);
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool animated) {
    finishPendingNavigation();
    if (childViewControllers().size() < 2)
        return nullptr;
    auto popped =
        popToViewController(childViewControllers()[childViewControllers().size() - 2], animated);
    return popped.empty() ? nullptr : popped.front();
}

std::vector<std::shared_ptr<ViewController>>
NavigationController::popToRootViewControllerAnimated(bool animated) {
    finishPendingNavigation();
    if (childViewControllers().empty())
        return {};
    return popToViewController(childViewControllers().front(), animated);
}

std::vector<std::shared_ptr<ViewController>>
NavigationController::popToViewController(const std::shared_ptr<ViewController>& controller,
                                          bool animated) {
    finishPendingNavigation();
    auto found = std::find(children_.begin(), children_.end(), controller);
    if (found == children_.end() || found + 1 == children_.end())
        return {};
    std::vector<std::shared_ptr<ViewController>> removed(found + 1, children_.end());
    auto from = topViewController();
    for (auto it = removed.rbegin(); it != removed.rend(); ++it)
        (*it)->willMoveToParentViewController(nullptr);
    children_.erase(found + 1, children_.end());
    transition(from, controller, removed, {}, animated);
    return removed;
}

void NavigationController::transition(std::shared_ptr<ViewController> from,
                                      std::shared_ptr<ViewController> to,
                                      std::vector<std::shared_ptr<ViewController>> removed,
                                      std::vector<std::shared_ptr<ViewController>> added,
                                      bool animated) {
    updateBars();
    const bool onScreen = isOnScreen();
    if (onScreen) {
        if (from)
            from->beginAppearanceTransition(false, animated);
        if (to) {
            to->view();
            to->beginAppearanceTransition(true, animated);
        }
    }
    installTopView();
    // The controllers have set their bar items in their appearance calls.
    if (navigationBar_)
        navigationBar_->layoutItems();
    finishNavigation_ = [this, from, to, removed, added, onScreen] {
        auto takeOut = [this](const std::shared_ptr<ViewController>& controller) {
            if (controller && controller != topViewController() && controller->isViewLoaded() &&
                containerView_ && controller->view()->superview() == containerView_)
                controller->view()->removeFromSuperview();
        };
        takeOut(from);
        for (const auto& old : removed)
            takeOut(old);
        if (onScreen) {
            if (from)
                from->endAppearanceTransition();
            if (to)
                to->endAppearanceTransition();
        }
        for (const auto& old : removed) {
            old->parent_.reset();
            old->didMoveToParentViewController(nullptr);
        }
        for (const auto& controller : added)
            controller->didMoveToParentViewController(this);
    };
    if (!onScreen) {
        finishPendingNavigation();
        return;
    }
    auto self = std::static_pointer_cast<NavigationController>(shared_from_this());
    // The timer is kept by the object it would otherwise keep alive: it holds it weakly.
    auto later = [weak = std::weak_ptr(self)] {
        if (auto strong = weak.lock())
            strong->finishPendingNavigation();
    };
    navigationTimer_ = base::RunLoop::main().dispatchAfter(
        base::Seconds(animated ? transitionDuration : 0.0), later);
}

void NavigationController::finishPendingNavigation() {
    if (!finishNavigation_)
        return;
    auto finish = std::exchange(finishNavigation_, nullptr);
    if (auto timer = std::exchange(navigationTimer_, nullptr))
        timer->invalidate();
    finish();
}

} // namespace ui
