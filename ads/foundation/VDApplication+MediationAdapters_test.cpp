#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDClassRegistry.h"
#include "platform/base/ProcessWide.h"

#include <gtest/gtest.h>

namespace {

class VDApplicationMediationAdaptersTest : public ::testing::Test {
protected:
    void TearDown() override {
        VDClassRegistry::resetForTesting();
        base::resetProcessServicesForTesting();
    }
    static void registerClass(const std::string& name) {
        VDClassRegistry::registerClass(name, std::make_shared<VDClassRegistry::Class>());
    }
};

TEST_F(VDApplicationMediationAdaptersTest, KeepsTheCandidatesWhoseClassesAreBuiltIn) {
    auto application = VDApplication::sharedInstance();
    EXPECT_EQ(application->availableAdapterNames(), std::nullopt);
    registerClass("VDMAdapterHTML");
    registerClass("VDMAdapterCustomEvents");
    registerClass("ServerAdapter");
    application->updateAvailableAdapterNamesWithPotentialAdapterNames(
        {"ServerAdapter", "MissingAdapter", "VDMAdapterHTML"});
    EXPECT_EQ(
        application->availableAdapterNames(),
        (std::vector<std::string>{"VDMAdapterCustomEvents", "VDMAdapterHTML", "ServerAdapter"}));

    // A class that goes away leaves the list at the next update; without any adapter built
    // in, the list is empty, not absent.
    VDClassRegistry::resetForTesting();
    application->updateAvailableAdapterNamesWithPotentialAdapterNames({"ServerAdapter"});
    EXPECT_EQ(application->availableAdapterNames(), std::vector<std::string>{});
}

} // namespace
