#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ui {
namespace {

class WindowTest : public testing_support::PlatformTest {
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

class RecordingScreen : public ViewController {
public:
    explicit RecordingScreen(std::vector<std::string>& log, std::string name)
        : log_(log)
        , name_(std::move(name)) {}
    void viewWillAppear(bool) override {
        log_.push_back(name_ + " willAppear" + (view()->window() ? " in window" : ""));
        keyWhenAppearing = Application::shared().keyWindow() != nullptr;
    }
    void viewDidAppear(bool) override { log_.push_back(name_ + " didAppear"); }
    void viewWillDisappear(bool) override { log_.push_back(name_ + " willDisappear"); }
    void viewDidDisappear(bool) override { log_.push_back(name_ + " didDisappear"); }
    bool keyWhenAppearing = false;

private:
    std::vector<std::string>& log_;
    std::string name_;
};

TEST_F(WindowTest, MakeKeyAndVisibleShowsTheRootScreenBeforeReturning) {
    std::vector<std::string> log;
    auto window = Window::create(Rect(0, 0, 320, 480));
    auto root = std::make_shared<RecordingScreen>(log, "browser");
    window->setRootViewController(root);
    EXPECT_TRUE(window->isHidden());
    EXPECT_TRUE(log.empty()); // a hidden window shows nothing yet
    EXPECT_EQ(root->view()->superview(), nullptr);

    window->makeKeyAndVisible();
    EXPECT_EQ(log, (std::vector<std::string>{"browser willAppear", "browser didAppear"}));
    EXPECT_TRUE(root->keyWhenAppearing);
    EXPECT_FALSE(window->isHidden());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_EQ(Application::shared().keyWindow(), window);
    EXPECT_EQ(Application::shared().windows(), std::vector<std::shared_ptr<Window>>{window});
    EXPECT_EQ(root->view()->superview(), window);
    EXPECT_EQ(root->view()->frame(), window->bounds());

    // The root view follows the window's size.
    window->setFrame(Rect(0, 0, 768, 1024));
    EXPECT_EQ(root->view()->frame(), Rect(0, 0, 768, 1024));

    window->makeKeyAndVisible();
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(WindowTest, ReplacingTheRootOfAVisibleWindowSwapsTheScreens) {
    std::vector<std::string> log;
    auto window = Window::create(Rect(0, 0, 320, 480));
    auto first = std::make_shared<RecordingScreen>(log, "first");
    auto second = std::make_shared<RecordingScreen>(log, "second");
    window->setRootViewController(first);
    window->makeKeyAndVisible();
    log.clear();

    window->setRootViewController(second);
    EXPECT_EQ(log, (std::vector<std::string>{"first willDisappear", "first didDisappear",
                                             "second willAppear", "second didAppear"}));
    EXPECT_EQ(first->view()->superview(), nullptr);
    EXPECT_EQ(window->subviews().size(), 1u);
    EXPECT_EQ(window->subviews()[0], second->view());
}

TEST_F(WindowTest, TouchesGoToTheViewHitWhenTheyBegan) {
    auto window = Window::create(Rect(0, 0, 320, 480));
    window->makeKeyAndVisible();
    auto button = Button::create(ButtonType::Custom, Rect(0, 0, 100, 100));
    window->addSubview(button);
    std::vector<std::string> events;
    button->addTarget(
        this, [&](Control&, const Event*) { events.push_back("upInside"); },
        ControlEventTouchUpInside);
    button->addTarget(
        this, [&](Control&, const Event*) { events.push_back("upOutside"); },
        ControlEventTouchUpOutside);

    // Pressed on the button, released outside it: still the button's touch.
    auto touch = std::make_shared<Touch>(Point(50, 50), TouchPhase::Began, 0);
    window->sendEvent(Event(EventType::Touches, 0, {touch}));
    EXPECT_TRUE(button->isHighlighted());
    EXPECT_EQ(touch->locationInView(button.get()), Point(50, 50));
    touch->update(Point(200, 300), TouchPhase::Ended, 1);
    window->sendEvent(Event(EventType::Touches, 1, {touch}));
    EXPECT_EQ(events, std::vector<std::string>{"upOutside"});
    EXPECT_FALSE(button->isHighlighted());

    EXPECT_EQ(window->simulateTap(Point(10, 10)), button);
    EXPECT_EQ(events.back(), "upInside");
    EXPECT_EQ(window->simulateTap(Point(400, 10)), nullptr);
}

class DragRecorder : public ScrollViewDelegate {
public:
    void scrollViewWillBeginDragging(ScrollView&) override { events.push_back("willBegin"); }
    void scrollViewDidEndDraggingWillDecelerate(ScrollView&, bool) override {
        events.push_back("didEnd");
    }
    std::vector<std::string> events;
};

// A strip of buttons wider than the window scrolls sideways under a finger that drags across
// it. The button under the finger hears of the touch only once the finger has stayed put a
// moment or lifted: a quick drag never presses it, a slower one cancels its press. A finger
// that stays near where it came down, or moves along an axis the strip cannot scroll, is the
// button's; so is any touch on a strip with nothing hidden.
TEST_F(WindowTest, ADragAcrossAScrollViewScrollsItInsteadOfPressingWhatItBeganOn) {
    auto window = Window::create(Rect(0, 0, 320, 480));
    window->makeKeyAndVisible();
    auto strip = ScrollView::create(Rect(0, 100, 320, 40));
    strip->setContentSize(Size(1005, 23));
    auto recorder = std::make_shared<DragRecorder>();
    strip->setDelegate(recorder);
    window->addSubview(strip);
    auto button = Button::create(ButtonType::Custom, Rect(100, 2, 100, 34));
    strip->addSubview(button);
    std::vector<std::string> presses;
    button->addTarget(
        this, [&](Control&, const Event*) { presses.push_back("down"); }, ControlEventTouchDown);
    button->addTarget(
        this, [&](Control&, const Event*) { presses.push_back("up"); },
        ControlEventTouchUpInside | ControlEventTouchUpOutside);
    button->addTarget(
        this, [&](Control&, const Event*) { presses.push_back("cancel"); },
        ControlEventTouchCancel);

    std::shared_ptr<Touch> touch;
    const auto begin = [&](Point at) {
        touch = std::make_shared<Touch>(at, TouchPhase::Began, 0);
        window->sendEvent(Event(EventType::Touches, 0, {touch}));
    };
    const auto move = [&](Point to, TouchPhase phase = TouchPhase::Moved) {
        touch->update(to, phase, 1);
        window->sendEvent(Event(EventType::Touches, 1, {touch}));
    };

    // A quick drag: the button hears nothing.
    begin(Point(150, 120));
    move(Point(144, 120));
    EXPECT_TRUE(presses.empty()) << "held back";
    move(Point(120, 125));
    EXPECT_TRUE(strip->isDragging());
    EXPECT_EQ(strip->contentOffset(), Point(30, 0)) << "sideways only, with the finger";
    move(Point(-900, 120));
    EXPECT_EQ(strip->contentOffset(), Point(685, 0)) << "no further than the content's end";
    move(Point(400, 120));
    EXPECT_EQ(strip->contentOffset(), Point(0, 0));
    move(Point(100, 120), TouchPhase::Ended);
    EXPECT_FALSE(strip->isDragging());
    EXPECT_EQ(strip->contentOffset(), Point(50, 0));
    EXPECT_EQ(recorder->events, (std::vector<std::string>{"willBegin", "didEnd"}));
    base::RunLoop::main().advance(base::Seconds(1));
    EXPECT_TRUE(presses.empty());

    // A finger held still: the button is pressed after the delay; a drag then cancels it.
    strip->setContentOffset(Point(0, 0));
    begin(Point(150, 120));
    base::RunLoop::main().advance(base::Seconds(Window::contentTouchDelay));
    EXPECT_EQ(presses, std::vector<std::string>{"down"});
    EXPECT_TRUE(button->isHighlighted());
    move(Point(150, 160)); // down, which the strip cannot scroll: still the button's
    EXPECT_FALSE(strip->isDragging());
    move(Point(110, 120));
    EXPECT_TRUE(strip->isDragging());
    EXPECT_FALSE(button->isHighlighted());
    move(Point(110, 120), TouchPhase::Ended);
    EXPECT_EQ(presses, (std::vector<std::string>{"down", "cancel"}));
    EXPECT_EQ(strip->contentOffset(), Point(40, 0));

    // A quick tap is the button's, beginning and end.
    presses.clear();
    EXPECT_EQ(window->simulateTap(Point(150, 120)), button);
    EXPECT_EQ(presses, (std::vector<std::string>{"down", "up"}));

    // Nothing hidden: the same drag is the button's own, at once.
    strip->setContentOffset(Point(0, 0));
    strip->setContentSize(Size(300, 23));
    presses.clear();
    begin(Point(150, 120));
    EXPECT_EQ(presses, std::vector<std::string>{"down"});
    move(Point(110, 120));
    move(Point(110, 120), TouchPhase::Ended);
    EXPECT_FALSE(strip->isDragging());
    EXPECT_EQ(strip->contentOffset(), Point(0, 0));
    EXPECT_EQ(presses, (std::vector<std::string>{"down", "up"}));
}

} // namespace
} // namespace ui
