#include "ads/presentation/VDOpener.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <gtest/gtest.h>

namespace {

using Calls = std::vector<std::string>;

class Clicked : public VDOpenerDelegate {
public:
    explicit Clicked(Calls& calls)
        : calls_(calls) {}
    void pingClickURLs() override { calls_.push_back("pingClickURLs"); }
    void adWillLeaveApplication() override { calls_.push_back("adWillLeaveApplication"); }
    void willLeaveAppDueToClick() override { calls_.push_back("willLeaveAppDueToClick"); }

private:
    Calls& calls_;
};

class VDOpenerTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ui::Application::reset();
        ui::Application::shared().setURLOpener([this](const base::URL& url) {
            calls_.push_back("open " + url.absoluteString());
            return true;
        });
        ui::Application::shared().setURLTester(
            [](const base::URL& url) { return url.scheme() == "https"; });
    }
    void TearDown() override {
        ui::Application::reset();
        PlatformTest::TearDown();
    }
    Calls calls_;
};

TEST_F(VDOpenerTest, AClickLeavesTheApplicationThenPingsItsClickURLsOnceOpened) {
    auto slot = std::make_shared<Clicked>(calls_);
    auto opener = VDOpener::create(slot);
    EXPECT_TRUE(opener->openClickURL(*base::URL::parse("https://landing.example/"), false));
    EXPECT_EQ(calls_, (Calls{"adWillLeaveApplication", "willLeaveAppDueToClick",
                             "open https://landing.example/", "pingClickURLs"}));

    // A URL the application cannot open tells nothing; neither does an opener without slot.
    calls_.clear();
    EXPECT_FALSE(opener->openClickURL(*base::URL::parse("javascript:alert(1)"), true));
    opener->setDelegate({});
    EXPECT_TRUE(opener->openClickURL(*base::URL::parse("https://landing.example/2"), true));
    EXPECT_EQ(calls_, Calls{"open https://landing.example/2"});
}

TEST_F(VDOpenerTest, WithAutoClickProtectionOnlyTheUsersClicksAreCarriedOut) {
    auto slot = std::make_shared<Clicked>(calls_);
    auto opener = VDOpener::create(slot);
    opener->setAutoClickProtected(true);
    testing_support::LogCapture log;
    EXPECT_FALSE(opener->openClickURL(*base::URL::parse("https://auto.example/"), false));
    EXPECT_TRUE(calls_.empty());
    EXPECT_TRUE(log.contains("https://auto.example/"));
    EXPECT_TRUE(opener->openClickURL(*base::URL::parse("https://user.example/"), true));
    EXPECT_EQ(calls_.size(), 4u);
}

} // namespace
