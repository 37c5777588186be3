#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/presentation/VDAdAppViewController.h"
#include "ads/presentation/VDBrowserViewController.h"
#include "ads/presentation/VDFullScreenNotifications.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/WebEngineFactory.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

namespace {

using Heard = std::vector<std::string>;

// The slot a screen is shown for, and a listener to the clicked ad's statistics.
class Slot : public VDIntermissionParticipant,
             public VDAdAppViewControllerSlot,
             public VDStatisticDictionaryDelegate {
public:
    explicit Slot(Heard& heard)
        : heard_(heard) {}
    void adWillPresentScreen() override { heard_.push_back("willPresent"); }
    void adWillDismissScreen() override { heard_.push_back("willDismiss"); }
    void adDidDismissScreen() override { heard_.push_back("didDismiss"); }
    void interstitialViewWillAppear() override { heard_.push_back("viewWillAppear"); }
    void interstitialViewWillDisappear() override { heard_.push_back("viewWillDisappear"); }
    std::optional<base::DispatchQueue> notificationQueue() override { return base::mainQueue(); }
    void didUpdateStatisticDictionary(const std::shared_ptr<VDStatisticDictionary>&) override {
        heard_.push_back("statistics");
    }

private:
    Heard& heard_;
};

class VDBrowserViewControllerTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDAbsoluteTime::resetForTesting();
        ui::Application::shared().setURLOpener([this](const base::URL& url) {
            heard.push_back("open " + url.absoluteString());
            return true;
        });
        for (const char* name : {kAdModalViewControllerWillPresentFullScreen,
                                 kAdModalViewControllerDidDismissFullScreen})
            base::NotificationCenter::defaultCenter().addObserver(
                name, [this](const base::Notification& note) { heard.push_back(note.name); });
        window = ui::Window::create(ui::Screen::mainScreen().bounds());
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        statistics->setDelegate(slot);
        statistics->setObjectForKeyShouldNotifyDelegate(base::Value(std::int64_t(7)), "tclickcurr",
                                                        false);
    }
    void TearDown() override {
        window.reset();
        base::RunLoop::main().runUntilIdle();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    void settle() { base::RunLoop::main().advance(base::Seconds(1)); }
    static ui::FakeWebEngine& page(ui::WebView& webView) { return ui::FakeWebEngine::of(webView); }

    Heard heard;
    std::shared_ptr<ui::ViewController> root = ui::ViewController::create();
    std::shared_ptr<Slot> slot = std::make_shared<Slot>(heard);
    std::shared_ptr<VDStatisticDictionary> statistics = VDStatisticDictionary::create();
    std::shared_ptr<ui::Window> window;
};

TEST_F(VDBrowserViewControllerTest, TheLandingPageIsATakeoverThatRecordsItsStatistics) {
    auto landing = VDBrowserViewController::createWithURL(
        *base::URL::parse("https://landing.example/a"), statistics);
    landing->intermission()->addParticipant(slot);
    root->presentViewController(landing, true);
    EXPECT_EQ(heard, (Heard{kAdModalViewControllerWillPresentFullScreen, "willPresent"}));
    auto& engine = page(*landing->webView());
    ASSERT_EQ(engine.loads().size(), 1u);
    settle();

    // The page loads, the user follows a link and goes back: the buttons follow.
    heard.clear();
    engine.raiseStartLoad();
    engine.raiseFinishLoad();
    EXPECT_FALSE(landing->backButton()->isEnabled());
    engine.raiseNavigation(*base::URL::parse("https://landing.example/b"),
                           ui::WebViewNavigationType::LinkClicked, true);
    engine.raiseNavigation(*base::URL::parse("http://landing.example/c"),
                           ui::WebViewNavigationType::FormSubmitted, true);
    engine.raiseNavigation(*base::URL::parse("https://landing.example/d"),
                           ui::WebViewNavigationType::Other, true);
    engine.setCanGoBack(true);
    engine.raiseStartLoad();
    engine.raiseFinishLoad();
    EXPECT_TRUE(landing->backButton()->isEnabled());
    EXPECT_FALSE(landing->forwardButton()->isEnabled());
    landing->backButton()->simulateTap();
    landing->reloadButton()->simulateTap();
    landing->forwardButton()->simulateTap();
    EXPECT_EQ(engine.goBackCount(), 1);
    EXPECT_EQ(engine.reloadCount(), 1);
    EXPECT_EQ(engine.goForwardCount(), 0) << "nothing to go forward to";
    EXPECT_EQ(statistics->objectForKey("plpsnc"), base::Value(1));
    EXPECT_EQ(statistics->objectForKey("plpnc"), base::Value(1));
    const auto start = statistics->objectForKey("tlanding_page_load_start");
    EXPECT_FALSE(start.isNull());
    EXPECT_FALSE(statistics->objectForKey("tlanding_page_load_end").isNull());

    // The system browser gets the page on show.
    landing->safariButton()->simulateTap();
    EXPECT_EQ(heard.back(), "open " + landing->currentURL().absoluteString());
    EXPECT_EQ(statistics->objectForKey("pcbo"), base::Value(true));
    base::RunLoop::main().runUntilIdle();
    EXPECT_NE(std::find(heard.begin(), heard.end(), "statistics"), heard.end())
        << "the statistics' changes notify";

    // Done ends the takeover and records the dismissal after the click.
    heard.clear();
    landing->doneButton()->simulateTap();
    EXPECT_EQ(heard, Heard{"willDismiss"});
    settle();
    std::erase(heard, "statistics");
    EXPECT_EQ(heard,
              (Heard{"willDismiss", kAdModalViewControllerDidDismissFullScreen, "didDismiss"}));
    EXPECT_FALSE(root->presentedViewController());
    const auto dismissed = statistics->objectForKey("tlanding_page_load_dismiss");
    ASSERT_FALSE(dismissed.isNull());
    EXPECT_EQ(statistics->objectForKey("tclick"),
              base::Value(base::Value::Array{
                  base::Value(base::Value::Array{base::Value(std::int64_t(7)), dismissed})}));
    EXPECT_EQ(statistics->objectForKey("tlanding_page_load_start"), start) << "set once";
}

TEST_F(VDBrowserViewControllerTest, APageTheSystemCannotOpenIsNotMarkedOpened) {
    ui::Application::shared().setURLTester([](const base::URL&) { return false; });
    auto landing = VDBrowserViewController::createWithURL(
        *base::URL::parse("https://landing.example/a"), statistics);
    root->presentViewController(landing, false);
    settle();
    landing->openInSafari();
    EXPECT_TRUE(statistics->objectForKey("pcbo").isNull());
}

TEST_F(VDBrowserViewControllerTest, AnAdAppPageTellsItsSlotWhenItAppearsAndDisappears) {
    auto app = VDAdAppViewController::createWithURL(*base::URL::parse("https://app.example/"), slot,
                                                    statistics);
    app->intermission()->addParticipant(slot);
    root->presentViewController(app, false);
    settle();
    auto& engine = page(*app->webView());
    engine.raiseStartLoad();
    engine.raiseFinishLoad();
    EXPECT_FALSE(statistics->objectForKey("tlanding_page_load_end").isNull());
    app->doneButton()->simulateTap();
    settle();
    std::erase(heard, "statistics");
    EXPECT_EQ(heard, (Heard{kAdModalViewControllerWillPresentFullScreen, "willPresent",
                            "viewWillAppear", "willDismiss", "viewWillDisappear",
                            kAdModalViewControllerDidDismissFullScreen, "didDismiss"}));
}

} // namespace
