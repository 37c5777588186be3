#include "platform/ui/TabBarController.h"

#include "platform/ui/Screen.h"
#include "platform/ui/View.h"

#include <algorithm>

namespace ui {

void TabBarController::setViewControllers(
    std::vector<std::shared_ptr<ViewController>> controllers) {
    auto previous = selectedViewController();
    const bool onScreen = isVisible() || isAppearing();
    while (!childViewControllers().empty()) {
        auto child = childViewControllers().back();
        child->willMoveToParentViewController(nullptr);
        if (child->isViewLoaded())
            child->view()->removeFromSuperview();
        child->removeFromParentViewController();
    }
    selectedIndex_ = 0;
    for (std::size_t i = 0; i < controllers.size(); ++i) {
        if (!controllers[i])
            continue;
        addChildViewController(controllers[i]);
        controllers[i]->didMoveToParentViewController(this);
        if (controllers[i] == previous)
            selectedIndex_ = i;
    }
    auto selected = selectedViewController();
    if (onScreen && previous && previous != selected) {
        previous->beginAppearanceTransition(false, false);
        previous->endAppearanceTransition();
    }
    if (onScreen && selected && selected != previous) {
        selected->view();
        selected->beginAppearanceTransition(true, false);
        showSelected();
        selected->endAppearanceTransition();
    } else {
        showSelected();
    }
}

std::shared_ptr<ViewController> TabBarController::selectedViewController() const {
    const auto& children = childViewControllers();
    return selectedIndex_ < children.size() ? children[selectedIndex_] : nullptr;
}

void TabBarController::setSelectedIndex(std::size_t index) {
    if (index >= childViewControllers().size() || index == selectedIndex_)
        return;
    auto previous = selectedViewController();
    auto next = childViewControllers()[index];
    const bool onScreen = isVisible() || isAppearing();
    if (onScreen) {
        if (previous)
            previous->beginAppearanceTransition(false, false);
        next->view();
        next->beginAppearanceTransition(true, false);
    }
    selectedIndex_ = index;
    if (previous && previous->isViewLoaded())
        previous->view()->removeFromSuperview();
    showSelected();
    if (onScreen) {
        if (previous)
            previous->endAppearanceTransition();
        next->endAppearanceTransition();
    }
}

void TabBarController::setSelectedViewController(
    const std::shared_ptr<ViewController>& controller) {
    const auto& children = childViewControllers();
    auto found = std::find(children.begin(), children.end(), controller);
    if (found != children.end())
        setSelectedIndex(std::size_t(found - children.begin()));
}

void TabBarController::loadView() {
    setView(View::create(Screen::mainScreen().bounds()));
    showSelected();
}

void TabBarController::showSelected() {
    auto selected = selectedViewController();
    if (!selected || !isViewLoaded())
        return;
    const auto& container = view();
    const auto& shown = selected->view();
    if (shown->superview() != container) {
        shown->setFrame(container->bounds());
        shown->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
        container->addSubview(shown);
    }
}

std::vector<std::shared_ptr<ViewController>> TabBarController::childrenForAppearance() const {
    auto selected = selectedViewController();
    if (!selected)
        return {};
    return {selected};
}

} // namespace ui
