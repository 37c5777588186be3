#include "ads/presentation/VDPercentDrivenUserInteractionAnimationController.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class Swiped : public VDPercentDrivenUserInteractionAnimationControllerDelegate {
public:
    void animationControllerDidFinishAnimationTransition(
        VDPercentDrivenUserInteractionAnimationController&) override {
        calls.push_back("finish");
    }
    void animationControllerDidCancelAnimationTransition(
        VDPercentDrivenUserInteractionAnimationController&) override {
        calls.push_back("cancel");
    }
    Strings calls;
};

class VDPercentDrivenUserInteractionAnimationControllerTest
    : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        window_->setHidden(false);
        window_->addSubview(pulled_);
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    // A controller whose pan is on the pulled view and drives the screen in over the window.
    std::shared_ptr<VDPercentDrivenUserInteractionAnimationController> makeController() {
        auto animation = VDViewControllerFullScreenSwipeAnimation::createWithViewControllerInView(
            screen_, window_);
        auto controller =
            VDPercentDrivenUserInteractionAnimationController::createWithAnimationDelegate(
                animation, swiped_);
        auto pan = ui::PanGestureRecognizer::create(
            [controller](ui::PanGestureRecognizer& recognizer) {
                controller->handlePan(recognizer);
            });
        pulled_->addGestureRecognizer(pan);
        return controller;
    }
    void settle() {
        clock().advance(base::Seconds(1));
        base::RunLoop::main().runUntilIdle();
    }

    std::shared_ptr<ui::Window> window_ = ui::Window::create(ui::Rect(0, 0, 320, 400));
    std::shared_ptr<ui::View> pulled_ = ui::View::create(ui::Rect(0, 350, 320, 50));
    std::shared_ptr<ui::ViewController> screen_ = ui::ViewController::create();
    std::shared_ptr<Swiped> swiped_ = std::make_shared<Swiped>();
};

TEST_F(VDPercentDrivenUserInteractionAnimationControllerTest,
       TheScreenFollowsTheFingerAndFinishesPastHalfWayOrOnAFlick) {
    auto controller = makeController();
    auto touch = std::make_shared<ui::Touch>(ui::Point(10, 390), ui::TouchPhase::Began, 0);
    window_->sendEvent(ui::Event(ui::EventType::Touches, 0, {touch}));
    touch->update(ui::Point(10, 290), ui::TouchPhase::Moved, 1);
    window_->sendEvent(ui::Event(ui::EventType::Touches, 1, {touch}));
    EXPECT_TRUE(controller->isInteractive());
    EXPECT_DOUBLE_EQ(controller->percentComplete(), 0.25);
    EXPECT_EQ(screen_->view()->frame(), ui::Rect(0, 300, 320, 400));
    EXPECT_EQ(screen_->view()->superview(), window_);
    touch->update(ui::Point(10, 170), ui::TouchPhase::Ended, 2);
    window_->sendEvent(ui::Event(ui::EventType::Touches, 2, {touch}));
    EXPECT_TRUE(swiped_->calls.empty()) << "heard once the animation has run";
    settle();
    EXPECT_EQ(swiped_->calls, Strings{"finish"});
    EXPECT_EQ(screen_->view()->frame(), window_->bounds());
    EXPECT_FALSE(controller->startInteractiveTransition()) << "one transition per controller";

    // A quick flick finishes from a quarter of the way; a slow quarter goes back.
    screen_->view()->removeFromSuperview();
    pulled_->removeGestureRecognizer(pulled_->gestureRecognizers().front().get());
    makeController();
    window_->simulateDrag(ui::Point(10, 390), ui::Point(10, 290), 4, 0.01);
    settle();
    EXPECT_EQ(swiped_->calls, (Strings{"finish", "finish"}));
    screen_->view()->removeFromSuperview();
    pulled_->removeGestureRecognizer(pulled_->gestureRecognizers().front().get());
    makeController();
    window_->simulateDrag(ui::Point(10, 390), ui::Point(10, 290), 4, 0.5);
    settle();
    EXPECT_EQ(swiped_->calls, (Strings{"finish", "finish", "cancel"}));
    EXPECT_FALSE(screen_->view()->superview()) << "taken back out of the window";
}

} // namespace
