#include "ads/request/SlotTestFixture.h"
#include "ads/request/VDBannerView.h"
#include "ads/request/VDInterstitial.h"
#include "browser/AdManager.h"
#include "browser/BookmarksTest.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/LogCapture.h"
#include "platform/ui/MailComposer.h"
#include "platform/ui/TabBarController.h"

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

TEST_F(AdPlacementTest, EachListedUserActionRequestsANewInterstitial) {
    auto manager = AdManager::sharedInstance();
    std::shared_ptr<VDInterstitial> last;
    const auto requested = [&] {
        auto now = manager->interstitial();
        const bool fresh = now && now != last;
        last = now;
        return fresh;
    };
    EXPECT_FALSE(requested()) << "none before a user action";

    // The More sheet's two clearing rows.
    for (const std::string row : {"Clear Cookies", "Clear Cache"}) {
        ASSERT_TRUE(barItem(*screen->bottomBar(), "More")->simulateTap());
        auto sheet = ui::Presentation::shared().topActionSheet();
        ASSERT_TRUE(sheet);
        for (std::int64_t i = 0; i < sheet->numberOfButtons(); ++i) {
            if (sheet->buttonTitleAtIndex(i) == row) {
                ASSERT_TRUE(sheet->tapButton(i));
            }
        }
        settle();
        EXPECT_TRUE(requested()) << row;
    }

    // Every end of a share; opening and closing the panel alone is none.
    screen->share(ui::InterfaceObject());
    screen->hidedark_view(ui::InterfaceObject());
    EXPECT_FALSE(requested());
    screen->shareKitSharingFinished(3);
    EXPECT_TRUE(requested());
    screen->shareKitSharingFailed(4);
    EXPECT_TRUE(requested());
    ui::MailComposer::setOutboxDirectory(std::nullopt);
    screen->email(ui::InterfaceObject());
    EXPECT_TRUE(requested()) << "no mail account";
    ui::MailComposer::resetOutboxDirectory();
    screen->email(ui::InterfaceObject());
    settle();
    EXPECT_FALSE(requested()) << "the composer is up";
    auto composer = ui::Presentation::shared().topController<ui::MailComposer>();
    ASSERT_TRUE(composer);
    composer->cancel();
    settle();
    EXPECT_TRUE(requested()) << "the composer finished";

    // A bookmark saved in the form, then picked in the list.
    auto defaults = base::UserDefaults::standard();
    defaults->setObject(BrowserDelegate::bookmarkTitleKey, base::Value("Kept"));
    defaults->setObject(BrowserDelegate::bookmarkURLKey, base::Value("http://kept.test/"));
    auto form = BookmarksFormController::create();
    form->setMode(BookmarksFormController::addMode);
    navigation->pushViewController(form, true);
    settle();
    EXPECT_FALSE(requested());
    form->saveBookmark(ui::InterfaceObject());
    settle();
    EXPECT_TRUE(requested()) << "a bookmark saved";
    auto list = showBookmarks();
    EXPECT_FALSE(requested());
    tapRow(*list, 0);
    EXPECT_TRUE(requested()) << "a bookmark picked";
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

// The interstitial road with the ads client itself: its fake core page answers every request
// with an HTML ad, and an interstitial arrives when the test finishes its creative's load.
class InterstitialPlacementTest : public slot_testing::SlotTest {
protected:
    void SetUp() override {
        SlotTest::SetUp();
        answerWithWholeAd(htmlAd("interstitial"));
        content_ = ui::ViewController::create();
        navigation_ = ui::NavigationController::create(content_);
        window_ = ui::Window::create(ui::Screen::mainScreen().bounds());
        window_->setRootViewController(navigation_);
        window_->makeKeyAndVisible();
        base::RunLoop::main().advance(base::Seconds(1));
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        navigation_.reset();
        content_.reset();
        SlotTest::TearDown();
    }

    // The manager's new interstitial, once its creative is in its ad view.
    std::shared_ptr<VDInterstitial> request() {
        AdManager::sharedInstance()->showVeDivFullscreen();
        auto interstitial = AdManager::sharedInstance()->interstitial();
        EXPECT_TRUE(interstitial);
        if (interstitial) {
            EXPECT_TRUE(waitForState(interstitial->slot(), VDSlot::StateRendering));
        }
        return interstitial;
    }
    // Its creative finishes loading: the interstitial is ready and its delegate hears it.
    void arrive(const std::shared_ptr<VDInterstitial>& interstitial) {
        adPage(interstitial->slot()).raiseFinishLoad();
        base::RunLoop::main().runUntilIdle();
    }
    // What presents the interstitial's screen, if anything does.
    static std::shared_ptr<ui::ViewController> presenterOf(const VDInterstitial& interstitial) {
        auto screen = interstitial.viewController();
        return screen ? screen->presentingViewController() : nullptr;
    }

    std::shared_ptr<ui::ViewController> content_;
    std::shared_ptr<ui::NavigationController> navigation_;
};

TEST_F(InterstitialPlacementTest, AnInterstitialIsRequestedWithItsUnitAndShownFromTheTopAtOnce) {
    auto manager = AdManager::sharedInstance();
    auto interstitial = request();
    ASSERT_TRUE(interstitial);
    EXPECT_EQ(interstitial->adUnitID(), BrowserSettings::defaultInterstitialAdUnitID);
    EXPECT_EQ(interstitial->delegate(), manager);
    ASSERT_TRUE(interstitial->slot()->request());
    EXPECT_EQ(interstitial->slot()->request()->testDevices(),
              (base::Value::Array{base::Value(std::string()), base::Value(std::string())}));

    arrive(interstitial);
    EXPECT_TRUE(interstitial->hasBeenUsed());
    EXPECT_EQ(presenterOf(*interstitial), navigation_);
    EXPECT_FALSE(manager->isWaitingForTransition());
}

TEST_F(InterstitialPlacementTest, OneThatArrivesDuringAModalTransitionIsShownOnceItHasEnded) {
    auto manager = AdManager::sharedInstance();
    auto interstitial = request();
    // A screen starts sliding in (0.3 s); the ad arrives 0.2 s into it.
    auto modal = ui::ViewController::create();
    content_->presentViewController(modal, true);
    base::RunLoop::main().advance(base::Seconds(0.2));
    ASSERT_TRUE(modal->isBeingPresented());
    arrive(interstitial);
    EXPECT_FALSE(interstitial->hasBeenUsed());
    EXPECT_TRUE(manager->isWaitingForTransition());

    // The transition ends at 0.3 s; the next try, 0.3 s after the arrival, shows it over the
    // screen that came in.
    base::RunLoop::main().advance(base::Seconds(0.29));
    EXPECT_FALSE(modal->isBeingPresented());
    EXPECT_FALSE(interstitial->hasBeenUsed());
    base::RunLoop::main().advance(base::Seconds(0.01));
    EXPECT_TRUE(interstitial->hasBeenUsed());
    EXPECT_EQ(presenterOf(*interstitial), modal);
    EXPECT_FALSE(manager->isWaitingForTransition());

    // The same while a screen slides out: it waits, as often as needed, and then comes over
    // what stays.
    base::RunLoop::main().advance(base::Seconds(1));
    auto second = request();
    auto firstScreen = interstitial->viewController();
    ASSERT_TRUE(firstScreen);
    firstScreen->dismissViewControllerAnimated(true);
    ASSERT_TRUE(firstScreen->isBeingDismissed());
    arrive(second);
    EXPECT_TRUE(manager->isWaitingForTransition());
    EXPECT_FALSE(second->hasBeenUsed());
    for (int i = 0; i < 5 && !second->hasBeenUsed(); ++i)
        base::RunLoop::main().advance(base::Seconds(0.3));
    EXPECT_TRUE(second->hasBeenUsed());
    EXPECT_EQ(presenterOf(*second), modal);
    EXPECT_FALSE(manager->isWaitingForTransition());
}

TEST_F(InterstitialPlacementTest, TwoRequestsAnsweredInReverseOrderShowTheNewestOnce) {
    auto older = request();
    auto newest = request();
    ASSERT_NE(older, newest);
    EXPECT_EQ(AdManager::sharedInstance()->interstitial(), newest);

    arrive(newest);
    EXPECT_TRUE(newest->hasBeenUsed());
    EXPECT_EQ(presenterOf(*newest), navigation_);
    // The older one's late answer shows nothing: the newest is already used.
    arrive(older);
    EXPECT_FALSE(older->hasBeenUsed());
    EXPECT_FALSE(presenterOf(*older));
    EXPECT_EQ(navigation_->presentedViewController(), newest->viewController());
}

TEST_F(InterstitialPlacementTest, AReplacedInterstitialsArrivalNeitherCrashesNorShowsAnything) {
    testing_support::LogCapture log;
    // Kept alive only by this test: its answer still comes after it was replaced.
    auto replaced = request();
    auto newest = request();
    arrive(replaced);
    EXPECT_FALSE(replaced->hasBeenUsed());
    EXPECT_FALSE(newest->hasBeenUsed());
    EXPECT_FALSE(navigation_->presentedViewController());
    EXPECT_TRUE(log.contains(VDInterstitial::notReadyMessage));
    // The newest shows when it arrives.
    arrive(newest);
    EXPECT_EQ(presenterOf(*newest), navigation_);

    // One that nothing keeps goes with its replacement, and nothing of it comes back.
    base::RunLoop::main().advance(base::Seconds(1));
    newest->viewController()->dismissViewControllerAnimated(false);
    base::RunLoop::main().advance(base::Seconds(1));
    AdManager::sharedInstance()->showVeDivFullscreen();
    std::weak_ptr<VDInterstitial> gone = AdManager::sharedInstance()->interstitial();
    ASSERT_TRUE(waitForState(gone.lock()->slot(), VDSlot::StateRendering));
    AdManager::sharedInstance()->showVeDivFullscreen();
    EXPECT_TRUE(gone.expired());
    base::RunLoop::main().advance(base::Seconds(5));
    EXPECT_FALSE(navigation_->presentedViewController());
}

TEST_F(InterstitialPlacementTest, TheTopControllerIsWhatShows) {
    EXPECT_EQ(AdManager::sharedInstance()->topViewController(), content_);
    auto first = ui::ViewController::create();
    auto second = ui::ViewController::create();
    auto tabs = ui::TabBarController::create();
    tabs->setViewControllers({first, ui::NavigationController::create(second)});
    tabs->setSelectedIndex(1);
    EXPECT_EQ(AdManager::topViewControllerWithRootViewController(tabs), second);
    auto modal = ui::ViewController::create();
    content_->presentViewController(modal, false);
    EXPECT_EQ(AdManager::sharedInstance()->topViewController(), modal);
    EXPECT_EQ(AdManager::topViewControllerWithRootViewController(nullptr), nullptr);
}

} // namespace
