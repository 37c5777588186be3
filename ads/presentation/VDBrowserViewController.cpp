#include "ads/presentation/VDBrowserViewController.h"

#include "ads/foundation/VDLogger.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

std::shared_ptr<VDBrowserViewController>
VDBrowserViewController::createWithURL(const base::URL& url,
                                       std::shared_ptr<VDStatisticDictionary> adStatistics) {
    auto controller = std::make_shared<VDBrowserViewController>(Private{}, url);
    controller->setAdStatistics(adStatistics);
    controller->statisticsDelegate_ =
        std::make_shared<VDBrowserAdViewDelegate>(std::move(adStatistics));
    return controller;
}

VDBrowserViewController::VDBrowserViewController(Private, const base::URL& url)
    : url_(url) {}

base::URL VDBrowserViewController::currentURL() const {
    if (webView_ && webView_->request() && webView_->request()->url() &&
        webView_->request()->url()->absoluteString() != "about:blank")
        return *webView_->request()->url();
    return url_;
}

void VDBrowserViewController::loadView() {
    const ui::Rect bounds = ui::Screen::mainScreen().bounds();
    const double width = bounds.width();
    auto root = ui::View::create(bounds);
    root->setBackgroundColor(ui::Color::whiteColor());

    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    const auto action = [weak](void (VDBrowserViewController::*act)()) {
        return [weak, act](ui::BarButtonItem&) {
            if (auto self = std::static_pointer_cast<VDBrowserViewController>(weak.lock()))
                (self.get()->*act)();
        };
    };
    doneButton_ = ui::BarButtonItem::createWithSystemItem(ui::BarButtonSystemItem::Done);
    doneButton_->setAction(this, "done", action(&VDBrowserViewController::done));
    backButton_ = ui::BarButtonItem::createWithTitle("Back", ui::BarButtonItemStyle::Plain);
    backButton_->setAccessibilityLabel("Back");
    backButton_->setAction(this, "goBack", action(&VDBrowserViewController::goBack));
    forwardButton_ = ui::BarButtonItem::createWithTitle("Forward", ui::BarButtonItemStyle::Plain);
    forwardButton_->setAccessibilityLabel("Forward");
    forwardButton_->setAction(this, "goForward", action(&VDBrowserViewController::goForward));
    reloadButton_ = ui::BarButtonItem::createWithSystemItem(ui::BarButtonSystemItem::Refresh);
    reloadButton_->setAccessibilityLabel("Reload");
    reloadButton_->setAction(this, "reload", action(&VDBrowserViewController::reload));
    safariButton_ = ui::BarButtonItem::createWithSystemItem(ui::BarButtonSystemItem::Action);
    safariButton_->setAccessibilityLabel("Open in Browser");
    safariButton_->setAction(this, "openInSafari", action(&VDBrowserViewController::openInSafari));

    bar_ =
        ui::SheetBar::create(ui::Rect(0, ui::Screen::statusBarHeight, width, ui::SheetBar::height));
    bar_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth);
    bar_->setItems({}, {doneButton_});
    root->addSubview(bar_);

    const double toolbarHeight = 44;
    toolbar_ =
        ui::Toolbar::create(ui::Rect(0, bounds.height() - toolbarHeight, width, toolbarHeight));
    toolbar_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth |
                                  ui::ViewAutoresizingFlexibleTopMargin);
    toolbar_->setItems({backButton_, ui::BarButtonItem::flexibleSpace(), forwardButton_,
                        ui::BarButtonItem::flexibleSpace(), reloadButton_,
                        ui::BarButtonItem::flexibleSpace(), safariButton_});
    root->addSubview(toolbar_);

    const double top = bar_->frame().maxY();
    webView_ =
        std::make_shared<ui::WebView>(ui::Rect(0, top, width, toolbar_->frame().minY() - top));
    webView_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth |
                                  ui::ViewAutoresizingFlexibleHeight);
    webView_->setScalesPageToFit(true);
    root->addSubview(webView_);
    setView(root);
}

void VDBrowserViewController::viewDidLoad() {
    webView_->setDelegate(std::static_pointer_cast<VDBrowserViewController>(shared_from_this()));
    updateButtons();
    webView_->loadRequest(net::URLRequest(url_));
}

void VDBrowserViewController::done() {
    if (presentingViewController())
        dismissViewControllerAnimated(true);
}

void VDBrowserViewController::goBack() {
    if (webView_ && webView_->canGoBack())
        webView_->goBack();
}

void VDBrowserViewController::goForward() {
    if (webView_ && webView_->canGoForward())
        webView_->goForward();
}

void VDBrowserViewController::reload() {
    if (webView_)
        webView_->reload();
}

void VDBrowserViewController::openInSafari() {
    const base::URL url = currentURL();
    if (!ui::Application::shared().openURL(url)) {
        VDLogger::sharedInstance()->logPublicMessage("Could not open " + url.absoluteString() +
                                                     " in the browser.");
        return;
    }
    if (const auto& statistics = adStatistics())
        statistics->setObjectForKeyShouldNotifyDelegate(base::Value(true), "pcbo", true);
}

void VDBrowserViewController::updateButtons() {
    if (!webView_)
        return;
    backButton_->setEnabled(webView_->canGoBack());
    forwardButton_->setEnabled(webView_->canGoForward());
}

bool VDBrowserViewController::webViewShouldStartLoadWithRequestNavigationType(
    ui::WebView& webView, const net::URLRequest& request, ui::WebViewNavigationType type) {
    return statisticsDelegate_->webViewShouldStartLoadWithRequestNavigationType(webView, request,
                                                                                type);
}

void VDBrowserViewController::webViewDidStartLoad(ui::WebView& webView) {
    statisticsDelegate_->webViewDidStartLoad(webView);
    updateButtons();
}

void VDBrowserViewController::webViewDidFinishLoad(ui::WebView& webView) {
    statisticsDelegate_->webViewDidFinishLoad(webView);
    updateButtons();
}

void VDBrowserViewController::webViewDidFailLoadWithError(ui::WebView&, const base::Error&) {
    updateButtons();
}
