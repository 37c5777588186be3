#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/presentation/VDFullScreenNotifications.h"
#include "ads/presentation/VDViewController.h"
#include "platform/base/NotificationCenter.h"
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

class Participant : public VDIntermissionParticipant {
public:
    explicit Participant(Heard& heard)
        : heard_(heard) {}
    void adWillPresentScreen() override { heard_.push_back("willPresent"); }
    void adWillDismissScreen() override { heard_.push_back("willDismiss"); }
    void adDidDismissScreen() override { heard_.push_back("didDismiss"); }

private:
    Heard& heard_;
};

class VDViewControllerTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDAbsoluteTime::resetForTesting();
        for (const char* name : {kAdModalViewControllerWillPresentFullScreen,
                                 kAdModalViewControllerDidDismissFullScreen})
            base::NotificationCenter::defaultCenter().addObserver(
                name, [this](const base::Notification& note) { heard.push_back(note.name); });
        window = ui::Window::create(ui::Screen::mainScreen().bounds());
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        screen->intermission()->addParticipant(participant);
    }
    void TearDown() override {
        window.reset();
        base::RunLoop::main().runUntilIdle();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    void settle() { base::RunLoop::main().advance(base::Seconds(1)); }

    Heard heard;
    std::shared_ptr<ui::ViewController> root = ui::ViewController::create();
    std::shared_ptr<VDViewController> screen = std::make_shared<VDViewController>();
    std::shared_ptr<Participant> participant = std::make_shared<Participant>(heard);
    std::shared_ptr<ui::Window> window;
};

TEST_F(VDViewControllerTest, APresentedScreenIsOneTakeoverAnnouncedBeforeAndAfter) {
    root->presentViewController(screen, true);
    EXPECT_EQ(heard, (Heard{kAdModalViewControllerWillPresentFullScreen, "willPresent"}));
    settle();

    // A screen over it and gone again is no new takeover.
    auto over = ui::ViewController::create();
    screen->presentViewController(over, true);
    settle();
    over->dismissViewControllerAnimated(true);
    settle();
    EXPECT_EQ(heard.size(), 2u);

    screen->dismissViewControllerAnimated(true);
    EXPECT_EQ(heard.back(), "willDismiss") << "the end is announced as the dismissal starts";
    settle();
    EXPECT_EQ(heard,
              (Heard{kAdModalViewControllerWillPresentFullScreen, "willPresent", "willDismiss",
                     kAdModalViewControllerDidDismissFullScreen, "didDismiss"}));

    // A second presentation is a second takeover.
    root->presentViewController(screen, false);
    settle();
    screen->dismissViewControllerAnimated(false);
    settle();
    EXPECT_EQ(heard.size(), 10u);
}

TEST_F(VDViewControllerTest, AScreenDismissedWithTheOneBelowItEndsItsTakeoverToo) {
    auto below = ui::ViewController::create();
    root->presentViewController(below, false);
    settle();
    below->presentViewController(screen, false);
    settle();
    root->dismissViewControllerAnimated(true);
    settle();
    EXPECT_EQ(heard,
              (Heard{kAdModalViewControllerWillPresentFullScreen, "willPresent", "willDismiss",
                     kAdModalViewControllerDidDismissFullScreen, "didDismiss"}));
}

TEST_F(VDViewControllerTest, DismissalRecordsWhenTheLandingPageClosedAndTheClickItFollowed) {
    auto clicked = VDStatisticDictionary::create();
    clicked->setObjectForKeyShouldNotifyDelegate(base::Value(std::int64_t(5)), "tclickcurr", true);
    auto shown = VDStatisticDictionary::create();
    screen->setAdStatistics(clicked);

    base::RunLoop::main().advance(base::Seconds(2));
    const auto opened = std::int64_t(VDAbsoluteTime::absoluteTimeInMilliseconds());
    root->presentViewController(screen, false);
    settle();
    screen->dismissViewControllerAnimated(false);
    settle();
    const base::Value dismissed = clicked->objectForKey("tlanding_page_load_dismiss");
    ASSERT_FALSE(dismissed.isNull());
    EXPECT_GE(dismissed.integerValue(), opened + 1000);
    EXPECT_EQ(clicked->objectForKey("tclick"),
              base::Value(base::Value::Array{
                  base::Value(base::Value::Array{base::Value(std::int64_t(5)), dismissed})}));

    // Without a click, only the time of the dismissal.
    screen->setAdStatistics(shown);
    root->presentViewController(screen, false);
    settle();
    screen->dismissViewControllerAnimated(false);
    settle();
    EXPECT_FALSE(shown->objectForKey("tlanding_page_load_dismiss").isNull());
    EXPECT_TRUE(shown->objectForKey("tclick").isNull());
}

} // namespace
