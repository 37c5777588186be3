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

TEST_F(ReachabilityTest, EveryQuestionReadsTheFlagsAfresh) {
    constexpr auto OnTraffic = net::ReachabilityFlagConnectionOnTraffic;
    constexpr auto OnDemand = net::ReachabilityFlagConnectionOnDemand;
    constexpr auto Intervention = net::ReachabilityFlagInterventionRequired;
    struct Row {
        net::ReachabilityFlags flags;
        bool wwanAllowed, readable;
        bool reachable, viaWWAN, viaWiFi;
        NetworkStatus status;
        const char* statusText;
        bool required, onDemand, intervention;
        const char* flagsText;
    };
    const Row rows[] = {
        {R | net::ReachabilityFlagIsDirect, true, true, true, false, true, ReachableViaWiFi, "WiFi",
         false, false, false, "-R ------d"},
        {R | WWAN, true, true, true, true, false, ReachableViaWWAN, "Cellular", false, false, false,
         "WR -------"},
        {0, true, true, false, false, false, NotReachable, "No Connection", false, false, false,
         "-- -------"},
        // A mobile connection does not count when it is refused; Wi-Fi still does.
        {R | WWAN, false, true, false, true, false, NotReachable, "No Connection", false, false,
         false, "WR -------"},
        {R, false, true, true, false, true, ReachableViaWiFi, "WiFi", false, false, false,
         "-R -------"},
        // A connection still to be made for one request is not reachable.
        {R | Required | Transient, true, true, false, false, true, NotReachable, "No Connection",
         true, false, false, "-R ct-----"},
        {R | Required | OnTraffic, true, true, true, false, true, ReachableViaWiFi, "WiFi", true,
         true, false, "-R c--C---"},
        {R | Required | OnDemand, true, true, true, false, true, ReachableViaWiFi, "WiFi", true,
         true, false, "-R c---D--"},
        {R | OnDemand, true, true, true, false, true, ReachableViaWiFi, "WiFi", false, false, false,
         "-R ----D--"},
        {Required | Intervention, true, true, false, false, false, NotReachable, "No Connection",
         true, false, true, "-- c-i----"},
        {Intervention, true, true, false, false, false, NotReachable, "No Connection", false, false,
         false, "-- --i----"},
        {0x7003Fu, true, true, false, true, false, NotReachable, "No Connection", true, true, true,
         "WR ctiCDld"},
        {WWAN | Transient | net::ReachabilityFlagIsLocalAddress, true, true, false, false, false,
         NotReachable, "No Connection", false, false, false, "W- -t---l-"},
        // Unreadable flags answer no.
        {R | Required | WWAN, true, false, false, false, false, NotReachable, "No Connection",
         false, false, false, "-- -------"},
    };
    auto r = internet();
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->reachableOnWWAN());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.flagsText);
        r->setReachableOnWWAN(row.wwanAllowed);
        reachability().setFlags(row.flags);
        reachability().setReadable(row.readable);
        const int asked = reachability().queryCount();
        EXPECT_EQ(r->isReachable(), row.reachable);
        EXPECT_EQ(r->isReachableViaWWAN(), row.viaWWAN);
        EXPECT_EQ(r->isReachableViaWiFi(), row.viaWiFi);
        EXPECT_EQ(r->currentReachabilityStatus(), row.status);
        EXPECT_EQ(r->currentReachabilityString(), row.statusText);
        EXPECT_EQ(r->connectionRequired(), row.required);
        EXPECT_EQ(r->isConnectionRequired(), row.required);
        EXPECT_EQ(r->isConnectionOnDemand(), row.onDemand);
        EXPECT_EQ(r->isInterventionRequired(), row.intervention);
        EXPECT_EQ(r->reachabilityFlags(), row.readable ? row.flags : 0u);
        EXPECT_EQ(r->currentReachabilityFlags(), row.flagsText);
        EXPECT_GT(reachability().queryCount(), asked);
    }
    EXPECT_FALSE(r->isReachableWithFlags(R | Required | Transient));
    EXPECT_TRUE(r->isReachableWithFlags(R | Required));
    EXPECT_TRUE(r->isReachableWithFlags(R | Transient));
    EXPECT_FALSE(r->isReachableWithFlags(Required | Transient));
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
