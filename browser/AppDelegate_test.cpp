#include "ads/request/VDBannerView.h"
#include "browser/AdManager.h"
#include "browser/AppDelegate.h"
#include "browser/BrowserScreenTest.h"
#include "browser/BrowserViewController.h"
#include "browser/Tab.h"

namespace {

class LaunchTest : public BrowserScreenTest {
protected:
    std::shared_ptr<AppDelegate> launch(const base::Value::Dictionary& options = {}) {
        auto delegate = std::make_shared<AppDelegate>();
        ui::Application::shared().setDelegate(delegate);
        EXPECT_TRUE(ui::Application::shared().launch(options));
        return delegate;
    }
};

TEST_F(LaunchTest, LaunchShowsTheBrowserScreenInAWindowWithItsFirstTab) {
    int launchedNotifications = 0;
    base::NotificationCenter::defaultCenter().addObserver(
        ui::ApplicationDidFinishLaunchingNotification,
        [&](const base::Notification&) { ++launchedNotifications; });
    auto delegate = launch();
    auto window = delegate->window();
    ASSERT_TRUE(window);
    EXPECT_EQ(ui::Application::shared().keyWindow(), window);
    EXPECT_FALSE(window->isHidden());
    EXPECT_EQ(window->frame(), ui::Screen::mainScreen().bounds());
    EXPECT_EQ(window->tintColor(), ui::Color(17 / 255.0, 116 / 255.0, 170 / 255.0, 1.0));

    auto navigation =
        std::dynamic_pointer_cast<ui::NavigationController>(window->rootViewController());
    ASSERT_TRUE(navigation);
    EXPECT_TRUE(navigation->isNavigationBarHidden());
    ASSERT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_EQ(navigation->topViewController(), delegate->viewController());

    auto screen = delegate->viewController();
    EXPECT_TRUE(screen->isVisible());
    ASSERT_EQ(screen->tabs().size(), 1u);
    EXPECT_TRUE(screen->selectedTab()->webView()->isDescendantOfView(window.get()));
    // The screen's views take the window's tint unless they set their own.
    EXPECT_EQ(screen->addressBar()->tintColor(), AppDelegate::tintColor);
    EXPECT_EQ(launchedNotifications, 1);
}

TEST_F(LaunchTest, LaunchOptionsChangeNothing) {
    base::Value::Dictionary options;
    options[ui::ApplicationLaunchOptionsURLKey] = base::Value("http://host.tld/opened");
    options[ui::ApplicationLaunchOptionsSourceApplicationKey] = base::Value("org.example.other");
    auto delegate = launch(options);
    auto screen = delegate->viewController();
    ASSERT_EQ(screen->tabs().size(), 1u);
    EXPECT_EQ(screen->addressBar()->text(), "");
    EXPECT_TRUE(screen->selectedTab()->history().empty());
    EXPECT_TRUE(openedURLs.empty());
}

TEST_F(LaunchTest, LaunchPutsTheBottomBannerAboveTheScreenWhereTheScreenPlacesIt) {
    auto delegate = launch();
    auto banner = AdManager::sharedInstance()->bannerView();
    ASSERT_TRUE(banner);
    auto navigation = delegate->window()->rootViewController();
    EXPECT_EQ(navigation->view()->subviews().back(), banner);
    EXPECT_EQ(banner->rootViewController(), navigation);
    // Made along the bottom edge, 63 points high over the whole width, and moved at once to
    // where the browser screen has it, clear of the toolbar.
    EXPECT_EQ(banner->frame().size, ui::Size(320, 63));
    EXPECT_EQ(banner->center(), ui::Point(160, 128));
    EXPECT_EQ(banner->slot()->state(), VDSlot::StateRequestingAdURL);
    // Without an ad it lets touches through: the toolbar and the page under it still work.
    EXPECT_NE(delegate->window()->hitTest(ui::Point(160, 128), nullptr), banner);
}

class PadLaunchTest : public LaunchTest {
protected:
    ui::UserInterfaceIdiom idiom() const override { return ui::UserInterfaceIdiom::Pad; }
};

TEST_F(PadLaunchTest, APadGetsItsOwnScreenAtItsOwnSize) {
    auto delegate = launch();
    EXPECT_EQ(delegate->window()->frame().size, ui::Size(768, 1024));
    EXPECT_EQ(delegate->viewController()->nibName(), "MainWindow-iPad");
    EXPECT_EQ(delegate->viewController()->view()->frame().size, ui::Size(768, 1024));
    // The pad's banner: 100 points high, its centre 150 points down.
    ASSERT_TRUE(AdManager::sharedInstance()->bannerView());
    EXPECT_EQ(AdManager::sharedInstance()->bannerView()->frame(), ui::Rect(0, 100, 768, 100));
}

} // namespace
