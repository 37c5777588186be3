#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ui {
namespace {

class ButtonTest : public testing_support::PlatformTest {
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

TEST_F(ButtonTest, StatesWithoutTheirOwnValueShowTheNormalOne) {
    auto button = Button::create(ButtonType::Custom, Rect(0, 0, 100, 32));
    button->setTitle("New Tab", ControlStateNormal);
    button->setTitleColor(Color::blackColor(), ControlStateNormal);
    button->setTitle("Chosen", ControlStateSelected);

    EXPECT_EQ(button->titleForState(ControlStateHighlighted), "New Tab");
    EXPECT_EQ(button->titleForState(ControlStateDisabled), "New Tab");
    EXPECT_EQ(button->titleForState(ControlStateSelected), "Chosen");
    // A combined state has no value of its own here: the normal one, not the selected one.
    EXPECT_EQ(button->titleForState(ControlStateSelected | ControlStateDisabled), "New Tab");

    button->setSelected(true);
    EXPECT_EQ(button->currentTitle(), "Chosen");
    EXPECT_EQ(button->titleLabel()->text(), "Chosen");
    button->setSelected(false);
    EXPECT_EQ(button->titleLabel()->text(), "New Tab");
    EXPECT_EQ(button->titleColorForState(ControlStateHighlighted), Color::blackColor());

    // Clearing the normal title leaves states without any title.
    button->setTitle(std::nullopt, ControlStateNormal);
    EXPECT_EQ(button->titleForState(ControlStateHighlighted), std::nullopt);
    EXPECT_EQ(button->titleLabel()->text(), "");
}

TEST_F(ButtonTest, StateCombinesHighlightDisabledAndSelected) {
    auto button = Button::create();
    EXPECT_EQ(button->state(), ControlStateNormal);
    button->setSelected(true);
    button->setEnabled(false);
    EXPECT_EQ(button->state(), ControlStateSelected | ControlStateDisabled);
    auto image = Image::blank(Size(10, 10), "grey");
    button->setBackgroundImage(image, ControlStateNormal);
    EXPECT_EQ(button->currentBackgroundImage(), image);
}

TEST_F(ButtonTest, ActionsReceiveTheButtonAsSender) {
    auto first = Button::create();
    auto second = Button::create();
    second->setTag(2);
    std::vector<std::int64_t> senders;
    auto action = [&](Control& sender, const Event*) { senders.push_back(sender.tag()); };
    first->addAction(this, "selectTab:", action, ControlEventTouchDown);
    second->addAction(this, "selectTab:", action, ControlEventTouchDown);
    first->simulateTap();
    second->simulateTap();
    EXPECT_EQ(senders, (std::vector<std::int64_t>{0, 2}));
}

TEST_F(ButtonTest, TapSendsTouchDownThenTouchUpInsideOnlyWhenEnabled) {
    auto button = Button::create();
    std::vector<std::string> events;
    button->addAction(
        this, "down", [&](Control&, const Event*) { events.push_back("down"); },
        ControlEventTouchDown);
    button->addAction(
        this, "up", [&](Control&, const Event*) { events.push_back("up"); },
        ControlEventTouchUpInside);
    EXPECT_TRUE(button->simulateTap());
    EXPECT_EQ(events, (std::vector<std::string>{"down", "up"}));

    events.clear();
    button->setEnabled(false);
    EXPECT_FALSE(button->simulateTap());
    button->setEnabled(true);
    button->setHidden(true);
    EXPECT_FALSE(button->simulateTap());
    EXPECT_TRUE(events.empty());
}

TEST_F(ButtonTest, ATouchDownThatDisablesTheButtonEndsTheTap) {
    // A tab's title button: touching it selects the tab, and a selected tab's button is
    // disabled, so no touch-up may follow.
    auto button = Button::create();
    int ups = 0;
    button->addTarget(
        this, [](Control& sender, const Event*) { sender.setEnabled(false); },
        ControlEventTouchDown);
    button->addTarget(
        this, [&](Control&, const Event*) { ++ups; }, ControlEventTouchUpInside);
    button->simulateTap();
    EXPECT_EQ(ups, 0);
    EXPECT_FALSE(button->isHighlighted());
}

TEST_F(ButtonTest, RemovingATargetLeavesTheOthers) {
    auto button = Button::create();
    int mine = 0, theirs = 0;
    const int otherTarget = 0;
    button->addAction(
        this, "a", [&](Control&, const Event*) { ++mine; }, ControlEventTouchUpInside);
    button->addAction(
        &otherTarget, "a", [&](Control&, const Event*) { ++theirs; },
        ControlEventTouchUpInside | ControlEventTouchDown);
    button->removeTarget(this, ControlEventAllEvents);
    button->simulateTap();
    EXPECT_EQ(mine, 0);
    EXPECT_EQ(theirs, 2);

    button->removeTarget(&otherTarget, "a", ControlEventTouchDown);
    button->simulateTap();
    EXPECT_EQ(theirs, 3);
    EXPECT_EQ(button->allTargets(), std::set<const void*>{&otherTarget});
    EXPECT_EQ(button->allControlEvents(), ControlEventTouchUpInside);
}

TEST_F(ButtonTest, AddingTheSameNamedActionTwiceSendsItOnce) {
    auto button = Button::create();
    int count = 0;
    for (int i = 0; i < 2; ++i)
        button->addAction(
            this, "gotoAddress:", [&](Control&, const Event*) { ++count; },
            ControlEventTouchUpInside);
    button->sendActionsForControlEvents(ControlEventTouchUpInside);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(button->actionsForTargetForControlEvent(this, ControlEventTouchUpInside),
              std::vector<std::string>{"gotoAddress:"});
}

TEST_F(ButtonTest, AnActionMayRemoveALaterOne) {
    auto button = Button::create();
    const int later = 0;
    int laterRuns = 0;
    button->addTarget(
        this,
        [&](Control& sender, const Event*) { sender.removeTarget(&later, ControlEventAllEvents); },
        ControlEventValueChanged);
    button->addTarget(
        &later, [&](Control&, const Event*) { ++laterRuns; }, ControlEventValueChanged);
    button->sendActionsForControlEvents(ControlEventValueChanged);
    EXPECT_EQ(laterRuns, 0);
}

TEST_F(ButtonTest, TouchesFromTheWindowReachTheButtonThroughItsLabel) {
    auto window = Window::create(Rect(0, 0, 320, 480));
    window->makeKeyAndVisible();
    auto button = Button::create(ButtonType::System, Rect(10, 10, 100, 40));
    button->setTitle("Reload", ControlStateNormal);
    window->addSubview(button);
    button->layoutIfNeeded();
    std::vector<std::string> events;
    const Event* seen = nullptr;
    button->addTarget(
        this,
        [&](Control&, const Event* event) {
            events.push_back("up");
            seen = event;
        },
        ControlEventTouchUpInside);
    button->addTarget(
        this, [&](Control&, const Event*) { events.push_back("down"); }, ControlEventTouchDown);

    const Point onTitle = button->titleLabel()->convertPointToView(Point(1, 1), nullptr);
    EXPECT_EQ(window->simulateTap(onTitle), button);
    EXPECT_EQ(events, (std::vector<std::string>{"down", "up"}));
    EXPECT_NE(seen, nullptr);
    EXPECT_FALSE(button->isHighlighted());
    EXPECT_EQ(button->currentTitleColor(), button->tintColor());
}

} // namespace
} // namespace ui
