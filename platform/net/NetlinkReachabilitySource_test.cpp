#include "platform/net/NetlinkReachabilitySource.h"

#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace net {
namespace {

constexpr ReachabilityFlags knownFlags =
    ReachabilityFlagTransientConnection | ReachabilityFlagReachable |
    ReachabilityFlagConnectionRequired | ReachabilityFlagConnectionOnTraffic |
    ReachabilityFlagInterventionRequired | ReachabilityFlagConnectionOnDemand |
    ReachabilityFlagIsLocalAddress | ReachabilityFlagIsDirect | ReachabilityFlagIsWWAN;

ReachabilityTarget address(const char* text) {
    return ReachabilityTarget::forAddress(*ReachabilityTarget::Address::parse(text));
}

TEST(NetlinkReachabilitySourceTest, TheLoopbackAddressIsALocalDirectlyReachableOne) {
    NetlinkReachabilitySource source;
    auto flags = source.flags(address("127.0.0.1"));
    ASSERT_TRUE(flags) << "the kernel's routing tables could not be read";
    EXPECT_EQ(*flags, ReachabilityFlagReachable | ReachabilityFlagIsLocalAddress |
                          ReachabilityFlagIsDirect);
    EXPECT_EQ(source.flags(address("127.1.2.3")), flags); // the whole loopback network
    EXPECT_EQ(source.flags(ReachabilityTarget::forHostName("localhost")), flags);
    EXPECT_EQ(source.flags(ReachabilityTarget::forHostName("127.0.0.1")), flags);
}

TEST(NetlinkReachabilitySourceTest, EveryAddressOfThisMachineIsLocal) {
    NetlinkReachabilitySource source;
    ifaddrs* list = nullptr;
    ASSERT_EQ(::getifaddrs(&list), 0);
    int checked = 0;
    for (auto* item = list; item; item = item->ifa_next) {
        if (!item->ifa_addr || item->ifa_addr->sa_family != AF_INET ||
            !(item->ifa_flags & IFF_UP) || !(item->ifa_flags & IFF_RUNNING))
            continue;
        auto own = ReachabilityTarget::Address::fromSockaddr(item->ifa_addr);
        ASSERT_TRUE(own);
        EXPECT_EQ(source.flags(ReachabilityTarget::forAddress(*own)),
                  ReachabilityFlagReachable | ReachabilityFlagIsLocalAddress |
                      ReachabilityFlagIsDirect)
            << own->toString();
        ++checked;
    }
    ::freeifaddrs(list);
    EXPECT_GE(checked, 1); // the loopback at least
}

TEST(NetlinkReachabilitySourceTest, TheInternetIsReachableExactlyWhenAnyDefaultRouteIs) {
    NetlinkReachabilitySource source;
    auto internet = source.flags(ReachabilityTarget::defaultRoute());
    ASSERT_TRUE(internet);
    // Whatever this machine's network, the answer is "reachable" or "not", never local.
    EXPECT_TRUE(*internet == 0 || *internet == ReachabilityFlagReachable) << *internet;
    EXPECT_EQ(source.flags(address("0.0.0.0")), internet);
    EXPECT_EQ(source.flags(ReachabilityTarget::forHostName("ads.host.tld")), internet);
    // An address outside every local network goes where the default route goes.
    auto remote = source.flags(address("203.0.113.77"));
    ASSERT_TRUE(remote);
    EXPECT_EQ(*remote & ~knownFlags, 0u);
    EXPECT_EQ(*remote & ReachabilityFlagIsLocalAddress, 0u);
}

TEST(NetlinkReachabilitySourceTest, WatchingStartsAndStopsWithItsObservers) {
    NetlinkReachabilitySource source;
    auto first = source.addObserver([] {});
    auto second = source.addObserver([] {});
    EXPECT_EQ(source.observerCount(), 2u);
    source.removeObserver(first);
    source.removeObserver(second);
    EXPECT_EQ(source.observerCount(), 0u);
    // Watching again after a stop works, and destruction stops a running watch.
    source.addObserver([] {});
    EXPECT_EQ(source.observerCount(), 1u);
}

} // namespace
} // namespace net
