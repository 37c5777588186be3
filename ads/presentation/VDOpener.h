#pragma once

#include "ads/presentation/VDOpenerDelegate.h"
#include "ads/webview/VDClickActionOpener.h"

#include <memory>

// Carries out a creative's click actions. This program has no in-application browser or store
// sheet: every click target goes to the desktop (ui::Application::openURL), which leaves the
// application. In this order the delegate hears adWillLeaveApplication and
// willLeaveAppDueToClick, the URL is opened, and once it has been opened the delegate pings the
// click URLs (pingClickURLs). A URL the application cannot open opens nothing and tells
// nothing.
//
// With auto-click protection on (the ad server asks for it), only clicks the user made are
// carried out; a page that navigates by itself opens nothing. The delegate is held weakly.
// Main thread only.
class VDOpener : public VDClickActionOpener {
public:
    static std::shared_ptr<VDOpener> create(std::weak_ptr<VDOpenerDelegate> delegate = {});
    explicit VDOpener(std::weak_ptr<VDOpenerDelegate> delegate)
        : delegate_(std::move(delegate)) {}

    std::shared_ptr<VDOpenerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<VDOpenerDelegate> delegate) { delegate_ = std::move(delegate); }
    bool isAutoClickProtected() const { return autoClickProtected_; }
    void setAutoClickProtected(bool protectedFromAutoClicks) {
        autoClickProtected_ = protectedFromAutoClicks;
    }

    bool openClickURL(const base::URL& url, bool userInitiated) override;

private:
    std::weak_ptr<VDOpenerDelegate> delegate_;
    bool autoClickProtected_ = false;
};
