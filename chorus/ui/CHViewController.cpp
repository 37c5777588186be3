#include "chorus/ui/CHViewController.h"

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Screen.h"

CHViewController::CHViewController()
    : ui::ViewController(std::string()) {}

void CHViewController::setTitle(std::string title) {
    if (bar_)
        bar_->setTitle(title);
    ui::ViewController::setTitle(std::move(title));
}

void CHViewController::loadView() {
    const ui::Rect bounds = ui::Screen::mainScreen().bounds();
    auto root = ui::View::create(bounds);
    root->setBackgroundColor(ui::Color::whiteColor());
    const double top = ui::Screen::statusBarHeight;

    std::weak_ptr<ViewController> weak = weak_from_this();
    cancelButton_ = ui::BarButtonItem::createWithSystemItem(ui::BarButtonSystemItem::Cancel);
    cancelButton_->setAction(this, "cancelButtonPressed", [weak](ui::BarButtonItem&) {
        if (auto self = std::static_pointer_cast<CHViewController>(weak.lock()))
            self->cancelButtonPressed();
    });
    doneButton_ = ui::BarButtonItem::createWithSystemItem(ui::BarButtonSystemItem::Done);
    doneButton_->setAction(this, "doneButtonPressed", [weak](ui::BarButtonItem&) {
        if (auto self = std::static_pointer_cast<CHViewController>(weak.lock()))
            self->doneButtonPressed();
    });
    bar_ = ui::SheetBar::create(ui::Rect(0, top, bounds.size.width, ui::SheetBar::height));
    bar_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth);
    bar_->setTitle(title());
    bar_->setItems({cancelButton_}, {doneButton_});
    root->addSubview(bar_);

    const double below = top + ui::SheetBar::height;
    canvasView_ =
        ui::View::create(ui::Rect(0, below, bounds.size.width, bounds.size.height - below));
    canvasView_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth |
                                     ui::ViewAutoresizingFlexibleHeight);
    root->addSubview(canvasView_);
    setView(root);
}

void CHViewController::presentModallyFromViewControllerAnimatedHandler(
    const std::shared_ptr<ui::ViewController>& viewController, bool animated, Handler handler) {
    base::assertMainThread();
    handler_ = std::move(handler);
    presentedAnimated_ = animated;
    finishing_ = false;
    if (viewController)
        viewController->presentViewController(shared_from_this(), animated);
    if (presentingViewController())
        return;
    base::log("The " + className() + " could not be presented; it counts as cancelled.");
    auto self = std::static_pointer_cast<CHViewController>(shared_from_this());
    base::RunLoop::main().dispatch([self] {
        if (auto handler = std::exchange(self->handler_, nullptr))
            handler(*self, false);
    });
}

void CHViewController::doneButtonPressed() {
    finish(true);
}

void CHViewController::cancelButtonPressed() {
    finish(false);
}

void CHViewController::finish(bool done) {
    base::assertMainThread();
    if (finishing_ || !presentingViewController())
        return;
    finishing_ = true;
    auto self = std::static_pointer_cast<CHViewController>(shared_from_this());
    dismissViewControllerAnimated(presentedAnimated_, [self, done] {
        if (auto handler = std::exchange(self->handler_, nullptr))
            handler(*self, done);
    });
}
