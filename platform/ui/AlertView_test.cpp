#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/TextField.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ui {
namespace {

using Log = std::vector<std::string>;

class AlertLog : public AlertViewDelegate {
public:
    Log calls;
    std::function<void(AlertView&, std::int64_t)> onClick;

    void alertViewClickedButtonAtIndex(AlertView& alert, std::int64_t index) override {
        calls.push_back("clicked " + std::to_string(index));
        if (onClick)
            onClick(alert, index);
    }
    void willPresentAlertView(AlertView&) override { calls.push_back("willPresent"); }
    void didPresentAlertView(AlertView&) override { calls.push_back("didPresent"); }
    void alertViewWillDismissWithButtonIndex(AlertView&, std::int64_t index) override {
        calls.push_back("willDismiss " + std::to_string(index));
    }
    void alertViewDidDismissWithButtonIndex(AlertView&, std::int64_t index) override {
        calls.push_back("didDismiss " + std::to_string(index));
    }
};

class SheetLog : public ActionSheetDelegate {
public:
    Log calls;
    std::function<void(ActionSheet&, std::int64_t)> onClick;

    void actionSheetClickedButtonAtIndex(ActionSheet& sheet, std::int64_t index) override {
        calls.push_back("clicked " + sheet.buttonTitleAtIndex(index));
        if (onClick)
            onClick(sheet, index);
    }
    void didPresentActionSheet(ActionSheet&) override { calls.push_back("didPresent"); }
    void actionSheetWillDismissWithButtonIndex(ActionSheet&, std::int64_t index) override {
        calls.push_back("willDismiss " + std::to_string(index));
    }
    void actionSheetDidDismissWithButtonIndex(ActionSheet&, std::int64_t index) override {
        calls.push_back("didDismiss " + std::to_string(index));
    }
};

class AlertViewTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        Presentation::shared().reset();
    }
    void TearDown() override {
        Presentation::shared().reset();
        PlatformTest::TearDown();
    }
    void finishAnimations() { base::RunLoop::main().advance(base::Seconds(1)); }
};

TEST_F(AlertViewTest, CancelIsIndexZeroAndOthersFollowInOrder) {
    auto alert = AlertView::create("Rate Us", "Please show some love by rate.", {}, "No", {"Yes"});
    EXPECT_EQ(alert->numberOfButtons(), 2);
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "No");
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "Yes");
    EXPECT_EQ(alert->firstOtherButtonIndex(), 1);
    EXPECT_EQ(alert->addButtonWithTitle("Later"), 2);

    auto noCancel = AlertView::create("", "", {}, std::nullopt, {"A", "B"});
    EXPECT_EQ(noCancel->cancelButtonIndex(), -1);
    EXPECT_EQ(noCancel->buttonTitleAtIndex(0), "A");
    EXPECT_EQ(noCancel->firstOtherButtonIndex(), 0);
    EXPECT_THROW(noCancel->buttonTitleAtIndex(2), std::out_of_range);

    auto onlyCancel =
        AlertView::create("Failed", "Please add a mail account in settings.", {}, "Done");
    EXPECT_EQ(onlyCancel->firstOtherButtonIndex(), -1);
}

TEST_F(AlertViewTest, UserTapReportsClickThenWillThenDidDismiss) {
    auto delegate = std::make_shared<AlertLog>();
    auto alert = AlertView::create("T", "M", delegate, "No", {"Yes"});
    alert->show();
    EXPECT_EQ(delegate->calls, (Log{"willPresent"}));
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(Presentation::shared().topAlertView(), alert);
    finishAnimations();

    EXPECT_TRUE(Presentation::shared().tapButton(1));
    EXPECT_EQ(delegate->calls, (Log{"willPresent", "didPresent", "clicked 1", "willDismiss 1"}));
    EXPECT_TRUE(alert->isVisible());   // still animating away
    EXPECT_FALSE(alert->tapButton(0)); // a second tap while it goes away does nothing
    finishAnimations();
    EXPECT_EQ(delegate->calls.back(), "didDismiss 1");
    EXPECT_FALSE(alert->isVisible());
    EXPECT_TRUE(Presentation::shared().empty());
}

TEST_F(AlertViewTest, DismissalFromCodeReportsNoClick) {
    auto delegate = std::make_shared<AlertLog>();
    auto alert = AlertView::create("T", "M", delegate, "Done");
    alert->show();
    finishAnimations();
    delegate->calls.clear();
    alert->dismissWithClickedButtonIndex(0, false);
    EXPECT_EQ(delegate->calls, (Log{"willDismiss 0", "didDismiss 0"}));
    alert->dismissWithClickedButtonIndex(0, false); // already gone: nothing more
    EXPECT_EQ(delegate->calls.size(), 2u);
}

TEST_F(AlertViewTest, AShownAlertLivesWithoutItsCreatorAndWithoutDelegate) {
    std::weak_ptr<AlertView> weak;
    {
        auto alert = AlertView::create("", "Tweet successful!", {}, "Done");
        alert->show();
        weak = alert;
    }
    ASSERT_FALSE(weak.expired());
    EXPECT_EQ(Presentation::shared().topAlertView()->message(), "Tweet successful!");
    EXPECT_TRUE(Presentation::shared().tapButton(0));
    finishAnimations();
    EXPECT_TRUE(weak.expired());
}

TEST_F(AlertViewTest, AnAlertStillAppearingGoesWithItsLastOwner) {
    auto delegate = std::make_shared<AlertLog>();
    std::weak_ptr<AlertView> weak;
    {
        auto alert = AlertView::create("T", "M", delegate, "OK");
        alert->show();
        weak = alert;
    }
    ASSERT_TRUE(base::RunLoop::main().nextTimerDeadline()); // did-present is pending
    ASSERT_FALSE(weak.expired());                           // the shown alert is listed
    Presentation::shared().reset();
    EXPECT_TRUE(weak.expired());
    finishAnimations();
    EXPECT_EQ(delegate->calls, (Log{"willPresent"}));
}

TEST_F(AlertViewTest, InputStylesHaveTheirTextFields) {
    auto alert = AlertView::create("Login", "", {}, "Cancel", {"OK"});
    EXPECT_THROW(alert->textFieldAtIndex(0), std::out_of_range);
    alert->setAlertViewStyle(AlertViewStyle::SecureTextInput);
    EXPECT_TRUE(alert->textFieldAtIndex(0)->isSecureTextEntry());
    EXPECT_THROW(alert->textFieldAtIndex(1), std::out_of_range);
    alert->setAlertViewStyle(AlertViewStyle::LoginAndPasswordInput);
    EXPECT_FALSE(alert->textFieldAtIndex(0)->isSecureTextEntry());
    EXPECT_TRUE(alert->textFieldAtIndex(1)->isSecureTextEntry());
    EXPECT_EQ(alert->textFieldAtIndex(1)->superview(), alert);
}

TEST_F(AlertViewTest, SubclassesFindTheImageViewAndLabelsAmongTheSubviews) {
    auto alert = AlertView::create("Title", "Message", {}, "Done");
    int images = 0, labels = 0;
    for (const auto& subview : alert->subviews()) {
        images += subview->className() == "ImageView";
        if (auto label = std::dynamic_pointer_cast<Label>(subview)) {
            ++labels;
            EXPECT_TRUE(label->text() == "Title" || label->text() == "Message");
        }
    }
    EXPECT_EQ(images, 1);
    EXPECT_EQ(labels, 2);
}

TEST_F(AlertViewTest, ActionSheetIndicesFollowTheOrderButtonsWereAdded) {
    auto sheet = ActionSheet::create("http://link.tld/", {}, "Cancel");
    EXPECT_EQ(sheet->cancelButtonIndex(), 0);
    EXPECT_EQ(sheet->addButtonWithTitle("Open Link"), 1);
    EXPECT_EQ(sheet->addButtonWithTitle("Copy Link"), 2);

    auto full = ActionSheet::create("", {}, "Cancel", "Delete", {"One", "Two"});
    EXPECT_EQ(full->destructiveButtonIndex(), 0);
    EXPECT_EQ(full->buttonTitleAtIndex(1), "One");
    EXPECT_EQ(full->buttonTitleAtIndex(2), "Two");
    EXPECT_EQ(full->cancelButtonIndex(), 3);
    EXPECT_EQ(full->firstOtherButtonIndex(), 1);

    auto more = ActionSheet::create();
    for (const char* title : {"Clear Cookies", "Clear Cache", "Import Bookmarks"})
        more->addButtonWithTitle(title);
    more->setCancelButtonIndex(more->addButtonWithTitle("Cancel"));
    EXPECT_EQ(more->cancelButtonIndex(), 3);
    EXPECT_EQ(more->destructiveButtonIndex(), -1);
}

TEST_F(AlertViewTest, ActionSheetTapVersusDismissalFromCode) {
    auto delegate = std::make_shared<SheetLog>();
    auto sheet = ActionSheet::create("", delegate, "Cancel", std::nullopt, {"Open"});
    auto anchor = View::create();
    sheet->showInView(anchor);
    EXPECT_EQ(sheet->shownInView(), anchor);
    finishAnimations();
    EXPECT_TRUE(sheet->tapButton(0));
    finishAnimations();
    EXPECT_EQ(delegate->calls,
              (Log{"didPresent", "clicked Open", "willDismiss 0", "didDismiss 0"}));

    delegate->calls.clear();
    auto item = BarButtonItem::createWithTitle("More", BarButtonItemStyle::Plain);
    sheet->showFromBarButtonItem(item, true);
    EXPECT_EQ(sheet->shownFromBarButtonItem(), item);
    EXPECT_EQ(sheet->shownInView(), nullptr);
    sheet->dismissWithClickedButtonIndex(0, true);
    finishAnimations();
    EXPECT_EQ(delegate->calls, (Log{"didPresent", "willDismiss 0", "didDismiss 0"}));
}

TEST_F(AlertViewTest, DismissingFromInsideTheClickReportsOneDismissal) {
    auto delegate = std::make_shared<SheetLog>();
    delegate->onClick = [](ActionSheet& sheet, std::int64_t index) {
        sheet.dismissWithClickedButtonIndex(index, true);
    };
    auto sheet = ActionSheet::create("", delegate, "Cancel", std::nullopt, {"Open Page"});
    sheet->showInView(View::create());
    Presentation::shared().tapButton(0);
    finishAnimations();
    EXPECT_EQ(delegate->calls,
              (Log{"didPresent", "clicked Open Page", "willDismiss 0", "didDismiss 0"}));
}

TEST_F(AlertViewTest, TapButtonReachesTheTopMostPanel) {
    auto delegate = std::make_shared<AlertLog>();
    auto below = AlertView::create("below", "", delegate, "OK");
    auto sheetDelegate = std::make_shared<SheetLog>();
    auto above = ActionSheet::create("", sheetDelegate, "Cancel");
    below->show();
    above->showInView(View::create());
    EXPECT_FALSE(Presentation::shared().tapButton(5)); // no such button on the sheet
    EXPECT_TRUE(Presentation::shared().tapButton(0));
    // A tap before the sheet's animation ended first completes its presentation.
    EXPECT_EQ(sheetDelegate->calls, (Log{"didPresent", "clicked Cancel", "willDismiss 0"}));
    EXPECT_EQ(delegate->calls, (Log{"willPresent"}));
}

} // namespace
} // namespace ui
