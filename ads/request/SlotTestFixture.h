#pragma once

// For the slot's and the banner's unit tests: the process-wide ads services made afresh, the
// shared SDK-core controller on the fake engine with a fake core page the test plays, the test
// ad server on 127.0.0.1 for ad URLs and pings, and recorders of what owners hear.

#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDGestureUtil.h"
#include "ads/request/VDBannerView.h"
#include "ads/request/VDClickTrackerCollection.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/request/VDSlot.h"
#include "ads/request/VDURLConnection.h"
#include "ads/webview/VDMRAIDInterceptor.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "platform/base/JSON.h"
#include "platform/base/PercentEscape.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "tests/fixtures/TestAdServer.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace slot_testing {

using namespace std::chrono_literals;
using Dictionary = base::Value::Dictionary;

// The banner's host: records every callback, in order, with the error codes; an optional hook
// runs inside each callback.
class HostRecorder : public VDBannerViewDelegate {
public:
    void adViewDidReceiveAd(VDBannerView& view) override { record("receive", view); }
    void adViewDidFailToReceiveAdWithError(VDBannerView& view, const base::Error& error) override {
        codes.push_back(error.code);
        domains.push_back(error.domain);
        record("fail " + std::to_string(error.code), view);
    }
    void adViewWillPresentScreen(VDBannerView& view) override { record("willPresent", view); }
    void adViewWillDismissScreen(VDBannerView& view) override { record("willDismiss", view); }
    void adViewDidDismissScreen(VDBannerView& view) override { record("didDismiss", view); }
    void adViewWillLeaveApplication(VDBannerView& view) override { record("willLeave", view); }

    std::vector<std::string> calls;
    std::vector<long> codes;
    std::vector<std::string> domains;
    std::function<void(const std::string&, VDBannerView&)> hook;

private:
    void record(const std::string& call, VDBannerView& view) {
        calls.push_back(call);
        if (hook)
            hook(call, view);
    }
};

class SlotTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDAbsoluteTime::resetForTesting();
        VDMRAIDInterceptor::resetForTesting();
        VDClassRegistry::resetForTesting();
        VDURLConnection::clearCache();
        VDDevice::sharedInstance()->setUserAgentString("SlotTest/1.0");
        server_.start();
        // The fake core page: defines the functions, records every request it is given and
        // answers it as the test says (by default not at all).
        corePage().setScriptFallback([this](
                                         const std::string& script) -> std::optional<std::string> {
            if (script.find("typeof VDMA_getAd") != std::string::npos)
                return coreDefinesFunctions_ ? "true" : "false";
            // The ad-URL mediation adapter's requests come the same way (their parameters
            // hold "redodi-ad-url-mediation").
            if (script.rfind("VDMA_getAd(", 0) == 0 ||
                script.rfind("VDMA_getAdapterLessMediationAd(", 0) == 0) {
                const auto open = script.find('(');
                auto value = base::parseJSON(script.substr(open + 1, script.rfind(')') - open - 1));
                Dictionary parameters =
                    value && value->dictionary() ? *value->dictionary() : Dictionary{};
                {
                    std::lock_guard lock(mutex_);
                    requests_.push_back(parameters);
                }
                if (answer_)
                    answer_(parameters);
            }
            return "";
        });
        controllerReady_ = false;
        hostController_ = ui::ViewController::create();
    }
    void TearDown() override {
        banners_.clear();
        base::RunLoop::main().runUntilIdle();
        base::resetProcessServicesForTesting();
        base::RunLoop::main().runUntilIdle();
        server_.stop();
        base::resetProcessServicesForTesting();
        VDMRAIDInterceptor::resetForTesting();
        VDClassRegistry::resetForTesting();
        PlatformTest::TearDown();
    }

    ui::FakeWebEngine& corePage() {
        return ui::FakeWebEngine::of(
            *VDSDKCoreController::sharedInstance()->activeSDKCoreWebView()->webView());
    }
    // The core page finishes its load once; afterwards requests go out at once.
    void finishCorePageLoadIfNeeded() {
        auto webView = VDSDKCoreController::sharedInstance()->activeSDKCoreWebView();
        if (webView->state() == VDSDKCoreWebView::StateLoading)
            corePage().raiseFinishLoad();
    }
    std::vector<Dictionary> pageRequests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    // The page sends an "amsg" message with percent-encoded values.
    void pageSends(const std::string& name,
                   const std::vector<std::pair<std::string, std::string>>& values) {
        std::string url = "amsg:///" + name;
        char separator = '?';
        for (const auto& [key, value] : values) {
            url += separator + base::percentEscape(key, base::queryValueCharactersToEscape) + "=" +
                   base::percentEscape(value, base::queryValueCharactersToEscape);
            separator = '&';
        }
        corePage().raiseNavigation(*base::URL::parse(url), ui::WebViewNavigationType::Other, false);
    }
    // The page answers every request with the test server's ad of that scenario.
    void answerWithScenario(const std::string& scenario) {
        answer_ = [this, scenario](const Dictionary& parameters) {
            const auto id = base::Value(parameters)["request_id"].stringValue().value_or("");
            pageSends("loadAdURL", {{"request_id", id},
                                    {"url", server_.adURL(scenario) + "?request_id=" + id},
                                    {"request_scenario", "online_request"}});
        };
    }
    // The page refuses every request.
    void answerWithRefusal() {
        answer_ = [this](const Dictionary& parameters) {
            pageSends(
                "invalidRequest",
                {{"request_id", base::Value(parameters)["request_id"].stringValue().value_or("")}});
        };
    }
    // The page answers every request with that ad URL.
    void answerWithURL(const std::string& url) {
        answer_ = [this, url](const Dictionary& parameters) {
            const auto id = base::Value(parameters)["request_id"].stringValue().value_or("");
            pageSends("loadAdURL", {{"request_id", id}, {"url", url}});
        };
    }
    // The page answers every request with a whole HTML ad carrying the fields given.
    void answerWithWholeAd(Dictionary ad) {
        answer_ = [this, ad](const Dictionary& parameters) {
            const auto id = base::Value(parameters)["request_id"].stringValue().value_or("");
            pageSends("loadAd", {{"request_id", id},
                                 {"fetched_ad", base::toJSON(base::Value(ad)).valueOr("{}")}});
        };
    }
    Dictionary htmlAd(const std::string& label, std::optional<double> refresh = std::nullopt) {
        Dictionary ad{
            {"ad_html", base::Value("<p>" + label + "</p>")},
            {"ad_base_url", base::Value(server_.url("/"))},
            {"impression_urls", base::Value(base::Value::Array{
                                    base::Value(server_.url("/ping/impression?ad=" + label))})},
            {"click_urls",
             base::Value(base::Value::Array{base::Value(server_.url("/ping/click?ad=" + label))})}};
        if (refresh)
            ad["refresh_rate"] = base::Value(*refresh);
        return ad;
    }

    // A phone banner of the standard size with this test's host, in a window.
    std::shared_ptr<VDBannerView> makeBanner(VDAdSize size = kVDAdSizeBanner,
                                             bool inWindow = true) {
        auto banner = VDBannerView::createWithAdSizeOrigin(size, ui::Point(0, 430));
        banner->setAdUnitID("unit-1");
        banner->setRootViewController(hostController_);
        banner->setDelegate(host_);
        if (inWindow) {
            window_ = ui::Window::create(ui::Rect(0, 0, 320, 480));
            window_->setHidden(false);
            window_->addSubview(banner);
        }
        banners_.push_back(banner);
        return banner;
    }
    // How many pings the server got for exactly that target.
    std::size_t pings(const std::string& target) const {
        const auto all = server_.requests("/ping/");
        return std::size_t(std::count(all.begin(), all.end(), target));
    }
    ui::FakeWebEngine& adPage(const std::shared_ptr<VDSlot>& slot) {
        return ui::FakeWebEngine::of(*slot->adView()->webView());
    }
    bool waitFor(const std::function<bool()>& condition) {
        return base::RunLoop::main().runUntil(condition, 10s);
    }
    bool waitForState(const std::shared_ptr<VDSlot>& slot, long state) {
        return waitFor([&] {
            finishCorePageLoadIfNeeded();
            return slot->state() == state;
        });
    }
    // Loads the banner until its creative is in the ad view, then finishes the creative's load.
    bool loadUntilShown(const std::shared_ptr<VDBannerView>& banner,
                        const std::shared_ptr<VDRequest>& request = nullptr) {
        banner->loadRequest(request);
        if (!waitForState(banner->slot(), VDSlot::StateRendering))
            return false;
        adPage(banner->slot()).raiseFinishLoad();
        return banner->slot()->state() == VDSlot::StateValidAd;
    }

    testing_support::TestAdServer server_;
    std::shared_ptr<HostRecorder> host_ = std::make_shared<HostRecorder>();
    std::shared_ptr<ui::ViewController> hostController_;
    std::shared_ptr<ui::Window> window_;
    std::vector<std::shared_ptr<VDBannerView>> banners_;
    std::function<void(const Dictionary&)> answer_;
    bool coreDefinesFunctions_ = true;
    bool controllerReady_ = false;

private:
    std::mutex mutex_;
    std::vector<Dictionary> requests_;
};

} // namespace slot_testing
