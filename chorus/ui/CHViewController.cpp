#include "chorus/ui/CHViewController.h"

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Screen.h"

CHViewController::CHViewController()
    : ui::ViewController(std::string()) {}

void CHViewController::setTitle(std::string title) {
    if (titleLabel_)
        titleLabel_->setText(title);
    ui::ViewController::setTitle(std::move(title));
}

void CHViewController::loadView() {
    const ui::Rect bounds = ui::Screen::mainScreen().bounds();
    auto root = ui::View::create(bounds);
    root->setBackgroundColor(ui::Color::whiteColor());
    const double top = ui::Screen::statusBarHeight;

    toolbar_ = ui::Toolbar::create(ui::Rect(0, top, bounds.size.width, barHeight));
    toolbar_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth);
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
    toolbar_->setItems({cancelButton_, ui::BarButtonItem::flexibleSpace(), doneButton_});
    root->addSubview(toolbar_);

    // The title sits over the bar's middle, clear of the two buttons.
    titleLabel_ = ui::Label::create(ui::Rect(90, top, bounds.size.width - 180, barHeight));
    titleLabel_->setText(title());
    titleLabel_->setFont(ui::Font::boldSystemFont(17));
    titleLabel_->setTextAlignment(ui::TextAlignment::Center);
    titleLabel_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth);
    titleLabel_->setUserInteractionEnabled(false);
    root->addSubview(titleLabel_);

    canvasView_ = ui::View::create(
        ui::Rect(0, top + barHeight, bounds.size.width, bounds.size.height - top - barHeight));
    canvasView_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth |
                                     ui::ViewAutoresizingFlexibleHeight);
    root->addSubview(canvasView_);
    setView(root);
}

void CHViewController::presentModallyFromViewControllerAnimatedHandler(
    const std::shared_ptr<ui::ViewController>& viewController, bool animated, Handler handler) {
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
    if (finishing_ || !presentingViewController())
        return;
    finishing_ = true;
    auto self = std::static_pointer_cast<CHViewController>(shared_from_this());
    dismissViewControllerAnimated(presentedAnimated_, [self, done] {
        if (auto handler = std::exchange(self->handler_, nullptr))
            handler(*self, done);
    });
}
