#pragma once

#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"

#include <functional>
#include <memory>

// A screen that a finger pulls up over the window from its bottom edge: begin() puts the
// controller's view just below the window's bounds, setProgress(p) shows the fraction p of it
// (0 hidden, 1 covering the window), and finish() or cancel() animates the rest of the way in
// or back out (then takes the view out of the window) before its completion runs. The view is
// only borrowed: whoever presents the controller afterwards puts it in place for good.
// Main thread only.
class VDViewControllerFullScreenSwipeAnimation {
    struct Private {};

public:
    static constexpr double duration = 0.3;

    static std::shared_ptr<VDViewControllerFullScreenSwipeAnimation>
    createWithViewControllerInView(std::shared_ptr<ui::ViewController> controller,
                                   std::shared_ptr<ui::View> container);
    VDViewControllerFullScreenSwipeAnimation(Private,
                                             std::shared_ptr<ui::ViewController> controller,
                                             std::shared_ptr<ui::View> container)
        : controller_(std::move(controller))
        , container_(std::move(container)) {}
    ~VDViewControllerFullScreenSwipeAnimation();

    const std::shared_ptr<ui::ViewController>& viewController() const { return controller_; }
    std::shared_ptr<ui::View> containerView() const { return container_.lock(); }
    double progress() const { return progress_; }

    // False when the container has gone.
    bool begin();
    void setProgress(double progress);
    void finish(std::function<void()> completion);
    void cancel(std::function<void()> completion);

private:
    ui::Rect frameAt(double progress) const;
    void animateTo(double progress, bool removeAfter, std::function<void()> completion);

    std::shared_ptr<ui::ViewController> controller_;
    std::weak_ptr<ui::View> container_;
    double progress_ = 0;
    bool begun_ = false;
};
