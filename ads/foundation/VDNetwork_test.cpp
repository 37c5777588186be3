#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDNetwork.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/net/FakeReachabilitySource.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>

namespace {

class VDNetworkTest : public testing_support::PlatformTest {
protected:
    // Waits until a reachability answer already on its way has been stored.
    static void settle(const VDNetwork& network) {
        network.enableCheckingQueue().sync([] {});
        network.lockQueue().sync([] {});
    }
};

TEST_F(VDNetworkTest, FlagsGiveTheNetworkType) {
    struct Case {
        net::ReachabilityFlags flags;
        unsigned type;
        std::optional<std::string> string;
    };
    const Case cases[] = {
        {net::ReachabilityFlagReachable | net::ReachabilityFlagIsWWAN, 3, "ed"},
        {net::ReachabilityFlagReachable, 2, "wi"},
        {net::ReachabilityFlagReachable | net::ReachabilityFlagIsDirect, 2, "wi"},
        {0, 1, std::nullopt},
        // A cellular interface without a route is no network at all.
        {net::ReachabilityFlagIsWWAN, 1, std::nullopt},
        {net::ReachabilityFlagIsWWAN | net::ReachabilityFlagConnectionRequired, 1, std::nullopt},
    };
    for (const auto& c : cases) {
        auto network = VDNetwork::create();
        network->setNetworkTypeFromFlags(c.flags);
        EXPECT_EQ(network->networkType(), c.type) << c.flags;
        EXPECT_EQ(network->networkTypeString(), c.string) << c.flags;
    }
}

TEST_F(VDNetworkTest, CountsChangesAndKeepsTheLastKnownType) {
    auto network = VDNetwork::create();
    EXPECT_EQ(network->networkTypeString(), std::nullopt);
    EXPECT_EQ(network->lastKnownNetworkTypeString(), std::nullopt);

    network->setNetworkType(VDNetwork::NetworkTypeWiFi);
    network->setNetworkType(VDNetwork::NetworkTypeNotReachable);
    network->setNetworkType(VDNetwork::NetworkTypeWiFi);
    EXPECT_EQ(network->changeCount(), 3u);
    network->setNetworkType(VDNetwork::NetworkTypeWiFi); // no change
    network->setNetworkType(VDNetwork::NetworkTypeNone); // not counted
    EXPECT_EQ(network->changeCount(), 3u);
    EXPECT_EQ(network->networkTypeString(), std::nullopt);
    EXPECT_EQ(network->lastKnownNetworkTypeString(), "wi");

    network->setNetworkType(VDNetwork::NetworkTypeCellular);
    network->setNetworkType(VDNetwork::NetworkTypeNotReachable);
    EXPECT_EQ(network->networkTypeString(), std::nullopt);
    EXPECT_EQ(network->lastKnownNetworkTypeString(), "ed");
    EXPECT_EQ(network->changeCount(), 5u);
}

TEST_F(VDNetworkTest, FollowsReachabilityWhileCheckingIsOn) {
    reachability().setFlags(net::ReachabilityFlagReachable | net::ReachabilityFlagIsWWAN);
    std::weak_ptr<VDNetwork> weak;
    {
        auto network = VDNetwork::create();
        weak = network;
        network->setNetworkType(VDNetwork::NetworkTypeWiFi);
        network->enableNetworkChecking();
        EXPECT_TRUE(network->isNetworkCheckingEnabled());
        settle(*network);
        EXPECT_EQ(network->networkTypeString(), "ed");

        reachability().setFlagsForHostName(VDNetwork::reachabilityHostName,
                                           net::ReachabilityFlagReachable);
        settle(*network);
        EXPECT_EQ(network->networkTypeString(), "wi");
        network->enableNetworkChecking(); // already on: nothing
        EXPECT_EQ(network->networkTypeString(), "wi");
    }
    // Checking keeps the object alive without an owner.
    auto network = weak.lock();
    ASSERT_TRUE(network);
    network->disableNetworkChecking();
    EXPECT_FALSE(network->isNetworkCheckingEnabled());
    EXPECT_EQ(network->networkType(), VDNetwork::NetworkTypeNone);
    EXPECT_EQ(network->lastKnownNetworkTypeString(), "wi");

    const unsigned changes = network->changeCount();
    reachability().setFlagsForHostName(VDNetwork::reachabilityHostName, 0);
    settle(*network);
    EXPECT_EQ(network->changeCount(), changes);
    network.reset();
    EXPECT_TRUE(weak.expired());
}

TEST_F(VDNetworkTest, TheDeviceFollowsTheNetworkWhileItLives) {
    reachability().setFlags(net::ReachabilityFlagReachable | net::ReachabilityFlagIsWWAN);
    auto device = VDDevice::sharedInstance();
    std::shared_ptr<VDNetwork> network = device->network();
    ASSERT_TRUE(network);
    EXPECT_TRUE(network->isNetworkCheckingEnabled());
    settle(*network);
    EXPECT_EQ(network->networkTypeString(), "ed");
    EXPECT_EQ(network->lastKnownNetworkTypeString(), "ed");

    std::weak_ptr<VDDevice> weakDevice = device;
    device.reset();
    base::resetProcessServicesForTesting();
    // The device's own queue may hold it a moment longer.
    ASSERT_TRUE(
        base::RunLoop::main().runUntil([&] { return weakDevice.expired(); }, base::Seconds(10)));
    EXPECT_FALSE(network->isNetworkCheckingEnabled());
    EXPECT_EQ(network->networkTypeString(), std::nullopt);
}

} // namespace
