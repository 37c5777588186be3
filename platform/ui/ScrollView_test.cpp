#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/ScrollView.h"

#include <gtest/gtest.h>
#include <vector>

namespace ui {
namespace {

class ScrollViewTest : public testing_support::PlatformTest {};

class RecordingDelegate : public ScrollViewDelegate {
public:
    void scrollViewDidScroll(ScrollView& view) override {
        offsets.push_back(view.contentOffset().y);
        events.push_back("scroll");
    }
    void scrollViewWillBeginDragging(ScrollView&) override { events.push_back("willDrag"); }
    void scrollViewDidEndDraggingWillDecelerate(ScrollView&, bool decelerate) override {
        events.push_back(decelerate ? "endDrag+decelerate" : "endDrag");
    }
    void scrollViewWillBeginDecelerating(ScrollView&) override { events.push_back("willDecel"); }
    void scrollViewDidEndDecelerating(ScrollView&) override { events.push_back("endDecel"); }
    void scrollViewDidEndScrollingAnimation(ScrollView&) override { events.push_back("endAnim"); }
    bool scrollViewShouldScrollToTop(ScrollView&) override { return allowTop; }
    void scrollViewDidScrollToTop(ScrollView&) override { events.push_back("top"); }

    std::vector<double> offsets;
    std::vector<std::string> events;
    bool allowTop = true;
};

TEST_F(ScrollViewTest, DelegateHearsEveryOffsetChangeWhateverMadeIt) {
    auto scroll = ScrollView::create(Rect(0, 0, 320, 400));
    scroll->setContentSize(Size(320, 2000));
    auto delegate = std::make_shared<RecordingDelegate>();
    scroll->setDelegate(delegate);

    scroll->setContentOffset(Point(0, 100));
    scroll->setContentOffset(Point(0, 100)); // no change, no call
    scroll->setBounds(Rect(0, 150, 320, 400));
    scroll->beginDragging();
    scroll->dragTo(Point(0, 170));
    scroll->dragTo(Point(0, 169.5));
    scroll->endDragging(true);
    scroll->endDecelerating();
    EXPECT_EQ(delegate->offsets, (std::vector<double>{100, 150, 170, 169.5}));
    EXPECT_EQ(delegate->events,
              (std::vector<std::string>{"scroll", "scroll", "willDrag", "scroll", "scroll",
                                        "endDrag+decelerate", "willDecel", "endDecel"}));
    EXPECT_FALSE(scroll->isDragging());
    EXPECT_FALSE(scroll->isDecelerating());

    // Changing only the size of the bounds does not scroll.
    scroll->setBounds(Rect(0, 169.5, 320, 300));
    EXPECT_EQ(delegate->offsets.size(), 4u);
}

TEST_F(ScrollViewTest, AnimatedScrollMovesAtOnceAndEndsLater) {
    auto scroll = ScrollView::create(Rect(0, 0, 320, 400));
    auto delegate = std::make_shared<RecordingDelegate>();
    scroll->setDelegate(delegate);
    scroll->setContentOffset(Point(0, 300), true);
    EXPECT_EQ(scroll->contentOffset(), Point(0, 300));
    EXPECT_EQ(delegate->events, std::vector<std::string>{"scroll"});
    base::RunLoop::main().advance(std::chrono::seconds(1));
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"scroll", "endAnim"}));
}

TEST_F(ScrollViewTest, TheDelegateIsHeldWeakly) {
    auto scroll = ScrollView::create(Rect(0, 0, 320, 400));
    scroll->setContentOffset(Point(0, 10), true);
    {
        auto delegate = std::make_shared<RecordingDelegate>();
        scroll->setDelegate(delegate);
    }
    EXPECT_EQ(scroll->delegate(), nullptr);
    scroll->setContentOffset(Point(0, 20));
    base::RunLoop::main().advance(std::chrono::seconds(1));
    EXPECT_EQ(scroll->contentOffset(), Point(0, 20));
}

TEST_F(ScrollViewTest, InsetsKeepTheOffsetAndBoundTheRestingRange) {
    auto scroll = ScrollView::create(Rect(0, 0, 320, 400));
    scroll->setContentSize(Size(320, 1000));
    scroll->setContentOffset(Point(0, -44));
    scroll->setContentInset(EdgeInsets(44, 0, 0, 0));
    EXPECT_EQ(scroll->contentOffset(), Point(0, -44));
    EXPECT_EQ(scroll->minimumContentOffset(), Point(0, -44));
    EXPECT_EQ(scroll->maximumContentOffset(), Point(0, 600));

    // The inset on screen shrinks as the content scrolls up into it.
    for (const auto& [offset, inView] :
         {std::pair{-60.0, 44.0}, std::pair{-44.0, 44.0}, std::pair{-14.0, 14.0},
          std::pair{0.0, 0.0}, std::pair{300.0, 0.0}}) {
        scroll->setContentOffset(Point(0, offset));
        EXPECT_EQ(scroll->topInsetInView(), inView) << "at " << offset;
    }
}

// Counts the hook a subclass gets for inset changes.
class InsetCountingScrollView : public ScrollView {
public:
    using ScrollView::ScrollView;
    std::vector<EdgeInsets> insets;

protected:
    void contentInsetDidChange() override { insets.push_back(contentInset()); }
};

TEST_F(ScrollViewTest, ASubclassHearsEachChangeOfTheInsetOnce) {
    auto scroll = std::make_shared<InsetCountingScrollView>(Rect(0, 0, 320, 400));
    auto delegate = std::make_shared<RecordingDelegate>();
    scroll->setDelegate(delegate);
    scroll->setContentInset(EdgeInsets(44, 0, 0, 0));
    scroll->setContentInset(EdgeInsets(44, 0, 0, 0)); // the same again: no change
    scroll->setContentInset(EdgeInsets(44, 0, 49, 0));
    scroll->setContentInset(EdgeInsets());
    EXPECT_EQ(scroll->insets, (std::vector<EdgeInsets>{EdgeInsets(44, 0, 0, 0),
                                                       EdgeInsets(44, 0, 49, 0), EdgeInsets()}));
    EXPECT_TRUE(delegate->events.empty()); // an inset is no scroll
}

TEST_F(ScrollViewTest, ScrollRectToVisibleMovesJustEnough) {
    auto scroll = ScrollView::create(Rect(0, 0, 320, 400));
    scroll->setContentSize(Size(320, 1000));
    scroll->scrollRectToVisible(Rect(0, 100, 10, 10), false); // already visible
    EXPECT_EQ(scroll->contentOffset(), Point(0, 0));
    scroll->scrollRectToVisible(Rect(0, 500, 10, 50), false);
    EXPECT_EQ(scroll->contentOffset(), Point(0, 150));
    scroll->scrollRectToVisible(Rect(0, 20, 10, 10), false);
    EXPECT_EQ(scroll->contentOffset(), Point(0, 20));
    scroll->scrollRectToVisible(Rect(0, 5000, 10, 10), false); // kept inside the content
    EXPECT_EQ(scroll->contentOffset(), Point(0, 600));
}

TEST_F(ScrollViewTest, StatusBarTapScrollsToTheTopInsetUnlessRefused) {
    auto scroll = ScrollView::create(Rect(0, 0, 320, 400));
    scroll->setContentInset(EdgeInsets(60, 0, 0, 0));
    scroll->setContentOffset(Point(0, 500));
    auto delegate = std::make_shared<RecordingDelegate>();
    scroll->setDelegate(delegate);
    delegate->allowTop = false;
    EXPECT_FALSE(scroll->tapStatusBar());
    EXPECT_EQ(scroll->contentOffset(), Point(0, 500));
    delegate->allowTop = true;
    EXPECT_TRUE(scroll->tapStatusBar());
    EXPECT_EQ(scroll->contentOffset(), Point(0, -60));
    EXPECT_EQ(delegate->events.back(), "top");

    scroll->setScrollEnabled(false);
    scroll->beginDragging();
    scroll->dragTo(Point(0, 10));
    EXPECT_EQ(scroll->contentOffset(), Point(0, -60));
}

TEST_F(ScrollViewTest, ZoomScaleStaysInItsRange) {
    auto scroll = ScrollView::create(Rect(0, 0, 100, 100));
    scroll->setMaximumZoomScale(3);
    scroll->setZoomScale(5);
    EXPECT_EQ(scroll->zoomScale(), 3);
    scroll->setZoomScale(0.1);
    EXPECT_EQ(scroll->zoomScale(), 1);
}

} // namespace
} // namespace ui
