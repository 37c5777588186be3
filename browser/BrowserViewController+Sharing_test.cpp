#include "browser/BrowserScreenTest.h"
#include "browser/ShareKit.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/FakeShareService.h"
#include "platform/ui/MailComposer.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/ShareSheet.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

class SharePanelTest : public BrowserScreenTest,
                       public ::testing::WithParamInterface<ui::UserInterfaceIdiom> {
protected:
    void SetUp() override {
        BrowserScreenTest::SetUp();
        ui::Presentation::shared().reset();
        showScreen();
        base::RunLoop::main().runUntilIdle();
        // Both services reachable, through doubles that take every post.
        ui::ShareSheet::setService(ui::ShareServiceType::Twitter, ui::FakeShareService::create());
        ui::ShareSheet::setService(ui::ShareServiceType::Chorus, ui::FakeShareService::create());
    }
    void TearDown() override {
        ui::Presentation::shared().reset();
        ui::MailComposer::resetOutboxDirectory();
        ui::ShareSheet::resetServices();
        BrowserScreenTest::TearDown();
    }
    ui::UserInterfaceIdiom idiom() const override { return GetParam(); }

    void settle() { base::RunLoop::main().advance(base::Seconds(1)); }
    double viewHeight() { return screen->view()->frame().size.height; }
    ui::Point panelCentre() { return screen->imgpicker()->center(); }
    // The panel's button with this tag.
    std::shared_ptr<ui::Button> panelButton(std::int64_t tag) {
        for (const auto& view : screen->imgpicker()->subviews())
            if (auto button = std::dynamic_pointer_cast<ui::Button>(view);
                button && button->tag() == tag && button->accessibilityLabel() != "Cancel sharing")
                return button;
        return nullptr;
    }
    std::shared_ptr<ui::BarButtonItem> toolbarItem(const std::string& label) {
        for (const auto& item : screen->bottomBar()->items())
            if (item->accessibilityLabel() == label)
                return item;
        return nullptr;
    }
    std::string alertMessage() {
        auto alert = ui::Presentation::shared().topAlertView();
        return alert ? alert->title() + "|" + alert->message() + "|" +
                           alert->buttonTitleAtIndex(alert->cancelButtonIndex())
                     : "(no alert)";
    }
};

TEST_P(SharePanelTest, ThePanelSlidesUpOverItsDimmingViewAndAwayAgain) {
    const bool pad = GetParam() == ui::UserInterfaceIdiom::Pad;
    auto dark = screen->darkview();
    auto panel = screen->imgpicker();
    const double half = panel->bounds().size.height / 2;
    EXPECT_TRUE(dark->isHidden());

    // A tab opened since the screen loaded brings its web view to the front; the panel
    // still covers it.
    screen->addTab(ui::InterfaceObject());
    ASSERT_TRUE(toolbarItem("Share")->simulateTap());
    EXPECT_FALSE(dark->isHidden());
    EXPECT_EQ(dark->center(), screen->view()->center());
    EXPECT_EQ(panelCentre(), ui::Point(panel->center().x,
                                       pad ? viewHeight() - half + 40
                                           : ui::Screen::mainScreen().bounds().height() - half));
    const auto& order = screen->view()->subviews();
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[order.size() - 2], dark);
    EXPECT_EQ(order.back(), panel);

    screen->hidedark_view(ui::InterfaceObject());
    EXPECT_TRUE(logged("sdasd"));
    EXPECT_EQ(panelCentre().y, (pad ? 3 : 2) * viewHeight());
    base::RunLoop::main().advance(base::Seconds(0.3));
    EXPECT_FALSE(dark->isHidden()) << "the dimming view goes 0.33 s after the panel starts";
    base::RunLoop::main().advance(base::Seconds(0.05));
    EXPECT_TRUE(dark->isHidden());
}

TEST_P(SharePanelTest, OpeningAgainBeforeTheDimmingViewWentKeepsIt) {
    screen->share(ui::InterfaceObject());
    screen->hidedark_view(ui::InterfaceObject());
    base::RunLoop::main().advance(base::Seconds(0.2));
    screen->share(ui::InterfaceObject());
    settle();
    EXPECT_FALSE(screen->darkview()->isHidden());
    // Tapping the dimming view closes the panel.
    std::static_pointer_cast<ui::Button>(screen->darkview())->simulateTap();
    settle();
    EXPECT_TRUE(screen->darkview()->isHidden());
}

TEST_P(SharePanelTest, EachButtonSharesTheSearchLinkOfTheAddressTextAndClosesThePanel) {
    screen->addressBar()->setText("a b&c");
    const std::string link = "https://search.test/search?q=a%20b%26c";
    EXPECT_EQ(screen->sharedLink(), link);

    const struct {
        std::int64_t tag;
        std::function<void()> check;
    } cases[] = {
        {0,
         [&] {
             EXPECT_EQ(openedURLs,
                       std::vector<std::string>{BrowserSettings::appStorePageAddress()});
         }},
        {1,
         [&] {
             auto sheet = ui::Presentation::shared().topController<ui::ShareSheet>();
             ASSERT_TRUE(sheet);
             EXPECT_EQ(sheet->serviceType(), ui::ShareServiceType::Twitter);
             EXPECT_EQ(sheet->initialText(), "Check out this SimpleShareKit!");
             EXPECT_EQ(sheet->urls().at(0).absoluteString(), link);
             EXPECT_EQ(sheet->images().at(0)->name(), "product");
             sheet->post();
         }},
        {2,
         [&] {
             auto composer = ui::Presentation::shared().topController<ui::MailComposer>();
             ASSERT_TRUE(composer);
             EXPECT_EQ(composer->subject(), "Browser");
             EXPECT_EQ(composer->messageBody(), " Try this : Check out this link! " + link);
             EXPECT_TRUE(composer->isBodyHTML());
             EXPECT_TRUE(logged("here"));
             composer->send();
         }},
        {3,
         [&] {
             auto sheet = ui::Presentation::shared().topController<ui::ShareSheet>();
             ASSERT_TRUE(sheet);
             EXPECT_EQ(sheet->serviceType(), ui::ShareServiceType::Chorus);
             EXPECT_EQ(sheet->initialText(), "Check out this app! ");
             EXPECT_EQ(sheet->urls().at(0).absoluteString(), link);
             EXPECT_TRUE(sheet->images().empty());
             sheet->cancel();
         }},
    };
    for (const auto& c : cases) {
        screen->share(ui::InterfaceObject());
        ASSERT_TRUE(panelButton(c.tag)) << c.tag;
        panelButton(c.tag)->simulateTap();
        EXPECT_EQ(panelCentre().y,
                  (GetParam() == ui::UserInterfaceIdiom::Pad ? 3 : 2) * viewHeight());
        settle();
        c.check();
        settle();
        ui::Presentation::shared().tapButton(0);
        settle();
    }
    EXPECT_TRUE(logged("You sent the email."));
    EXPECT_TRUE(ui::Presentation::shared().empty());
}

TEST_P(SharePanelTest, WithoutAddressTextOnlyTheMailGoesWithAnEmptyQuery) {
    screen->addressBar()->setText("");
    screen->shartwitter(ui::InterfaceObject());
    screen->sharechorus(ui::InterfaceObject());
    EXPECT_TRUE(ui::Presentation::shared().empty());
    screen->email(ui::InterfaceObject());
    auto composer = ui::Presentation::shared().topController<ui::MailComposer>();
    ASSERT_TRUE(composer);
    EXPECT_EQ(composer->messageBody(),
              " Try this : Check out this link! https://search.test/search?q=");
}

TEST_P(SharePanelTest, WithoutAMailAccountTheFailedAlertShowsAndNoComposer) {
    ui::MailComposer::setOutboxDirectory(std::nullopt);
    screen->email(ui::InterfaceObject());
    EXPECT_EQ(alertMessage(), "Failed|Please add a mail account in settings.|Done");
    EXPECT_TRUE(logged("This device cannot send email"));
    EXPECT_FALSE(ui::Presentation::shared().topController<ui::MailComposer>());
}

TEST_P(SharePanelTest, EveryMailResultIsLoggedAndTheComposerGoes) {
    const auto blocked = homeDirectory() / "file";
    std::ofstream(blocked) << "x";
    const struct {
        std::function<void(ui::MailComposer&)> choose;
        const char* line;
    } cases[] = {
        {[](ui::MailComposer& mail) { mail.cancel(); }, "You cancelled sending this email."},
        {[](ui::MailComposer& mail) { mail.saveDraft(); }, "You saved a draft of this email"},
        {[&](ui::MailComposer& mail) {
             ui::MailComposer::setOutboxDirectory(blocked / "Outbox");
             mail.send();
         },
         "Mail failed:  An error occurred when trying to compose this email"},
    };
    for (const auto& c : cases) {
        screen->email(ui::InterfaceObject());
        settle();
        auto composer = ui::Presentation::shared().topController<ui::MailComposer>();
        ASSERT_TRUE(composer) << c.line;
        c.choose(*composer);
        EXPECT_TRUE(logged(c.line));
        settle();
        EXPECT_FALSE(ui::Presentation::shared().topController<ui::MailComposer>()) << c.line;
    }
}

TEST_P(SharePanelTest, EveryOutcomeCodeShowsItsMessage) {
    const std::vector<std::pair<std::int32_t, std::string>> finished = {
        {1, "Email is queued to sent!"},
        {2, "You saved the email!"},
        {3, "Tweet successful!"},
        {4, "Posted on Chorus!"},
        {5, "Image saved on Device Gallery!"},
        {6, "Image coppied to clipboard!"},
        {7, "Successfully Posted to your friend's wall!"},
        {8, "You didn't pick a friend so it has been posted on your wall!"},
        {0, ""},
        {9, ""},
    };
    const std::vector<std::pair<std::int32_t, std::string>> failed = {
        {1, "You cancelled the email!"},        {2, "Email sending failed!"},
        {3, "You canceled the Tweet!"},         {4, "There is no accounts"},
        {5, "You canceled the Chorus Post!"},   {6, "There is no accounts"},
        {7, "Chorus Permission missing!"},      {8, "You cancelled the Friendpicker!"},
        {9, "You closed Chorus feedDialog"},    {10, "You cancelled Chorus share"},
        {11, "Error posting on Friend's wall"}, {12, "There is no accounts"},
        {13, "The Tweet could not be posted!"}, {14, "Posting on Chorus failed!"},
        {-1, "There is no accounts"},
    };
    for (const auto& [code, message] : finished) {
        screen->shareKitSharingFinished(code);
        EXPECT_EQ(alertMessage(), "|" + message + "|Done") << "finished " << code;
        ui::Presentation::shared().tapButton(0);
    }
    for (const auto& [code, message] : failed) {
        screen->shareKitSharingFailed(code);
        EXPECT_EQ(alertMessage(), "|" + message + "|Done") << "failed " << code;
        screen->hideAlert(ui::Presentation::shared().topAlertView());
    }
    settle();
    EXPECT_TRUE(ui::Presentation::shared().empty());
}

TEST_P(SharePanelTest, AnUnavailableServiceIsReportedByTheScreensAlert) {
    ui::ShareSheet::setService(ui::ShareServiceType::Twitter, nullptr);
    screen->addressBar()->setText("words");
    screen->shartwitter(ui::InterfaceObject());
    EXPECT_EQ(alertMessage(), "|There is no accounts|Done");
}

TEST_P(SharePanelTest, RateOpensTheStorePageUnlessTheSenderIsTagged) {
    auto pushed = ui::ViewController::create();
    navigation->pushViewController(pushed, false);
    auto tagged = ui::Button::create();
    tagged->setTag(5);
    screen->rate(ui::InterfaceObject(tagged));
    settle();
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_TRUE(openedURLs.empty());
    screen->rate(ui::InterfaceObject());
    EXPECT_EQ(openedURLs,
              std::vector<std::string>{"https://apps.store.test/app/tabbrowser/id1000000000"});
}

INSTANTIATE_TEST_SUITE_P(Devices, SharePanelTest,
                         ::testing::Values(ui::UserInterfaceIdiom::Phone,
                                           ui::UserInterfaceIdiom::Pad),
                         [](const auto& info) {
                             return info.param == ui::UserInterfaceIdiom::Pad ? "Pad" : "Phone";
                         });

} // namespace
