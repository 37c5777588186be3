#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDDevice.h"
#include "ads/request/VDActiveViewReporting.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/webview/VDMRAIDEventHandling.h"
#include "ads/webview/VDMRAIDInterceptor.h"
#include "ads/webview/VDSDKCoreWebView.h"
#include "platform/base/JSON.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

namespace {

using Dictionary = base::Value::Dictionary;

class RecordingMRAIDHandler : public VDMRAIDEventHandling {
public:
    void MRAIDAdDidLoad() override {}
    void MRAIDAdDidUnload() override {}
    void updateVisibility(bool visible) override {
        calls.push_back(visible ? "visible" : "hidden");
    }
    void updatePositionFromView(const std::shared_ptr<ui::View>&) override {
        calls.push_back("position");
    }
    std::vector<std::string> calls;
};

class VDActiveViewReportingTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        ui::Application::shared().becomeActive();
        controller_ = VDSDKCoreController::create();
        window_ = ui::Window::create(ui::Rect(0, 0, 320, 480));
        window_->setRootViewController(std::make_shared<ui::ViewController>());
        window_->makeKeyAndVisible();
        adView_ = ui::View::create(ui::Rect(0, 0, 320, 50));
        window_->rootViewController()->view()->addSubview(adView_);
        reporting_ = VDActiveViewReporting::create(controller_);
        ad_.MRAID = true;
        ad_.MRAIDEventHandler = handler_;
    }
    void TearDown() override {
        reporting_.reset();
        controller_->waitForQueuesForTesting();
        base::RunLoop::main().runUntilIdle();
        controller_.reset();
        window_.reset();
        VDMRAIDInterceptor::resetForTesting();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    // The lent web view's page loads; the commands it then runs are recorded.
    void loadLentPage() {
        auto& engine = ui::FakeWebEngine::of(*reporting_->SDKCoreWebView()->webView());
        engine.setScriptFallback([this](const std::string& script) -> std::optional<std::string> {
            if (script.find("typeof VDMA_getAd") != std::string::npos)
                return "true";
            commands_.push_back(script);
            return "";
        });
        engine.raiseFinishLoad();
        base::RunLoop::main().runUntilIdle();
    }
    void pageSends(const std::string& url) {
        ui::FakeWebEngine::of(*reporting_->SDKCoreWebView()->webView())
            .raiseNavigation(*base::URL::parse(url), ui::WebViewNavigationType::Other, false);
        base::RunLoop::main().runUntilIdle();
    }
    // The one unit of a recorded "VDMA_updateActiveView(...)" command.
    static Dictionary unitOf(const std::string& command) {
        const std::string prefix = "VDMA_updateActiveView(";
        if (command.rfind(prefix, 0) != 0)
            return {{"not a report", true}};
        auto value =
            base::parseJSON(command.substr(prefix.size(), command.size() - prefix.size() - 1));
        if (!value || !(*value)["units"][0].dictionary())
            return {{"malformed", true}};
        return *(*value)["units"][0].dictionary();
    }

    std::shared_ptr<VDSDKCoreController> controller_;
    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::View> adView_;
    std::shared_ptr<VDActiveViewReporting> reporting_;
    std::shared_ptr<RecordingMRAIDHandler> handler_ = std::make_shared<RecordingMRAIDHandler>();
    VDActiveViewReporting::Ad ad_;
    std::vector<std::string> commands_;
};

TEST_F(VDActiveViewReportingTest, OnlyNonMediatedAdsWithAConfigurationOrRichMediaAreMeasured) {
    VDActiveViewReporting::Ad plain;
    VDActiveViewReporting::Ad configured;
    configured.activeViewConfiguration = Dictionary{};
    EXPECT_FALSE(VDActiveViewReporting::canEnableActiveViewMonitoring(false, plain));
    EXPECT_TRUE(VDActiveViewReporting::canEnableActiveViewMonitoring(false, configured));
    EXPECT_TRUE(VDActiveViewReporting::canEnableActiveViewMonitoring(false, ad_));
    EXPECT_FALSE(VDActiveViewReporting::canEnableActiveViewMonitoring(true, ad_));

    reporting_->resetActiveViewReportingForAdInView(plain, adView_, false);
    EXPECT_EQ(reporting_->activeViewMonitor(), nullptr);
    EXPECT_EQ(reporting_->SDKCoreWebView(), nullptr);
    reporting_->resetActiveViewReportingForAdInView(ad_, nullptr, false);
    EXPECT_EQ(reporting_->activeViewMonitor(), nullptr);
}

TEST_F(VDActiveViewReportingTest, AMeasurementReportsEachSampleAndEndsWithAnUnloadedReport) {
    reporting_->resetActiveViewReportingForAdInView(ad_, adView_, false);
    ASSERT_TRUE(reporting_->activeViewMonitor());
    ASSERT_TRUE(reporting_->SDKCoreWebView());
    const auto id = reporting_->activeViewID();
    EXPECT_EQ(reporting_->SDKCoreWebView()->activeViewObserverForActiveViewID(id), reporting_);
    loadLentPage();

    reporting_->activeViewMonitor()->startMonitoring();
    base::RunLoop::main().advance(base::Seconds(0.4)); // the controller's sampling interval
    base::RunLoop::main().runUntilIdle();
    ASSERT_EQ(commands_.size(), 1u);
    auto unit = unitOf(commands_[0]);
    EXPECT_EQ(unit["isVisible"], base::Value("1"));
    EXPECT_EQ(unit["hashCode"], base::Value(id));
    EXPECT_EQ(unit["ad_type_mraid"], base::Value("1"));
    EXPECT_FALSE(unit.count("doneReasonCode"));
    EXPECT_EQ(handler_->calls, std::vector<std::string>{"position"});

    // The page's verdicts for this measurement reach the rich-media handler.
    pageSends("amsg:visibilityChanged?hashCode=" + std::to_string(id) + "&isVisible=0");
    EXPECT_EQ(handler_->calls.back(), "hidden");

    // The page stops measuring: the last report, and the web view goes back.
    auto lent = reporting_->SDKCoreWebView();
    pageSends("amsg:untrackActiveViewUnit?hashCode=" + std::to_string(id));
    ASSERT_EQ(commands_.size(), 2u);
    EXPECT_EQ(unitOf(commands_[1])["doneReasonCode"], base::Value("u"));
    EXPECT_EQ(reporting_->activeViewMonitor(), nullptr);
    EXPECT_EQ(reporting_->SDKCoreWebView(), nullptr);
    EXPECT_EQ(lent->activeViewObserverForActiveViewID(id), nullptr);
    // No more samples.
    base::RunLoop::main().advance(base::Seconds(2));
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(commands_.size(), 2u);
}

TEST_F(VDActiveViewReportingTest, ANewImpressionFinishesThePreviousMeasurementFirst) {
    reporting_->resetActiveViewReportingForAdInView(ad_, adView_, false);
    const auto first = reporting_->activeViewID();
    loadLentPage();
    reporting_->activeViewMonitor()->sample();
    base::RunLoop::main().runUntilIdle();

    reporting_->resetActiveViewReportingForAdInView(ad_, adView_, false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(reporting_->activeViewID(), first + 1);
    ASSERT_EQ(commands_.size(), 2u);
    EXPECT_FALSE(unitOf(commands_[0]).count("doneReasonCode"));
    EXPECT_EQ(unitOf(commands_[1])["doneReasonCode"], base::Value("u"));
    EXPECT_EQ(unitOf(commands_[1])["hashCode"], base::Value(first));
}

} // namespace
