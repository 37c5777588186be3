#pragma once

#include "platform/ui/ViewController.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {

class NavigationBar;
class Toolbar;

// A stack of controllers, the top one shown under a navigation bar. Pushing and popping give
// the appearance calls of a transition (the old top disappears, the new top appears) while
// the navigation controller is on screen; the transition ends on the run loop after
// transitionDuration when animated, on the next turn otherwise. A push or pop while one is
// under way ends the running one first.
class NavigationController : public ViewController {
public:
    explicit NavigationController(std::string nibName = {});
    static std::shared_ptr<NavigationController>
    create(std::shared_ptr<ViewController> rootViewController);
    std::string className() const override { return "NavigationController"; }

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const {
        return childViewControllers();
    }
    // Replaces the stack without a transition of its own beyond the top's appearance calls.
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers,
                            bool animated = false);
    std::shared_ptr<ViewController> topViewController() const;
    // The controller presented over this one, if any, else the top one.
    std::shared_ptr<ViewController> visibleViewController() const;

    // Pushing a controller that is already on a stack or has another parent throws
    // std::invalid_argument.
    void pushViewController(std::shared_ptr<ViewController> controller, bool animated);
    // Each returns what was taken off (nothing at the root).
    std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);
    std::vector<std::shared_ptr<ViewController>> popToRootViewControllerAnimated(bool animated);
    std::vector<std::shared_ptr<ViewController>>
    popToViewController(const std::shared_ptr<ViewController>& controller, bool animated);

    const std::shared_ptr<NavigationBar>& navigationBar();
    bool isNavigationBarHidden() const { return navigationBarHidden_; }
    void setNavigationBarHidden(bool hidden, bool animated = false);
    const std::shared_ptr<Toolbar>& toolbar();
    bool isToolbarHidden() const { return toolbarHidden_; }
    void setToolbarHidden(bool hidden, bool animated = false);

    void loadView() override;

protected:
    std::vector<std::shared_ptr<ViewController>> childrenForAppearance() const override;

private:
    // Moves from the old top to `to` (already the top of the stack); `removed` were taken
    // off the stack (`from` among them when popping), `added` put on it.
    void transition(std::shared_ptr<ViewController> from, std::shared_ptr<ViewController> to,
                    std::vector<std::shared_ptr<ViewController>> removed,
                    std::vector<std::shared_ptr<ViewController>> added, bool animated);
    void finishPendingNavigation();
    void installTopView();
    void updateBars();
    bool isOnScreen() const { return isVisible() || isAppearing(); }

    std::shared_ptr<View> containerView_;
    std::shared_ptr<NavigationBar> navigationBar_;
    std::shared_ptr<Toolbar> toolbar_;
    bool navigationBarHidden_ = false;
    bool toolbarHidden_ = true;
    std::shared_ptr<base::Timer> navigationTimer_;
    std::function<void()> finishNavigation_;
};

} // namespace ui
