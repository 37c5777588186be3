#include "ads/request/SlotTestFixture.h"
#include "platform/ui/Application.h"

namespace {

using namespace slot_testing;

class VDSlotMRAIDTest : public SlotTest {
protected:
    // The notifications the creative's page got since the last call.
    std::vector<std::string> notifications(const std::shared_ptr<VDSlot>& slot) {
        base::RunLoop::main().runUntilIdle();
        std::vector<std::string> found;
        const auto& scripts = adPage(slot).evaluatedScripts();
        for (std::size_t i = seen_; i < scripts.size(); ++i)
            if (scripts[i].rfind("VDMA_fireNotification(", 0) == 0)
                found.push_back(scripts[i]);
        seen_ = scripts.size();
        return found;
    }
    std::size_t seen_ = 0;
};

TEST_F(VDSlotMRAIDTest, ALoadedCreativeIsToldItIsReadyWhereItIsAndWhenItIsSeen) {
    answerWithScenario("html");
    auto banner = makeBanner();
    auto slot = banner->slot();
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateRendering));
    EXPECT_TRUE(notifications(slot).empty()) << "nothing reaches a creative before it loaded";
    slot->updateVisibility(true);
    adPage(slot).raiseFinishLoad();
    ASSERT_EQ(slot->state(), VDSlot::StateValidAd);
    EXPECT_TRUE(slot->isListeningToDeviceOrientationChangeEvent());
    const std::string position = R"({"height":50,"width":320,"x":0,"y":430})";
    // What was sent meanwhile reaches it first, once it has loaded.
    EXPECT_EQ(notifications(slot),
              (std::vector<std::string>{
                  R"(VDMA_fireNotification("onAdVisibilityChanged",{"visible":"1"});)",
                  R"(VDMA_fireNotification("onReady",{"placementType":"inline"});)",
                  R"(VDMA_fireNotification("onOrientationChanged",{"orientation":0});)",
                  R"(VDMA_fireNotification("onSizeChanged",{"defaultPosition":)" + position +
                      R"(,"position":)" + position + "});"}));

    // Visibility as measured; a position only when it changed, without the default again.
    slot->updateVisibility(false);
    slot->updatePositionFromView(slot->adView());
    banner->setFrame(ui::Rect(0, 100, 320, 50));
    slot->updatePositionFromView(slot->adView());
    EXPECT_EQ(
        notifications(slot),
        (std::vector<std::string>{
            R"(VDMA_fireNotification("onAdVisibilityChanged",{"visible":"0"});)",
            R"(VDMA_fireNotification("onSizeChanged",{"position":{"height":50,"width":320,"x":0,"y":100}});)"}));

    // The interface turns: the creative hears it at once.
    ui::Application::shared().setStatusBarOrientation(ui::InterfaceOrientation::LandscapeRight);
    EXPECT_EQ(notifications(slot),
              std::vector<std::string>{
                  R"(VDMA_fireNotification("onOrientationChanged",{"orientation":90});)"});

    // A new load unloads the creative's rich media: turns are no longer followed.
    banner->loadRequest(nullptr);
    ASSERT_TRUE(waitForState(slot, VDSlot::StateRendering));
    EXPECT_FALSE(slot->isListeningToDeviceOrientationChangeEvent());
    ui::Application::shared().setStatusBarOrientation(ui::InterfaceOrientation::Portrait);
    adPage(slot).raiseFinishLoad();
    const auto next = notifications(slot);
    ASSERT_EQ(next.size(), 3u);
    EXPECT_EQ(next[1], R"(VDMA_fireNotification("onOrientationChanged",{"orientation":0});)");
    EXPECT_NE(next[2].find("defaultPosition"), std::string::npos) << "a new creative's default";
}

} // namespace
