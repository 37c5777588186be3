#include "ads/foundation/VDActiveViewMonitor.h"
#include "ads/request/VDActiveViewReport.h"
#include "ads/request/VDRequest.h"
#include "platform/base/JSON.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using base::Value;
using Dictionary = base::Value::Dictionary;

Value box(double top, double bottom, double left, double right) {
    return Value(Dictionary{{"top", Value(top)},
                            {"bottom", Value(bottom)},
                            {"left", Value(left)},
                            {"right", Value(right)}});
}

class VDActiveViewReportTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        ui::Application::shared().becomeActive();
        window_ = ui::Window::create(Rect(0, 0, 320, 480));
        window_->setRootViewController(std::make_shared<ui::ViewController>());
        window_->makeKeyAndVisible();
        auto scroll = ui::View::create(Rect(0, 100, 320, 200));
        scroll->setClipsToBounds(true);
        window_->rootViewController()->view()->addSubview(scroll);
        ad_ = ui::View::create(Rect(10, 150, 300, 100));
        scroll->addSubview(ad_);
        monitor_ = VDActiveViewMonitor::createWithView(ad_);
    }
    void TearDown() override {
        monitor_.reset();
        base::RunLoop::main().runUntilIdle();
        window_.reset();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    using Rect = ui::Rect;

    // The one unit of a report taken after a sample.
    Dictionary sampledUnit(const VDActiveViewReport::Unit& unit, bool unloaded = false) {
        monitor_->sample();
        base::RunLoop::main().runUntilIdle();
        auto report =
            VDActiveViewReport::activeViewParametersActiveViewUnloaded(*monitor_, unit, unloaded);
        const auto* units = report["units"].array();
        if (!units || units->size() != 1 || !(*units)[0].dictionary())
            return {{"malformed", true}};
        return *(*units)[0].dictionary();
    }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::View> ad_;
    std::shared_ptr<VDActiveViewMonitor> monitor_;
};

TEST_F(VDActiveViewReportTest, AUnitTellsWhereTheAdIsAndWhatOfItIsSeen) {
    VDActiveViewReport::Unit unit{true, false, Dictionary{{"key", Value("v")}}, 17};
    auto reported = sampledUnit(unit);
    EXPECT_EQ(reported["adBox"], box(250, 350, 10, 310));
    EXPECT_EQ(reported["globalVisibleBox"], box(250, 300, 10, 310)); // half scrolled out
    EXPECT_EQ(reported["viewBox"], box(0, 480, 0, 320));
    const Rect frame = ui::Screen::mainScreen().applicationFrame();
    EXPECT_EQ(reported["screenDimension"],
              box(frame.minY(), frame.maxY(), frame.minX(), frame.maxX()));
    EXPECT_EQ(reported["screenOrientation"], Value(1));
    EXPECT_EQ(reported["isSubViewOfVisibleWindow"], Value("1"));
    EXPECT_EQ(reported["isVisible"], Value("1"));
    EXPECT_EQ(reported["ad_type_mraid"], Value("1"));
    EXPECT_EQ(reported["vdmaVersion"], Value(VDRequest::sdkVersion()));
    EXPECT_EQ(reported["adFormat"], Value("banner_mb"));
    EXPECT_EQ(reported["activeViewJSON"], Value(Dictionary{{"key", Value("v")}}));
    EXPECT_TRUE(reported["timestamp"].isNumber());
    EXPECT_EQ(reported["hashCode"], Value(17u));
    EXPECT_FALSE(reported.count("doneReasonCode"));

    // Only the last report of a measurement says it is done.
    EXPECT_EQ(sampledUnit(unit, true)["doneReasonCode"], Value("u"));
    EXPECT_EQ(sampledUnit({false, true, std::nullopt, 1})["adFormat"], Value("interstitial_mb"));
    EXPECT_FALSE(sampledUnit({false, true, std::nullopt, 1}).count("activeViewJSON"));
}

TEST_F(VDActiveViewReportTest, WithoutAWindowOrInTheBackgroundNothingIsSeen) {
    ui::Application::shared().enterBackground();
    auto background = sampledUnit({});
    EXPECT_EQ(background["isVisible"], Value("0"));
    EXPECT_EQ(background["isSubViewOfVisibleWindow"], Value("0"));
    ui::Application::shared().becomeActive();

    ad_->removeFromSuperview();
    auto loose = sampledUnit({});
    EXPECT_EQ(loose["viewBox"], box(0, 0, 0, 0));
    EXPECT_EQ(loose["globalVisibleBox"], box(0, 0, 0, 0));
    EXPECT_EQ(loose["isSubViewOfVisibleWindow"], Value("0"));
    EXPECT_EQ(loose["isVisible"], Value("0"));
    EXPECT_EQ(loose["adBox"], box(150, 250, 10, 310)); // its own frame, nothing to convert to
}

TEST_F(VDActiveViewReportTest, ACommandCallsThePageFunctionWithCompactJSON) {
    EXPECT_EQ(VDActiveViewReport::activeViewJSCommandWithParams(std::nullopt), std::nullopt);
    EXPECT_EQ(VDActiveViewReport::activeViewJSCommandWithParams(
                  Dictionary{{"units", Value(base::Value::Array{Value(1)})}}),
              "VDMA_updateActiveView({\"units\":[1]})");
    // What JSON cannot carry is not sent.
    EXPECT_EQ(VDActiveViewReport::activeViewJSCommandWithParams(Dictionary{{"x", Value(NAN)}}),
              std::nullopt);

    auto command = VDActiveViewReport::activeViewJSCommandWithParams(
        VDActiveViewReport::activeViewParametersActiveViewUnloaded(*monitor_, {}, true));
    ASSERT_TRUE(command);
    const std::string prefix = "VDMA_updateActiveView(";
    ASSERT_EQ(command->rfind(prefix, 0), 0u);
    auto parsed =
        base::parseJSON(command->substr(prefix.size(), command->size() - prefix.size() - 1));
    ASSERT_TRUE(parsed);
    EXPECT_EQ((*parsed)["units"][0]["doneReasonCode"], Value("u"));
}

TEST_F(VDActiveViewReportTest, BoxesAreOfTheStandardisedRectangle) {
    EXPECT_EQ(Value(VDActiveViewReport::dictionaryForBounds(Rect(10, 20, -4, -6))),
              box(14, 20, 6, 10));
}

} // namespace
