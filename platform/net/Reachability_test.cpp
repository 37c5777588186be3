#include "platform/base/DispatchQueue.h"
#include "platform/base/RunLoop.h"
#include "platform/net/FakeReachabilitySource.h"
#include "platform/net/Reachability.h"
#include "platform/testing/PlatformTest.h"

#include <atomic>
#include <gtest/gtest.h>
#include <netinet/in.h>

namespace net {
namespace {

using namespace std::chrono_literals;

class ReachabilityTest : public testing_support::PlatformTest {};

TEST_F(ReachabilityTest, TheInstalledSourceAnswersEveryTargetAfresh) {
    auto internet = Reachability::createForInternetConnection();
    EXPECT_EQ(internet->flags(), ReachabilityFlags(ReachabilityFlagReachable));
    int asked = reachability().queryCount();
    reachability().setFlags(ReachabilityFlagReachable | ReachabilityFlagIsWWAN);
    EXPECT_EQ(internet->flags(), ReachabilityFlagReachable | ReachabilityFlagIsWWAN);
    EXPECT_EQ(reachability().queryCount(), asked + 1);

    reachability().setFlagsForHostName("ads.host.tld", 0);
    EXPECT_EQ(Reachability::createWithHostName("ads.host.tld")->flags(), 0u);
    EXPECT_EQ(Reachability::createWithHostName("other.tld")->flags(),
              ReachabilityFlagReachable | ReachabilityFlagIsWWAN);

    reachability().setReadable(false);
    EXPECT_EQ(internet->flags(), std::nullopt);
}

TEST_F(ReachabilityTest, TargetsAreMadeFromNamesAndAddresses) {
    EXPECT_EQ(Reachability::createForInternetConnection()->target().kind,
              ReachabilityTarget::Kind::DefaultRoute);
    auto host = Reachability::createWithHostName("www.host.tld");
    ASSERT_TRUE(host);
    EXPECT_EQ(host->target(), ReachabilityTarget::forHostName("www.host.tld"));
    EXPECT_FALSE(Reachability::createWithHostName(""));
    EXPECT_FALSE(Reachability::createWithHostName("bad host"));
    EXPECT_FALSE(Reachability::createWithHostName(std::string(254, 'a')));

    sockaddr_in zero{};
    zero.sin_family = AF_INET;
    auto fromSocket = Reachability::createWithAddress(reinterpret_cast<sockaddr*>(&zero));
    ASSERT_TRUE(fromSocket);
    EXPECT_TRUE(fromSocket->target().address.isUnspecified());
    EXPECT_EQ(fromSocket->target().address.toString(), "0.0.0.0");
    EXPECT_FALSE(Reachability::createWithAddress(static_cast<const sockaddr*>(nullptr)));

    auto linkLocal = Reachability::createWithAddress("169.254.0.0");
    ASSERT_TRUE(linkLocal);
    EXPECT_TRUE(linkLocal->target().address.isIPv4());
    auto six = Reachability::createWithAddress("[::1]");
    ASSERT_TRUE(six);
    EXPECT_EQ(six->target().address.toString(), "::1");
    EXPECT_FALSE(Reachability::createWithAddress("host.tld"));
}

TEST_F(ReachabilityTest, TheNotifierReportsTheFlagsOnceThenEveryChangeOnTheMainLoop) {
    auto internet = Reachability::createForInternetConnection();
    std::vector<ReachabilityFlags> reported;
    bool onMain = true;
    ASSERT_TRUE(internet->startNotifier([&](Reachability& which, ReachabilityFlags flags) {
        EXPECT_EQ(&which, internet.get());
        onMain = onMain && base::isMainThread();
        reported.push_back(flags);
    }));
    EXPECT_FALSE(internet->startNotifier([](Reachability&, ReachabilityFlags) {}));
    EXPECT_TRUE(reported.empty()); // never from inside startNotifier
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(reported, (std::vector<ReachabilityFlags>{ReachabilityFlagReachable}));

    reachability().setFlags(0);
    reachability().setFlagsForHostName("unrelated.tld", 0); // changes nothing for this target
    reachability().setFlags(ReachabilityFlagReachable | ReachabilityFlagIsDirect);
    EXPECT_EQ(reported.size(), 1u); // delivered by the run loop, not by the source's thread
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(reported, (std::vector<ReachabilityFlags>{ReachabilityFlagReachable,
                                                        ReachabilityFlagReachable |
                                                            ReachabilityFlagIsDirect}));
    EXPECT_TRUE(onMain);

    reachability().setReadable(false); // unreadable flags are reported as none
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(reported.back(), 0u);
}

TEST_F(ReachabilityTest, WhileANotifierWatchesAKnownAnswerIsNotReadAgainUntilAChange) {
    auto watcher = Reachability::createForInternetConnection();
    watcher->startNotifier([](Reachability&, ReachabilityFlags) {});
    base::RunLoop::main().runUntilIdle(); // its first report read the flags
    auto internet = Reachability::createForInternetConnection();
    auto host = Reachability::createWithHostName("host.tld");
    const int asked = reachability().queryCount();
    EXPECT_EQ(internet->flags(), ReachabilityFlags(ReachabilityFlagReachable));
    EXPECT_EQ(internet->flags(), ReachabilityFlags(ReachabilityFlagReachable));
    EXPECT_EQ(reachability().queryCount(), asked);
    // Another target is read once, then known too.
    EXPECT_EQ(host->flags(), ReachabilityFlags(ReachabilityFlagReachable));
    EXPECT_EQ(host->flags(), ReachabilityFlags(ReachabilityFlagReachable));
    EXPECT_EQ(reachability().queryCount(), asked + 1);

    // A change is seen at once, each target read once more.
    reachability().setFlags(0);
    EXPECT_EQ(internet->flags(), ReachabilityFlags(0));
    EXPECT_EQ(host->flags(), ReachabilityFlags(0));
    EXPECT_EQ(internet->flags(), ReachabilityFlags(0));
    EXPECT_EQ(reachability().queryCount(), asked + 3);
    reachability().setReadable(false);
    EXPECT_EQ(internet->flags(), std::nullopt);
    reachability().setReadable(true);

    // Unwatched, nothing says when the state changes: every question reads afresh.
    watcher->stopNotifier();
    const int unwatched = reachability().queryCount();
    EXPECT_EQ(internet->flags(), ReachabilityFlags(0));
    EXPECT_EQ(internet->flags(), ReachabilityFlags(0));
    EXPECT_EQ(reachability().queryCount(), unwatched + 2);
}

TEST_F(ReachabilityTest, AfterStopNothingIsReportedNotEvenWhatWasQueued) {
    auto internet = Reachability::createForInternetConnection();
    int reports = 0;
    internet->startNotifier([&](Reachability&, ReachabilityFlags) { ++reports; });
    base::RunLoop::main().runUntilIdle();
    ASSERT_EQ(reports, 1);
    reachability().setFlags(0); // queued on the loop
    internet->stopNotifier();
    EXPECT_FALSE(internet->isNotifying());
    EXPECT_EQ(reachability().observerCount(), 0u);
    base::RunLoop::main().runUntilIdle();
    reachability().setFlags(ReachabilityFlagReachable);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(reports, 1);
    // It can start again.
    EXPECT_TRUE(internet->startNotifier([&](Reachability&, ReachabilityFlags) { ++reports; }));
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(reports, 2);
}

TEST_F(ReachabilityTest, DroppingTheObjectStopsItsNotifier) {
    int reports = 0;
    {
        auto internet = Reachability::createForInternetConnection();
        internet->startNotifier([&](Reachability&, ReachabilityFlags) { ++reports; });
        EXPECT_EQ(reachability().observerCount(), 1u);
    }
    EXPECT_EQ(reachability().observerCount(), 0u);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(reports, 0);
}

TEST_F(ReachabilityTest, ANotifierCanDeliverOnAQueueOfItsOwn) {
    base::DispatchQueue queue("test.reachability");
    auto host = Reachability::createWithHostName("host.tld");
    std::atomic<int> reports{0};
    std::atomic<bool> onQueue{true};
    host->startNotifier(
        [&](Reachability&, ReachabilityFlags) {
            onQueue = onQueue && queue.isCurrent();
            ++reports;
        },
        queue);
    queue.sync([] {}); // everything queued before has run
    EXPECT_EQ(reports, 1);
    reachability().setFlags(0);
    queue.sync([] {});
    EXPECT_EQ(reports, 2);
    EXPECT_TRUE(onQueue);
    host->stopNotifier();
}

} // namespace
} // namespace net
