#include "ads/foundation/VDScheduler.h"
#include "ads/presentation/VDAdAppViewController.h"
#include "ads/presentation/VDPercentDrivenUserInteractionAnimationController.h"
#include "ads/request/SlotTestFixture.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/ProductSheet.h"

namespace {

using namespace slot_testing;
using Strings = std::vector<std::string>;

class VDSlotSwipeToViewControllerTest : public SlotTest {
protected:
    // An HTML ad whose left half (in the creative's coordinates) takes the swipe to product 123.
    Dictionary swipeableAd(const std::string& label) {
        Dictionary ad = htmlAd(label);
        ad["swipe_to_viewcontroller"] = base::Value(Dictionary{
            {"app_store_product_id", base::Value(123)},
            {"swipeable_rectangles", base::Value(base::Value::Array{base::Value(
                                         Dictionary{{"x", base::Value(0)},
                                                    {"y", base::Value(0)},
                                                    {"width", base::Value(160)},
                                                    {"height", base::Value(50)}})})},
            {"swipe_event_creative_metadata",
             base::Value(Dictionary{{"creative", base::Value(label)}})}});
        return ad;
    }
    // The swipe notifications the creative's page got since the last call.
    Strings swipeEvents(const std::shared_ptr<VDSlot>& slot) {
        base::RunLoop::main().runUntilIdle();
        Strings found;
        const auto& scripts = adPage(slot).evaluatedScripts();
        for (std::size_t i = seen_; i < scripts.size(); ++i)
            if (scripts[i].find("onSwipeable") != std::string::npos)
                found.push_back(scripts[i]);
        seen_ = scripts.size();
        return found;
    }
    // Lets the swipe animation run its course.
    void settle() {
        clock().advance(base::Seconds(1));
        base::RunLoop::main().runUntilIdle();
    }
    std::size_t seen_ = 0;
};

TEST_F(VDSlotSwipeToViewControllerTest, TheSwipeIsOfferedOnlyWhileItsAdIsSeenAndGoesWithIt) {
    answerWithWholeAd(swipeableAd("a"));
    auto banner = makeBanner();
    auto slot = banner->slot();
    ASSERT_TRUE(loadUntilShown(banner));

    // Loaded: the checker runs, the product page is loaded ahead and the banner takes pans.
    ASSERT_TRUE(slot->swipeToViewControllerChecker());
    EXPECT_TRUE(slot->swipeToViewControllerChecker()->isStarted());
    EXPECT_DOUBLE_EQ(slot->swipeToViewControllerChecker()->interval().count(), 1.0)
        << "the server set no sampling interval";
    EXPECT_NE(slot->swipeToViewControllerCheckerTaskID(), 0);
    EXPECT_TRUE(slot->swipeToViewControllerEnabled());
    ASSERT_TRUE(slot->swipeGestureRecognizer());
    EXPECT_EQ(slot->swipeGestureRecognizer()->view(), banner);
    ASSERT_TRUE(slot->swipeableStoreProductViewController());
    EXPECT_EQ(slot->swipeableStoreProductViewController()->productIdentifier(), "123");
    EXPECT_TRUE(window_->hasGestureRecognizerForTouchAt(ui::Point(80, 455)));
    EXPECT_FALSE(window_->hasGestureRecognizerForTouchAt(ui::Point(240, 455)))
        << "outside the swipeable rectangles";

    // Hidden, the banner offers no swipe from the next sample on; shown again, it does.
    banner->setHidden(true);
    clock().advance(base::Seconds(1.1));
    base::RunLoop::main().runUntilIdle();
    EXPECT_FALSE(slot->swipeToViewControllerEnabled());
    EXPECT_TRUE(banner->gestureRecognizers().empty());
    banner->setHidden(false);
    clock().advance(base::Seconds(1.1));
    base::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(slot->swipeToViewControllerEnabled());
    EXPECT_EQ(banner->gestureRecognizers().size(), 1u);

    // The next ad has no swipe: the checker, the pan and the page go.
    answerWithWholeAd(htmlAd("b"));
    ASSERT_TRUE(loadUntilShown(banner));
    EXPECT_FALSE(slot->swipeToViewControllerChecker());
    EXPECT_EQ(slot->swipeToViewControllerCheckerTaskID(), 0);
    EXPECT_FALSE(slot->swipeToViewControllerEnabled());
    EXPECT_TRUE(banner->gestureRecognizers().empty());
    EXPECT_FALSE(slot->swipeableStoreProductViewController());
}

TEST_F(VDSlotSwipeToViewControllerTest, APullUpBringsTheStorePageInAndAShortOneSendsItBack) {
    answerWithWholeAd(swipeableAd("a"));
    auto banner = makeBanner();
    auto slot = banner->slot();
    ASSERT_TRUE(loadUntilShown(banner));
    swipeEvents(slot);
    const auto sheet = slot->swipeableStoreProductViewController();
    ASSERT_TRUE(sheet);

    // A short, slow pull: the page shows a little of itself, then goes back down.
    window_->simulateDrag(ui::Point(80, 470), ui::Point(80, 420), 5, 0.1);
    ASSERT_TRUE(slot->animationController());
    EXPECT_TRUE(slot->holdsItselfForSwipeToViewController()) << "held during the swipe";
    EXPECT_NEAR(slot->animationController()->percentComplete(), 0, 1e-9) << "going back";
    settle();
    EXPECT_EQ(swipeEvents(slot),
              Strings{R"(VDMA_fireNotification("onSwipeableViewControllerPresentationCanceled",)"
                      R"({"creative":"a"});)"});
    EXPECT_FALSE(sheet->view()->superview());
    EXPECT_FALSE(hostController_->presentedViewController());
    EXPECT_FALSE(slot->holdsItselfForSwipeToViewController());
    EXPECT_TRUE(host_->calls == Strings{"receive"});

    // A drag outside the swipeable rectangles is the creative's.
    window_->simulateDrag(ui::Point(240, 470), ui::Point(240, 100), 10);
    settle();
    EXPECT_TRUE(swipeEvents(slot).empty());
    EXPECT_FALSE(hostController_->presentedViewController());

    // Pulled most of the way up, the page follows the finger, comes in and stays as a
    // takeover; the banner takes no pans while it is up.
    window_->simulateDrag(ui::Point(80, 470), ui::Point(80, 200), 9);
    EXPECT_EQ(sheet->view()->superview(), window_);
    settle();
    EXPECT_EQ(swipeEvents(slot),
              Strings{R"(VDMA_fireNotification("onSwipeableViewControllerPresentationFinished",)"
                      R"({"creative":"a"});)"});
    EXPECT_EQ(hostController_->presentedViewController(), sheet);
    EXPECT_EQ(sheet->view()->frame(), window_->bounds());
    EXPECT_EQ(host_->calls, (Strings{"receive", "willPresent"}));
    EXPECT_FALSE(slot->reloadTimer()) << "a takeover pauses the refresh";
    EXPECT_TRUE(banner->gestureRecognizers().empty());
    EXPECT_TRUE(slot->holdsItselfForSwipeToViewController());
    EXPECT_EQ(pings("/ping/click?ad=a"), 0u) << "a swipe is no click";

    // Done on the page ends the takeover; the swipe is offered again with a new page.
    sheet->done();
    settle();
    EXPECT_FALSE(hostController_->presentedViewController());
    EXPECT_EQ(host_->calls, (Strings{"receive", "willPresent", "willDismiss", "didDismiss"}));
    EXPECT_FALSE(slot->holdsItselfForSwipeToViewController());
    clock().advance(base::Seconds(1.1));
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(banner->gestureRecognizers().size(), 1u);
    EXPECT_NE(slot->swipeableStoreProductViewController(), sheet);
}

TEST_F(VDSlotSwipeToViewControllerTest, ANewAdDuringASwipeSendsThePageBack) {
    answerWithWholeAd(swipeableAd("a"));
    auto banner = makeBanner();
    auto slot = banner->slot();
    ASSERT_TRUE(loadUntilShown(banner));
    const auto sheet = slot->swipeableStoreProductViewController();
    double time = 0;
    auto touch = std::make_shared<ui::Touch>(ui::Point(80, 470), ui::TouchPhase::Began, time);
    window_->sendEvent(ui::Event(ui::EventType::Touches, time, {touch}));
    touch->update(ui::Point(80, 300), ui::TouchPhase::Moved, time += 0.1);
    window_->sendEvent(ui::Event(ui::EventType::Touches, time, {touch}));
    ASSERT_TRUE(slot->animationController());
    EXPECT_GT(slot->animationController()->percentComplete(), 0.3);

    slot->willProcessAd();
    settle();
    EXPECT_EQ(swipeEvents(slot).size(), 1u);
    EXPECT_FALSE(sheet->view()->superview());
    EXPECT_FALSE(slot->holdsItselfForSwipeToViewController());
    EXPECT_FALSE(hostController_->presentedViewController());
    // The rest of the finger's way changes nothing.
    touch->update(ui::Point(80, 100), ui::TouchPhase::Ended, time += 0.1);
    window_->sendEvent(ui::Event(ui::EventType::Touches, time, {touch}));
    settle();
    EXPECT_FALSE(hostController_->presentedViewController());
}

} // namespace

namespace {

class VDSlotCreativeMessagesTest : public VDSlotSwipeToViewControllerTest {
protected:
    void send(const std::shared_ptr<VDSlot>& slot, const std::string& message) {
        adPage(slot).raiseNavigation(*base::URL::parse("amsg:///" + message),
                                     ui::WebViewNavigationType::Other, false);
        base::RunLoop::main().runUntilIdle();
    }
};

TEST_F(VDSlotCreativeMessagesTest, TheCreativeTurnsTheSwipeOffAndOnOnlyForAnAdWithASwipe) {
    answerWithWholeAd(swipeableAd("a"));
    auto banner = makeBanner();
    auto slot = banner->slot();
    ASSERT_TRUE(loadUntilShown(banner));
    ASSERT_TRUE(slot->swipeToViewControllerEnabled());

    send(slot, "swipeToViewController?enabled=0");
    EXPECT_FALSE(slot->swipeToViewControllerEnabled());
    EXPECT_TRUE(banner->gestureRecognizers().empty());
    send(slot, "swipeToViewController?enabled=1");
    ASSERT_TRUE(slot->swipeToViewControllerChecker());
    EXPECT_TRUE(slot->swipeToViewControllerEnabled());
    EXPECT_EQ(banner->gestureRecognizers().size(), 1u);

    // An ad without swipe configurations gets no swipe by asking.
    answerWithWholeAd(htmlAd("b"));
    ASSERT_TRUE(loadUntilShown(banner));
    send(slot, "swipeToViewController?enabled=1");
    EXPECT_FALSE(slot->swipeToViewControllerChecker());
    EXPECT_FALSE(slot->swipeToViewControllerEnabled());
}

TEST_F(VDSlotCreativeMessagesTest, TheAdAppOpensFullScreenOnceAndNeverForANonWebURL) {
    answerWithWholeAd(htmlAd("a"));
    auto banner = makeBanner();
    auto slot = banner->slot();
    ASSERT_TRUE(loadUntilShown(banner));

    send(slot, "openAdApp?u=javascript%3Aalert(1)");
    send(slot, "openAdApp");
    EXPECT_FALSE(hostController_->presentedViewController());

    send(slot, "openAdApp?u=https%3A%2F%2Fapp.example%2F");
    auto shown = std::dynamic_pointer_cast<VDAdAppViewController>(
        hostController_->presentedViewController());
    ASSERT_TRUE(shown);
    ASSERT_TRUE(shown->webView() && shown->webView()->request());
    EXPECT_EQ(shown->webView()->request()->url()->absoluteString(), "https://app.example/");
    // While it is up, another ad app is refused rather than stacked.
    send(slot, "openAdApp?u=https%3A%2F%2Fother.example%2F");
    EXPECT_EQ(hostController_->presentedViewController(), shown);
    shown->done();
    settle();
    EXPECT_FALSE(hostController_->presentedViewController());
}

} // namespace
