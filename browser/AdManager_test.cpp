#include "ads/request/VDBannerView.h"
#include "browser/AdManager.h"
#include "browser/BookmarksTest.h"
#include "platform/base/UserDefaults.h"

namespace {

// The browser screen in a window with the bottom banner over it, as the application delegate
// puts it there.
class AdPlacementTest : public BookmarksTest {
protected:
    std::shared_ptr<VDBannerView> addBottomBanner() {
        auto banner = AdManager::sharedInstance()->veDivBanner_bot();
        EXPECT_TRUE(banner);
        if (banner)
            navigation->view()->addSubview(banner);
        return banner;
    }
    static ui::Point centre(double y) {
        return ui::Point(ui::Screen::mainScreen().bounds().size.width / 2, y);
    }
};

class PadAdPlacementTest : public AdPlacementTest {
protected:
    ui::UserInterfaceIdiom idiom() const override { return ui::UserInterfaceIdiom::Pad; }
};

TEST_F(AdPlacementTest, ThePhonesBottomBannerLiesAlongTheBottomEdgeAndAsksForItsFirstAd) {
    auto banner = addBottomBanner();
    ASSERT_TRUE(banner);
    EXPECT_EQ(AdManager::sharedInstance()->bannerView(), banner);
    EXPECT_EQ(banner->frame(), ui::Rect(0, 480 - 63, 320, 63));
    EXPECT_EQ(banner->adUnitID(), BrowserSettings::defaultBannerAdUnitID);
    // What a tap on it opens comes over the whole window.
    EXPECT_EQ(banner->rootViewController(), navigation);
    EXPECT_FALSE(banner->delegate());
    ASSERT_TRUE(banner->slot()->request());
    EXPECT_EQ(banner->slot()->request()->testDevices(),
              base::Value::Array{base::Value(std::string())});
    EXPECT_EQ(banner->slot()->state(), VDSlot::StateRequestingAdURL);

    // The second factory: 50 points high, 105 above the bottom edge; it becomes the kept one.
    auto second = AdManager::sharedInstance()->veDivBanner();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->frame(), ui::Rect(0, 480 - 105, 320, 50));
    EXPECT_EQ(second->adUnitID(), BrowserSettings::defaultBannerAdUnitID);
    EXPECT_EQ(AdManager::sharedInstance()->bannerView(), second);
}

TEST_F(PadAdPlacementTest, ThePadsBannersAreTallerOverTheWholeWidth) {
    auto banner = addBottomBanner();
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->frame(), ui::Rect(0, 1024 - 100, 768, 100));
    auto second = AdManager::sharedInstance()->veDivBanner();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->frame(), ui::Rect(0, 1024 - 128, 768, 70));
}

TEST_F(AdPlacementTest, TheAdUnitsAreSettings) {
    auto defaults = base::UserDefaults::standard();
    defaults->setObject(BrowserSettings::bannerAdUnitIDKey, base::Value("vd-app-pub-1/2"));
    defaults->setObject(BrowserSettings::interstitialAdUnitIDKey, base::Value("vd-app-pub-3/4"));
    EXPECT_EQ(BrowserSettings::bannerAdUnitID(), "vd-app-pub-1/2");
    EXPECT_EQ(BrowserSettings::interstitialAdUnitID(), "vd-app-pub-3/4");
    EXPECT_EQ(addBottomBanner()->adUnitID(), "vd-app-pub-1/2");

    // An empty setting is no unit: the built-in one stays.
    defaults->setObject(BrowserSettings::bannerAdUnitIDKey, base::Value(""));
    EXPECT_EQ(BrowserSettings::bannerAdUnitID(), BrowserSettings::defaultBannerAdUnitID);
    EXPECT_EQ(BrowserSettings::interstitialAdUnitID().rfind("vd-app-pub-", 0), 0u);
}

TEST_F(AdPlacementTest, TheBannerMovesAsEachScreenComesIntoViewAndAsTheSharePanelComesAndGoes) {
    auto manager = AdManager::sharedInstance();
    // Before there is a banner, a move moves nothing.
    manager->animate_banner(300);
    EXPECT_EQ(ui::View::runningAnimationCount(), 0);

    // The browser screen appeared before the banner existed: it stays at the bottom edge.
    auto banner = addBottomBanner();
    EXPECT_EQ(banner->center(), centre(480 - 63 / 2.0));

    // A move takes 0.3 s; the banner's place is its new one at once.
    manager->animate_banner(200);
    EXPECT_EQ(banner->center(), centre(200));
    EXPECT_EQ(ui::View::runningAnimationCount(), 1);
    base::RunLoop::main().advance(base::Seconds(0.29));
    EXPECT_EQ(ui::View::runningAnimationCount(), 1);
    base::RunLoop::main().advance(base::Seconds(0.02));
    EXPECT_EQ(ui::View::runningAnimationCount(), 0);

    auto list = showBookmarks();
    EXPECT_EQ(banner->center(), centre(98));
    navigation->popToRootViewControllerAnimated(true);
    settle();
    EXPECT_EQ(banner->center(), centre(128));

    auto form = BookmarksFormController::create();
    navigation->pushViewController(form, true);
    settle();
    EXPECT_EQ(banner->center(), centre(98));
    navigation->popViewControllerAnimated(true);
    settle();
    EXPECT_EQ(banner->center(), centre(128));

    // Off the top of the screen while the share panel is up, back when it goes.
    screen->share(ui::InterfaceObject());
    EXPECT_EQ(banner->center(), centre(-300));
    screen->hidedark_view(ui::InterfaceObject());
    EXPECT_EQ(banner->center(), centre(128));
    // Above every screen: the navigation controller's view holds it last.
    EXPECT_EQ(navigation->view()->subviews().back(), banner);
}

TEST_F(PadAdPlacementTest, OnAPadTheScreensPlaceTheBannerLower) {
    auto banner = addBottomBanner();
    showBookmarks();
    EXPECT_EQ(banner->center(), centre(120));
    navigation->popToRootViewControllerAnimated(true);
    settle();
    EXPECT_EQ(banner->center(), centre(150));
    screen->share(ui::InterfaceObject());
    EXPECT_EQ(banner->center(), centre(-300));
    screen->hidedark_view(ui::InterfaceObject());
    EXPECT_EQ(banner->center(), centre(150));
}

} // namespace
