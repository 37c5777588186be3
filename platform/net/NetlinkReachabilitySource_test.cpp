#include "platform/net/NetlinkReachabilitySource.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

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

// Whether a link is up and running, by name.
bool linkIsRunning(const std::string& name) {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return false;
    ifreq request{};
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    const bool running = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags & IFF_UP) &&
                         (request.ifr_flags & IFF_RUNNING);
    ::close(fd);
    return running;
}

// Read from /proc, apart from rtnetlink: whether an IPv4 or IPv6 default route leaves through a
// running link other than the loopback.
bool procHasDefaultRoute() {
    std::ifstream routes("/proc/net/route");
    std::string line;
    std::getline(routes, line); // the header
    while (std::getline(routes, line)) {
        std::istringstream fields(line);
        std::string name, destination, gateway, flags, refs, use, metric, mask;
        fields >> name >> destination >> gateway >> flags >> refs >> use >> metric >> mask;
        if (destination == "00000000" && mask == "00000000" && name != "lo" && linkIsRunning(name))
            return true;
    }
    std::ifstream routes6("/proc/net/ipv6_route");
    while (std::getline(routes6, line)) {
        std::istringstream fields(line);
        std::string destination, length, source, sourceLength, next, metric, refs, use, flags, name;
        fields >> destination >> length >> source >> sourceLength >> next >> metric >> refs >>
            use >> flags >> name;
        // Unreachable and blackhole defaults carry RTF_REJECT (0x0200).
        if (destination == std::string(32, '0') && length == "00" && name != "lo" &&
            !(std::stoul(flags, nullptr, 16) & 0x0200) && linkIsRunning(name))
            return true;
    }
    return false;
}

TEST(NetlinkReachabilitySourceTest, TheInternetIsReachableExactlyWhenAnyDefaultRouteIs) {
    NetlinkReachabilitySource source;
    auto internet = source.flags(ReachabilityTarget::defaultRoute());
    ASSERT_TRUE(internet);
    EXPECT_EQ(*internet, procHasDefaultRoute() ? ReachabilityFlagReachable : 0u);
    EXPECT_EQ(source.flags(address("0.0.0.0")), internet);
    EXPECT_EQ(source.flags(ReachabilityTarget::forHostName("ads.host.tld")), internet);
    // An address outside every local network goes where the default route goes.
    auto remote = source.flags(address("203.0.113.77"));
    ASSERT_TRUE(remote);
    EXPECT_EQ(*remote & ~knownFlags, 0u);
    EXPECT_EQ(*remote & ReachabilityFlagIsLocalAddress, 0u);
}

// In a network namespace of its own (a thread that has left the process's), where only a
// loopback link exists and it starts down: the watcher must see it come up, and the answers
// must follow.
TEST(NetlinkReachabilitySourceTest, ObserversHearALinkComingUpAndTheAnswersFollow) {
    std::string skipped;
    std::string failure;
    std::thread isolated([&] {
        if (::unshare(CLONE_NEWNET) != 0) {
            skipped = std::string("no network namespace here: ") + std::strerror(errno);
            return;
        }
        NetlinkReachabilitySource source;
        auto fail = [&](const std::string& what) {
            if (failure.empty())
                failure = what;
        };
        if (source.flags(address("127.0.0.1")) != ReachabilityFlags(0))
            fail("a loopback that is down answered as reachable");
        if (source.flags(ReachabilityTarget::defaultRoute()) != ReachabilityFlags(0))
            fail("a namespace without a default route answered the internet as reachable");

        std::atomic<int> told{0};
        auto token = source.addObserver([&] { ++told; });
        int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        ifreq request{};
        std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
        if (fd < 0 || ::ioctl(fd, SIOCGIFFLAGS, &request) != 0) {
            fail("the loopback's flags could not be read");
        } else {
            request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
            if (::ioctl(fd, SIOCSIFFLAGS, &request) != 0)
                fail(std::string("the loopback could not be brought up: ") + std::strerror(errno));
        }
        if (fd >= 0)
            ::close(fd);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (told == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (told == 0)
            fail("no observer was told that the loopback came up");
        if (source.flags(address("127.0.0.1")) !=
            (ReachabilityFlagReachable | ReachabilityFlagIsLocalAddress | ReachabilityFlagIsDirect))
            fail("the loopback, now up, is not a local directly reachable address");
        if (source.flags(ReachabilityTarget::defaultRoute()) != ReachabilityFlags(0))
            fail("a loopback alone made the internet reachable");
        source.removeObserver(token);
    });
    isolated.join();
    if (!skipped.empty())
        GTEST_SKIP() << skipped;
    EXPECT_EQ(failure, "");
}

} // namespace
} // namespace net
