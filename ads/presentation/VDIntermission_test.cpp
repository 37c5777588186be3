#include "ads/presentation/VDIntermission.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class Participant : public VDIntermissionParticipant {
public:
    void adWillPresentScreen() override { heard.push_back("willPresent"); }
    void adWillDismissScreen() override { heard.push_back("willDismiss"); }
    void adDidDismissScreen() override { heard.push_back("didDismiss"); }
    std::vector<std::string> heard;
};

TEST(VDIntermissionTest, EveryLivingParticipantHearsEachStepOnce) {
    auto intermission = VDIntermission::create();
    auto kept = std::make_shared<Participant>();
    auto gone = std::make_shared<Participant>();
    auto left = std::make_shared<Participant>();
    intermission->addParticipant(kept);
    intermission->addParticipant(kept);
    intermission->addParticipant(gone);
    intermission->addParticipant(left);
    intermission->removeParticipant(left);
    EXPECT_FALSE(intermission->hasParticipant(left));
    gone.reset();
    intermission->begin();
    intermission->willEnd();
    intermission->didEnd();
    EXPECT_EQ(kept->heard, (std::vector<std::string>{"willPresent", "willDismiss", "didDismiss"}));
    EXPECT_TRUE(left->heard.empty());
}

} // namespace
