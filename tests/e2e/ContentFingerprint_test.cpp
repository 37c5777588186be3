// Content fingerprints of a real page: the walk reads a WebKit view's visible body text (not
// the text of hidden elements or scripts) and a text view's text, and the walk's fingerprint is
// the one that text gives.

#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDCharacterSets.h"
#include "ads/foundation/VDContent.h"
#include "ads/foundation/VDContentQueue.h"
#include "platform/base/Clock.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebEngineFactory.h"
#include "platform/ui/WebView.h"
#include "platform/ui/WebViewDelegate.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class LoadWatcher : public ui::WebViewDelegate {
public:
    void webViewDidFinishLoad(ui::WebView&) override { finished = true; }
    bool finished = false;
};

class ContentFingerprintTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        // The engine lives in real time.
        base::Clock::install(nullptr);
        auto installed = gtk::GtkPlatform::install();
        ASSERT_TRUE(installed.ok()) << installed.error().localizedDescription();
        ui::WebEngineFactory::install(gtk::WebKitEngine::maker());
        base::resetProcessServicesForTesting();
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        window_.reset();
        ui::WebEngineFactory::reset();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    std::shared_ptr<ui::Window> window_;
};

TEST_F(ContentFingerprintTest, AWalkFingerprintsTheVisibleTextOfAPage) {
    window_ = ui::Window::create(ui::Rect(0, 0, 320, 480));
    auto controller = std::make_shared<ui::ViewController>();
    window_->setRootViewController(controller);
    window_->makeKeyAndVisible();
    auto webView = ui::WebView::create(ui::Rect(0, 0, 320, 400));
    controller->view()->addSubview(webView);
    auto text = std::make_shared<ui::TextView>(ui::Rect(0, 400, 320, 80));
    text->setText("Weather for the weekend looks bright and warm");
    controller->view()->addSubview(text);

    auto watcher = std::make_shared<LoadWatcher>();
    webView->setDelegate(watcher);
    webView->loadHTMLString(
        "<html><body><h1>Harbour festival opens on Saturday</h1>"
        "<p>Boats from every town along the coast sail in at noon.</p>"
        "<div style=\"display:none\">hidden words that nobody can read here</div>"
        "<script>var notShown = 'script text is not page text either';</script>"
        "</body></html>",
        std::nullopt);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return watcher->finished; }, 30s));

    auto application = VDApplication::sharedInstance();
    application->startContentHashing();
    application->walkViewHierarchyForTesting();
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] {
            return application->contentQueueSerialQueue()->syncResult(
                [&] { return application->contentQueue()->count() == 1; });
        },
        30s));
    auto walk = application->contentQueue()->contentWithSequenceNumber(1);
    ASSERT_TRUE(walk);

    // The same walk fed the texts a reader sees, in the walk's order (front-most view first).
    VDContent expected(1);
    expected.updateContentWithText("Weather for the weekend looks bright and warm");
    expected.updateContentWithText("Harbour festival opens on Saturday\n"
                                   "Boats from every town along the coast sail in at noon.");
    EXPECT_EQ(walk->score(), expected.score());
    EXPECT_EQ(walk->fingerprint(), expected.fingerprint());
    EXPECT_FALSE(walk->fingerprint().empty());
    application->stopContentHashing();
}

} // namespace
