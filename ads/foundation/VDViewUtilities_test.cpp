#include "ads/foundation/VDViewUtilities.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Device.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

namespace {

class VDViewUtilitiesTest : public testing_support::PlatformTest {
protected:
    // A phone: 320 × 480 points, the application frame 320 × 460 below the status bar.
    ui::Screen screen_{ui::Rect(0, 0, 320, 480), 2};
};

TEST_F(VDViewUtilitiesTest, PositionInScreenCoordinates) {
    auto window = ui::Window::create(ui::Rect(0, 0, 320, 480));
    auto container = ui::View::create(ui::Rect(10, 20, 300, 400));
    window->addSubview(container);

    struct Case {
        ui::Rect frame;
        bool hidden;
        bool visible;
    };
    const Case cases[] = {
        {ui::Rect(5, 5, 100, 50), false, true},
        {ui::Rect(5, 5, 100, 50), true, false},
        {ui::Rect(-110, 5, 100, 50), false, false}, // ends left of the screen
        {ui::Rect(-109, 5, 100, 50), false, true},  // one point still on it
        {ui::Rect(5, -70, 100, 50), false, false},  // above the screen
        {ui::Rect(310, 5, 100, 50), false, true},   // x 320: at the application frame's edge
        {ui::Rect(311, 5, 100, 50), false, false},
        {ui::Rect(5, 440, 100, 50), false, true}, // y 460
        {ui::Rect(5, 441, 100, 50), false, false},
    };
    for (const auto& c : cases) {
        auto view = ui::View::create(c.frame);
        view->setHidden(c.hidden);
        container->addSubview(view);
        auto position = VDViewUtilities::positionOfViewInScreen(*view, screen_);
        ASSERT_TRUE(position);
        EXPECT_EQ((*position)["x"], base::Value(c.frame.origin.x + 10));
        EXPECT_EQ((*position)["y"], base::Value(c.frame.origin.y + 20));
        EXPECT_EQ((*position)["width"], base::Value(100.0));
        EXPECT_EQ((*position)["height"], base::Value(50.0));
        EXPECT_EQ((*position)["visible"], base::Value(c.visible))
            << c.frame.description() << (c.hidden ? " hidden" : "");
        view->removeFromSuperview();
    }
}

TEST_F(VDViewUtilitiesTest, WindowOriginIsAddedToThePosition) {
    // The window does not sit at the screen's origin, and the view is two levels below it
    // with a scrolled middle view, so every step of the conversion moves the result.
    auto window = ui::Window::create(ui::Rect(40, 100, 200, 300));
    auto container = ui::View::create(ui::Rect(10, 20, 180, 260));
    auto scrolled = ui::View::create(ui::Rect(5, 7, 150, 200));
    scrolled->setBounds(ui::Rect(0, 30, 150, 200)); // scrolled down by 30
    window->addSubview(container);
    container->addSubview(scrolled);

    struct Case {
        ui::Rect frame;
        // Where the frame lands on the screen: 40 + 10 + 5 across, 100 + 20 + 7 - 30 down.
        double x;
        double y;
        bool visible;
    };
    const Case cases[] = {
        {ui::Rect(3, 4, 100, 50), 58, 101, true},
        // Ends left of the window, but the window's offset keeps part of it on the screen.
        {ui::Rect(-80, 4, 50, 50), -25, 101, true},
        {ui::Rect(-110, 4, 50, 50), -55, 101, false},
        // At the application frame's edges on the screen; a point further is off it, though
        // still inside the frame in window coordinates.
        {ui::Rect(3, 363, 100, 50), 58, 460, true},
        {ui::Rect(3, 364, 100, 50), 58, 461, false},
        {ui::Rect(265, 4, 100, 50), 320, 101, true},
        {ui::Rect(266, 4, 100, 50), 321, 101, false},
        // Above the window's top in its own coordinates, still on the screen.
        {ui::Rect(3, -80, 100, 50), 58, 17, true},
    };
    for (const auto& c : cases) {
        auto view = ui::View::create(c.frame);
        scrolled->addSubview(view);
        auto position = VDViewUtilities::positionOfViewInScreen(*view, screen_);
        ASSERT_TRUE(position);
        EXPECT_EQ((*position)["x"], base::Value(c.x)) << c.frame.description();
        EXPECT_EQ((*position)["y"], base::Value(c.y)) << c.frame.description();
        EXPECT_EQ((*position)["width"], base::Value(c.frame.size.width));
        EXPECT_EQ((*position)["height"], base::Value(50.0));
        EXPECT_EQ((*position)["visible"], base::Value(c.visible)) << c.frame.description();
        view->removeFromSuperview();
    }
}

TEST_F(VDViewUtilitiesTest, NoPositionWithoutSuperviewOrWindow) {
    auto lone = ui::View::create(ui::Rect(0, 0, 10, 10));
    EXPECT_FALSE(VDViewUtilities::positionOfViewInScreen(*lone, screen_));

    auto parent = ui::View::create(ui::Rect(0, 0, 100, 100));
    auto child = ui::View::create(ui::Rect(0, 0, 10, 10));
    parent->addSubview(child);
    EXPECT_FALSE(VDViewUtilities::positionOfViewInScreen(*child, screen_));
}

} // namespace
