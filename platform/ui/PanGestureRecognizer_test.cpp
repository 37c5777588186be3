#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ui {
namespace {

using Log = std::vector<std::string>;

class TouchedView : public View {
public:
    TouchedView(const Rect& frame, Log& log)
        : View(frame)
        , log_(log) {}
    void touchesBegan(const TouchSet&, const Event*) override { log_.push_back("view began"); }
    void touchesMoved(const TouchSet&, const Event*) override { log_.push_back("view moved"); }
    void touchesEnded(const TouchSet&, const Event*) override { log_.push_back("view ended"); }
    void touchesCancelled(const TouchSet&, const Event*) override {
        log_.push_back("view cancelled");
    }

private:
    Log& log_;
};

class PanGestureRecognizerTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        window_->setHidden(false);
        window_->addSubview(container_);
        container_->addSubview(inner_);
        container_->addGestureRecognizer(pan_);
        pan_->setAction([this](PanGestureRecognizer& pan) {
            static const char* names[] = {"possible", "began",     "changed",
                                          "ended",    "cancelled", "failed"};
            const Point moved = pan.translationInView(container_.get());
            log_.push_back(std::string("pan ") + names[int(pan.state())] + " " +
                           std::to_string(int(moved.x)) + "," + std::to_string(int(moved.y)));
        });
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    Log log_;
    std::shared_ptr<Window> window_ = Window::create(Rect(0, 0, 320, 480));
    std::shared_ptr<View> container_ = View::create(Rect(0, 400, 320, 50));
    std::shared_ptr<TouchedView> inner_ = std::make_shared<TouchedView>(Rect(0, 0, 320, 50), log_);
    std::shared_ptr<PanGestureRecognizer> pan_ = PanGestureRecognizer::create();
};

TEST_F(PanGestureRecognizerTest, ADragBecomesThePansAndIsTakenFromTheViewThatWasHit) {
    window_->simulateDrag(Point(100, 440), Point(100, 400), 4);
    EXPECT_EQ(log_, (Log{"view began", "pan began 0,-10", "view cancelled", "pan changed 0,-20",
                         "pan changed 0,-30", "pan changed 0,-40", "pan ended 0,-40"}));
    EXPECT_EQ(pan_->state(), GestureRecognizerState::Possible);

    // A finger that does not move far enough is a tap: the view has all of it, the pan nothing.
    log_.clear();
    window_->simulateDrag(Point(100, 440), Point(105, 436), 2);
    EXPECT_EQ(log_, (Log{"view began", "view moved", "view moved", "view ended"}));
    EXPECT_FALSE(window_->hasGestureRecognizerForTouchAt(Point(100, 100)));
    EXPECT_TRUE(window_->hasGestureRecognizerForTouchAt(Point(100, 440)));
}

TEST_F(PanGestureRecognizerTest, OnlyTheTouchesItAcceptsAreFollowedAndItsViewMayKeepThem) {
    pan_->setShouldReceiveTouch(
        [this](const Touch& touch) { return touch.locationInView(container_.get()).x < 160; });
    window_->simulateDrag(Point(200, 440), Point(200, 400), 2);
    EXPECT_EQ(log_, (Log{"view began", "view moved", "view moved", "view ended"}));
    EXPECT_FALSE(window_->hasGestureRecognizerForTouchAt(Point(200, 440)));

    log_.clear();
    pan_->setCancelsTouchesInView(false);
    window_->simulateDrag(Point(100, 440), Point(100, 400), 2);
    EXPECT_EQ(log_, (Log{"view began", "pan began 0,-20", "view moved", "pan changed 0,-40",
                         "view moved", "pan ended 0,-40", "view ended"}));

    log_.clear();
    pan_->setEnabled(false);
    window_->simulateDrag(Point(100, 440), Point(100, 400), 1);
    EXPECT_EQ(log_, (Log{"view began", "view moved", "view ended"}));
}

TEST_F(PanGestureRecognizerTest, APanWhoseRecognizerGoesAwayIsCancelledAndTheRestOfTheTouchIsLost) {
    double time = 0;
    auto touch = std::make_shared<Touch>(Point(10, 440), TouchPhase::Began, time);
    auto send = [&](Point to, TouchPhase phase) {
        time += 0.1;
        if (phase != TouchPhase::Began)
            touch->update(to, phase, time);
        window_->sendEvent(Event(EventType::Touches, time, {touch}));
    };
    send(Point(10, 440), TouchPhase::Began);
    send(Point(40, 440), TouchPhase::Moved);
    EXPECT_TRUE(window_->isTouchTakenByGestureRecognizer(*touch));
    EXPECT_DOUBLE_EQ(pan_->velocityInView(nullptr).x, 150);
    std::weak_ptr<PanGestureRecognizer> weak = pan_;
    container_->removeGestureRecognizer(pan_.get());
    pan_.reset();
    EXPECT_EQ(log_, (Log{"view began", "pan began 30,0", "view cancelled", "pan cancelled 30,0"}));
    send(Point(80, 440), TouchPhase::Moved);
    send(Point(80, 440), TouchPhase::Ended);
    EXPECT_EQ(log_.size(), 4u) << "the view had its touch cancelled";
    EXPECT_FALSE(window_->isTouchTakenByGestureRecognizer(*touch));
    EXPECT_TRUE(weak.expired()) << "the window lets go of it with the touch";
}

} // namespace
} // namespace ui
