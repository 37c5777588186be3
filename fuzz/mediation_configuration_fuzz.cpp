// A mediation response's body, as the ad server sends it, read into a configuration and run
// through the waterfall on a manual clock. The configuration's numbers stay within their
// bounds whatever the body says; the waterfall asks at most the bounded number of networks,
// pings each once, ends in exactly one outcome within the sum of the time-outs, and leaves no
// timer behind. Networks name the built-in adapters (HTML on the fake engine, whose page never
// loads, so it times out; custom events whose class is absent) or the scripted ones below.
#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDSlotStatistics.h"
#include "ads/mediation/VDMAdManager.h"
#include "ads/mediation/VDMAdNetworkAdapter.h"
#include "ads/mediation/VDMAdNetworkConnector.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "fuzz/FuzzInput.h"
#include "platform/base/Clock.h"
#include "platform/base/JSON.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/ui/View.h"

#include <cmath>

namespace {

class Slot final : public VDMAdManagerSlot {
public:
    std::shared_ptr<VDSlotStatistics> slotStats() const override { return statistics; }
    bool requestsInterstitialAd() const override { return false; }
    ui::Size requestedAdSize() const override { return ui::Size(320, 50); }
    bool hasAutoRefreshed() const override { return false; }
    void setViewForAdUsingView(const std::shared_ptr<ui::View>&) override {}
    void didReceiveValidAd() override {}
    void adFinishedLoadingContent() override { ++outcomes; }
    void mediationDidFailWithRequestErrorCode(long code) override {
        FUZZ_CHECK(code == VDMAdManager::mediationNoFillCode ||
                   code == VDMAdManager::mediationAdapterErrorCode);
        ++outcomes;
    }
    void mediatedAdNetworkAutoRefreshed() override {}
    void adWillPresentScreen() override {}
    void adWillDismissScreen() override {}
    void adDidDismissScreen() override {}
    void adWillLeaveApplication() override {}
    void willLeaveAppDueToClick() override {}
    void
    trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
        const std::vector<std::string>& templates, const std::optional<std::string>&,
        const std::string&, const std::string&, const std::string&, const std::string&, bool,
        const std::optional<std::string>&, const std::optional<std::string>& exitCodes) override {
        FUZZ_CHECK(templates.size() <= VDMConfig::maximumPingTemplateCount);
        // One adapter's result per ping: the statistics were reset after the last.
        FUZZ_CHECK(exitCodes && exitCodes->find(',') == std::string::npos);
        ++pings;
    }

    std::shared_ptr<VDSlotStatistics> statistics = VDSlotStatistics::create();
    int outcomes = 0;
    std::size_t pings = 0;
};

// "Fill" fills and "Fail" fails, each on the next turn.
template <bool fills> class ScriptedAdapter final : public VDMAdNetworkAdapter {
public:
    static std::shared_ptr<ScriptedAdapter>
    create(const std::shared_ptr<VDMAdNetworkConnector>& connector) {
        return std::shared_ptr<ScriptedAdapter>(new ScriptedAdapter(connector));
    }
    std::string adapterClassName() const override { return fills ? "Fill" : "Fail"; }
    void getBannerWithSize(ui::Size) override {
        base::RunLoop::main().dispatch([connector = std::weak_ptr(connector())] {
            auto strong = connector.lock();
            if (!strong)
                return;
            if (fills)
                strong->adapterDidReceiveAdView(ui::View::create());
            else
                strong->adapterDidFailToReceiveAd(base::Error::make("fuzz", 1));
        });
    }
    void stopBeingDelegate() override {}

private:
    explicit ScriptedAdapter(const std::shared_ptr<VDMAdNetworkConnector>& connector)
        : VDMAdNetworkAdapter(connector) {}
};

void checkBounds(const VDMConfig& configuration) {
    FUZZ_CHECK(configuration.networks.size() <= VDMConfig::maximumNetworkCount);
    FUZZ_CHECK(std::isfinite(configuration.refreshInterval) &&
               configuration.refreshInterval <= VDMConfig::maximumRefreshInterval);
    if (configuration.adSize) {
        for (double side : {configuration.adSize->width, configuration.adSize->height})
            FUZZ_CHECK(side >= 1 && side <= VDMConfig::maximumAdSide);
    }
    if (configuration.defaultPingTemplate)
        FUZZ_CHECK(configuration.defaultPingTemplate->size() <= VDMConfig::maximumTemplateLength);
    for (const auto& network : configuration.networks) {
        FUZZ_CHECK(!network.adapterClassName.empty());
        FUZZ_CHECK(network.timeout.count() >= VDMConfig::minimumNetworkTimeout &&
                   network.timeout.count() <= VDMConfig::maximumNetworkTimeout);
        FUZZ_CHECK(network.pingTemplates.size() <= VDMConfig::maximumPingTemplateCount);
        for (const auto& text : network.pingTemplates)
            FUZZ_CHECK(!text.empty() && text.size() <= VDMConfig::maximumTemplateLength);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::useScratchDefaults();
    static const bool prepared = [] {
        base::RunLoop::main().useManualClock(std::make_shared<base::ManualClock>());
        ui::WebEngineFactory::install(ui::FakeWebEngine::maker());
        VDClassRegistry::registerClass(
            "Fill", std::make_shared<VDMAdNetworkAdapterClassOf<ScriptedAdapter<true>>>());
        VDClassRegistry::registerClass(
            "Fail", std::make_shared<VDMAdNetworkAdapterClassOf<ScriptedAdapter<false>>>());
        return true;
    }();
    (void)prepared;

    auto value = base::parseJSON(std::string(fuzz::text(data, size)));
    if (!value)
        return 0;
    auto configuration = VDMConfig::configurationWithJSONValue(*value, "fuzz-unit");
    if (!configuration)
        return 0;
    checkBounds(*configuration);

    auto slot = std::make_shared<Slot>();
    auto manager = VDMAdManager::create();
    manager->setSlot(slot);
    manager->loadAdWithConfiguration(*configuration);
    // Every network ends by its time-out at the latest.
    double budget = 1;
    for (const auto& network : configuration->networks)
        budget += network.timeout.count() + 1;
    for (double waited = 0; waited <= budget && slot->outcomes == 0; waited += 0.5) {
        base::RunLoop::main().runUntilIdle();
        base::RunLoop::main().advance(base::Seconds(0.5));
    }
    base::RunLoop::main().runUntilIdle();
    FUZZ_CHECK(slot->outcomes == 1);
    FUZZ_CHECK(slot->pings == configuration->networks.size() || manager->fillingAdapterClassName());
    FUZZ_CHECK(slot->pings <= configuration->networks.size());
    manager->cancel();
    base::RunLoop::main().runUntilIdle();
    // The HTML adapter's web views went back to the pool: the pool goes with this input, while
    // the services it observes still live (not at the program's exit).
    base::resetProcessServicesForTesting();
    base::RunLoop::main().runUntilIdle();
    FUZZ_CHECK(!base::RunLoop::main().nextTimerDeadline() && !base::RunLoop::main().hasReadyWork());
    return 0;
}
