#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDCharacterSets.h"
#include "ads/foundation/VDContentQueue.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebView.h"
#include "platform/ui/Window.h"

#include <chrono>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

constexpr const char* pageText = "Breaking news from the river valley today\n"
                                 "The mayor opened the new bridge over the water";

class VDApplicationContentHashingTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        application_ = VDApplication::sharedInstance();

        window_ = ui::Window::create(ui::Rect(0, 0, 320, 480));
        auto controller = std::make_shared<ui::ViewController>();
        window_->setRootViewController(controller);
        window_->makeKeyAndVisible();
        text_ = std::make_shared<ui::TextView>(ui::Rect(0, 0, 320, 100));
        text_->setText("A text view with several words in it");
        webView_ = ui::WebView::create(ui::Rect(0, 100, 320, 300));
        ui::FakeWebEngine::of(*webView_).setScriptFallback(
            [this](const std::string& script) -> std::optional<std::string> {
                ++scriptCount_;
                return script.find("innerText") != std::string::npos ? pageText : "";
            });
        controller->view()->addSubview(webView_);
        controller->view()->addSubview(text_);
    }
    void TearDown() override {
        application_->stopContentHashing();
        application_.reset();
        base::resetProcessServicesForTesting();
        window_.reset();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    // The number of walks in the content queue, once the hashing queue has run dry.
    std::size_t queuedWalks() const {
        auto queue = application_->contentQueue();
        if (!queue)
            return 0;
        return application_->contentQueueSerialQueue()->syncResult([&] { return queue->count(); });
    }
    bool waitForQueuedWalks(std::size_t count) const {
        return base::RunLoop::main().runUntil([&] { return queuedWalks() >= count; }, 10s);
    }

    std::shared_ptr<VDApplication> application_;
    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::TextView> text_;
    std::shared_ptr<ui::WebView> webView_;
    int scriptCount_ = 0;
};

TEST_F(VDApplicationContentHashingTest, WalksOnItsIntervalAndServesTheBestFingerprint) {
    EXPECT_EQ(application_->fingerprintWithServedPenaltyDeduction(), std::nullopt);
    application_->startContentHashing();
    EXPECT_TRUE(application_->isContentHashingOn());
    base::RunLoop::main().advance(base::Seconds(9.9));
    EXPECT_EQ(scriptCount_, 0);
    base::RunLoop::main().advance(base::Seconds(0.1));
    ASSERT_TRUE(waitForQueuedWalks(1));
    EXPECT_EQ(scriptCount_, 1);

    auto first = application_->contentQueue()->contentWithSequenceNumber(1);
    ASSERT_TRUE(first);
    // Walk 1 saw both texts' long paragraphs: 1 × 1 + 36 + 41 + 46.
    EXPECT_EQ(first->score(), 1 + 36 + 41 + 46);
    const std::string fingerprint = first->fingerprint();
    EXPECT_FALSE(fingerprint.empty());

    EXPECT_EQ(application_->fingerprintWithServedPenaltyDeduction(), fingerprint);
    EXPECT_EQ(first->score(), 24);

    // The same text again: the newer walk replaces the older.
    base::RunLoop::main().advance(base::Seconds(10));
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] { return application_->contentQueue()->contentWithSequenceNumber(2) != nullptr; },
        10s));
    EXPECT_EQ(queuedWalks(), 1u);
    EXPECT_EQ(application_->contentQueue()->contentWithSequenceNumber(1), nullptr);
}

TEST_F(VDApplicationContentHashingTest, StoppingDuringAWalkLetsItFinishAndARestartBeginsAfresh) {
    application_->startContentHashing();
    application_->startContentHashing(); // running: nothing changes
    auto firstQueue = application_->contentQueue();
    application_->walkViewHierarchyForTesting();
    application_->stopContentHashing();
    EXPECT_FALSE(application_->isContentHashingOn());
    // The walk under way ends in the queue it started with, which requests still use.
    ASSERT_TRUE(waitForQueuedWalks(1));
    EXPECT_EQ(application_->contentQueue(), firstQueue);
    EXPECT_TRUE(application_->fingerprintWithServedPenaltyDeduction().has_value());
    // No more walks while stopped.
    base::RunLoop::main().advance(base::Seconds(30));
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(scriptCount_, 1);

    application_->startContentHashing();
    EXPECT_NE(application_->contentQueue(), firstQueue);
    EXPECT_EQ(application_->fingerprintWithServedPenaltyDeduction(), std::nullopt);
    application_->walkViewHierarchyForTesting();
    ASSERT_TRUE(waitForQueuedWalks(1));
    // Walk numbers start again at 1.
    EXPECT_TRUE(application_->contentQueue()->contentWithSequenceNumber(1));
}

TEST_F(VDApplicationContentHashingTest, ServerCapacityAndIntervalAreClamped) {
    auto defaults = base::UserDefaults::standard();
    defaults->setObject(VDApplication::traversalIntervalKey, base::Value("0.001"));
    defaults->setObject(VDApplication::contentQueueCapacityKey, base::Value("-3"));
    application_->startContentHashing();
    EXPECT_EQ(application_->contentQueue()->size(), 0u);
    base::RunLoop::main().advance(base::Seconds(0.5));
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(scriptCount_, 0); // not before a second
    base::RunLoop::main().advance(base::Seconds(0.5));
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return scriptCount_ == 1; }, 10s));
    application_->stopContentHashing();

    defaults->setObject(VDApplication::contentQueueCapacityKey, base::Value(5000));
    application_->startContentHashing();
    EXPECT_EQ(application_->contentQueue()->size(), VDApplication::maximumContentQueueCapacity);
}

TEST_F(VDApplicationContentHashingTest, WalksWithoutLongTextAreNotQueued) {
    text_->setText("short");
    ui::FakeWebEngine::of(*webView_).setScriptFallback(
        [this](const std::string&) -> std::optional<std::string> {
            ++scriptCount_;
            return "tiny\nbits";
        });
    application_->startContentHashing();
    application_->walkViewHierarchyForTesting();
    // The web view, behind the text view, is the walk's last visit.
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return scriptCount_ == 1; }, 10s));
    text_->setText("Now a text view with enough words for a shingle");
    // Walks asked for while the first runs are refused; the first that starts after it
    // queues.
    ASSERT_TRUE(base::RunLoop::main().runUntil(
        [&] {
            if (queuedWalks() > 0)
                return true;
            application_->walkViewHierarchyForTesting();
            return false;
        },
        10s));
    EXPECT_EQ(application_->contentQueue()->contentWithSequenceNumber(1), nullptr);
    EXPECT_TRUE(application_->contentQueue()->contentWithSequenceNumber(2));
}

} // namespace
