#include "platform/testing/PlatformTest.h"
#include "platform/ui/Button.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/InterfaceFileOwner.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/ViewController.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace ui {
namespace {

// An owner written with the helpers: two outlets, a weak back-reference and two actions.
class HelperController : public ViewController {
public:
    HelperController()
        : ViewController(std::string()) {}

    std::shared_ptr<Button> goButton;
    std::shared_ptr<Label> caption;
    std::weak_ptr<ViewController> parentScreen;
    std::vector<std::string> calls;

    void go(const InterfaceObject& sender) { calls.push_back(describe("go", sender)); }
    void stop(const InterfaceObject& sender) { calls.push_back(describe("stop", sender)); }

    bool setOutlet(const std::string& name, const InterfaceObject& object) override {
        static const NamedOutlet<HelperController> outlets[] = {
            {"goButton", memberOutlet<&HelperController::goButton>},
            {"caption", memberOutlet<&HelperController::caption>},
            {"parentScreen", memberOutlet<&HelperController::parentScreen>},
            // An outlet that makes something of its object: the caption takes the button's title.
            {"captionFrom",
             [](HelperController& self, const InterfaceObject& object) {
                 auto button = object.as<Button>();
                 if (button && self.caption)
                     self.caption->setText(button->titleForState(ControlStateNormal).value_or(""));
                 return button != nullptr;
             }},
        };
        if (auto connected = bindOutlet(*this, name, object, outlets))
            return *connected;
        return ViewController::setOutlet(name, object);
    }
    Action actionNamed(const std::string& name) override {
        static const NamedAction<HelperController> actions[] = {
            {"go", &HelperController::go},
            {"stop", &HelperController::stop},
        };
        return bindAction(*this, name, actions);
    }

private:
    static std::string describe(const char* action, const InterfaceObject& sender) {
        auto view = sender.as<View>();
        return std::string(action) + " from " + (view ? view->className() : "nothing");
    }
};

// An owner whose shared_from_this lives in its first base, with the owner interface second,
// as a custom table cell has it.
class HelperCell : public TableViewCell, public InterfaceFileOwner {
public:
    int taps = 0;
    void tap(const InterfaceObject&) { ++taps; }
    Action actionNamed(const std::string& name) override {
        static const NamedAction<HelperCell> actions[] = {{"tap", &HelperCell::tap}};
        return bindAction(*this, name, actions);
    }
};

class InterfaceFileOwnerTest : public testing_support::PlatformTest {};

TEST_F(InterfaceFileOwnerTest, AnOutletTakesOnlyAnObjectOfItsKindAndKeepsWhatItHadOtherwise) {
    HelperController owner;
    auto button = Button::create();
    EXPECT_TRUE(owner.setOutlet("goButton", InterfaceObject(button)));
    EXPECT_EQ(owner.goButton, button);
    // A label is no button, and a bar button item no view: refused, the button stays.
    EXPECT_FALSE(owner.setOutlet("goButton", InterfaceObject(Label::create())));
    EXPECT_FALSE(owner.setOutlet("goButton", InterfaceObject(BarButtonItem::createWithSystemItem(
                                                 BarButtonSystemItem::Cancel))));
    EXPECT_EQ(owner.goButton, button);
    EXPECT_FALSE(owner.setOutlet("caption", InterfaceObject(button)));
    EXPECT_EQ(owner.caption, nullptr);
    EXPECT_FALSE(owner.setOutlet("goButton", InterfaceObject()));
    EXPECT_EQ(owner.goButton, button);

    // A name the table lacks goes to the base class: the view is the view controller's.
    auto root = View::create();
    EXPECT_TRUE(owner.setOutlet("view", InterfaceObject(root)));
    EXPECT_EQ(owner.view(), root);
    EXPECT_FALSE(owner.setOutlet("goButton:", InterfaceObject(button)));
    auto caption = Label::create();
    ASSERT_TRUE(owner.setOutlet("caption", InterfaceObject(caption)));
    button->setTitle("Go", ControlStateNormal);
    EXPECT_FALSE(owner.setOutlet("captionFrom", InterfaceObject(caption)));
    EXPECT_TRUE(owner.setOutlet("captionFrom", InterfaceObject(button)));
    EXPECT_EQ(caption->text(), "Go");

    // A weak outlet refers to its object without keeping it.
    auto screen = std::make_shared<ViewController>(std::string());
    EXPECT_FALSE(owner.setOutlet("parentScreen", InterfaceObject(button)));
    EXPECT_TRUE(owner.parentScreen.expired());
    EXPECT_TRUE(owner.setOutlet("parentScreen", InterfaceObject(screen)));
    EXPECT_EQ(owner.parentScreen.lock(), screen);
    screen.reset();
    EXPECT_TRUE(owner.parentScreen.expired());
}

TEST_F(InterfaceFileOwnerTest, AnActionCallsItsOwnMethodWithTheSenderWhileTheOwnerLives) {
    auto owner = std::make_shared<HelperController>();
    EXPECT_FALSE(owner->actionNamed("go:"));
    EXPECT_FALSE(owner->actionNamed(""));
    auto go = owner->actionNamed("go");
    auto stop = owner->actionNamed("stop");
    ASSERT_TRUE(go);
    ASSERT_TRUE(stop);
    // The actions do not keep the owner.
    EXPECT_EQ(owner.use_count(), 1);

    stop(InterfaceObject(Label::create()));
    go(InterfaceObject());
    EXPECT_EQ(owner->calls, (std::vector<std::string>{"stop from Label", "go from nothing"}));

    owner.reset();
    go(InterfaceObject()); // nothing left to call: no effect, no crash

    auto cell = std::make_shared<HelperCell>();
    auto tap = cell->actionNamed("tap");
    ASSERT_TRUE(tap);
    EXPECT_EQ(cell.use_count(), 1);
    tap(InterfaceObject());
    tap(InterfaceObject());
    EXPECT_EQ(cell->taps, 2);
}

TEST_F(InterfaceFileOwnerTest, AFileConnectsAnOwnerWrittenWithTheHelpers) {
    auto owner = std::make_shared<HelperController>();
    const char* json = R"({
        "objects": [{"class": "View", "id": "root", "subviews": [
            {"class": "Button", "id": "go", "actions": {"touchUpInside": "go"}},
            {"class": "Label", "id": "caption"}]}],
        "outlets": {"view": "root", "goButton": "go", "caption": "caption"}
    })";
    ASSERT_TRUE(InterfaceFile::loadJSON(json, "Helper.ui.json", InterfaceObject(owner)));
    ASSERT_TRUE(owner->goButton);
    ASSERT_TRUE(owner->caption);
    owner->goButton->sendActionsForControlEvents(ControlEventTouchUpInside);
    EXPECT_EQ(owner->calls, (std::vector<std::string>{"go from Button"}));

    // An outlet of the wrong kind, or an action the table lacks, fails the file.
    auto other = std::make_shared<HelperController>();
    auto wrongKind = InterfaceFile::loadJSON(
        R"({"objects": [{"class": "Label", "id": "l"}], "outlets": {"goButton": "l"}})",
        "Helper.ui.json", InterfaceObject(other));
    ASSERT_FALSE(wrongKind);
    EXPECT_EQ(wrongKind.error().code, InterfaceFile::UnknownOutlet);
    auto unknownAction = InterfaceFile::loadJSON(
        R"({"objects": [{"class": "Button", "actions": {"touchUpInside": "reload"}}]})",
        "Helper.ui.json", InterfaceObject(other));
    ASSERT_FALSE(unknownAction);
    EXPECT_EQ(unknownAction.error().code, InterfaceFile::UnknownAction);
}

} // namespace
} // namespace ui
