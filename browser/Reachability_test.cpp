#include "browser/Reachability.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "platform/net/FakeReachabilitySource.h"
#include "platform/testing/PlatformTest.h"

#include <arpa/inet.h>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr net::ReachabilityFlags R = net::ReachabilityFlagReachable;
constexpr net::ReachabilityFlags WWAN = net::ReachabilityFlagIsWWAN;
constexpr net::ReachabilityFlags Required = net::ReachabilityFlagConnectionRequired;
constexpr net::ReachabilityFlags Transient = net::ReachabilityFlagTransientConnection;

class ReachabilityTest : public testing_support::PlatformTest {
protected:
    std::shared_ptr<Reachability> internet() {
        auto reachability = Reachability::reachabilityForInternetConnection();
        EXPECT_NE(reachability, nullptr);
        return reachability;
    }
};

TEST_F(ReachabilityTest, StatusFollowsTheFlags) {
    auto r = internet();
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->reachableOnWWAN());

    reachability().setFlags(R);
    EXPECT_TRUE(r->isReachable());
    EXPECT_TRUE(r->isReachableViaWiFi());
    EXPECT_FALSE(r->isReachableViaWWAN());
    EXPECT_EQ(r->currentReachabilityStatus(), ReachableViaWiFi);
    EXPECT_EQ(r->currentReachabilityString(), "WiFi");

    reachability().setFlags(R | WWAN);
    EXPECT_TRUE(r->isReachable());
    EXPECT_TRUE(r->isReachableViaWWAN());
    EXPECT_FALSE(r->isReachableViaWiFi());
    EXPECT_EQ(r->currentReachabilityStatus(), ReachableViaWWAN);
    EXPECT_EQ(r->currentReachabilityString(), "Cellular");

    reachability().setFlags(0);
    EXPECT_FALSE(r->isReachable());
    EXPECT_EQ(r->currentReachabilityStatus(), NotReachable);
    EXPECT_EQ(r->currentReachabilityString(), "No Connection");

    // Each question reads the flags afresh.
    int before = reachability().queryCount();
    r->currentReachabilityStatus();
    EXPECT_GT(reachability().queryCount(), before);
}

TEST_F(ReachabilityTest, AMobileConnectionDoesNotCountWhenWWANIsRefused) {
    auto r = internet();
    ASSERT_TRUE(r);
    r->setReachableOnWWAN(false);
    reachability().setFlags(R | WWAN);
    EXPECT_FALSE(r->isReachable());
    EXPECT_EQ(r->currentReachabilityStatus(), NotReachable);
    EXPECT_EQ(r->currentReachabilityString(), "No Connection");
    EXPECT_TRUE(r->isReachableViaWWAN());
    // Wi-Fi is not affected.
    reachability().setFlags(R);
    EXPECT_EQ(r->currentReachabilityStatus(), ReachableViaWiFi);
}

TEST_F(ReachabilityTest, AConnectionStillToBeMadeForOneRequestIsNotReachable) {
    auto r = internet();
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->isReachableWithFlags(R | Required | Transient));
    EXPECT_TRUE(r->isReachableWithFlags(R | Required));
    EXPECT_TRUE(r->isReachableWithFlags(R | Transient));
    EXPECT_FALSE(r->isReachableWithFlags(Required | Transient));
    reachability().setFlags(R | Required | Transient);
    EXPECT_EQ(r->currentReachabilityStatus(), NotReachable);
    EXPECT_TRUE(r->connectionRequired());
    EXPECT_TRUE(r->isConnectionRequired());
}

TEST_F(ReachabilityTest, ConnectionKindQuestions) {
    auto r = internet();
    ASSERT_TRUE(r);
    reachability().setFlags(R | Required | net::ReachabilityFlagConnectionOnTraffic);
    EXPECT_TRUE(r->isConnectionOnDemand());
    EXPECT_FALSE(r->isInterventionRequired());
    reachability().setFlags(R | Required | net::ReachabilityFlagConnectionOnDemand);
    EXPECT_TRUE(r->isConnectionOnDemand());
    reachability().setFlags(R | net::ReachabilityFlagConnectionOnDemand);
    EXPECT_FALSE(r->isConnectionOnDemand());
    reachability().setFlags(Required | net::ReachabilityFlagInterventionRequired);
    EXPECT_TRUE(r->isInterventionRequired());
    reachability().setFlags(net::ReachabilityFlagInterventionRequired);
    EXPECT_FALSE(r->isInterventionRequired());
}

TEST_F(ReachabilityTest, UnreadableFlagsAnswerNo) {
    auto r = internet();
    ASSERT_TRUE(r);
    reachability().setFlags(R | Required | WWAN);
    reachability().setReadable(false);
    EXPECT_FALSE(r->isReachable());
    EXPECT_FALSE(r->isReachableViaWWAN());
    EXPECT_FALSE(r->isReachableViaWiFi());
    EXPECT_FALSE(r->connectionRequired());
    EXPECT_EQ(r->currentReachabilityStatus(), NotReachable);
    EXPECT_EQ(r->reachabilityFlags(), 0u);
    EXPECT_EQ(r->currentReachabilityFlags(), "-- -------");
}

TEST_F(ReachabilityTest, FlagsText) {
    auto r = internet();
    ASSERT_TRUE(r);
    reachability().setFlags(R | net::ReachabilityFlagIsDirect);
    EXPECT_EQ(r->currentReachabilityFlags(), "-R ------d");
    reachability().setFlags(0x7003Fu);
    EXPECT_EQ(r->reachabilityFlags(), 0x7003Fu);
    EXPECT_EQ(r->currentReachabilityFlags(), "WR ctiCDld");
    reachability().setFlags(WWAN | Transient | net::ReachabilityFlagIsLocalAddress);
    EXPECT_EQ(r->currentReachabilityFlags(), "W- -t---l-");
}

TEST_F(ReachabilityTest, TargetsOfTheClassOperations) {
    auto internetTarget = internet();
    ASSERT_TRUE(internetTarget);
    EXPECT_EQ(internetTarget->reachabilityRef()->target().kind,
              net::ReachabilityTarget::Kind::Address);
    EXPECT_EQ(internetTarget->reachabilityRef()->target().address.toString(), "0.0.0.0");

    auto wifi = Reachability::reachabilityForLocalWiFi();
    ASSERT_TRUE(wifi);
    EXPECT_EQ(wifi->reachabilityRef()->target().address.toString(), "169.254.0.0");

    auto host = Reachability::reachabilityWithHostname("host.test");
    ASSERT_TRUE(host);
    EXPECT_EQ(host->reachabilityRef()->target().host, "host.test");
    reachability().setFlagsForHostName("host.test", 0);
    EXPECT_EQ(host->currentReachabilityStatus(), NotReachable);
    EXPECT_EQ(internetTarget->currentReachabilityStatus(), ReachableViaWiFi);
    EXPECT_TRUE(Reachability::reachabilityWithHostName("host.test"));

    EXPECT_EQ(Reachability::reachabilityWithHostname(""), nullptr);
    EXPECT_EQ(Reachability::reachabilityWithHostname("two words"), nullptr);
    EXPECT_EQ(Reachability::reachabilityWithAddress(nullptr), nullptr);
    EXPECT_EQ(Reachability::createWithReachabilityRef(nullptr), nullptr);

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(0xC0000201u); // 192.0.2.1
    auto byAddress = Reachability::reachabilityWithAddress(&address);
    ASSERT_TRUE(byAddress);
    EXPECT_EQ(byAddress->reachabilityRef()->target().address.toString(), "192.0.2.1");

    auto text = internetTarget->description();
    EXPECT_EQ(text.rfind("<Reachability: 0x", 0), 0u);
    EXPECT_EQ(text.back(), '>');
}

// Records what the notifier reports: blocks on the serial queue, notifications on main.
struct Reports {
    std::mutex mutex;
    std::vector<std::string> blocks;
    std::vector<std::string> blockQueues;
    std::atomic<int> notifications = 0;
    const void* notifiedObject = nullptr;

    std::size_t blockCount() {
        std::lock_guard lock(mutex);
        return blocks.size();
    }
};

TEST_F(ReachabilityTest, TheNotifierReportsChangesThroughBlocksAndTheNotification) {
    auto r = internet();
    ASSERT_TRUE(r);
    auto reports = std::make_shared<Reports>();
    r->setReachableBlock([reports](Reachability&) {
        std::lock_guard lock(reports->mutex);
        reports->blocks.push_back("reachable");
        reports->blockQueues.push_back(base::DispatchQueue::currentLabel());
    });
    r->setUnreachableBlock([reports](Reachability&) {
        std::lock_guard lock(reports->mutex);
        reports->blocks.push_back("unreachable");
        reports->blockQueues.push_back(base::DispatchQueue::currentLabel());
    });
    auto& center = base::NotificationCenter::defaultCenter();
    center.addObserver(kReachabilityChangedNotification, [reports](const base::Notification& n) {
        EXPECT_TRUE(base::isMainThread());
        reports->notifiedObject = n.object.get();
        ++reports->notifications;
    });

    ASSERT_TRUE(r->startNotifier());
    EXPECT_EQ(r->reachabilityObject(), r);
    ASSERT_TRUE(r->reachabilitySerialQueue());
    EXPECT_EQ(r->reachabilitySerialQueue()->label(), "com.morrowcliff.reachability");
    EXPECT_FALSE(r->startNotifier()); // already running; it goes on
    EXPECT_EQ(r->reachabilityObject(), r);

    // The notifier first reports the flags it starts with.
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return reports->notifications >= 1; }, 10s));
    reachability().setFlags(0);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return reports->notifications >= 2; }, 10s));
    reachability().setFlags(R | WWAN);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return reports->notifications >= 3; }, 10s));

    EXPECT_EQ(reports->notifiedObject, r.get());
    std::lock_guard lock(reports->mutex);
    EXPECT_EQ(reports->blocks, (std::vector<std::string>{"reachable", "unreachable", "reachable"}));
    for (const auto& label : reports->blockQueues)
        EXPECT_EQ(label, "com.morrowcliff.reachability");
    r->stopNotifier();
}

TEST_F(ReachabilityTest, StoppingLeavesNothingBehind) {
    auto r = internet();
    ASSERT_TRUE(r);
    std::weak_ptr<Reachability> weak = r;
    auto reports = std::make_shared<Reports>();
    r->setReachableBlock([reports](Reachability&) {
        std::lock_guard lock(reports->mutex);
        reports->blocks.push_back("reachable");
    });
    r->setUnreachableBlock([reports](Reachability&) {
        std::lock_guard lock(reports->mutex);
        reports->blocks.push_back("unreachable");
    });
    base::NotificationCenter::defaultCenter().addObserver(
        kReachabilityChangedNotification,
        [reports](const base::Notification&) { ++reports->notifications; });

    ASSERT_TRUE(r->startNotifier());
    auto queue = *r->reachabilitySerialQueue();
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return reports->notifications >= 1; }, 10s));
    queue.sync([] {}); // the report's own reference is gone

    // While notifying the object keeps itself.
    r.reset();
    ASSERT_FALSE(weak.expired());
    weak.lock()->stopNotifier();
    EXPECT_TRUE(weak.expired());

    reachability().setFlags(0);
    queue.sync([] {});
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(reports->blockCount(), 1u);
    EXPECT_EQ(reports->notifications, 1);
    EXPECT_EQ(reachability().observerCount(), 0u);
}

TEST_F(ReachabilityTest, AChangeAlreadyOnItsWayIsNotPostedAfterStop) {
    auto r = internet();
    ASSERT_TRUE(r);
    int notifications = 0;
    base::NotificationCenter::defaultCenter().addObserver(
        kReachabilityChangedNotification, [&](const base::Notification&) { ++notifications; });
    ASSERT_TRUE(r->startNotifier());
    // A change taken on the serial queue whose post waits for the main queue.
    r->reachabilityChanged(R);
    r->stopNotifier();
    EXPECT_EQ(r->reachabilityObject(), nullptr);
    EXPECT_FALSE(r->reachabilitySerialQueue());
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(notifications, 0);

    // Without a notifier, a change reported by hand is still posted.
    r->reachabilityChanged(0);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(notifications, 1);
}

} // namespace
