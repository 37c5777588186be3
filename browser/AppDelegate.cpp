#include "browser/AppDelegate.h"

#include "ads/request/VDBannerView.h"
#include "browser/AdManager.h"
#include "browser/BrowserViewController.h"
#include "browser/Tab.h"
#include "chorus/ui/CHShareService.h"
#include "platform/base/NotificationCenter.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ShareSheet.h"

AppDelegate::AppDelegate() = default;
AppDelegate::~AppDelegate() = default;

bool AppDelegate::applicationDidFinishLaunchingWithOptions(ui::Application&,
                                                           const base::Value::Dictionary&) {
    // Posts of the Chorus sheet go through the social client to its server. No client of
    // Twitter is part of this program: its sheet is not available.
    ui::ShareSheet::setService(ui::ShareServiceType::Chorus, CHShareService::create());
    window_ = ui::Window::create(ui::Screen::mainScreen().bounds());
    viewController_ = BrowserViewController::create();
    auto navigation = ui::NavigationController::create(viewController_);
    window_->setRootViewController(navigation);
    // The browser screen appears inside this call and opens its first tab.
    window_->makeKeyAndVisible();
    navigation->setNavigationBarHidden(true, false);
    addBottomBanner();
    window_->setTintColor(tintColor);
    window_->setLongPressHandler(
        [screen = std::weak_ptr<BrowserViewController>(viewController_)](ui::Point point) {
            return postTapAndHold(point, screen.lock());
        });
    return true;
}

bool AppDelegate::postTapAndHold(ui::Point point,
                                 const std::shared_ptr<BrowserViewController>& screen) {
    base::Notification notification{Tab::tapAndHoldNotification, nullptr, {}};
    notification.userInfo["x"] = base::Value(point.x);
    notification.userInfo["y"] = base::Value(point.y);
    base::NotificationCenter::defaultCenter().post(notification);
    // Taken when the selected tab's link menu came up for it.
    auto tab = screen ? screen->selectedTab() : nullptr;
    return tab && tab->linkMenu() && tab->linkMenu()->isVisible();
}

void AppDelegate::addBottomBanner() {
    // On top of the navigation controller's view, so that it stays above every screen.
    auto manager = AdManager::sharedInstance();
    if (auto banner = manager->veDivBanner_bot()) {
        window_->rootViewController()->view()->addSubview(banner);
        // The browser screen's appearance, which places the banner, came before the banner
        // existed: along the bottom edge it would cover the toolbar for good.
        manager->animate_banner(AdManager::browserScreenBannerCentre());
    }
}
