#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/PopoverController.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/ViewController.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

class Content : public ViewController {
public:
    std::vector<std::string> calls;
    void viewWillAppear(bool) override { calls.push_back("willAppear"); }
    void viewDidAppear(bool) override { calls.push_back("didAppear"); }
    void viewWillDisappear(bool) override { calls.push_back("willDisappear"); }
    void viewDidDisappear(bool) override { calls.push_back("didDisappear"); }
};

struct Dismissals : PopoverControllerDelegate {
    bool allow = true;
    int count = 0;
    bool popoverControllerShouldDismissPopover(PopoverController&) override { return allow; }
    void popoverControllerDidDismissPopover(PopoverController&) override { ++count; }
};

class PopoverControllerTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        Presentation::shared().reset();
    }
    void TearDown() override {
        Presentation::shared().reset();
        PlatformTest::TearDown();
    }
};

TEST_F(PopoverControllerTest, ShowsItsContentAndTellsTheDelegateOnlyOfTheUsersDismissal) {
    auto content = std::make_shared<Content>();
    content->setContentSizeForViewInPopover(Size(320, 480));
    auto popover = PopoverController::create(content);
    auto delegate = std::make_shared<Dismissals>();
    popover->setDelegate(delegate);
    EXPECT_EQ(popover->popoverContentSize(), Size(320, 480));

    auto item = BarButtonItem::createWithTitle("More", BarButtonItemStyle::Plain);
    popover->presentPopoverFromBarButtonItem(item, PopoverArrowDirectionAny, true);
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(Presentation::shared().topPopoverController(), popover);
    base::RunLoop::main().advance(base::Seconds(1));
    popover->dismissPopoverAnimated(true);
    base::RunLoop::main().advance(base::Seconds(1));
    EXPECT_EQ(content->calls, (std::vector<std::string>{"willAppear", "didAppear", "willDisappear",
                                                        "didDisappear"}));
    EXPECT_EQ(delegate->count, 0);
    EXPECT_TRUE(Presentation::shared().empty());

    popover->presentPopoverFromRectInView(Rect(0, 0, 10, 10), View::create(),
                                          PopoverArrowDirectionUp, false);
    delegate->allow = false;
    EXPECT_FALSE(popover->dismissByUser());
    delegate->allow = true;
    EXPECT_TRUE(popover->dismissByUser());
    EXPECT_EQ(delegate->count, 1);
    EXPECT_FALSE(popover->isPopoverVisible());
}

TEST_F(PopoverControllerTest, TabBarControllerShowsTheSelectedController) {
    auto first = std::make_shared<Content>();
    auto second = std::make_shared<Content>();
    auto tabs = TabBarController::create();
    tabs->setViewControllers({first, second});
    EXPECT_EQ(tabs->selectedViewController(), first);
    tabs->beginAppearanceTransition(true, false);
    tabs->endAppearanceTransition();
    tabs->setSelectedIndex(1);
    EXPECT_EQ(tabs->selectedViewController(), second);
    EXPECT_EQ(first->calls, (std::vector<std::string>{"willAppear", "didAppear", "willDisappear",
                                                      "didDisappear"}));
    EXPECT_EQ(second->calls, (std::vector<std::string>{"willAppear", "didAppear"}));
    EXPECT_EQ(second->view()->superview(), tabs->view());
}

TEST_F(PopoverControllerTest, APopoverMidTransitionGoesWithItsLastOwner) {
    auto content = std::make_shared<Content>();
    std::weak_ptr<PopoverController> weak;
    {
        auto popover = PopoverController::create(content);
        popover->presentPopoverFromRectInView(Rect(0, 0, 10, 10), View::create(),
                                              PopoverArrowDirectionAny, true);
        weak = popover;
    }
    ASSERT_TRUE(base::RunLoop::main().nextTimerDeadline()); // the presentation is pending
    ASSERT_FALSE(weak.expired()); // a shown popover is kept by the list of what is shown
    Presentation::shared().reset();
    EXPECT_TRUE(weak.expired());
    base::RunLoop::main().advance(base::Seconds(PopoverController::animationDuration * 2));
    EXPECT_EQ(content->calls, std::vector<std::string>{"willAppear"});

    // The same while it goes away.
    auto leaving = std::make_shared<Content>();
    {
        auto popover = PopoverController::create(leaving);
        popover->presentPopoverFromRectInView(Rect(0, 0, 10, 10), View::create(),
                                              PopoverArrowDirectionAny, false);
        base::RunLoop::main().runUntilIdle();
        popover->dismissPopoverAnimated(true);
        weak = popover;
    }
    EXPECT_EQ(leaving->calls,
              (std::vector<std::string>{"willAppear", "didAppear", "willDisappear"}));
    ASSERT_TRUE(base::RunLoop::main().nextTimerDeadline());
    ASSERT_FALSE(weak.expired()); // listed until the dismissal ends
    Presentation::shared().reset();
    EXPECT_TRUE(weak.expired());
    base::RunLoop::main().advance(base::Seconds(PopoverController::animationDuration * 2));
    EXPECT_EQ(leaving->calls.size(), 3u);
}

} // namespace
} // namespace ui
