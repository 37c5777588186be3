#include "browser/BrowserScreenTest.h"
#include "browser/UIMainView.h"
#include "platform/ui/Event.h"
#include "platform/ui/Touch.h"
#include "platform/ui/ViewController.h"

namespace {

class TapRuleTest : public BrowserScreenTest {
protected:
    void SetUp() override {
        BrowserScreenTest::SetUp();
        showScreen();
        scroll = screen->webView()->scrollView();
        scroll->setContentOffset(ui::Point(0, 250));
    }
    std::shared_ptr<ui::ScrollView> scroll;
};

TEST_F(TapRuleTest, ATapOnTheStatusStripScrollsToTopAndReachesNoView) {
    // The strip lies over the top bar; the touch goes to no view of the screen (the views
    // around the screen, which pass touches on, may still get it).
    auto hit = window->simulateTap(ui::Point(160, 10));
    EXPECT_FALSE(hit && hit->isDescendantOfView(screen->view().get()));
    EXPECT_FALSE(std::dynamic_pointer_cast<ui::Control>(hit));
    EXPECT_EQ(scroll->contentOffset(), ui::Point(0, -96));
    EXPECT_EQ(scroll->contentInset().top, 96);
}

TEST_F(TapRuleTest, ATapElsewhereIsDeliveredAsUsual) {
    // Scrolled down, the page lies where the top bar was; at the top the bar is back.
    EXPECT_EQ(window->simulateTap(ui::Point(100, 75)), screen->webView()->scrollView());
    scroll->setContentOffset(ui::Point(0, -96));
    auto hit = window->simulateTap(ui::Point(100, 75));
    EXPECT_EQ(hit, screen->addressBar());
    EXPECT_TRUE(screen->addressBar()->isFirstResponder());
    EXPECT_EQ(window->simulateTap(ui::Point(300, 35)), screen->addTab());
    EXPECT_EQ(screen->tabs().size(), 2u);
    EXPECT_EQ(scroll->contentOffset(), ui::Point(0, -96));
}

TEST_F(TapRuleTest, OnlyTouchesFindViewsAndAMissingEventCountsAsOne) {
    auto root = screen->mainView();
    const ui::Point inField = root->convertPointFromView(ui::Point(100, 75), nullptr);
    const ui::Event motion(ui::EventType::Motion, 0, {}, ui::Event::SubtypeMotionShake);
    const ui::Event remote(ui::EventType::RemoteControl, 0, {},
                           ui::Event::SubtypeRemoteControlPlay);
    EXPECT_EQ(root->hitTest(inField, &motion), nullptr);
    EXPECT_EQ(root->hitTest(ui::Point(160, 10), &remote), nullptr);
    EXPECT_EQ(scroll->contentOffset(), ui::Point(0, 250));

    EXPECT_EQ(root->hitTest(ui::Point(160, 10), nullptr), nullptr);
    EXPECT_EQ(scroll->contentOffset(), ui::Point(0, -96));
    EXPECT_EQ(root->hitTest(inField, nullptr), screen->addressBar());
}

TEST(UIMainViewTest, WithoutAControllerTheStripSwallowsTheTapAndNothingBreaks) {
    auto root = UIMainView::create(ui::Rect(0, 0, 320, 480));
    auto strip = ui::View::create(ui::Rect(0, 0, 320, 20));
    root->addSubview(strip);
    EXPECT_TRUE(root->setOutlet("statusBarView", ui::InterfaceObject(strip)));
    EXPECT_FALSE(root->setOutlet("controller", ui::InterfaceObject(strip)));
    // An owner without a scroll-to-top action is no controller either.
    EXPECT_FALSE(root->setOutlet(
        "controller", ui::InterfaceObject(std::make_shared<ui::ViewController>(std::string()))));
    EXPECT_FALSE(root->scrollToTop());
    EXPECT_FALSE(root->setOutlet("statusViewHeight", ui::InterfaceObject(strip)));
    EXPECT_EQ(root->hitTest(ui::Point(10, 10), nullptr), nullptr);
    EXPECT_EQ(root->hitTest(ui::Point(10, 100), nullptr), root);
}

} // namespace
