#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDSlotStatistics.h"
#include "ads/mediation/VDMAdManager.h"
#include "ads/mediation/VDMAdNetworkAdapter.h"
#include "ads/mediation/VDMAdNetworkConnector.h"
#include "ads/presentation/VDFullScreenNotifications.h"
#include "platform/base/JSON.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/View.h"

#include <gtest/gtest.h>

namespace {

using base::Seconds;

// The slot side: records what the manager tells it, in order, with each ping's values.
class Slot : public VDMAdManagerSlot {
public:
    std::shared_ptr<VDSlotStatistics> slotStats() const override { return statistics; }
    bool requestsInterstitialAd() const override { return interstitial; }
    ui::Size requestedAdSize() const override { return ui::Size(320, 50); }
    bool hasAutoRefreshed() const override { return autoRefreshed; }
    void setViewForAdUsingView(const std::shared_ptr<ui::View>& view) override {
        shownView = view;
        events.push_back("view");
    }
    void didReceiveValidAd() override { events.push_back("valid"); }
    void adFinishedLoadingContent() override { events.push_back("finished"); }
    void mediationDidFailWithRequestErrorCode(long code) override {
        events.push_back("fail " + std::to_string(code));
    }
    void mediatedAdNetworkAutoRefreshed() override {
        autoRefreshed = true;
        events.push_back("refreshed");
    }
    void adWillPresentScreen() override { events.push_back("willPresent"); }
    void adWillDismissScreen() override { events.push_back("willDismiss"); }
    void adDidDismissScreen() override { events.push_back("didDismiss"); }
    void adWillLeaveApplication() override { events.push_back("willLeave"); }
    void willLeaveAppDueToClick() override { events.push_back("leaveDueToClick"); }
    void
    trackMediationURLsFromTemplatesDefaultTemplateNetworkIDAllocationIDQDataAppKeyRefreshDurationsExitCodes(
        const std::vector<std::string>& templates,
        const std::optional<std::string>& defaultTemplate, const std::string& networkID,
        const std::string& allocationID, const std::string& qData, const std::string&, bool refresh,
        const std::optional<std::string>& durations,
        const std::optional<std::string>& exitCodes) override {
        pings.push_back(networkID + " " + allocationID + " " + qData + " " +
                        (refresh ? "refresh" : "first") + " ms=" + durations.value_or("-") +
                        " exit=" + exitCodes.value_or("-") +
                        " templates=" + std::to_string(templates.size()) +
                        " default=" + defaultTemplate.value_or("-"));
        events.push_back("ping " + networkID);
    }

    std::shared_ptr<VDSlotStatistics> statistics = VDSlotStatistics::create();
    bool interstitial = false;
    bool autoRefreshed = false;
    std::vector<std::string> events;
    std::vector<std::string> pings;
    std::shared_ptr<ui::View> shownView;
};

// A network whose behaviour its parameters give: "outcome" "fill", "fail" or "silent" (never
// answers), after "after" seconds (at once when 0).
class ScriptedAdapter final : public VDMAdNetworkAdapter {
public:
    static inline std::vector<std::string> log;
    static inline std::weak_ptr<ScriptedAdapter> last;

    static std::shared_ptr<ScriptedAdapter>
    create(const std::shared_ptr<VDMAdNetworkConnector>& connector) {
        auto adapter = std::shared_ptr<ScriptedAdapter>(new ScriptedAdapter(connector));
        last = adapter;
        return adapter;
    }
    std::string adapterClassName() const override { return "ScriptedAdapter"; }
    void getBannerWithSize(ui::Size size) override {
        auto connector = this->connector();
        const base::Value parameters(connector->network().parameters);
        log.push_back("ask " + connector->network().networkID + " " +
                      std::to_string(int(size.width)) + "x" + std::to_string(int(size.height)));
        const auto outcome = parameters["outcome"].stringValue().value_or("silent");
        const double after = parameters["after"].doubleValue();
        if (outcome == "silent")
            return;
        auto answer = [weak = std::weak_ptr(connector), outcome, this_ = this] {
            auto connector = weak.lock();
            if (!connector || this_->stopped)
                return;
            if (outcome == "fill")
                connector->adapterDidReceiveAdView(this_->view);
            else
                connector->adapterDidFailToReceiveAd(base::Error::make("test", 1));
        };
        if (after > 0)
            timer = base::RunLoop::main().dispatchAfter(Seconds(after), answer);
        else
            answer();
    }
    void stopBeingDelegate() override {
        stopped = true;
        log.push_back("stop " + connector()->network().networkID);
    }
    bool changeAdSizeTo(ui::Size size) override {
        log.push_back("resize " + std::to_string(int(size.width)));
        return true;
    }

    std::shared_ptr<ui::View> view = ui::View::create();
    bool stopped = false;
    std::shared_ptr<base::Timer> timer;

private:
    explicit ScriptedAdapter(const std::shared_ptr<VDMAdNetworkConnector>& connector)
        : VDMAdNetworkAdapter(connector) {}
};

class VDMAdManagerTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        VDAbsoluteTime::resetForTesting();
        ScriptedAdapter::log.clear();
        VDClassRegistry::registerClass(
            "ScriptedAdapter", std::make_shared<VDMAdNetworkAdapterClassOf<ScriptedAdapter>>());
        manager_->setSlot(slot_);
    }
    void TearDown() override {
        manager_.reset();
        VDClassRegistry::resetForTesting();
        PlatformTest::TearDown();
    }
    static base::Value network(const std::string& id, const std::string& outcome, double after,
                               double timeout = 5, const std::string& adapter = "ScriptedAdapter") {
        return base::Value(base::Value::Dictionary{
            {"adapter", base::Value(adapter)},
            {"network_id", base::Value(id)},
            {"allocation_id", base::Value("alloc-" + id)},
            {"timeout", base::Value(timeout)},
            {"parameters", base::Value(base::Value::Dictionary{{"outcome", base::Value(outcome)},
                                                               {"after", base::Value(after)}})}});
    }
    static VDMConfig configuration(base::Value::Array networks) {
        auto configuration = VDMConfig::configurationWithJSONValue(
            base::Value(base::Value::Dictionary{{"ad_networks", base::Value(std::move(networks))},
                                                {"qdata", base::Value("q")},
                                                {"ping_url", base::Value("http://p.test/d")}}),
            "unit");
        EXPECT_TRUE(configuration);
        return configuration.value_or(VDMConfig());
    }
    // The standard waterfall: a network that times out at 5 s, one that fails after 1 s and
    // one that fills after 2 s.
    VDMConfig timeoutFailFill() {
        return configuration(
            {network("a", "silent", 0), network("b", "fail", 1), network("c", "fill", 2)});
    }
    static void advance(double seconds) { base::RunLoop::main().advance(Seconds(seconds)); }

    std::shared_ptr<Slot> slot_ = std::make_shared<Slot>();
    std::shared_ptr<VDMAdManager> manager_ = VDMAdManager::create();
};

TEST_F(VDMAdManagerTest, TheFirstNetworkTimesOutTheSecondFailsAndTheThirdFills) {
    manager_->loadAdWithConfiguration(timeoutFailFill());
    EXPECT_TRUE(manager_->isRequesting());
    EXPECT_TRUE(ScriptedAdapter::log.empty()) << "no network is asked inside the call";
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(ScriptedAdapter::log, std::vector<std::string>{"ask a 320x50"});

    advance(4.9);
    EXPECT_TRUE(slot_->pings.empty());
    advance(0.1);
    base::RunLoop::main().runUntilIdle();
    advance(1);
    base::RunLoop::main().runUntilIdle();
    advance(2);
    base::RunLoop::main().runUntilIdle();

    EXPECT_EQ(ScriptedAdapter::log,
              (std::vector<std::string>{"ask a 320x50", "stop a", "ask b 320x50", "stop b",
                                        "ask c 320x50"}));
    // Each network's own milliseconds and exit code, the statistics reset after each ping.
    EXPECT_EQ(slot_->pings,
              (std::vector<std::string>{
                  "a alloc-a q first ms=5000 exit=2 templates=0 default=http://p.test/d",
                  "b alloc-b q first ms=1000 exit=1 templates=0 default=http://p.test/d",
                  "c alloc-c q first ms=2000 exit=0 templates=0 default=http://p.test/d"}));
    EXPECT_EQ(slot_->statistics->adapterExitCodesParameter(), std::nullopt);
    EXPECT_EQ(slot_->events, (std::vector<std::string>{"ping a", "ping b", "ping c", "view",
                                                       "valid", "finished"}));
    EXPECT_EQ(slot_->shownView, ScriptedAdapter::last.lock()->view);
    EXPECT_EQ(manager_->fillingAdapterClassName(), "ScriptedAdapter");
    EXPECT_FALSE(manager_->isRequesting());
    EXPECT_TRUE(manager_->changeAdTypeTo(false, ui::Size(300, 250)));
    EXPECT_FALSE(manager_->changeAdTypeTo(true, ui::Size()));

    // The time-out of a network that answered in time never fires later.
    advance(10);
    EXPECT_EQ(slot_->events.size(), 6u);
}

TEST_F(VDMAdManagerTest, CancelDuringEachStepReportsNothingMore) {
    // Cancelled before the first network, while each network is asked, and after the fill.
    for (double at : {-1.0, 0.0, 5.5, 6.5, 8.5}) {
        SCOPED_TRACE(at);
        slot_->events.clear();
        slot_->pings.clear();
        ScriptedAdapter::log.clear();
        manager_->loadAdWithConfiguration(timeoutFailFill());
        if (at >= 0) {
            base::RunLoop::main().runUntilIdle();
            advance(at);
            base::RunLoop::main().runUntilIdle();
        }
        const auto events = slot_->events;
        manager_->cancel();
        EXPECT_FALSE(manager_->isRequesting());
        EXPECT_EQ(manager_->fillingAdapterClassName(), std::nullopt);
        advance(20);
        base::RunLoop::main().runUntilIdle();
        EXPECT_EQ(slot_->events, events) << "nothing after the cancel";
        if (at >= 0 && at < 8) {
            EXPECT_EQ(ScriptedAdapter::log.back().substr(0, 4), "stop")
                << "the network being asked is let go";
        }
    }
    EXPECT_EQ(slot_->events.back(), "finished") << "the last run had filled before its cancel";
}

TEST_F(VDMAdManagerTest, UnknownAdaptersAndEmptyListsEndInTheRightFailure) {
    // No network has an adapter: each is timed and pinged with exit code 3, then code 8.
    manager_->loadAdWithConfiguration(configuration(
        {network("x", "fill", 0, 5, "NoSuchAdapter"), network("y", "fill", 0, 5, "Missing")}));
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(slot_->events, (std::vector<std::string>{"ping x", "ping y", "fail 8"}));
    EXPECT_EQ(slot_->pings[0], "x alloc-x q first ms=0 exit=3 templates=0 default=http://p.test/d");

    // An unknown adapter among known ones is skipped; no fill is code 9.
    slot_->events.clear();
    manager_->loadAdWithConfiguration(
        configuration({network("x", "fill", 0, 5, "NoSuchAdapter"), network("b", "fail", 0)}));
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(slot_->events, (std::vector<std::string>{"ping x", "ping b", "fail 9"}));

    // No networks at all: no fill, on a later turn.
    slot_->events.clear();
    manager_->loadAdWithConfiguration(configuration({}));
    EXPECT_TRUE(slot_->events.empty());
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(slot_->events, std::vector<std::string>{"fail 9"});

    // A second waterfall replaces the first: only the second reports.
    slot_->events.clear();
    manager_->loadAdWithConfiguration(configuration({network("b", "fail", 0)}));
    manager_->loadAdWithConfiguration(configuration({network("c", "fill", 0)}));
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(slot_->events, (std::vector<std::string>{"ping c", "view", "valid", "finished"}));
}

TEST_F(VDMAdManagerTest, TheNetworkOnShowRefreshesAndFailsByItselfAndGoesWithTheNextFill) {
    manager_->loadAdWithConfiguration(configuration({network("c", "fill", 0)}));
    base::RunLoop::main().runUntilIdle();
    auto onShow = ScriptedAdapter::last.lock();
    auto connector = onShow->connector();
    ASSERT_TRUE(connector);
    slot_->events.clear();

    connector->adapterDidReceiveAdView(ui::View::create());
    connector->adapterDidFailToReceiveAd(base::Error::make("test", 1));
    EXPECT_EQ(slot_->events,
              (std::vector<std::string>{"refreshed", "view", "finished", "refreshed", "fail 9"}));
    EXPECT_TRUE(slot_->pings.size() == 1) << "a network's own refresh is not pinged";

    // Its full-screen moments are posted for every slot and reach this slot's owner.
    std::vector<std::string> posted;
    auto& center = base::NotificationCenter::defaultCenter();
    auto willPresent = center.addObserver(kAdModalViewControllerWillPresentFullScreen,
                                          [&](const auto&) { posted.push_back("will"); });
    auto didDismiss = center.addObserver(kAdModalViewControllerDidDismissFullScreen,
                                         [&](const auto&) { posted.push_back("did"); });
    slot_->events.clear();
    connector->adapterWillPresentFullScreen();
    connector->adapterWillDismissFullScreen();
    connector->adapterDidDismissFullScreen();
    connector->adapterWillLeaveApplication();
    EXPECT_EQ(posted, (std::vector<std::string>{"will", "did"}));
    EXPECT_EQ(slot_->events, (std::vector<std::string>{"willPresent", "willDismiss", "didDismiss",
                                                       "willLeave", "leaveDueToClick"}));

    // Another network's fill lets the one on show go; it is heard no more.
    manager_->loadAdWithConfiguration(configuration({network("d", "fill", 0)}));
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(onShow->stopped);
    slot_->events.clear();
    connector->adapterDidReceiveAdView(ui::View::create());
    connector->adapterWillPresentFullScreen();
    EXPECT_TRUE(slot_->events.empty());
    EXPECT_EQ(posted.size(), 2u);
    center.removeObserver(willPresent);
    center.removeObserver(didDismiss);
}

TEST_F(VDMAdManagerTest, InterstitialSlotsAskForInterstitialsAndTheManagerOutlivesNoSlot) {
    slot_->interstitial = true;
    manager_->loadAdWithConfiguration(configuration({network("c", "fill", 0)}));
    base::RunLoop::main().runUntilIdle();
    // The scripted network serves no interstitials: the adapter's default fails.
    EXPECT_EQ(slot_->events, (std::vector<std::string>{"ping c", "fail 9"}));
    EXPECT_FALSE(manager_->changeAdTypeTo(false, ui::Size(320, 50)));

    // A slot that went away hears nothing and nothing is asked.
    slot_->interstitial = false;
    manager_->loadAdWithConfiguration(configuration({network("c", "fill", 0)}));
    slot_.reset();
    ScriptedAdapter::log.clear();
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(ScriptedAdapter::log.empty());
}

} // namespace
