#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
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
        Application::reset();
    }
    void TearDown() override {
        Application::reset();
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

} // namespace
} // namespace ui
