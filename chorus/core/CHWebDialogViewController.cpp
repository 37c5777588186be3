#include "chorus/core/CHWebDialogViewController.h"

#include "chorus/core/CHError.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/net/URLRequest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

namespace {

constexpr double barHeight = 44;

} // namespace

std::shared_ptr<CHWebDialogViewController>
CHWebDialogViewController::create(base::URL url, std::string title, Handler handler) {
    base::assertMainThread();
    return std::make_shared<CHWebDialogViewController>(Private{}, std::move(url), std::move(title),
                                                       std::move(handler));
}

CHWebDialogViewController::CHWebDialogViewController(Private, base::URL url, std::string title,
                                                     Handler handler)
    : url_(std::move(url))
    , dialogTitle_(std::move(title))
    , handler_(std::move(handler)) {
    setTitle(dialogTitle_);
}

bool CHWebDialogViewController::isRedirect(const base::URL& url) {
    static const auto redirect = *base::URL::parse(redirectAddress);
    return url.scheme() == redirect.scheme() && url.host() == redirect.host() &&
           (url.path().empty() || url.path() == "/");
}

std::shared_ptr<ui::ViewController> CHWebDialogViewController::topViewController() {
    auto window = ui::Application::shared().keyWindow();
    if (!window || !window->rootViewController())
        return nullptr;
    std::shared_ptr<ui::ViewController> top = window->rootViewController();
    while (auto presented = top->presentedViewController())
        top = presented;
    return top;
}

void CHWebDialogViewController::presentModally(bool animated) {
    base::assertMainThread();
    auto self = std::static_pointer_cast<CHWebDialogViewController>(shared_from_this());
    if (auto top = topViewController())
        top->presentViewController(self, animated);
    if (!presentingViewController()) {
        ended_ = true;
        auto error = CHError::make(CHError::DialogFailed,
                                   "The dialog could not be shown: no screen can present it now.");
        base::RunLoop::main().dispatch([self, error] {
            if (auto handler = std::exchange(self->handler_, nullptr))
                handler(Outcome{Outcome::Kind::Failed, std::nullopt, error});
        });
        return;
    }
    webView_->loadRequest(net::URLRequest(url_));
}

void CHWebDialogViewController::close() {
    base::assertMainThread();
    end(Outcome{Outcome::Kind::Closed, std::nullopt, std::nullopt});
}

void CHWebDialogViewController::loadView() {
    const ui::Rect bounds = ui::Screen::mainScreen().bounds();
    auto root = ui::View::create(bounds);
    root->setBackgroundColor(ui::Color::whiteColor());

    const double top = ui::Screen::statusBarHeight;
    auto bar = ui::View::create(ui::Rect(0, 0, bounds.size.width, top + barHeight));
    bar->setBackgroundColor(ui::Color::fromRGB255(247, 247, 247));
    bar->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth);
    root->addSubview(bar);

    titleLabel_ =
        ui::Label::create(ui::Rect(barHeight, top, bounds.size.width - 2 * barHeight, barHeight));
    titleLabel_->setText(dialogTitle_);
    titleLabel_->setFont(ui::Font::boldSystemFont(17));
    titleLabel_->setTextAlignment(ui::TextAlignment::Center);
    titleLabel_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth);
    bar->addSubview(titleLabel_);

    closeButton_ =
        ui::Button::create(ui::ButtonType::System, ui::Rect(0, top, barHeight, barHeight));
    closeButton_->setTitle("\u2715", ui::ControlStateNormal);
    closeButton_->setAccessibilityLabel("Close");
    std::weak_ptr<ViewController> weak = weak_from_this();
    closeButton_->addAction(
        this, "close",
        [weak](ui::Control&, const ui::Event*) {
            if (auto strong = std::static_pointer_cast<CHWebDialogViewController>(weak.lock()))
                strong->close();
        },
        ui::ControlEventTouchUpInside);
    bar->addSubview(closeButton_);

    webView_ = ui::WebView::create(
        ui::Rect(0, top + barHeight, bounds.size.width, bounds.size.height - top - barHeight));
    webView_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth |
                                  ui::ViewAutoresizingFlexibleHeight);
    webView_->setDelegate(std::static_pointer_cast<CHWebDialogViewController>(shared_from_this()));
    root->addSubview(webView_);
    setView(root);
}

bool CHWebDialogViewController::webViewShouldStartLoadWithRequestNavigationType(
    ui::WebView&, const net::URLRequest& request, ui::WebViewNavigationType) {
    if (ended_)
        return false;
    const auto& url = request.url();
    if (!url)
        return false;
    if (isRedirect(*url)) {
        end(Outcome{Outcome::Kind::Redirected, *url, std::nullopt});
        return false;
    }
    if (url->scheme() == "http" || url->scheme() == "https" || url->scheme() == "about")
        return true;
    base::log("A dialog page asked for an address the dialog does not open: " +
              url->absoluteString());
    return false;
}

void CHWebDialogViewController::webViewDidFailLoadWithError(ui::WebView&,
                                                            const base::Error& error) {
    // A load that another one replaced ends as cancelled; the page goes on.
    if (ended_ || (error.domain == base::URLErrorDomain && error.code == base::URLErrorCancelled))
        return;
    base::Value::Dictionary details;
    details[base::Error::underlyingErrorKey] = base::Value(error.localizedDescription());
    end(Outcome{Outcome::Kind::Failed, std::nullopt,
                CHError::make(CHError::DialogFailed,
                              "The page could not be loaded: " + error.localizedDescription(),
                              std::move(details))});
}

void CHWebDialogViewController::end(Outcome outcome) {
    if (ended_)
        return;
    ended_ = true;
    if (webView_)
        webView_->stopLoading();
    auto self = std::static_pointer_cast<CHWebDialogViewController>(shared_from_this());
    auto tell = [self, outcome = std::move(outcome)] {
        if (auto handler = std::exchange(self->handler_, nullptr))
            handler(outcome);
    };
    if (presentingViewController())
        dismissViewControllerAnimated(true, std::move(tell));
    else
        base::RunLoop::main().dispatch(std::move(tell));
}
