#include "platform/base/Bundle.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/ViewController.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ui {
namespace {

std::filesystem::path fixtures() {
    return std::filesystem::path(BROWSER_SOURCE_DIR) / "tests" / "fixtures" / "ui";
}

// An owner with a few outlets and two actions that record their senders.
class SampleController : public ViewController, public TableViewDataSource {
public:
    explicit SampleController(std::string nibName = "Sample")
        : ViewController(std::move(nibName)) {}

    std::shared_ptr<TextField> addressBar;
    std::shared_ptr<Button> refreshButton;
    std::shared_ptr<BarButtonItem> moreButton;
    std::vector<std::string> actions;

    bool setOutlet(const std::string& name, const InterfaceObject& object) override {
        if (name == "addressBar")
            return (addressBar = object.as<TextField>()) != nullptr;
        if (name == "refreshButton")
            return (refreshButton = object.as<Button>()) != nullptr;
        if (name == "moreButton")
            return (moreButton = object.as<BarButtonItem>()) != nullptr;
        return ViewController::setOutlet(name, object);
    }
    Action actionNamed(const std::string& name) override {
        if (name != "go" && name != "didStartEditing")
            return {};
        return [this, name](const InterfaceObject& sender) {
            std::string from = "?";
            if (auto view = sender.as<View>())
                from = view->className();
            else if (auto item = sender.as<BarButtonItem>())
                from = item->title();
            actions.push_back(name + " from " + from);
        };
    }
    std::size_t tableViewNumberOfRowsInSection(TableView&, std::size_t) override { return 3; }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath) override {
        return TableViewCell::create();
    }
};

class InterfaceFileTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        previousBundle_ = base::Bundle::install(std::make_shared<base::Bundle>(fixtures()));
    }
    void TearDown() override {
        base::Bundle::install(previousBundle_);
        PlatformTest::TearDown();
    }
    // Loads text with a fresh owner; returns the error's description, or "" on success.
    std::string failureOf(const std::string& json) {
        auto owner = std::make_shared<SampleController>();
        auto loaded = InterfaceFile::loadJSON(json, "Broken.ui.json", InterfaceObject(owner));
        return loaded ? std::string() : loaded.error().localizedDescription();
    }

private:
    std::shared_ptr<base::Bundle> previousBundle_;
};

TEST_F(InterfaceFileTest, ABundledFileBuildsTheScreenAndConnectsItsOwner) {
    auto controller = std::make_shared<SampleController>();
    const auto& root = controller->view();
    EXPECT_EQ(root->frame(), Rect(0, 0, 320, 480));
    ASSERT_EQ(root->subviews().size(), 4u);
    ASSERT_TRUE(controller->addressBar);
    EXPECT_EQ(controller->addressBar->superview(), root);
    EXPECT_EQ(controller->addressBar->placeholder(), "Address");
    ASSERT_TRUE(controller->refreshButton);
    EXPECT_EQ(controller->refreshButton->titleForState(ControlStateNormal), "R");
    EXPECT_EQ(controller->refreshButton->tag(), 7);
    EXPECT_TRUE(controller->refreshButton->isHidden());
    auto caption = std::dynamic_pointer_cast<Label>(root->subviews()[2]);
    ASSERT_TRUE(caption);
    EXPECT_EQ(caption->font(), (Font{"Futura Medium", 25, true, false}));
    EXPECT_EQ(caption->textAlignment(), TextAlignment::Center);
    auto toolbar = std::dynamic_pointer_cast<Toolbar>(root->subviews()[3]);
    ASSERT_TRUE(toolbar);
    ASSERT_EQ(toolbar->items().size(), 3u);
    EXPECT_EQ(toolbar->items()[2], controller->moreButton);
    EXPECT_FALSE(toolbar->items()[0]->isEnabled());

    // Actions reach the owner with their sender.
    controller->refreshButton->sendActionsForControlEvents(ControlEventTouchUpInside);
    controller->addressBar->sendActionsForControlEvents(ControlEventEditingDidBegin);
    toolbar->items()[0]->setEnabled(true);
    toolbar->items()[0]->sendAction();
    EXPECT_EQ(controller->actions,
              (std::vector<std::string>{"go from Button", "didStartEditing from TextField",
                                        "go from Back"}));
}

TEST_F(InterfaceFileTest, AFileThatCannotBeLoadedSaysWhyAndNames) {
    auto missing = InterfaceFile::load("NoSuchScreen");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, InterfaceFile::FileNotFound);
    EXPECT_NE(missing.error().localizedDescription().find("NoSuchScreen"), std::string::npos);

    auto controller = std::make_shared<SampleController>("NoSuchScreen");
    EXPECT_THROW(controller->view(), InterfaceFileError);
    EXPECT_FALSE(controller->isViewLoaded());

    EXPECT_NE(failureOf("{\"objects\": [").find("Broken.ui.json"), std::string::npos);
    EXPECT_NE(failureOf(R"({"objects": [{"class": "Slider"}]})").find("\"Slider\""),
              std::string::npos);
    EXPECT_NE(failureOf(R"({"objects": [{"class": "View", "id": "v"}],
                            "outlets": {"webViewTemplate": "v"}})")
                  .find("\"webViewTemplate\""),
              std::string::npos);
    EXPECT_NE(failureOf(R"({"objects": [{"class": "Button",
                            "actions": {"touchUpInside": "share"}}]})")
                  .find("\"share\""),
              std::string::npos);
    EXPECT_NE(failureOf(R"({"objects": [{"class": "Label", "properties": {"txt": "x"}}]})")
                  .find("\"txt\""),
              std::string::npos);
    EXPECT_NE(failureOf(R"({"objects": [{"class": "View", "properties": {"frame": [1, 2]}}]})")
                  .find("rectangle"),
              std::string::npos);
    EXPECT_NE(
        failureOf(R"({"objects": [{"class": "View", "id": "a"}, {"class": "View", "id": "a"}]})")
            .find("twice"),
        std::string::npos);
    EXPECT_NE(failureOf(R"({"objects": [{"class": "View"}], "outlets": {"view": "nowhere"}})")
                  .find("\"nowhere\""),
              std::string::npos);
    EXPECT_NE(failureOf(R"({"objects": [{"class": "ImageView",
                            "properties": {"image": "no-such-picture.png"}}]})")
                  .find("no-such-picture.png"),
              std::string::npos);
}

TEST_F(InterfaceFileTest, AMissingActionLeavesNoOutletConnected) {
    auto owner = std::make_shared<SampleController>();
    auto loaded = InterfaceFile::loadJSON(
        R"({"objects": [{"class": "TextField", "id": "f", "actions": {"editingChanged": "nope"}}],
            "outlets": {"addressBar": "f"}})",
        "Half.ui.json", InterfaceObject(owner));
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error().code, InterfaceFile::UnknownAction);
    EXPECT_EQ(owner->addressBar, nullptr);
}

TEST_F(InterfaceFileTest, ObjectsConnectToEachOtherAndRegisteredClassesAreMade) {
    struct StripView : View, InterfaceFileOwner {
        std::shared_ptr<View> statusBarView;
        std::weak_ptr<ViewController> controller; // the owner holds this view
        std::string className() const override { return "StripView"; }
        bool setOutlet(const std::string& name, const InterfaceObject& object) override {
            if (name == "statusBarView")
                return (statusBarView = object.as<View>()) != nullptr;
            if (name == "controller") {
                controller = object.as<ViewController>();
                return !controller.expired();
            }
            return false;
        }
    };
    InterfaceFile::registerClass("StripView", "View", [](const base::Value::Dictionary&) {
        return InterfaceObject(std::make_shared<StripView>());
    });
    auto owner = std::make_shared<SampleController>();
    auto loaded = InterfaceFile::loadJSON(
        R"({"objects": [
              {"class": "StripView", "id": "root", "properties": {"frame": [0, 0, 320, 480]},
               "outlets": {"statusBarView": "strip", "controller": "@owner"},
               "subviews": [{"class": "View", "id": "strip", "properties": {"frame": [0, 0, 320, 20]}},
                            {"class": "TableView", "id": "list",
                             "outlets": {"dataSource": "@owner"}}]}],
            "outlets": {"view": "root"}})",
        "Strip.ui.json", InterfaceObject(owner));
    ASSERT_TRUE(loaded) << loaded.error().localizedDescription();
    auto root = loaded->front().as<StripView>();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->statusBarView, root->subviews()[0]);
    EXPECT_EQ(root->controller.lock(), owner);
    EXPECT_EQ(root->frame(), Rect(0, 0, 320, 480)); // properties of the superclass apply
    auto table = std::dynamic_pointer_cast<TableView>(root->subviews()[1]);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->dataSource().get(), static_cast<TableViewDataSource*>(owner.get()));
}

TEST_F(InterfaceFileTest, AnOwnerNamesTheFirstOutletItNeedsThatTheFileLeftUnconnected) {
    EXPECT_NO_THROW(InterfaceFile::requireOutlets("Sample.ui.json", "the sample", {}));
    EXPECT_NO_THROW(
        InterfaceFile::requireOutlets("Sample.ui.json", "the sample", {{"a", true}, {"b", true}}));
    try {
        InterfaceFile::requireOutlets("Sample.ui.json", "the sample screen",
                                      {{"addressBar", true}, {"toolbar", false}, {"list", false}});
        ADD_FAILURE() << "an unconnected outlet was let through";
    } catch (const InterfaceFileError& failure) {
        EXPECT_EQ(failure.error().domain, InterfaceFile::errorDomain);
        EXPECT_EQ(failure.error().code, InterfaceFile::UnknownOutlet);
        EXPECT_EQ(failure.error().localizedDescription(),
                  "Interface file \"Sample.ui.json\": the outlet \"toolbar\" of the sample screen "
                  "is not connected");
    }
}

} // namespace
} // namespace ui
