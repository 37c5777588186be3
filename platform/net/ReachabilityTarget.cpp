#include "platform/net/ReachabilityTarget.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

namespace net {

bool ReachabilityTarget::Address::isIPv4() const {
    return family == AF_INET;
}

bool ReachabilityTarget::Address::isUnspecified() const {
    return std::all_of(bytes.begin(), bytes.begin() + long(length()),
                       [](std::uint8_t byte) { return byte == 0; });
}

std::string ReachabilityTarget::Address::toString() const {
    char text[INET6_ADDRSTRLEN] = {};
    if (family != AF_INET && family != AF_INET6)
        return {};
    if (!inet_ntop(family, bytes.data(), text, sizeof text))
        return {};
    return text;
}

std::optional<ReachabilityTarget::Address>
ReachabilityTarget::Address::parse(std::string_view text) {
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
        text = text.substr(1, text.size() - 2);
    if (text.empty() || text.size() >= INET6_ADDRSTRLEN)
        return std::nullopt;
    std::string copy(text);
    Address address;
    if (inet_pton(AF_INET, copy.c_str(), address.bytes.data()) == 1) {
        address.family = AF_INET;
        return address;
    }
    if (inet_pton(AF_INET6, copy.c_str(), address.bytes.data()) == 1) {
        address.family = AF_INET6;
        return address;
    }
    return std::nullopt;
}

std::optional<ReachabilityTarget::Address>
ReachabilityTarget::Address::fromSockaddr(const sockaddr* socketAddress) {
    if (!socketAddress)
        return std::nullopt;
    Address address;
    if (socketAddress->sa_family == AF_INET) {
        sockaddr_in in{};
        std::memcpy(&in, socketAddress, sizeof in);
        address.family = AF_INET;
        std::memcpy(address.bytes.data(), &in.sin_addr, 4);
        return address;
    }
    if (socketAddress->sa_family == AF_INET6) {
        sockaddr_in6 in6{};
        std::memcpy(&in6, socketAddress, sizeof in6);
        address.family = AF_INET6;
        std::memcpy(address.bytes.data(), &in6.sin6_addr, 16);
        return address;
    }
    return std::nullopt;
}

} // namespace net
