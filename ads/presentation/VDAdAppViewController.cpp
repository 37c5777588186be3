#include "ads/presentation/VDAdAppViewController.h"

#include "platform/ui/Screen.h"

std::shared_ptr<VDAdAppViewController>
VDAdAppViewController::createWithURL(const base::URL& url,
                                     std::weak_ptr<VDAdAppViewControllerSlot> slot,
                                     std::shared_ptr<VDStatisticDictionary> adStatistics) {
    auto controller = std::make_shared<VDAdAppViewController>(Private{}, url, std::move(slot));
    controller->setAdStatistics(adStatistics);
    controller->pageDelegate_ = std::make_shared<VDAdAppAdViewDelegate>(std::move(adStatistics));
    return controller;
}

VDAdAppViewController::VDAdAppViewController(Private, const base::URL& url,
                                             std::weak_ptr<VDAdAppViewControllerSlot> slot)
    : url_(url)
    , slot_(std::move(slot)) {}

void VDAdAppViewController::loadView() {
    const ui::Rect bounds = ui::Screen::mainScreen().bounds();
    auto root = ui::View::create(bounds);
    root->setBackgroundColor(ui::Color::whiteColor());
    doneButton_ = ui::BarButtonItem::createWithSystemItem(ui::BarButtonSystemItem::Done);
    doneButton_->setAction(
        this, "done", [weak = std::weak_ptr<ui::ViewController>(weak_from_this())](auto&) {
            if (auto self = std::static_pointer_cast<VDAdAppViewController>(weak.lock()))
                self->done();
        });
    bar_ = ui::SheetBar::create(
        ui::Rect(0, ui::Screen::statusBarHeight, bounds.width(), ui::SheetBar::height));
    bar_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth);
    bar_->setItems({}, {doneButton_});
    root->addSubview(bar_);
    const double top = bar_->frame().maxY();
    webView_ =
        std::make_shared<ui::WebView>(ui::Rect(0, top, bounds.width(), bounds.height() - top));
    webView_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth |
                                  ui::ViewAutoresizingFlexibleHeight);
    root->addSubview(webView_);
    setView(root);
}

void VDAdAppViewController::viewDidLoad() {
    webView_->setDelegate(pageDelegate_);
    webView_->loadRequest(net::URLRequest(url_));
}

void VDAdAppViewController::viewWillAppear(bool animated) {
    VDViewController::viewWillAppear(animated);
    if (auto slot = slot_.lock())
        slot->interstitialViewWillAppear();
}

void VDAdAppViewController::viewWillDisappear(bool animated) {
    VDViewController::viewWillDisappear(animated);
    if (auto slot = slot_.lock())
        slot->interstitialViewWillDisappear();
}

void VDAdAppViewController::done() {
    if (presentingViewController())
        dismissViewControllerAnimated(true);
}
