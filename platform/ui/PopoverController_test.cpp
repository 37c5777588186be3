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

} // namespace
} // namespace ui
