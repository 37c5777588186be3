#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <numbers>
#include <stdexcept>

namespace ui {
namespace {

class ViewTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
};

void expectNear(Point actual, Point expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

std::vector<View*> order(const View& parent) {
    std::vector<View*> result;
    for (const auto& subview : parent.subviews())
        result.push_back(subview.get());
    return result;
}

// --- Geometry

TEST_F(ViewTest, FrameBoundsAndCentreStayConsistent) {
    auto view = View::create(Rect(10, 20, 100, 50));
    EXPECT_EQ(view->center(), Point(60, 45));
    EXPECT_EQ(view->bounds(), Rect(0, 0, 100, 50));

    // A bounds change keeps the centre: the frame grows around it.
    view->setBounds(Rect(0, 0, 200, 50));
    EXPECT_EQ(view->frame(), Rect(-40, 20, 200, 50));
    view->setCenter(Point(100, 100));
    EXPECT_EQ(view->frame(), Rect(0, 75, 200, 50));
}

TEST_F(ViewTest, RotationChangesTheFrameButNotTheBounds) {
    auto view = View::create(Rect(100, 100, 40, 20));
    view->setTransform(AffineTransform::rotation(std::numbers::pi / 2));
    EXPECT_EQ(view->bounds(), Rect(0, 0, 40, 20));
    const Rect frame = view->frame();
    EXPECT_NEAR(frame.origin.x, 110, 1e-9);
    EXPECT_NEAR(frame.origin.y, 90, 1e-9);
    EXPECT_NEAR(frame.size.width, 20, 1e-9);
    EXPECT_NEAR(frame.size.height, 40, 1e-9);

    // Setting the frame of a quarter-turned view sizes its bounds the other way round.
    view->setFrame(Rect(0, 0, 30, 60));
    EXPECT_NEAR(view->bounds().size.width, 60, 1e-9);
    EXPECT_NEAR(view->bounds().size.height, 30, 1e-9);
    EXPECT_EQ(view->center(), Point(15, 30));
}

TEST_F(ViewTest, ConversionFollowsBoundsOriginsAndTransforms) {
    auto window = Window::create(Rect(0, 0, 320, 480));
    auto scrolled = View::create(Rect(10, 20, 100, 100));
    scrolled->setBounds(Rect(0, 50, 100, 100)); // scrolled down by 50
    auto inner = View::create(Rect(5, 60, 20, 10));
    auto turned = View::create(Rect(100, 100, 40, 20));
    turned->setTransform(AffineTransform::rotation(std::numbers::pi / 2));
    window->addSubview(scrolled);
    scrolled->addSubview(inner);
    window->addSubview(turned);

    expectNear(inner->convertPointToView(Point(0, 0), nullptr), Point(15, 30));
    expectNear(inner->convertPointToView(Point(0, 0), window.get()), Point(15, 30));
    expectNear(inner->convertPointFromView(Point(15, 30), nullptr), Point(0, 0));
    expectNear(scrolled->convertPointFromView(Point(0, 0), inner.get()), Point(5, 60));

    // The top-left corner of the turned view's bounds lies right of its centre, above it.
    expectNear(turned->convertPointToView(Point(0, 0), window.get()), Point(130, 90));
    expectNear(turned->convertPointFromView(Point(130, 90), nullptr), Point(0, 0));
    // Between two branches of the tree.
    expectNear(turned->convertPointToView(Point(0, 0), inner.get()), Point(115, 60));
    expectNear(inner->convertPointToView(Point(115, 60), turned.get()), Point(0, 0));

    const Rect inWindow = turned->convertRectToView(turned->bounds(), nullptr);
    EXPECT_NEAR(inWindow.origin.x, 110, 1e-9);
    EXPECT_NEAR(inWindow.size.height, 40, 1e-9);
    const Rect back = inner->convertRectFromView(Rect(15, 30, 20, 10), nullptr);
    EXPECT_NEAR(back.origin.x, 0, 1e-9);
    EXPECT_NEAR(back.origin.y, 0, 1e-9);
}

TEST_F(ViewTest, ConversionWithoutAWindowUsesTheTopmostView) {
    auto root = View::create(Rect(50, 50, 200, 200));
    auto child = View::create(Rect(10, 10, 20, 20));
    root->addSubview(child);
    expectNear(child->convertPointToView(Point(1, 1), nullptr), Point(61, 61));
    expectNear(child->convertPointToView(Point(1, 1), root.get()), Point(11, 11));
}

// --- Subview order

TEST_F(ViewTest, SubviewOrderOperations) {
    auto parent = View::create();
    auto a = View::create(), b = View::create(), c = View::create(), d = View::create();
    parent->addSubview(a);
    parent->addSubview(b);
    parent->addSubview(c);
    EXPECT_EQ(order(*parent), (std::vector<View*>{a.get(), b.get(), c.get()}));

    parent->insertSubviewAtIndex(d, 1);
    EXPECT_EQ(order(*parent), (std::vector<View*>{a.get(), d.get(), b.get(), c.get()}));
    parent->insertSubviewAboveSubview(a, c);
    EXPECT_EQ(order(*parent), (std::vector<View*>{d.get(), b.get(), c.get(), a.get()}));
    parent->insertSubviewBelowSubview(a, d);
    EXPECT_EQ(order(*parent), (std::vector<View*>{a.get(), d.get(), b.get(), c.get()}));
    parent->bringSubviewToFront(a);
    EXPECT_EQ(order(*parent), (std::vector<View*>{d.get(), b.get(), c.get(), a.get()}));
    parent->sendSubviewToBack(c);
    EXPECT_EQ(order(*parent), (std::vector<View*>{c.get(), d.get(), b.get(), a.get()}));
    // Adding a subview again brings it to the front without duplicating it.
    parent->addSubview(d);
    EXPECT_EQ(order(*parent), (std::vector<View*>{c.get(), b.get(), a.get(), d.get()}));
    parent->insertSubviewAtIndex(b, 99);
    EXPECT_EQ(order(*parent).back(), b.get());
}

TEST_F(ViewTest, SendingANonChildToTheBackDoesNothing) {
    auto parent = View::create(), other = View::create();
    auto mine = View::create(), stranger1 = View::create(), stranger2 = View::create();
    parent->addSubview(mine);
    other->addSubview(stranger1);
    other->addSubview(stranger2);

    parent->sendSubviewToBack(stranger2);
    parent->bringSubviewToFront(stranger1);
    EXPECT_EQ(order(*parent), (std::vector<View*>{mine.get()}));
    EXPECT_EQ(order(*other), (std::vector<View*>{stranger1.get(), stranger2.get()}));
    EXPECT_EQ(stranger2->superview(), other);
    parent->sendSubviewToBack(nullptr);
}

TEST_F(ViewTest, AddingMovesAViewBetweenSuperviewsAndRefusesCycles) {
    auto first = View::create(), second = View::create(), child = View::create();
    first->addSubview(child);
    second->addSubview(child);
    EXPECT_TRUE(first->subviews().empty());
    EXPECT_EQ(child->superview(), second);

    auto grandchild = View::create();
    child->addSubview(grandchild);
    EXPECT_THROW(grandchild->addSubview(second), std::invalid_argument);
    EXPECT_THROW(child->addSubview(child), std::invalid_argument);
    EXPECT_EQ(child->superview(), second);

    child->removeFromSuperview();
    EXPECT_EQ(child->superview(), nullptr);
    EXPECT_TRUE(second->subviews().empty());
    EXPECT_EQ(grandchild->superview(), child);
}

TEST_F(ViewTest, ASubviewOutlivingItsSuperviewForgetsIt) {
    auto child = View::create();
    {
        auto parent = View::create();
        parent->addSubview(child);
    }
    EXPECT_EQ(child->superview(), nullptr);
    EXPECT_EQ(child->superviewPointer(), nullptr);
}

class RecordingView : public View {
public:
    using View::View;
    void didMoveToWindow() override { windows.push_back(window().get()); }
    void layoutSubviews() override { ++layouts; }
    std::vector<Window*> windows;
    int layouts = 0;
};

TEST_F(ViewTest, WindowHooksReachEveryDescendant) {
    auto window = Window::create(Rect(0, 0, 320, 480));
    auto branch = View::create();
    auto leaf = std::make_shared<RecordingView>();
    branch->addSubview(leaf);
    EXPECT_TRUE(leaf->windows.empty());

    window->addSubview(branch);
    ASSERT_EQ(leaf->windows.size(), 1u);
    EXPECT_EQ(leaf->windows[0], window.get());
    EXPECT_EQ(leaf->window(), window);

    branch->removeFromSuperview();
    ASSERT_EQ(leaf->windows.size(), 2u);
    EXPECT_EQ(leaf->windows[1], nullptr);
    EXPECT_EQ(leaf->window(), nullptr);
}

TEST_F(ViewTest, ViewWithTagSearchesDepthFirst) {
    auto root = View::create();
    auto a = View::create(), b = View::create(), deep = View::create();
    a->setTag(7);
    b->setTag(3);
    deep->setTag(3);
    root->addSubview(a);
    a->addSubview(deep);
    root->addSubview(b);
    EXPECT_EQ(root->viewWithTag(3), deep);
    EXPECT_EQ(root->viewWithTag(7), a);
    EXPECT_EQ(root->viewWithTag(99), nullptr);
}

// --- Hit testing

TEST_F(ViewTest, HitTestSkipsHiddenTransparentAndNonInteractiveViews) {
    auto root = View::create(Rect(0, 0, 300, 300));
    auto back = View::create(Rect(0, 0, 100, 100));
    auto front = View::create(Rect(0, 0, 100, 100));
    root->addSubview(back);
    root->addSubview(front);
    const Point point(50, 50);

    EXPECT_EQ(root->hitTest(point, nullptr), front);
    front->setHidden(true);
    EXPECT_EQ(root->hitTest(point, nullptr), back);
    front->setHidden(false);
    front->setAlpha(0.005);
    EXPECT_EQ(root->hitTest(point, nullptr), back);
    front->setAlpha(0.01);
    EXPECT_EQ(root->hitTest(point, nullptr), front);
    front->setUserInteractionEnabled(false);
    EXPECT_EQ(root->hitTest(point, nullptr), back);

    // A hidden parent hides its whole subtree.
    back->setHidden(true);
    EXPECT_EQ(root->hitTest(point, nullptr), root);
    EXPECT_EQ(root->hitTest(Point(300, 10), nullptr), nullptr);
}

TEST_F(ViewTest, HitTestNeverReachesPartsOutsideTheSuperview) {
    auto root = View::create(Rect(0, 0, 300, 300));
    auto box = View::create(Rect(0, 0, 100, 100));
    auto sticking = View::create(Rect(80, 80, 50, 50)); // pokes out of box
    root->addSubview(box);
    box->addSubview(sticking);
    EXPECT_EQ(root->hitTest(Point(90, 90), nullptr), sticking);
    EXPECT_EQ(root->hitTest(Point(120, 120), nullptr), root);
}

TEST_F(ViewTest, HitTestUsesTheSubviewsOwnCoordinates) {
    auto root = View::create(Rect(0, 0, 300, 300));
    auto scrolled = View::create(Rect(0, 0, 300, 300));
    scrolled->setBounds(Rect(0, 200, 300, 300));
    auto row = View::create(Rect(0, 250, 300, 40));
    root->addSubview(scrolled);
    scrolled->addSubview(row);
    EXPECT_EQ(root->hitTest(Point(10, 60), nullptr), row);
    EXPECT_EQ(root->hitTest(Point(10, 250), nullptr), scrolled);
}

TEST_F(ViewTest, ADisabledControlOnTopStillTakesTheTouch) {
    auto window = Window::create(Rect(0, 0, 320, 480));
    window->makeKeyAndVisible();
    auto under = Button::create(ButtonType::Custom, Rect(0, 0, 100, 40));
    auto over = Button::create(ButtonType::Custom, Rect(0, 0, 100, 40));
    window->addSubview(under);
    window->addSubview(over);
    int underTaps = 0, overTaps = 0;
    under->addTarget(
        this, [&](Control&, const Event*) { ++underTaps; }, ControlEventTouchUpInside);
    over->addTarget(
        this, [&](Control&, const Event*) { ++overTaps; }, ControlEventTouchUpInside);
    over->setEnabled(false);

    EXPECT_EQ(window->simulateTap(Point(50, 20)), over);
    EXPECT_EQ(underTaps, 0);
    EXPECT_EQ(overTaps, 0);
    over->setEnabled(true);
    window->simulateTap(Point(50, 20));
    EXPECT_EQ(overTaps, 1);
}

// --- Autoresizing

TEST_F(ViewTest, AutoresizingFollowsTheMask) {
    auto parent = View::create(Rect(0, 0, 320, 480));
    auto stretch = View::create(Rect(10, 0, 300, 44));
    stretch->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
    auto pinnedRight = View::create(Rect(270, 0, 40, 40));
    pinnedRight->setAutoresizingMask(ViewAutoresizingFlexibleLeftMargin);
    auto centred = View::create(Rect(110, 0, 100, 20));
    centred->setAutoresizingMask(ViewAutoresizingFlexibleLeftMargin |
                                 ViewAutoresizingFlexibleRightMargin);
    auto bottomBar = View::create(Rect(0, 436, 320, 44));
    bottomBar->setAutoresizingMask(ViewAutoresizingFlexibleTopMargin |
                                   ViewAutoresizingFlexibleWidth);
    auto fixed = View::create(Rect(5, 5, 10, 10));
    for (auto& view : {stretch, pinnedRight, centred, bottomBar, fixed})
        parent->addSubview(view);

    parent->setFrame(Rect(0, 0, 480, 320));
    EXPECT_EQ(stretch->frame(), Rect(10, 0, 460, 44));
    EXPECT_EQ(pinnedRight->frame(), Rect(430, 0, 40, 40));
    EXPECT_EQ(centred->frame(), Rect(190, 0, 100, 20));
    EXPECT_EQ(bottomBar->frame(), Rect(0, 276, 480, 44));
    EXPECT_EQ(fixed->frame(), Rect(5, 5, 10, 10));
}

TEST_F(ViewTest, AutoresizingSharesChangesAmongFlexibleParts) {
    auto parent = View::create(Rect(0, 0, 100, 100));
    auto child = View::create(Rect(0, 0, 100, 50));
    child->setAutoresizingMask(ViewAutoresizingFlexibleHeight |
                               ViewAutoresizingFlexibleBottomMargin);
    auto grandchild = View::create(Rect(0, 0, 100, 50));
    grandchild->setAutoresizingMask(ViewAutoresizingFlexibleHeight);
    parent->addSubview(child);
    child->addSubview(grandchild);

    parent->setBounds(Rect(0, 0, 100, 200));
    // Height 50 and bottom margin 50 share the extra 100 equally; the grandchild follows.
    EXPECT_EQ(child->frame(), Rect(0, 0, 100, 100));
    EXPECT_EQ(grandchild->frame(), Rect(0, 0, 100, 100));

    parent->setAutoresizesSubviews(false);
    parent->setBounds(Rect(0, 0, 100, 400));
    EXPECT_EQ(child->frame(), Rect(0, 0, 100, 100));
}

// --- Layout

TEST_F(ViewTest, LayoutRunsOnceOnTheNextTurnForViewsInAWindow) {
    auto window = Window::create(Rect(0, 0, 320, 480));
    auto view = std::make_shared<RecordingView>(Rect(0, 0, 10, 10));
    window->addSubview(view);
    base::RunLoop::main().runUntilIdle();
    view->layouts = 0;

    view->setNeedsLayout();
    view->setNeedsLayout();
    EXPECT_EQ(view->layouts, 0);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(view->layouts, 1);

    view->setFrame(Rect(0, 0, 20, 20)); // a size change needs layout too
    view->layoutIfNeeded();
    EXPECT_EQ(view->layouts, 2);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(view->layouts, 2);
}

// --- Animations

TEST_F(ViewTest, AnimationModelHoldsFinalValuesAndCompletionRunsLater) {
    auto view = View::create(Rect(0, 0, 10, 10));
    std::vector<bool> finished;
    bool insideAnimate = true;
    View::animate(
        1.0, 0.5, ViewAnimationOptionCurveEaseIn,
        [&] {
            ASSERT_NE(View::currentAnimation(), nullptr);
            EXPECT_EQ(View::currentAnimation()->options, ViewAnimationOptionCurveEaseIn);
            view->setAlpha(0);
            view->setFrame(Rect(0, 0, 10, 60));
        },
        [&](bool done) {
            EXPECT_FALSE(insideAnimate);
            finished.push_back(done);
        });
    insideAnimate = false;
    EXPECT_EQ(View::currentAnimation(), nullptr);
    EXPECT_EQ(view->alpha(), 0);
    EXPECT_EQ(view->frame().size.height, 60);
    EXPECT_EQ(View::runningAnimationCount(), 1);

    base::RunLoop::main().runUntilIdle();
    base::RunLoop::main().advance(std::chrono::milliseconds(1400));
    EXPECT_TRUE(finished.empty());
    base::RunLoop::main().advance(std::chrono::milliseconds(100));
    EXPECT_EQ(finished, std::vector<bool>{true});
    EXPECT_EQ(View::runningAnimationCount(), 0);
}

TEST_F(ViewTest, ZeroDurationAnimationStillCompletesOnALaterTurn) {
    bool done = false;
    View::animate(
        0, [] {}, [&](bool) { done = true; });
    EXPECT_FALSE(done);
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(done);
}

TEST_F(ViewTest, TransitionReplacesTheViewInPlace) {
    auto parent = View::create();
    auto before = View::create(), from = View::create(), after = View::create();
    auto to = View::create();
    parent->addSubview(before);
    parent->addSubview(from);
    parent->addSubview(after);
    std::vector<bool> results;
    EXPECT_TRUE(View::transition(from, to, 0.5, ViewAnimationOptionTransitionCrossDissolve,
                                 [&](bool ok) { results.push_back(ok); }));
    EXPECT_EQ(order(*parent), (std::vector<View*>{before.get(), to.get(), after.get()}));
    EXPECT_EQ(from->superview(), nullptr);
    EXPECT_TRUE(results.empty());
    base::RunLoop::main().advance(std::chrono::milliseconds(500));
    EXPECT_EQ(results, std::vector<bool>{true});
}

TEST_F(ViewTest, TransitionToNoViewIsRefused) {
    auto parent = View::create();
    auto from = View::create();
    parent->addSubview(from);
    std::vector<bool> results;
    EXPECT_FALSE(View::transition(from, nullptr, 0.5, ViewAnimationOptionTransitionCrossDissolve,
                                  [&](bool ok) { results.push_back(ok); }));
    EXPECT_EQ(from->superview(), parent);
    EXPECT_TRUE(results.empty()); // not from inside the call
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(results, std::vector<bool>{false});

    // Nor can a view that is in no superview be replaced.
    auto loose = View::create();
    EXPECT_FALSE(View::transition(loose, View::create(), 0.5, 0, {}));
}

TEST_F(ViewTest, ShowHideTransitionKeepsBothViews) {
    auto parent = View::create();
    auto from = View::create(), to = View::create();
    parent->addSubview(from);
    parent->addSubview(to);
    to->setHidden(true);
    EXPECT_TRUE(View::transition(from, to, 0.2, ViewAnimationOptionShowHideTransitionViews, {}));
    EXPECT_TRUE(from->isHidden());
    EXPECT_FALSE(to->isHidden());
    EXPECT_EQ(parent->subviews().size(), 2u);
}

} // namespace
} // namespace ui
