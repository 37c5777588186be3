#include "ads/foundation/VDActiveViewMonitor.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

namespace {

using ui::Rect;

class RecordingDelegate : public VDActiveViewMonitorDelegate {
public:
    void didRefreshActiveViewMonitor(VDActiveViewMonitor& monitor) override {
        samples.emplace_back(monitor.monitoredViewVisibleBounds(),
                             monitor.isMonitoredViewVisible());
    }
    std::vector<std::pair<Rect, bool>> samples;
    // What a slot holds.
    std::shared_ptr<VDActiveViewMonitor> monitor;
};

class VDActiveViewMonitorTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        ui::Application::shared().becomeActive();
        window_ = ui::Window::create(Rect(0, 0, 320, 480));
        window_->setRootViewController(std::make_shared<ui::ViewController>());
        window_->makeKeyAndVisible();
    }
    void TearDown() override {
        base::RunLoop::main().runUntilIdle();
        window_.reset();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    std::shared_ptr<ui::View> root() { return window_->rootViewController()->view(); }
    static std::shared_ptr<ui::View> add(const std::shared_ptr<ui::View>& parent, Rect frame,
                                         bool clips = false) {
        auto view = ui::View::create(frame);
        view->setClipsToBounds(clips);
        parent->addSubview(view);
        return view;
    }

    std::shared_ptr<ui::Window> window_;
};

TEST_F(VDActiveViewMonitorTest, TheVisiblePartIsClippedByEveryClippingAncestorAndTheWindow) {
    // A scroll view from y 100 to 300, the ad half scrolled out of its bottom.
    auto scroll = add(root(), Rect(0, 100, 320, 200), true);
    auto ad = add(scroll, Rect(10, 150, 300, 100));
    EXPECT_EQ(VDActiveViewMonitor::visibleBoundsOfView(ad),
              std::make_pair(Rect(10, 250, 300, 50), true));

    // Nested clipping views: an inner one at x 200 to 300 of the outer, which ends at x 250.
    auto outer = add(root(), Rect(0, 0, 250, 400), true);
    auto inner = add(outer, Rect(200, 50, 100, 100), true);
    auto nested = add(inner, Rect(-20, 10, 200, 30));
    EXPECT_EQ(VDActiveViewMonitor::visibleBoundsOfView(nested),
              std::make_pair(Rect(200, 60, 50, 30), true));

    // Past the window's edge.
    auto wide = add(root(), Rect(300, 470, 100, 100));
    EXPECT_EQ(VDActiveViewMonitor::visibleBoundsOfView(wide),
              std::make_pair(Rect(300, 470, 20, 10), true));
}

TEST_F(VDActiveViewMonitorTest, NothingSeenIsAZeroRectangleAndNotVisible) {
    auto scroll = add(root(), Rect(0, 100, 320, 200), true);
    struct Case {
        Rect frame;
        const char* what;
    };
    for (const auto& c : {Case{Rect(0, 300, 320, 50), "scrolled out"},
                          Case{Rect(0, 200, 320, 50), "just touching the edge"},
                          Case{Rect(0, 0, 0, 0), "no size"}}) {
        auto ad = add(scroll, c.frame);
        EXPECT_EQ(VDActiveViewMonitor::visibleBoundsOfView(ad), std::make_pair(Rect::zero(), false))
            << c.what;
    }
    // No window.
    auto loose = ui::View::create(Rect(0, 0, 50, 50));
    EXPECT_EQ(VDActiveViewMonitor::visibleBoundsOfView(loose), std::make_pair(Rect::zero(), false));
    EXPECT_EQ(VDActiveViewMonitor::visibleBoundsOfView(nullptr),
              std::make_pair(Rect::zero(), false));
}

TEST_F(VDActiveViewMonitorTest, HiddenAncestorsAndTheBackgroundMakeTheViewNotVisible) {
    auto container = add(root(), Rect(0, 0, 320, 200));
    auto ad = add(container, Rect(0, 0, 320, 50));
    container->setHidden(true);
    EXPECT_EQ(VDActiveViewMonitor::visibleBoundsOfView(ad),
              std::make_pair(Rect(0, 0, 320, 50), false));
    container->setHidden(false);
    ad->setHidden(true);
    EXPECT_FALSE(VDActiveViewMonitor::visibleBoundsOfView(ad).second);
    ad->setHidden(false);
    EXPECT_TRUE(VDActiveViewMonitor::visibleBoundsOfView(ad).second);

    ui::Application::shared().enterBackground();
    EXPECT_EQ(VDActiveViewMonitor::visibleBoundsOfView(ad),
              std::make_pair(Rect(0, 0, 320, 50), false));
    ui::Application::shared().becomeActive();
    window_->setHidden(true);
    EXPECT_FALSE(VDActiveViewMonitor::visibleBoundsOfView(ad).second);
}

TEST_F(VDActiveViewMonitorTest, SamplesOnItsIntervalWithOneSchedulerForTwoStarts) {
    auto ad = add(root(), Rect(0, 0, 320, 50));
    auto delegate = std::make_shared<RecordingDelegate>();
    auto monitor = VDActiveViewMonitor::createWithView(ad, [] { return base::Seconds(0.5); });
    EXPECT_EQ(VDActiveViewMonitor::createWithView(nullptr), nullptr);
    monitor->setDelegate(delegate);
    EXPECT_EQ(monitor->monitoredViewVisibleBounds(), Rect::zero());
    EXPECT_FALSE(monitor->isMonitoredViewVisible());

    monitor->stopMonitoring(); // not running: nothing
    monitor->startMonitoring();
    monitor->startMonitoring();
    EXPECT_TRUE(monitor->isMonitoring());
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(delegate->samples.empty()); // the first sample comes with the first tick
    base::RunLoop::main().advance(base::Seconds(0.5));
    base::RunLoop::main().runUntilIdle();
    ASSERT_EQ(delegate->samples.size(), 1u); // one scheduler: one sample per tick
    EXPECT_EQ(delegate->samples[0], std::make_pair(Rect(0, 0, 320, 50), true));

    ad->setFrame(Rect(0, 40, 320, 50));
    monitor->sample();
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(delegate->samples.back(), std::make_pair(Rect(0, 40, 320, 50), true));

    monitor->stopMonitoring();
    EXPECT_FALSE(monitor->isMonitoring());
    base::RunLoop::main().advance(base::Seconds(5));
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(delegate->samples.size(), 2u);

    // A view that has gone samples as nothing seen.
    ad->removeFromSuperview();
    ad.reset();
    monitor->sample();
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(delegate->samples.back(), std::make_pair(Rect::zero(), false));
}

TEST_F(VDActiveViewMonitorTest, TheDelegateIsHeldWeakly) {
    auto ad = add(root(), Rect(0, 0, 320, 50));
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->monitor = VDActiveViewMonitor::createWithView(ad);
    delegate->monitor->setDelegate(delegate);
    delegate->monitor->startMonitoring();
    base::RunLoop::main().runUntilIdle();
    std::weak_ptr<VDActiveViewMonitor> monitor = delegate->monitor;
    std::weak_ptr<RecordingDelegate> weakDelegate = delegate;
    delegate.reset();
    // The slot and its monitor go together; the timer goes with them.
    EXPECT_TRUE(weakDelegate.expired());
    EXPECT_TRUE(monitor.expired());
    base::RunLoop::main().runUntilIdle();
    base::RunLoop::main().advance(base::Seconds(2));
}

} // namespace
