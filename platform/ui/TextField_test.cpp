#include "platform/base/NotificationCenter.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ui {
namespace {

class TextFieldTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        previousDevice_ = Device::install(std::make_shared<Device>(UserInterfaceIdiom::Phone));
        window = Window::create(Rect(0, 0, 320, 480));
        window->makeKeyAndVisible();
        field = TextField::create(Rect(10, 10, 200, 30));
        other = TextField::create(Rect(10, 50, 200, 30));
        window->addSubview(field);
        window->addSubview(other);
        for (const char* name : {KeyboardWillShowNotification, KeyboardDidShowNotification,
                                 KeyboardWillHideNotification, KeyboardDidHideNotification})
            base::NotificationCenter::defaultCenter().addObserver(
                name, [this](const base::Notification& note) {
                    posted.push_back(note.name);
                    lastUserInfo = note.userInfo;
                    focusedWhenPosted.push_back(field->isFirstResponder());
                });
    }
    void TearDown() override {
        window.reset();
        base::resetProcessServicesForTesting();
        Device::install(previousDevice_);
        PlatformTest::TearDown();
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<TextField> field;
    std::shared_ptr<TextField> other;
    std::vector<std::string> posted;
    std::vector<bool> focusedWhenPosted;
    base::Value::Dictionary lastUserInfo;

private:
    std::shared_ptr<Device> previousDevice_;
};

class RecordingDelegate : public TextFieldDelegate {
public:
    bool textFieldShouldBeginEditing(TextField&) override {
        calls.push_back("shouldBegin");
        return allowBegin;
    }
    void textFieldDidBeginEditing(TextField&) override { calls.push_back("didBegin"); }
    void textFieldDidEndEditing(TextField&) override { calls.push_back("didEnd"); }
    bool textFieldShouldChangeCharactersInRangeReplacementString(TextField&, TextRange range,
                                                                 const std::string& text) override {
        changes.push_back({range, text});
        return allowChange;
    }
    bool textFieldShouldReturn(TextField&) override {
        calls.push_back("shouldReturn");
        return true;
    }
    std::vector<std::string> calls;
    std::vector<std::pair<TextRange, std::string>> changes;
    bool allowBegin = true;
    bool allowChange = true;
};

TEST_F(TextFieldTest, FocusBringsTheKeyboardUpOnceTheFieldIsFirstResponder) {
    EXPECT_TRUE(field->becomeFirstResponder());
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_TRUE(field->isEditing());
    EXPECT_EQ(posted, (std::vector<std::string>{KeyboardWillShowNotification,
                                                KeyboardDidShowNotification}));
    EXPECT_EQ(focusedWhenPosted, (std::vector<bool>{true, true}));
    const auto frame =
        Keyboard::rectFromValue(base::Value(lastUserInfo)[KeyboardFrameEndUserInfoKey]);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(*frame, Rect(0, 264, 320, 216));
    EXPECT_EQ(window->firstResponder(), field);

    // Focusing again changes nothing.
    EXPECT_TRUE(field->becomeFirstResponder());
    EXPECT_EQ(posted.size(), 2u);

    EXPECT_TRUE(field->resignFirstResponder());
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_EQ(posted, (std::vector<std::string>{
                          KeyboardWillShowNotification, KeyboardDidShowNotification,
                          KeyboardWillHideNotification, KeyboardDidHideNotification}));
    EXPECT_FALSE(Application::shared().keyboard().isVisible());
}

TEST_F(TextFieldTest, MovingFocusBetweenFieldsKeepsTheKeyboardUp) {
    field->becomeFirstResponder();
    posted.clear();
    EXPECT_TRUE(other->becomeFirstResponder());
    EXPECT_TRUE(posted.empty());
    EXPECT_FALSE(field->isEditing());
    EXPECT_TRUE(other->isFirstResponder());
    EXPECT_TRUE(window->endEditing(false));
    EXPECT_EQ(posted.back(), KeyboardDidHideNotification);
}

TEST_F(TextFieldTest, AFieldOutsideAWindowCannotTakeFocus) {
    auto loose = TextField::create(Rect(0, 0, 100, 30));
    EXPECT_FALSE(loose->becomeFirstResponder());
    EXPECT_FALSE(loose->isEditing());
    EXPECT_TRUE(posted.empty());
}

TEST_F(TextFieldTest, RemovingTheFocusedFieldFromTheWindowHidesTheKeyboard) {
    field->becomeFirstResponder();
    field->removeFromSuperview();
    EXPECT_FALSE(field->isEditing());
    EXPECT_EQ(window->firstResponder(), nullptr);
    EXPECT_EQ(posted.back(), KeyboardDidHideNotification);
}

TEST_F(TextFieldTest, DelegateMayRefuseEditing) {
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->allowBegin = false;
    field->setDelegate(delegate);
    int began = 0;
    field->addTarget(
        this, [&](Control&, const Event*) { ++began; }, ControlEventEditingDidBegin);
    EXPECT_FALSE(field->becomeFirstResponder());
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_TRUE(posted.empty());
    EXPECT_EQ(began, 0);

    delegate->allowBegin = true;
    EXPECT_TRUE(field->becomeFirstResponder());
    EXPECT_EQ(began, 1);
    field->resignFirstResponder();
    EXPECT_EQ(delegate->calls,
              (std::vector<std::string>{"shouldBegin", "shouldBegin", "didBegin", "didEnd"}));
}

TEST_F(TextFieldTest, RightViewUnlessEditingShowsOnlyWhileNotEditing) {
    auto pad = View::create(Rect(0, 0, 23, 10));
    field->setRightView(pad);
    field->setRightViewMode(TextFieldViewMode::UnlessEditing);
    EXPECT_TRUE(field->isRightViewShown());
    EXPECT_EQ(pad->superview(), field);
    EXPECT_EQ(pad->frame(), Rect(177, 10, 23, 10));
    EXPECT_EQ(field->textRectForBounds(field->bounds()), Rect(0, 0, 177, 30));

    field->becomeFirstResponder();
    EXPECT_FALSE(field->isRightViewShown());
    EXPECT_EQ(field->textRectForBounds(field->bounds()), Rect(0, 0, 200, 30));
    EXPECT_EQ(pad->superview(), nullptr);
    field->resignFirstResponder();
    EXPECT_TRUE(field->isRightViewShown());
    EXPECT_EQ(pad->superview(), field);

    field->setRightViewMode(TextFieldViewMode::WhileEditing);
    EXPECT_FALSE(field->isRightViewShown());
    field->setRightView(nullptr);
    EXPECT_EQ(pad->superview(), nullptr);
}

TEST_F(TextFieldTest, TypingReplacesTheSelectionAndAsksTheDelegate) {
    auto delegate = std::make_shared<RecordingDelegate>();
    field->setDelegate(delegate);
    int changed = 0;
    field->addTarget(
        this, [&](Control&, const Event*) { ++changed; }, ControlEventEditingChanged);

    field->setText("héllo wörld");
    EXPECT_EQ(changed, 0); // text set from code sends nothing
    EXPECT_EQ(field->selectedRange(), (TextRange{11, 0}));
    field->selectAll();
    EXPECT_EQ(field->selectedText(), "héllo wörld");
    EXPECT_TRUE(field->insertText("new"));
    EXPECT_EQ(field->text(), "new");
    EXPECT_EQ(delegate->changes.back().first, (TextRange{0, 11}));
    EXPECT_EQ(changed, 1);

    field->setSelectedRange(TextRange{1, 50}); // clamped to the text
    EXPECT_EQ(field->selectedRange(), (TextRange{1, 2}));
    EXPECT_TRUE(field->deleteBackward());
    EXPECT_EQ(field->text(), "n");

    delegate->allowChange = false;
    EXPECT_FALSE(field->insertText("x"));
    EXPECT_EQ(field->text(), "n");
    EXPECT_EQ(changed, 2);
}

TEST_F(TextFieldTest, DeleteBackwardRemovesAWholeCharacterOutsideTheBasicPlane) {
    field->setText("a😀");
    EXPECT_EQ(field->selectedRange(), (TextRange{3, 0}));
    EXPECT_TRUE(field->deleteBackward());
    EXPECT_EQ(field->text(), "a");
}

TEST_F(TextFieldTest, ReturnEndsEditingWhenSomeoneListensForIt) {
    auto delegate = std::make_shared<RecordingDelegate>();
    field->setDelegate(delegate);
    field->becomeFirstResponder();
    field->simulateReturn();
    EXPECT_TRUE(field->isFirstResponder()); // nobody listens for the exit event

    int exits = 0;
    field->addAction(
        this, "gotoAddress:", [&](Control&, const Event*) { ++exits; },
        ControlEventEditingDidEndOnExit);
    field->simulateReturn();
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_EQ(posted.back(), KeyboardDidHideNotification);
}

TEST_F(TextFieldTest, ATapFocusesTheField) {
    EXPECT_EQ(window->simulateTap(Point(20, 20)), field);
    EXPECT_TRUE(field->isFirstResponder());
}

} // namespace
} // namespace ui
