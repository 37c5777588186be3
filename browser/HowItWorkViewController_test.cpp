#include "browser/BrowserScreenTest.h"
#include "browser/HowItWorkViewController.h"
#include "browser/ViewController.h"
#include "browser/myAlertView.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/FakeShareService.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/Label.h"
#include "platform/ui/MailComposer.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/ShareSheet.h"

#include <gmock/gmock.h>

namespace {

class HowItWorkTest : public BrowserScreenTest {
protected:
    void SetUp() override {
        BrowserScreenTest::SetUp();
        ui::Presentation::shared().reset();
        about = HowItWorkViewController::create();
        navigation = ui::NavigationController::create(about);
        window = ui::Window::create(ui::Screen::mainScreen().bounds());
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
    }
    void TearDown() override {
        ui::ShareSheet::resetServices();
        ui::MailComposer::resetOutboxDirectory();
        ui::Presentation::shared().reset();
        BrowserScreenTest::TearDown();
    }
    static void settle() {
        base::RunLoop::main().runUntilIdle();
        base::RunLoop::main().advance(base::Seconds(1));
        base::RunLoop::main().runUntilIdle();
    }
    std::shared_ptr<ui::Button> buttonTitled(const std::string& title) {
        for (const auto& view : about->view()->subviews())
            if (auto button = std::dynamic_pointer_cast<ui::Button>(view))
                if (button->titleForState(ui::ControlStateNormal) == title)
                    return button;
        ADD_FAILURE() << "no button " << title;
        return nullptr;
    }
    static std::string alertMessage() {
        auto alert = ui::Presentation::shared().topAlertView();
        return alert ? alert->message() : "(no alert)";
    }

    std::shared_ptr<HowItWorkViewController> about;
};

TEST_F(HowItWorkTest, TheScreenFromItsInterfaceFileSharesAndRates) {
    EXPECT_EQ(about->title(), "About Us");
    // Outside a side menu there is no menu button.
    EXPECT_FALSE(about->navigationItem()->leftBarButtonItem());

    ui::ShareSheet::setService(ui::ShareServiceType::Twitter, ui::FakeShareService::create());
    ASSERT_TRUE(buttonTitled("Share on Twitter")->simulateTap());
    auto sheet = ui::Presentation::shared().topController<ui::ShareSheet>();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->initialText(), "Check out this SimpleShareKit!");
    ASSERT_EQ(sheet->urls().size(), 1u);
    EXPECT_EQ(sheet->urls()[0].absoluteString(), BrowserSettings::appStorePageAddress());
    EXPECT_EQ(sheet->images().size(), 1u);
    settle();
    sheet->cancel();
    settle();
    EXPECT_EQ(alertMessage(), "You canceled the Tweet!");

    // Chorus without an account: the failure's message, and no interstitial is asked for.
    ui::Presentation::shared().topAlertView()->dismissWithClickedButtonIndex(0, false);
    settle();
    ui::ShareSheet::setService(ui::ShareServiceType::Chorus, nullptr);
    ASSERT_TRUE(buttonTitled("Share on Chorus")->simulateTap());
    settle();
    EXPECT_EQ(alertMessage(), "There is no accounts");
    ui::Presentation::shared().topAlertView()->dismissWithClickedButtonIndex(0, false);
    settle();

    ASSERT_TRUE(buttonTitled("Tell a Friend by Mail")->simulateTap());
    auto mail = ui::Presentation::shared().topController<ui::MailComposer>();
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->subject(), "");
    EXPECT_EQ(mail->messageBody(), "");
    EXPECT_EQ(mail->attachments().size(), 1u);

    ASSERT_TRUE(buttonTitled("Rate the App")->simulateTap());
    EXPECT_EQ(openedURLs, std::vector<std::string>{BrowserSettings::appStorePageAddress()});
}

// A side-menu container: a controller with the two reveal actions, holding the navigation.
class SideMenu : public ui::ViewController {
public:
    SideMenu()
        : ui::ViewController(std::string()) {}
    Action actionNamed(const std::string& name) override {
        if (name == "revealGesture" || name == "revealToggle")
            return [this, name](const ui::InterfaceObject&) { calls.push_back(name); };
        return ui::ViewController::actionNamed(name);
    }
    std::vector<std::string> calls;
};

TEST_F(HowItWorkTest, InsideASideMenuAMenuButtonTogglesIt) {
    auto menu = std::make_shared<SideMenu>();
    auto inner = HowItWorkViewController::create();
    auto innerNavigation = ui::NavigationController::create(inner);
    menu->addChildViewController(innerNavigation);
    inner->view();
    auto item = inner->navigationItem()->leftBarButtonItem();
    ASSERT_TRUE(item);
    auto button = std::dynamic_pointer_cast<ui::Button>(item->customView());
    ASSERT_TRUE(button);
    EXPECT_EQ(button->frame(), ui::Rect(-2, 0, 52, 30));
    EXPECT_TRUE(button->backgroundImageForState(ui::ControlStateNormal));
    button->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    EXPECT_EQ(menu->calls, std::vector<std::string>{"revealToggle"});
}

TEST_F(HowItWorkTest, ThePlainAlertRestylesItsLabelsAndHidesItsImages) {
    auto alert = myAlertView::create("Title", "A message", {}, "OK");
    auto picture = ui::ImageView::create();
    auto label = ui::Label::create();
    alert->addSubview(picture);
    alert->addSubview(label);
    const ui::Rect frame = alert->frame();
    alert->layoutSubviews();
    // Only the look changes: the alert's own layout (which centres it on the screen) is not run.
    EXPECT_EQ(alert->frame(), frame);
    EXPECT_TRUE(picture->isHidden());
    EXPECT_EQ(label->textColor(), ui::Color::blackColor());
    EXPECT_EQ(label->font().family, "Futura Medium");
    EXPECT_EQ(label->font().pointSize, 25);
    EXPECT_EQ(label->numberOfLines(), 0);
    EXPECT_EQ(label->lineBreakMode(), ui::LineBreakMode::WordWrapping);
    EXPECT_EQ(alert->backgroundColor(), ui::Color::whiteColor());
    EXPECT_TRUE(ui::InterfaceFile::isClassRegistered("myAlertView"));
    EXPECT_TRUE(ui::InterfaceFile::isClassRegistered("HowItWorkViewController"));
}

TEST_F(HowItWorkTest, TheEmptyScreenClassIsABrowserScreen) {
    auto screen = ViewController::create();
    EXPECT_EQ(screen->nibName(), "MainWindow");
    EXPECT_TRUE(std::dynamic_pointer_cast<BrowserViewController>(screen));
}

} // namespace
