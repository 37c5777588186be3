#include "browser/AdManager.h"

#include "ads/request/VDAdSize.h"
#include "ads/request/VDBannerView.h"
#include "ads/request/VDInterstitial.h"
#include "ads/request/VDRequest.h"
#include "browser/BrowserSettings.h"
#include "platform/base/Log.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Timer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Window.h"

namespace {

base::ProcessWide<AdManager>& processManager() {
    static base::ProcessWide<AdManager> manager(
        [] { return std::make_shared<AdManager>(AdManager::Private{}); });
    return manager;
}

bool isPad() {
    return ui::Device::current().userInterfaceIdiom() == ui::UserInterfaceIdiom::Pad;
}

// A request whose test devices are that many empty identifiers.
std::shared_ptr<VDRequest> requestWithTestDevices(std::size_t count) {
    auto request = VDRequest::request();
    request->setTestDevices(base::Value::Array(count, base::Value(std::string())));
    return request;
}

} // namespace

std::shared_ptr<AdManager> AdManager::sharedInstance() {
    return processManager().get();
}

AdManager::AdManager(Private) {}

AdManager::~AdManager() {
    if (presentationRetry_)
        presentationRetry_->invalidate();
    if (bannerView_)
        bannerView_->removeFromSuperview();
}

std::int32_t AdManager::browserScreenBannerCentre() {
    return isPad() ? 150 : 128;
}

std::int32_t AdManager::bookmarkScreensBannerCentre() {
    return isPad() ? 120 : 98;
}

std::shared_ptr<VDBannerView> AdManager::veDivBanner_bot() {
    return makeBanner(isPad() ? padBottomBannerHeight : phoneBottomBannerHeight,
                      isPad() ? padBottomBannerHeight : phoneBottomBannerHeight);
}

std::shared_ptr<VDBannerView> AdManager::veDivBanner() {
    return makeBanner(isPad() ? padBannerHeight : phoneBannerHeight,
                      isPad() ? padBannerOffset : phoneBannerOffset);
}

std::shared_ptr<VDBannerView> AdManager::makeBanner(double height, double bottomOffset) {
    base::assertMainThread();
    const ui::Size screen = ui::Screen::mainScreen().bounds().size;
    auto banner =
        VDBannerView::createWithAdSizeOrigin(VDAdSizeFromCGSize(ui::Size(screen.width, height)),
                                             ui::Point(0, screen.height - bottomOffset));
    if (!banner)
        return nullptr;
    bannerView_ = banner;
    banner->setAdUnitID(BrowserSettings::bannerAdUnitID());
    // What a tap on the banner opens is presented over the window's whole content.
    if (auto window = ui::Application::shared().keyWindow())
        banner->setRootViewController(window->rootViewController());
    banner->loadRequest(requestWithTestDevices(1));
    return banner;
}

void AdManager::animate_banner(std::int32_t y) {
    base::assertMainThread();
    if (auto banner = bannerView_) {
        const double width = ui::Screen::mainScreen().bounds().size.width;
        ui::View::animate(bannerMoveDuration,
                          [&] { banner->setCenter(ui::Point(width / 2, double(y))); });
    }
    base::log("animatio");
}

std::shared_ptr<VDRequest> AdManager::veDivrequest() const {
    return requestWithTestDevices(2);
}

void AdManager::showVeDivFullscreen() {
    base::assertMainThread();
    auto interstitial = VDInterstitial::create();
    interstitial_ = interstitial;
    interstitial->setAdUnitID(BrowserSettings::interstitialAdUnitID());
    interstitial->setDelegate(weak_from_this());
    interstitial->loadRequest(veDivrequest());
}

void AdManager::interstitialDidReceiveAd(VDInterstitial&) {
    presentInterstitialWhenNoTransitionRuns();
}

bool AdManager::isWaitingForTransition() const {
    return presentationRetry_ && presentationRetry_->isValid();
}

void AdManager::presentInterstitialWhenNoTransitionRuns() {
    auto top = topViewController();
    if (top && (top->isBeingPresented() || top->isBeingDismissed())) {
        if (!isWaitingForTransition())
            presentationRetry_ = base::Timer::scheduled<AdManager>(
                base::Seconds(presentationRetryInterval), false, weak_from_this(),
                [](AdManager& manager, base::Timer&) {
                    manager.presentationRetry_.reset();
                    manager.presentInterstitialWhenNoTransitionRuns();
                });
        return;
    }
    // Kept alive through the call: presenting may reach code that requests the next one.
    if (auto interstitial = interstitial_)
        interstitial->presentFromRootViewController(top);
}

std::shared_ptr<ui::ViewController> AdManager::topViewController() const {
    auto window = ui::Application::shared().keyWindow();
    return window ? topViewControllerWithRootViewController(window->rootViewController()) : nullptr;
}

std::shared_ptr<ui::ViewController> AdManager::topViewControllerWithRootViewController(
    const std::shared_ptr<ui::ViewController>& root) {
    if (!root)
        return nullptr;
    if (auto tabs = std::dynamic_pointer_cast<ui::TabBarController>(root))
        return topViewControllerWithRootViewController(tabs->selectedViewController());
    if (auto navigation = std::dynamic_pointer_cast<ui::NavigationController>(root))
        return topViewControllerWithRootViewController(navigation->visibleViewController());
    if (auto presented = root->presentedViewController())
        return topViewControllerWithRootViewController(presented);
    return root;
}
