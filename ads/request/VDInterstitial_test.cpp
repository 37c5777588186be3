#include "ads/presentation/VDBrowserViewController.h"
#include "ads/presentation/VDFullScreenNotifications.h"
#include "ads/request/SlotTestFixture.h"
#include "ads/request/VDInterstitial.h"
#include "ads/request/VDRequestError.h"
#include "platform/base/NotificationCenter.h"
#include "platform/testing/LogCapture.h"
#include "platform/ui/Screen.h"

namespace {

using namespace slot_testing;
using Calls = std::vector<std::string>;

// The interstitial's host: records every callback in order, with the failures' codes; the
// full-screen notifications of the process go into the same list.
class InterstitialHost : public VDInterstitialDelegate {
public:
    void interstitialDidReceiveAd(VDInterstitial& ad) override { record("receive", ad); }
    void interstitialDidFailToReceiveAdWithError(VDInterstitial& ad,
                                                 const base::Error& error) override {
        domains.push_back(error.domain);
        record("fail " + std::to_string(error.code), ad);
    }
    void interstitialWillPresentScreen(VDInterstitial& ad) override { record("willPresent", ad); }
    void interstitialWillDismissScreen(VDInterstitial& ad) override { record("willDismiss", ad); }
    void interstitialDidDismissScreen(VDInterstitial& ad) override { record("didDismiss", ad); }
    void interstitialWillLeaveApplication(VDInterstitial& ad) override { record("willLeave", ad); }
    void interstitialDidReceiveAdClick(VDInterstitial& ad) override { record("click", ad); }

    Calls calls;
    std::vector<std::string> domains;
    std::function<void(const std::string&)> hook;

private:
    void record(const std::string& call, VDInterstitial&) {
        calls.push_back(call);
        if (hook)
            hook(call);
    }
};

class PurchaseTaker : public VDInAppPurchaseDelegate {
public:
    void didReceiveInAppPurchase(const std::shared_ptr<VDInAppPurchase>&) override {}
};

class VDInterstitialTest : public SlotTest {
protected:
    void SetUp() override {
        SlotTest::SetUp();
        for (const char* name : {kAdModalViewControllerWillPresentFullScreen,
                                 kAdModalViewControllerDidDismissFullScreen})
            observers_.push_back(base::NotificationCenter::defaultCenter().addObserver(
                name, [this](const base::Notification& note) {
                    if (interstitialHost_)
                        interstitialHost_->calls.push_back(
                            note.name == kAdModalViewControllerWillPresentFullScreen
                                ? "note willPresentFullScreen"
                                : "note didDismissFullScreen");
                }));
        window_ = ui::Window::create(ui::Screen::mainScreen().bounds());
        window_->setRootViewController(hostController_);
        window_->makeKeyAndVisible();
    }
    void TearDown() override {
        for (const auto& token : observers_)
            base::NotificationCenter::defaultCenter().removeObserver(token);
        interstitials_.clear();
        window_.reset();
        SlotTest::TearDown();
    }

    std::shared_ptr<VDInterstitial> makeInterstitial() {
        auto interstitial = VDInterstitial::createWithAdUnitID("vd-app-pub-1/2");
        interstitial->setDelegate(interstitialHost_);
        interstitials_.push_back(interstitial);
        return interstitial;
    }
    // Loads until the creative has finished loading in the slot's ad view.
    bool loadUntilReady(const std::shared_ptr<VDInterstitial>& interstitial) {
        interstitial->loadRequest(VDRequest::request());
        if (!waitForState(interstitial->slot(), VDSlot::StateRendering))
            return false;
        adPage(interstitial->slot()).raiseFinishLoad();
        return interstitial->isReady();
    }
    void settle() { base::RunLoop::main().advance(base::Seconds(1)); }

    std::shared_ptr<InterstitialHost> interstitialHost_ = std::make_shared<InterstitialHost>();
    std::vector<std::shared_ptr<VDInterstitial>> interstitials_;
    std::vector<base::NotificationCenter::ObserverToken> observers_;
};

TEST_F(VDInterstitialTest, AnInterstitialOwnsAFullScreenSlotThatNeverRefreshes) {
    auto interstitial = makeInterstitial();
    auto slot = interstitial->slot();
    EXPECT_EQ(slot->adUnitID(), "vd-app-pub-1/2");
    EXPECT_EQ(slot->slotDelegate(), interstitial);
    EXPECT_EQ(slot->adEventDelegate(), interstitial);
    EXPECT_EQ(slot->requestedAdType(), 2);
    EXPECT_TRUE(slot->adType().isInterstitial());
    EXPECT_FALSE(slot->reloadable());
    EXPECT_EQ(slot->adView()->frame(), ui::Screen::mainScreen().bounds());
    EXPECT_FALSE(slot->adView()->isBannerAdView());
    EXPECT_EQ(slot->adView()->viewController(), interstitial->viewController());
    EXPECT_EQ(interstitial->slotShouldReloadCurrentRequest(*slot), false);
    // The host's purchase taker, held weakly, hears the creative's offers.
    auto taker = std::make_shared<PurchaseTaker>();
    interstitial->setInAppPurchaseDelegate(taker);
    EXPECT_EQ(slot->inAppPurchaseDelegate(), taker);

    // The request says it is for an interstitial that takes purchases; a failure arms no
    // refresh.
    answerWithScenario("nofill");
    interstitial->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateFailed));
    ASSERT_FALSE(pageRequests().empty());
    EXPECT_EQ(base::Value(pageRequests().back())["format"].stringValue(), "interstitial_mb");
    EXPECT_EQ(base::Value(pageRequests().back())["iap_set"], base::Value("1"));
    taker.reset();
    EXPECT_EQ(slot->inAppPurchaseDelegate(), nullptr);
    EXPECT_EQ(interstitialHost_->calls, Calls{"fail 1"});
    EXPECT_EQ(interstitialHost_->domains, std::vector<std::string>{"com.redodi.ads"});
    EXPECT_TRUE(slot->reloadTimer() == nullptr || !slot->reloadTimer()->isValid());
    EXPECT_FALSE(interstitial->isReady());
}

TEST_F(VDInterstitialTest, ItIsReadyOnceItsAdHasLoadedAndNotBefore) {
    auto interstitial = makeInterstitial();
    answerWithWholeAd(htmlAd("i"));
    testing_support::LogCapture log;
    interstitial->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(interstitial->slot(), VDSlot::StateRendering));
    EXPECT_FALSE(interstitial->isReady());
    EXPECT_FALSE(interstitial->presentFromRootViewController(hostController_));
    EXPECT_TRUE(log.contains(VDInterstitial::notReadyMessage));
    EXPECT_FALSE(interstitial->hasBeenUsed()) << "a refusal for not being ready uses nothing";
    EXPECT_EQ(hostController_->presentedViewController(), nullptr);

    adPage(interstitial->slot()).raiseFinishLoad();
    EXPECT_EQ(interstitial->slot()->state(), VDSlot::StateValidAd);
    EXPECT_TRUE(interstitial->isReady());
    EXPECT_EQ(interstitialHost_->calls, Calls{"receive"});
    EXPECT_EQ(pings("/ping/impression?ad=i"), 0u) << "its impression is its presentation";
}

TEST_F(VDInterstitialTest, PresentingShowsTheAdFullScreenAndItsDismissalEndsTheInterstitial) {
    auto interstitial = makeInterstitial();
    answerWithWholeAd(htmlAd("i"));
    ASSERT_TRUE(loadUntilReady(interstitial));
    auto slot = interstitial->slot();
    auto ad = slot->ad();
    auto screen = interstitial->viewController();
    interstitialHost_->calls.clear();

    ASSERT_TRUE(interstitial->presentFromRootViewController(hostController_));
    EXPECT_TRUE(interstitial->hasBeenUsed());
    EXPECT_FALSE(interstitial->isReady());
    EXPECT_EQ(hostController_->presentedViewController(), screen);
    EXPECT_EQ(interstitialHost_->calls, (Calls{"note willPresentFullScreen", "willPresent"}));
    EXPECT_EQ(slot->intermission(), screen->intermission());
    EXPECT_TRUE(waitFor([&] { return pings("/ping/impression?ad=i") == 1; }));
    settle();
    // The creative fills the screen, under the close control.
    EXPECT_EQ(slot->adView()->superview(), screen->view());
    EXPECT_EQ(slot->adView()->frame(), screen->view()->bounds());
    EXPECT_FALSE(slot->adView()->isHidden());
    EXPECT_EQ(screen->view()->subviews().back(), screen->closeButton());

    screen->closeButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside, nullptr);
    EXPECT_EQ(interstitialHost_->calls.back(), "willDismiss");
    settle();
    EXPECT_EQ(interstitialHost_->calls,
              (Calls{"note willPresentFullScreen", "willPresent", "willDismiss",
                     "note didDismissFullScreen", "didDismiss"}));
    EXPECT_EQ(hostController_->presentedViewController(), nullptr);
    EXPECT_EQ(slot->state(), VDSlot::StateInvalidated);
    EXPECT_EQ(slot->adView(), nullptr);
    EXPECT_EQ(interstitial->viewController(), nullptr);
    // The dismissal is the ad's landing-page close.
    EXPECT_FALSE(ad->statistics()->objectForKey("tlanding_page_load_dismiss").isNull());
}

TEST_F(VDInterstitialTest, AUsedInterstitialRefusesToShowOrLoadAgainWithCodeSix) {
    auto interstitial = makeInterstitial();
    answerWithWholeAd(htmlAd("i"));
    ASSERT_TRUE(loadUntilReady(interstitial));
    ASSERT_TRUE(interstitial->presentFromRootViewController(hostController_));
    settle();
    interstitialHost_->calls.clear();

    // Again while it is up, and from another controller: refused, the screen stays as it is.
    testing_support::LogCapture log;
    EXPECT_FALSE(interstitial->presentFromRootViewController(hostController_));
    EXPECT_FALSE(interstitial->presentFromRootViewController(ui::ViewController::create()));
    EXPECT_EQ(interstitialHost_->calls, (Calls{"fail 6", "fail 6"}));
    EXPECT_TRUE(log.contains(VDRequestError::standardMessageForCode(6)));
    EXPECT_EQ(interstitial->slot()->state(), VDSlot::StateValidAd);

    interstitial->viewController()->close();
    settle();
    interstitialHost_->calls.clear();
    const auto requests = pageRequests().size();
    EXPECT_FALSE(interstitial->presentFromRootViewController(hostController_));
    interstitial->loadRequest(nullptr);
    EXPECT_EQ(interstitialHost_->calls, (Calls{"fail 6", "fail 6"}))
        << "one failure each, never a second one of the slot's";
    EXPECT_EQ(pageRequests().size(), requests);
    EXPECT_EQ(hostController_->presentedViewController(), nullptr);
}

TEST_F(VDInterstitialTest, NoControllerOrABusyOneRefusesWithoutUsingTheInterstitial) {
    auto interstitial = makeInterstitial();
    answerWithWholeAd(htmlAd("i"));
    ASSERT_TRUE(loadUntilReady(interstitial));
    testing_support::LogCapture log;
    EXPECT_FALSE(interstitial->presentFromRootViewController(nullptr));
    auto other = ui::ViewController::create();
    hostController_->presentViewController(other, false);
    settle();
    EXPECT_FALSE(interstitial->presentFromRootViewController(hostController_));
    EXPECT_TRUE(log.contains("Cannot present interstitial while"));
    EXPECT_TRUE(interstitial->isReady());
    EXPECT_EQ(pings("/ping/impression?ad=i"), 0u);

    other->dismissViewControllerAnimated(false);
    settle();
    EXPECT_TRUE(interstitial->presentFromRootViewController(hostController_));
}

TEST_F(VDInterstitialTest, ALandingPageOverTheInterstitialLeavesItUp) {
    auto interstitial = makeInterstitial();
    answerWithWholeAd(htmlAd("i"));
    ASSERT_TRUE(loadUntilReady(interstitial));
    ASSERT_TRUE(interstitial->presentFromRootViewController(hostController_));
    settle();
    auto slot = interstitial->slot();
    auto screen = interstitial->viewController();
    interstitialHost_->calls.clear();

    adPage(slot).raiseNavigation(
        *base::URL::parse(
            "amsg:///click?u=" +
            base::percentEscape(server_.url("/landing"), base::queryValueCharactersToEscape)),
        ui::WebViewNavigationType::LinkClicked, true);
    auto landing =
        std::dynamic_pointer_cast<VDBrowserViewController>(screen->presentedViewController());
    ASSERT_NE(landing, nullptr) << "the landing page comes up over the interstitial";
    settle();
    landing->done();
    settle();
    EXPECT_EQ(interstitialHost_->calls,
              (Calls{"note willPresentFullScreen", "willPresent", "click", "willDismiss",
                     "note didDismissFullScreen", "didDismiss"}));
    EXPECT_EQ(hostController_->presentedViewController(), screen);
    EXPECT_EQ(slot->state(), VDSlot::StateValidAd) << "the interstitial is still up";
    EXPECT_EQ(slot->adView()->superview(), screen->view());

    screen->close();
    settle();
    EXPECT_EQ(slot->state(), VDSlot::StateInvalidated);
}

TEST_F(VDInterstitialTest, ItsCreativeClosesItsScreenOnlyWhileItIsUp) {
    auto interstitial = makeInterstitial();
    answerWithWholeAd(htmlAd("i"));
    ASSERT_TRUE(loadUntilReady(interstitial));
    auto slot = interstitial->slot();
    const auto close = *base::URL::parse("amsg:///close");
    adPage(slot).raiseNavigation(close, ui::WebViewNavigationType::Other);
    EXPECT_TRUE(interstitial->isReady()) << "a close before it is shown changes nothing";

    ASSERT_TRUE(interstitial->presentFromRootViewController(hostController_));
    settle();
    interstitialHost_->calls.clear();
    adPage(slot).raiseNavigation(close, ui::WebViewNavigationType::Other);
    adPage(slot).raiseNavigation(close, ui::WebViewNavigationType::Other);
    settle();
    EXPECT_EQ(interstitialHost_->calls,
              (Calls{"willDismiss", "note didDismissFullScreen", "didDismiss"}));
    EXPECT_EQ(hostController_->presentedViewController(), nullptr);
    EXPECT_EQ(slot->state(), VDSlot::StateInvalidated);
}

TEST_F(VDInterstitialTest, AHostThatHasGoneOrLetsGoInsideItsCallbackIsSafe) {
    // The host goes before the ad arrives: nobody hears it, nothing breaks.
    auto interstitial = makeInterstitial();
    answerWithWholeAd(htmlAd("i"));
    interstitialHost_.reset();
    ASSERT_TRUE(loadUntilReady(interstitial));
    EXPECT_TRUE(interstitial->presentFromRootViewController(hostController_));
    settle();
    interstitial->viewController()->close();
    settle();
    EXPECT_EQ(interstitial->slot()->state(), VDSlot::StateInvalidated);

    // A host that lets its interstitial go when it hears of it.
    interstitialHost_ = std::make_shared<InterstitialHost>();
    std::shared_ptr<VDInterstitial> held = VDInterstitial::createWithAdUnitID("vd-app-pub-1/3");
    held->setDelegate(interstitialHost_);
    interstitialHost_->hook = [&](const std::string&) { held.reset(); };
    std::weak_ptr<VDSlot> slot = held->slot();
    held->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot.lock(), VDSlot::StateRendering));
    adPage(slot.lock()).raiseFinishLoad();
    EXPECT_EQ(interstitialHost_->calls, Calls{"receive"});
    EXPECT_EQ(held, nullptr);
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(slot.expired());

    // An interstitial let go while its load is in flight tells nobody anything.
    auto going = VDInterstitial::create();
    going->setDelegate(interstitialHost_);
    going->loadRequest(nullptr);
    going.reset();
    finishCorePageLoadIfNeeded();
    settle();
    EXPECT_EQ(interstitialHost_->calls, Calls{"receive"});
}

} // namespace
