#pragma once

#include "platform/base/Error.h"
#include "platform/base/URL.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebView.h"
#include "platform/ui/WebViewDelegate.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

// A page of the client's server shown modally in a web view: the login page and the dialogs.
//
// The page ends the dialog by going to the redirect address, "chconnect://success", with the
// outcome in its query or fragment; that navigation is never loaded. The user ends it with the
// close button; a page that cannot be loaded ends it with the load's error. Navigations to
// schemes other than http and https are refused, so that nothing leaves the dialog.
//
// A dialog ends once. It dismisses itself (animated) and tells its handler when the
// dismissal has finished, so that the handler may present the next screen at once.
class CHWebDialogViewController : public ui::ViewController, public ui::WebViewDelegate {
    struct Private {};

public:
    static constexpr const char* redirectAddress = "chconnect://success";

    struct Outcome {
        enum class Kind { Redirected, Closed, Failed };
        Kind kind = Kind::Closed;
        // Redirected: the redirect address with the page's parameters.
        std::optional<base::URL> url;
        // Failed: why.
        std::optional<base::Error> error;
    };
    using Handler = std::function<void(const Outcome& outcome)>;

    // A dialog that will load `url` once presented.
    static std::shared_ptr<CHWebDialogViewController> create(base::URL url, std::string title,
                                                             Handler handler);
    CHWebDialogViewController(Private, base::URL url, std::string title, Handler handler);
    std::string className() const override { return "CHWebDialogViewController"; }

    // Whether the URL is the redirect address, with or without parameters.
    static bool isRedirect(const base::URL& url);
    // The controller a dialog is presented from: the key window's root view controller, or
    // the top-most controller it presents. Null without a key window or root controller.
    static std::shared_ptr<ui::ViewController> topViewController();

    // Presents the dialog over topViewController() and starts loading its page. When it
    // cannot be shown (no window, or a presentation already under way there) the handler
    // hears Failed on the next turn of the run loop.
    void presentModally(bool animated);

    const base::URL& url() const { return url_; }
    // Set once the view is loaded.
    const std::shared_ptr<ui::WebView>& webView() const { return webView_; }
    const std::shared_ptr<ui::Button>& closeButton() const { return closeButton_; }
    const std::shared_ptr<ui::Label>& titleLabel() const { return titleLabel_; }
    bool hasEnded() const { return ended_; }

    // The close button's action: ends the dialog as Closed.
    void close();

    void loadView() override;

    // ui::WebViewDelegate.
    bool webViewShouldStartLoadWithRequestNavigationType(ui::WebView& webView,
                                                         const net::URLRequest& request,
                                                         ui::WebViewNavigationType type) override;
    void webViewDidFailLoadWithError(ui::WebView& webView, const base::Error& error) override;

private:
    void end(Outcome outcome);

    base::URL url_;
    std::string dialogTitle_;
    Handler handler_;
    bool ended_ = false;
    std::shared_ptr<ui::WebView> webView_;
    std::shared_ptr<ui::Button> closeButton_;
    std::shared_ptr<ui::Label> titleLabel_;
};
