#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/presentation/VDInterstitialViewController.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Heard = std::vector<std::string>;

class Slot : public VDAdAppViewControllerSlot, public VDIntermissionParticipant {
public:
    void interstitialViewWillAppear() override { heard.push_back("viewWillAppear"); }
    void interstitialViewWillDisappear() override { heard.push_back("viewWillDisappear"); }
    void adWillPresentScreen() override { heard.push_back("willPresent"); }
    void adWillDismissScreen() override { heard.push_back("willDismiss"); }
    void adDidDismissScreen() override { heard.push_back("didDismiss"); }
    Heard heard;
};

class VDInterstitialViewControllerTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDAbsoluteTime::resetForTesting();
        window = ui::Window::create(ui::Screen::mainScreen().bounds());
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        screen->intermission()->addParticipant(slot);
    }
    void TearDown() override {
        window.reset();
        base::RunLoop::main().runUntilIdle();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    void settle() { base::RunLoop::main().advance(base::Seconds(1)); }

    std::shared_ptr<ui::ViewController> root = ui::ViewController::create();
    std::shared_ptr<Slot> slot = std::make_shared<Slot>();
    std::shared_ptr<VDInterstitialViewController> screen =
        VDInterstitialViewController::createWithSlot(slot);
    std::shared_ptr<ui::Window> window;
};

TEST_F(VDInterstitialViewControllerTest, TheAdFillsTheScreenUnderTheCloseControl) {
    auto first = ui::View::create(ui::Rect(0, 0, 10, 10));
    first->setHidden(true);
    screen->setAdContentView(first);
    const auto& view = screen->view();
    EXPECT_EQ(view->frame(), ui::Screen::mainScreen().bounds());
    EXPECT_EQ(view->subviews(),
              (std::vector<std::shared_ptr<ui::View>>{first, screen->closeButton()}));
    EXPECT_EQ(first->frame(), view->bounds());
    EXPECT_FALSE(first->isHidden());
    const ui::Rect close = screen->closeButton()->frame();
    EXPECT_EQ(close.maxX(), view->bounds().width() - 8) << "in the top right corner";
    EXPECT_GE(close.minY(), ui::Screen::statusBarHeight);
    EXPECT_EQ(screen->closeButton()->accessibilityLabel(), "Close");

    // A network's view in place of the creative view: the first one leaves, the new one is
    // below the control; a view this screen no longer shows is not taken from where it is.
    auto second = ui::View::create();
    screen->setAdContentView(second);
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_EQ(view->subviews(),
              (std::vector<std::shared_ptr<ui::View>>{second, screen->closeButton()}));
    auto elsewhere = ui::View::create();
    elsewhere->addSubview(second);
    screen->setAdContentView(nullptr);
    EXPECT_EQ(second->superview(), elsewhere);

    EXPECT_EQ(screen->supportedInterfaceOrientations(), ui::InterfaceOrientationMaskAll);
    screen->setSupportedOrientations(ui::InterfaceOrientationMaskPortrait);
    EXPECT_EQ(screen->supportedInterfaceOrientations(), ui::InterfaceOrientationMaskPortrait);
}

TEST_F(VDInterstitialViewControllerTest, TheSlotHearsTheScreenComeAndGoAndCloseDismissesIt) {
    screen->close();
    settle();
    EXPECT_TRUE(slot->heard.empty()) << "closing a screen that is not up does nothing";

    root->presentViewController(screen, true);
    settle();
    EXPECT_EQ(slot->heard, (Heard{"willPresent", "viewWillAppear"}));

    // A screen over it (a landing page) hides it for a while: viewability pauses, the
    // takeover goes on.
    auto over = ui::ViewController::create();
    screen->presentViewController(over, false);
    settle();
    over->dismissViewControllerAnimated(false);
    settle();
    EXPECT_EQ(slot->heard,
              (Heard{"willPresent", "viewWillAppear", "viewWillDisappear", "viewWillAppear"}));

    screen->closeButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside, nullptr);
    screen->close();
    settle();
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(slot->heard,
              (Heard{"willPresent", "viewWillAppear", "viewWillDisappear", "viewWillAppear",
                     "willDismiss", "viewWillDisappear", "didDismiss"}))
        << "one dismissal however often it is asked for";
}

} // namespace
