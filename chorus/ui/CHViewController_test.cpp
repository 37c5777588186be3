#include "chorus/ui/CHViewController.h"
#include "tests/fixtures/chorus/ChorusTest.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

class CHViewControllerTest : public ChorusTest {
protected:
    std::shared_ptr<CHViewController> present(const std::shared_ptr<ui::ViewController>& from) {
        auto screen = std::make_shared<CHViewController>();
        screen->setTitle("Pick");
        screen->presentModallyFromViewControllerAnimatedHandler(
            from, true, [this](CHViewController& sender, bool done) {
                EXPECT_FALSE(sender.presentingViewController()) << "heard before it went";
                heard.push_back(done);
            });
        return screen;
    }

    std::vector<bool> heard;
};

TEST_F(CHViewControllerTest, DoneAndCancelDismissTheScreenThenTellTheHandlerOnce) {
    for (const bool done : {true, false}) {
        heard.clear();
        auto screen = present(root);
        settle();
        EXPECT_EQ(screen->presentingViewController(), root);
        EXPECT_EQ(screen->bar()->title(), "Pick");
        EXPECT_EQ(screen->bar()->toolbar()->items().front(), screen->cancelButton());
        EXPECT_EQ(screen->bar()->toolbar()->items().back(), screen->doneButton());
        (done ? screen->doneButton() : screen->cancelButton())->simulateTap();
        // A second press while it goes changes nothing.
        screen->doneButton()->simulateTap();
        screen->cancelButton()->simulateTap();
        EXPECT_TRUE(heard.empty());
        settle();
        EXPECT_EQ(heard, std::vector<bool>{done});
        EXPECT_FALSE(root->presentedViewController());
    }
}

TEST_F(CHViewControllerTest, AScreenThatCannotBeShownCountsAsCancelled) {
    present(nullptr);
    auto busy = ui::ViewController::create();
    root->presentViewController(busy, true);
    present(root);
    EXPECT_TRUE(heard.empty());
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(heard, (std::vector<bool>{false, false}));
}

} // namespace
