#include "ads/presentation/VDInterstitialViewController.h"

#include "platform/ui/Color.h"
#include "platform/ui/Screen.h"

namespace {

// The close control: a dark rounded button in the top right corner, clear of the status bar.
constexpr double closeWidth = 64;
constexpr double closeHeight = 32;
constexpr double closeMargin = 8;

} // namespace

std::shared_ptr<VDInterstitialViewController>
VDInterstitialViewController::createWithSlot(std::weak_ptr<VDAdAppViewControllerSlot> slot) {
    auto controller = std::make_shared<VDInterstitialViewController>(Private{}, std::move(slot));
    controller->setModalPresentationStyle(ui::ModalPresentationStyle::FullScreen);
    return controller;
}

VDInterstitialViewController::VDInterstitialViewController(
    Private, std::weak_ptr<VDAdAppViewControllerSlot> slot)
    : slot_(std::move(slot)) {}

void VDInterstitialViewController::loadView() {
    const ui::Rect bounds = ui::Screen::mainScreen().bounds();
    auto root = ui::View::create(bounds);
    root->setBackgroundColor(ui::Color::blackColor());

    closeButton_ = ui::Button::create(ui::ButtonType::Custom,
                                      ui::Rect(bounds.width() - closeWidth - closeMargin,
                                               ui::Screen::statusBarHeight + closeMargin,
                                               closeWidth, closeHeight));
    closeButton_->setAutoresizingMask(ui::ViewAutoresizingFlexibleLeftMargin |
                                      ui::ViewAutoresizingFlexibleBottomMargin);
    closeButton_->setTitle("Close", ui::ControlStateNormal);
    closeButton_->setTitleColor(ui::Color::whiteColor(), ui::ControlStateNormal);
    closeButton_->setBackgroundColor(ui::Color::fromWhite(0, 0.6));
    closeButton_->layer().cornerRadius = closeHeight / 2;
    closeButton_->setAccessibilityLabel("Close");
    closeButton_->addAction(
        this, "close",
        [weak = std::weak_ptr<ui::ViewController>(weak_from_this())](ui::Control&,
                                                                     const ui::Event*) {
            if (auto self = std::static_pointer_cast<VDInterstitialViewController>(weak.lock()))
                self->close();
        },
        ui::ControlEventTouchUpInside);
    root->addSubview(closeButton_);
    setView(root);
    placeAdContentView();
}

void VDInterstitialViewController::setAdContentView(std::shared_ptr<ui::View> content) {
    if (content == adContentView_)
        return;
    // Only a view this screen shows leaves it.
    if (adContentView_ && isViewLoaded() && adContentView_->superviewPointer() == view().get())
        adContentView_->removeFromSuperview();
    adContentView_ = std::move(content);
    if (isViewLoaded())
        placeAdContentView();
}

void VDInterstitialViewController::placeAdContentView() {
    if (!adContentView_)
        return;
    const auto& root = view();
    adContentView_->setFrame(root->bounds());
    adContentView_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth |
                                        ui::ViewAutoresizingFlexibleHeight);
    adContentView_->setHidden(false);
    root->insertSubviewBelowSubview(adContentView_, closeButton_);
}

void VDInterstitialViewController::close() {
    if (presentingViewController() && !isBeingDismissed())
        dismissViewControllerAnimated(true);
}

void VDInterstitialViewController::viewWillAppear(bool animated) {
    VDViewController::viewWillAppear(animated);
    if (auto slot = slot_.lock())
        slot->interstitialViewWillAppear();
}

void VDInterstitialViewController::viewWillDisappear(bool animated) {
    VDViewController::viewWillDisappear(animated);
    if (auto slot = slot_.lock())
        slot->interstitialViewWillDisappear();
}
