#include "ads/mediation/VDMediationAdapters.h"

#include <gtest/gtest.h>

namespace {

class VDMediationAdaptersTest : public ::testing::Test {
protected:
    void TearDown() override { VDMediationAdapters::resetForTesting(); }
};

TEST_F(VDMediationAdaptersTest, KeepsTheCandidatesWhoseClassesAreBuiltIn) {
    EXPECT_EQ(VDMediationAdapters::availableAdapterNames(), std::nullopt);
    VDMediationAdapters::registerAdapterClassName("VDMAdapterHTML");
    VDMediationAdapters::registerAdapterClassName("VDMAdapterCustomEvents");
    VDMediationAdapters::registerAdapterClassName("ServerAdapter");
    VDMediationAdapters::updateAvailableAdapterNamesWithPotentialAdapterNames(
        {"ServerAdapter", "MissingAdapter", "VDMAdapterHTML"});
    EXPECT_EQ(
        VDMediationAdapters::availableAdapterNames(),
        (std::vector<std::string>{"VDMAdapterCustomEvents", "VDMAdapterHTML", "ServerAdapter"}));
    EXPECT_TRUE(VDMediationAdapters::isAdapterClassAvailable("ServerAdapter"));
    EXPECT_FALSE(VDMediationAdapters::isAdapterClassAvailable("MissingAdapter"));

    // Without any adapter built in, the list is empty, not absent.
    VDMediationAdapters::resetForTesting();
    VDMediationAdapters::updateAvailableAdapterNamesWithPotentialAdapterNames({});
    EXPECT_EQ(VDMediationAdapters::availableAdapterNames(), std::vector<std::string>{});
}

} // namespace
