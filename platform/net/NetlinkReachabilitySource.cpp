#include "platform/net/NetlinkReachabilitySource.h"

#include "platform/base/Strings.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <map>
#include <net/if.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace net {

namespace {

// A socket descriptor closed on scope exit.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

struct Route {
    int family = 0;
    unsigned table = 0;
    unsigned type = 0;
    unsigned prefixLength = 0;
    std::array<std::uint8_t, 16> destination{};
    std::vector<int> interfaces; // the output interface, or every next hop's
    bool hasGateway = false;
};

struct Snapshot {
    std::map<int, unsigned> linkFlags; // interface index → IFF_* flags
    std::vector<Route> routes;
};

// Sends one dump request and feeds every answer message to `each`. False when the kernel
// reports an error or stops answering.
template <class Body, class Each> bool dump(int socket, std::uint16_t type, Body body, Each each) {
    struct {
        nlmsghdr header;
        Body body;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(Body));
    request.header.nlmsg_type = type;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.body = body;
    if (::send(socket, &request, request.header.nlmsg_len, 0) < 0)
        return false;

    std::vector<char> buffer(64 * 1024);
    for (;;) {
        ssize_t received = ::recv(socket, buffer.data(), buffer.size(), 0);
        if (received <= 0)
            return false;
        int remaining = int(received);
        for (auto* message = reinterpret_cast<nlmsghdr*>(buffer.data());
             NLMSG_OK(message, remaining); message = NLMSG_NEXT(message, remaining)) {
            if (message->nlmsg_type == NLMSG_DONE)
                return true;
            if (message->nlmsg_type == NLMSG_ERROR)
                return false;
            each(message);
        }
    }
}

void readLink(nlmsghdr* message, Snapshot& snapshot) {
    if (message->nlmsg_type != RTM_NEWLINK || message->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
        return;
    auto* info = static_cast<ifinfomsg*>(NLMSG_DATA(message));
    snapshot.linkFlags[info->ifi_index] = info->ifi_flags;
}

void readRoute(nlmsghdr* message, Snapshot& snapshot) {
    if (message->nlmsg_type != RTM_NEWROUTE || message->nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg)))
        return;
    auto* info = static_cast<rtmsg*>(NLMSG_DATA(message));
    if (info->rtm_family != AF_INET && info->rtm_family != AF_INET6)
        return;
    Route route;
    route.family = info->rtm_family;
    route.table = info->rtm_table;
    route.type = info->rtm_type;
    route.prefixLength = info->rtm_dst_len;
    std::size_t addressLength = route.family == AF_INET ? 4 : 16;
    int length = int(RTM_PAYLOAD(message));
    for (auto* attribute = RTM_RTA(info); RTA_OK(attribute, length);
         attribute = RTA_NEXT(attribute, length)) {
        switch (attribute->rta_type) {
        case RTA_TABLE:
            if (RTA_PAYLOAD(attribute) >= sizeof(std::uint32_t))
                std::memcpy(&route.table, RTA_DATA(attribute), sizeof(std::uint32_t));
            break;
        case RTA_DST:
            if (RTA_PAYLOAD(attribute) >= addressLength)
                std::memcpy(route.destination.data(), RTA_DATA(attribute), addressLength);
            break;
        case RTA_OIF:
            if (RTA_PAYLOAD(attribute) >= sizeof(int)) {
                int index;
                std::memcpy(&index, RTA_DATA(attribute), sizeof index);
                route.interfaces.push_back(index);
            }
            break;
        case RTA_GATEWAY:
        case RTA_VIA:
            route.hasGateway = true;
            break;
        case RTA_MULTIPATH: {
            auto* hop = static_cast<rtnexthop*>(RTA_DATA(attribute));
            int hopsLength = int(RTA_PAYLOAD(attribute));
            while (hopsLength >= int(sizeof(rtnexthop)) && hop->rtnh_len >= sizeof(rtnexthop) &&
                   hop->rtnh_len <= hopsLength) {
                route.interfaces.push_back(hop->rtnh_ifindex);
                if (hop->rtnh_len > sizeof(rtnexthop))
                    route.hasGateway = true;
                hopsLength -= RTNH_ALIGN(hop->rtnh_len);
                hop = RTNH_NEXT(hop);
            }
            break;
        }
        default:
            break;
        }
    }
    snapshot.routes.push_back(std::move(route));
}

std::optional<Snapshot> readSnapshot() {
    FileDescriptor socket(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (socket.get() < 0)
        return std::nullopt;
    // The kernel answers at once; a stuck socket must not hang a synchronous question.
    timeval timeout{2, 0};
    ::setsockopt(socket.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

    Snapshot snapshot;
    ifinfomsg link{};
    link.ifi_family = AF_UNSPEC;
    if (!dump(socket.get(), RTM_GETLINK, link,
              [&](nlmsghdr* message) { readLink(message, snapshot); }))
        return std::nullopt;
    rtmsg route{};
    route.rtm_family = AF_UNSPEC;
    if (!dump(socket.get(), RTM_GETROUTE, route,
              [&](nlmsghdr* message) { readRoute(message, snapshot); }))
        return std::nullopt;
    return snapshot;
}

bool isUsable(const Snapshot& snapshot, const Route& route, bool allowLoopback) {
    return std::any_of(route.interfaces.begin(), route.interfaces.end(), [&](int index) {
        auto link = snapshot.linkFlags.find(index);
        if (link == snapshot.linkFlags.end())
            return false;
        unsigned flags = link->second;
        if (!(flags & IFF_UP) || !(flags & IFF_RUNNING))
            return false;
        return allowLoopback || !(flags & IFF_LOOPBACK);
    });
}

bool prefixContains(const Route& route, const ReachabilityTarget::Address& address) {
    unsigned bits = route.prefixLength;
    if (bits > address.length() * 8)
        return false;
    std::size_t wholeBytes = bits / 8;
    if (!std::equal(route.destination.begin(), route.destination.begin() + long(wholeBytes),
                    address.bytes.begin()))
        return false;
    unsigned rest = bits % 8;
    if (rest == 0)
        return true;
    auto mask = std::uint8_t(0xff << (8 - rest));
    return (route.destination[wholeBytes] & mask) == (address.bytes[wholeBytes] & mask);
}

ReachabilityFlags defaultRouteFlags(const Snapshot& snapshot) {
    bool reachable = std::any_of(snapshot.routes.begin(), snapshot.routes.end(), [&](auto& route) {
        return route.table == RT_TABLE_MAIN && route.type == RTN_UNICAST &&
               route.prefixLength == 0 && isUsable(snapshot, route, false);
    });
    return reachable ? ReachabilityFlags(ReachabilityFlagReachable) : 0;
}

ReachabilityFlags addressFlags(const Snapshot& snapshot,
                               const ReachabilityTarget::Address& address) {
    if (address.isUnspecified())
        return defaultRouteFlags(snapshot);
    // The machine's own addresses live in the local table.
    for (auto& route : snapshot.routes) {
        if (route.family == address.family && route.table == RT_TABLE_LOCAL &&
            route.type == RTN_LOCAL && prefixContains(route, address) &&
            isUsable(snapshot, route, true))
            return ReachabilityFlagReachable | ReachabilityFlagIsLocalAddress |
                   ReachabilityFlagIsDirect;
    }
    // Otherwise the longest matching prefix of the main table decides, as the kernel would.
    const Route* best = nullptr;
    for (auto& route : snapshot.routes) {
        if (route.family != address.family || route.table != RT_TABLE_MAIN ||
            !prefixContains(route, address))
            continue;
        if (!best || route.prefixLength > best->prefixLength)
            best = &route;
    }
    if (!best || best->type != RTN_UNICAST || !isUsable(snapshot, *best, true))
        return 0;
    return best->hasGateway ? ReachabilityFlagReachable
                            : ReachabilityFlagReachable | ReachabilityFlagIsDirect;
}

bool isLocalhostName(std::string_view name) {
    std::string host = base::lowercaseASCII(name);
    if (!host.empty() && host.back() == '.')
        host.pop_back();
    return host == "localhost" ||
           (host.size() > 10 && host.compare(host.size() - 10, 10, ".localhost") == 0);
}

} // namespace

NetlinkReachabilitySource::~NetlinkReachabilitySource() {
    stopWatching();
}

std::optional<ReachabilityFlags>
NetlinkReachabilitySource::readFlags(const ReachabilityTarget& target) {
    auto snapshot = readSnapshot();
    if (!snapshot)
        return std::nullopt;
    switch (target.kind) {
    case ReachabilityTarget::Kind::DefaultRoute:
        return defaultRouteFlags(*snapshot);
    case ReachabilityTarget::Kind::Address:
        return addressFlags(*snapshot, target.address);
    case ReachabilityTarget::Kind::HostName:
        if (isLocalhostName(target.host))
            return addressFlags(*snapshot, *ReachabilityTarget::Address::parse("127.0.0.1"));
        if (auto address = ReachabilityTarget::Address::parse(target.host))
            return addressFlags(*snapshot, *address);
        return defaultRouteFlags(*snapshot);
    }
    return std::nullopt;
}

void NetlinkReachabilitySource::startWatching() {
    if (watcher_.joinable())
        return;
    FileDescriptor socket(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (socket.get() < 0)
        return;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE |
                      RTMGRP_IPV6_ROUTE;
    if (::bind(socket.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) < 0)
        return;
    FileDescriptor stopEvent(::eventfd(0, EFD_CLOEXEC));
    if (stopEvent.get() < 0)
        return;
    stopEvent_ = stopEvent.get();
    // Listening from here: the socket is bound, so the kernel keeps every event from now on
    // for the thread to read.
    listening_ = true;
    watcher_ =
        std::thread(&NetlinkReachabilitySource::watch, this, socket.release(), stopEvent.release());
}

void NetlinkReachabilitySource::stopWatching() {
    if (!watcher_.joinable())
        return;
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(stopEvent_, &one, sizeof one);
    watcher_.join();
    ::close(stopEvent_);
    stopEvent_ = -1;
}

void NetlinkReachabilitySource::watch(int socketDescriptor, int stopEvent) {
    FileDescriptor socket(socketDescriptor);
    // However the thread leaves, changes go unseen from then on: nothing read before may be
    // kept.
    struct Leaving {
        NetlinkReachabilitySource& source;
        ~Leaving() {
            source.listening_ = false;
            source.forgetKnownFlags();
        }
    } leaving{*this};
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        std::array<pollfd, 2> fds{{{socket.get(), POLLIN, 0}, {stopEvent, POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (!fds[0].revents)
            continue;
        // One notification per burst: a link going down brings many route messages.
        bool any = false;
        for (;;) {
            ssize_t received = ::recv(socket.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (received > 0 || (received < 0 && errno == ENOBUFS)) {
                any = true; // an overrun lost events, so something changed all the same
                continue;
            }
            if (received < 0 && errno == EINTR)
                continue;
            break;
        }
        if (any)
            notifyChanged();
    }
}

} // namespace net
