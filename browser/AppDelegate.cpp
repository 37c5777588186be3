#include "browser/AppDelegate.h"

#include "browser/BrowserViewController.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Screen.h"

AppDelegate::AppDelegate() = default;
AppDelegate::~AppDelegate() = default;

bool AppDelegate::applicationDidFinishLaunchingWithOptions(ui::Application&,
                                                           const base::Value::Dictionary&) {
    window_ = ui::Window::create(ui::Screen::mainScreen().bounds());
    viewController_ = BrowserViewController::create();
    auto navigation = ui::NavigationController::create(viewController_);
    window_->setRootViewController(navigation);
    // The browser screen appears inside this call and opens its first tab.
    window_->makeKeyAndVisible();
    navigation->setNavigationBarHidden(true, false);
    addBottomBanner();
    window_->setTintColor(tintColor);
    return true;
}

void AppDelegate::addBottomBanner() {}
