#include "ads/presentation/VDBrowserViewController.h"
#include "ads/presentation/VDFullScreenNotifications.h"
#include "ads/presentation/VDOpener.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

namespace {

using Calls = std::vector<std::string>;

class Clicked : public VDOpenerDelegate, public VDIntermissionParticipant {
public:
    explicit Clicked(Calls& calls)
        : calls_(calls) {}
    void pingClickURLs() override { calls_.push_back("pingClickURLs"); }
    void adWillLeaveApplication() override { calls_.push_back("adWillLeaveApplication"); }
    void willLeaveAppDueToClick() override { calls_.push_back("willLeaveAppDueToClick"); }
    std::shared_ptr<ui::ViewController> viewControllerForPresentingModalView() const override {
        return presenter;
    }
    std::shared_ptr<VDStatisticDictionary> clickedAdStatistics() const override {
        return statistics;
    }
    void setIntermission(const std::shared_ptr<VDIntermission>& intermission) override {
        intermission->addParticipant(self.lock());
    }
    void adWillPresentScreen() override { calls_.push_back("adWillPresentScreen"); }
    void adWillDismissScreen() override { calls_.push_back("adWillDismissScreen"); }
    void adDidDismissScreen() override { calls_.push_back("adDidDismissScreen"); }

    std::shared_ptr<ui::ViewController> presenter;
    std::shared_ptr<VDStatisticDictionary> statistics = VDStatisticDictionary::create();
    std::weak_ptr<Clicked> self;

private:
    Calls& calls_;
};

class VDOpenerTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        ui::Presentation::shared().reset();
        ui::Application::shared().setURLOpener([this](const base::URL& url) {
            calls_.push_back("open " + url.absoluteString());
            return true;
        });
        // The desktop here has applications for the web, telephone and calendars only.
        ui::Application::shared().setURLTester([](const base::URL& url) {
            return url.scheme() == "https" || url.scheme() == "tel" || url.scheme() == "webcal";
        });
        window_ = ui::Window::create(ui::Screen::mainScreen().bounds());
        window_->setRootViewController(ui::ViewController::create());
        window_->makeKeyAndVisible();
        slot_ = std::make_shared<Clicked>(calls_);
        slot_->self = slot_;
        slot_->presenter = window_->rootViewController();
        opener_ = VDOpener::create(slot_);
        for (const char* name : {kAdModalViewControllerWillPresentFullScreen,
                                 kAdModalViewControllerDidDismissFullScreen})
            base::NotificationCenter::defaultCenter().addObserver(
                name, [this](const base::Notification& note) { calls_.push_back(note.name); });
    }
    void TearDown() override {
        ui::MailComposer::resetOutboxDirectory();
        ui::Presentation::shared().reset();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    bool click(const char* text, bool userInitiated = true) {
        return opener_->openClickURL(*base::URL::parse(text), userInitiated);
    }
    static void finishTransition() {
        base::RunLoop::main().advance(base::Seconds(ui::ViewController::transitionDuration));
    }

    Calls calls_;
    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<Clicked> slot_;
    std::shared_ptr<VDOpener> opener_;
};

TEST_F(VDOpenerTest, WebTelephoneAndCalendarClicksLeaveForTheDesktopsApplication) {
    // With nothing to present the landing page from, the web leaves too.
    slot_->presenter = nullptr;
    for (const char* url :
         {"https://landing.example/", "tel:+15550100", "webcal://cal.example/a"}) {
        calls_.clear();
        EXPECT_TRUE(click(url)) << url;
        EXPECT_EQ(calls_, (Calls{"adWillLeaveApplication", "willLeaveAppDueToClick",
                                 std::string("open ") + url, "pingClickURLs"}));
    }

    // Messages: this desktop has no application for them.
    testing_support::LogCapture log;
    calls_.clear();
    EXPECT_FALSE(click("sms:+15550100"));
    EXPECT_TRUE(calls_.empty());
    EXPECT_TRUE(log.contains("No application opens \"sms:\" URLs"));

    // An opener without slot still opens.
    opener_->setDelegate({});
    EXPECT_TRUE(click("https://landing.example/2"));
    EXPECT_EQ(calls_, Calls{"open https://landing.example/2"});
}

TEST_F(VDOpenerTest, AWebClickOpensTheLandingPageFullScreenInsideTheApplication) {
    EXPECT_TRUE(click("https://landing.example/offer?x=1"));
    auto landing = std::dynamic_pointer_cast<VDBrowserViewController>(
        window_->rootViewController()->presentedViewController());
    ASSERT_TRUE(landing);
    EXPECT_EQ(landing->initialURL().absoluteString(), "https://landing.example/offer?x=1");
    EXPECT_EQ(landing->adStatistics(), slot_->statistics);
    EXPECT_EQ(calls_, (Calls{kAdModalViewControllerWillPresentFullScreen, "adWillPresentScreen",
                             "pingClickURLs"}));
    finishTransition();

    // While it is up, another click opens nothing.
    calls_.clear();
    EXPECT_FALSE(click("http://landing.example/other"));
    EXPECT_TRUE(calls_.empty());

    landing->done();
    finishTransition();
    EXPECT_EQ(calls_, (Calls{"adWillDismissScreen", kAdModalViewControllerDidDismissFullScreen,
                             "adDidDismissScreen"}));
    EXPECT_FALSE(slot_->statistics->objectForKey("tlanding_page_load_dismiss").isNull());
}

TEST_F(VDOpenerTest, HostileAndUnknownSchemesAreRefusedEvenWhenTheDesktopWouldOpenThem) {
    ui::Application::shared().setURLTester([](const base::URL&) { return true; });
    testing_support::LogCapture log;
    for (const char* url : {"javascript:alert(1)", "file:///etc/passwd", "data:text/html,<b>x</b>",
                            "vd-custom://do/thing", "ftp://files.example/a", "about:blank"}) {
        auto parsed = base::URL::parse(url);
        if (!parsed)
            continue;
        EXPECT_FALSE(opener_->openClickURL(*parsed, true)) << url;
    }
    EXPECT_TRUE(calls_.empty());
    EXPECT_TRUE(log.contains("Refused to open a click of scheme \"javascript\""));
    EXPECT_TRUE(log.contains("Refused to open a click of scheme \"file\""));
    EXPECT_TRUE(ui::Presentation::shared().empty());
}

TEST_F(VDOpenerTest, AStoreLinkShowsTheProductSheetAsAFullScreenTakeover) {
    EXPECT_TRUE(click("itms-apps://apps.example/app/some-game/id4242?mt=8"));
    auto sheet = ui::Presentation::shared().topController<ui::ProductSheet>();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->productIdentifier(), "4242");
    EXPECT_EQ(opener_->presentedController(), sheet);
    EXPECT_EQ(calls_, (Calls{"adWillPresentScreen", kAdModalViewControllerWillPresentFullScreen,
                             "pingClickURLs"}));
    finishTransition();

    // Another in-application click while the sheet is up shows nothing.
    calls_.clear();
    EXPECT_FALSE(click("itms-apps://apps.example/app/id7"));
    EXPECT_TRUE(calls_.empty());

    sheet->done();
    EXPECT_EQ(calls_, Calls{"adWillDismissScreen"});
    finishTransition();
    EXPECT_EQ(calls_, (Calls{"adWillDismissScreen", "adDidDismissScreen",
                             kAdModalViewControllerDidDismissFullScreen}));
    EXPECT_FALSE(window_->rootViewController()->presentedViewController());
    EXPECT_FALSE(opener_->presentedController());

    // Afterwards another one shows again; a link that names no product shows none.
    EXPECT_TRUE(click("itms://apps.example/app/id7"));
    finishTransition();
    sheet = ui::Presentation::shared().topController<ui::ProductSheet>();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->productIdentifier(), "7");
    sheet->done();
    finishTransition();
    calls_.clear();
    EXPECT_FALSE(click("itms-apps://apps.example/app/idx1"));
    EXPECT_FALSE(opener_->openProductSheet({{"id", base::Value(-3)}}));
    EXPECT_TRUE(calls_.empty());
}

TEST_F(VDOpenerTest, AMailtoClickFillsTheMailComposer) {
    EXPECT_TRUE(click("mailto:a@x.example,b%40y.example?subject=Hi%20there&cc=c@z.example"
                      "&BCC=d@z.example&body=Line%201&to=e@z.example"));
    auto composer = ui::Presentation::shared().topController<ui::MailComposer>();
    ASSERT_TRUE(composer);
    EXPECT_EQ(composer->toRecipients(),
              (std::vector<std::string>{"a@x.example", "b@y.example", "e@z.example"}));
    EXPECT_EQ(composer->ccRecipients(), std::vector<std::string>{"c@z.example"});
    EXPECT_EQ(composer->bccRecipients(), std::vector<std::string>{"d@z.example"});
    EXPECT_EQ(composer->subject(), "Hi there");
    EXPECT_EQ(composer->messageBody(), "Line 1");
    finishTransition();
    composer->cancel();
    finishTransition();
    EXPECT_EQ(calls_, (Calls{"adWillPresentScreen", kAdModalViewControllerWillPresentFullScreen,
                             "pingClickURLs", "adWillDismissScreen", "adDidDismissScreen",
                             kAdModalViewControllerDidDismissFullScreen}));

    // Without a mail account, or without a controller to present from, nothing opens.
    calls_.clear();
    ui::MailComposer::setOutboxDirectory(std::nullopt);
    EXPECT_FALSE(click("mailto:a@x.example"));
    ui::MailComposer::resetOutboxDirectory();
    slot_->presenter = nullptr;
    EXPECT_FALSE(click("mailto:a@x.example"));
    EXPECT_TRUE(calls_.empty());
}

TEST_F(VDOpenerTest, WithAutoClickProtectionOnlyTheUsersClicksAreCarriedOut) {
    opener_->setAutoClickProtected(true);
    testing_support::LogCapture log;
    EXPECT_FALSE(click("https://auto.example/", false));
    EXPECT_FALSE(click("itms-apps://apps.example/app/id1", false));
    EXPECT_TRUE(calls_.empty());
    EXPECT_TRUE(ui::Presentation::shared().empty());
    EXPECT_TRUE(log.contains("https://auto.example/"));
    slot_->presenter = nullptr;
    EXPECT_TRUE(click("https://user.example/", true));
    EXPECT_EQ(calls_.size(), 4u);
}

} // namespace
