#include "browser/BrowserScreenTest.h"
#include "platform/base/Seconds.h"

#include <gmock/gmock.h>

namespace {

// A page of 3000 points on a phone: the web view is 436 high under the toolbar (480 without
// it), the top bar 96.
constexpr double pageHeight = 3000;

struct Step {
    double offset;
    double alpha;        // the toolbar's, at once
    double heightAtOnce; // the web view's, before the fades end
    double heightAfter;  // and once they have ended
    double topBarY;
};

class BarsTest : public BrowserScreenTest {
protected:
    void SetUp() override {
        BrowserScreenTest::SetUp();
        showScreen();
        engine().raiseContentSize(ui::Size(320, pageHeight));
    }
    ui::FakeWebEngine& engine() { return engineOf(*screen->selectedTab()); }
    double webHeight() { return screen->webView()->frame().size.height; }

    // The page scrolls to the offset. The engine reports only a change; the handler runs on an
    // unchanged offset too when the scroll view calls it (a bounce), so that is done directly.
    void scrollTo(double y) {
        const auto& scrollView = screen->webView()->scrollView();
        if (scrollView->contentOffset().y == y)
            screen->scrollViewDidScroll(*scrollView);
        else
            engine().raiseScroll(ui::Point(0, y));
    }
    static void settle() {
        base::RunLoop::main().runUntilIdle();
        base::RunLoop::main().advance(base::Seconds(3));
        base::RunLoop::main().runUntilIdle();
    }

    void run(const std::vector<Step>& steps) {
        for (const auto& step : steps) {
            SCOPED_TRACE("offset " + std::to_string(step.offset));
            scrollTo(step.offset);
            EXPECT_EQ(screen->bottomBar()->alpha(), step.alpha);
            EXPECT_EQ(webHeight(), step.heightAtOnce);
            EXPECT_EQ(screen->topBar()->frame().origin.y, step.topBarY);
            EXPECT_EQ(screen->lastScrollContentOffset(), std::int64_t(step.offset));
            settle();
            EXPECT_EQ(webHeight(), step.heightAfter);
            EXPECT_EQ(screen->bottomBar()->alpha(), step.alpha);
        }
    }
};

TEST_F(BarsTest, OnAPhoneTheBarsFollowThePageStepByStep) {
    run({
        // At the offset scrollToTop gives, the top bar is fully shown.
        {-96, 1, 436, 436, 0},
        // Toward the end above the page's top: the bar slides up with the page.
        {-46, 1, 436, 436, -50},
        // Toward the end in the middle: the toolbar fades out (1 s) and the web view takes its
        // room at once; the bar stays above the screen.
        {50, 0, 480, 480, -146},
        {200, 0, 480, 480, -296},
        // Back toward the top by 20 points or less a step: nothing comes back.
        {190, 0, 480, 480, -296},
        {170, 0, 480, 480, -296},
        // An offset equal to the last counts as toward the end.
        {170, 0, 480, 480, -266},
        // A step back of more than 20 points: the toolbar comes back (0.5 s), the web view
        // gives its room back after the fade, the top bar is back at once.
        {140, 1, 480, 436, 0},
        {150, 0, 480, 480, -246},
        // The page's end reached with the toolbar hidden: it comes back, and once the web
        // view is short again the page is scrolled so that its end stays in view.
        {2520, 1, 480, 436, -2616},
    });
    EXPECT_EQ(screen->webView()->scrollView()->contentOffset().y, pageHeight - 436);
    EXPECT_EQ(engine().scrolledTo().back(), ui::Point(0, pageHeight - 436));
    EXPECT_EQ(screen->topBar()->frame().origin.y, -96 - (pageHeight - 436));

    // At offset 0 the bar is just above the screen; scrollToTop shows it whole again.
    run({{0, 1, 436, 436, -96}});
    screen->scrollToTop(ui::InterfaceObject());
    EXPECT_EQ(screen->topBar()->frame().origin.y, 0);
    EXPECT_EQ(screen->webView()->scrollView()->contentInset().top, 96);
}

TEST_F(BarsTest, ReachingTheTopSlowlyBringsTheToolbarBack) {
    run({
        {50, 0, 480, 480, -146},
        {35, 0, 480, 480, -146},
        {20, 0, 480, 480, -146},
        {5, 0, 480, 480, -146},
        // At the top (offset 0 or less) the toolbar comes back; the page is not moved.
        {-5, 1, 480, 436, -91},
    });
    EXPECT_EQ(screen->webView()->scrollView()->contentOffset().y, -5);
}

TEST_F(BarsTest, AnotherTabsPageMovesNothing) {
    auto first = screen->selectedTab();
    screen->addTab(ui::InterfaceObject());
    ASSERT_NE(screen->selectedTab(), first);
    scrollTo(-50);
    const ui::Rect topBar = screen->topBar()->frame();
    engineOf(*first).raiseContentSize(ui::Size(320, pageHeight));
    engineOf(*first).raiseScroll(ui::Point(0, 500));
    EXPECT_EQ(screen->bottomBar()->alpha(), 1);
    EXPECT_EQ(screen->topBar()->frame(), topBar);
    EXPECT_EQ(screen->lastScrollContentOffset(), -50);
}

TEST_F(BarsTest, ShowHideViewBlinksTheToolbar) {
    screen->showHideView();
    EXPECT_EQ(screen->bottomBar()->alpha(), 0);
    base::RunLoop::main().advance(base::Seconds(1));
    base::RunLoop::main().runUntilIdle();
    // The fade back waits one second and takes one.
    EXPECT_EQ(screen->bottomBar()->alpha(), 1);
    EXPECT_EQ(ui::View::runningAnimationCount(), 1);
    settle();
    EXPECT_EQ(ui::View::runningAnimationCount(), 0);
}

class PadBarsTest : public BarsTest {
protected:
    ui::UserInterfaceIdiom idiom() const override { return ui::UserInterfaceIdiom::Pad; }
};

TEST_F(PadBarsTest, OnAPadOnlyTheBookkeepingIsKept) {
    // A search page keeps its scroll position.
    typeAddress("plain words");
    ASSERT_TRUE(screen->saveScrollPosition());
    const double height = webHeight();
    const ui::Rect topBar = screen->topBar()->frame();
    for (double offset : {50.0, 400.0, 380.0, 100.0, 2900.0, -10.0, 0.0}) {
        SCOPED_TRACE(offset);
        scrollTo(offset);
        settle();
        EXPECT_EQ(screen->bottomBar()->alpha(), 1);
        EXPECT_EQ(webHeight(), height);
        EXPECT_EQ(screen->topBar()->frame(), topBar);
        EXPECT_EQ(screen->lastScrollContentOffset(), std::int64_t(offset));
        EXPECT_EQ(screen->selectedTab()->scrollPosition(), std::int32_t(offset));
    }
}

} // namespace
