#pragma once

#include "browser/BrowserDelegate.h"
#include "platform/ui/Window.h"

#include <memory>

class BrowserViewController;

// The application delegate: at launch it builds the one window with the browser screen inside
// a navigation controller whose bar stays hidden. The life-cycle transitions save nothing:
// the bookmark store is saved as each edit is made.
class AppDelegate : public BrowserDelegate {
public:
    // The window's tint colour, RGB 17, 116, 170.
    static constexpr ui::Color tintColor = ui::Color::fromRGB255(17, 116, 170);

    AppDelegate();
    ~AppDelegate() override;

    const std::shared_ptr<ui::Window>& window() const { return window_; }
    const std::shared_ptr<BrowserViewController>& viewController() const { return viewController_; }

    // Builds the screen; the launch options are not read.
    bool applicationDidFinishLaunchingWithOptions(ui::Application& application,
                                                  const base::Value::Dictionary& options) override;

    // A long press on the window: "TapAndHoldNotification" with the window point under "x"
    // and "y" of its userInfo, which every tab observes. True when the selected tab's link
    // menu came up for it.
    static bool postTapAndHold(ui::Point point,
                               const std::shared_ptr<BrowserViewController>& screen);

private:
    // The ad placement's bottom banner, which starts its first ad request.
    void addBottomBanner();

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<BrowserViewController> viewController_;
};
