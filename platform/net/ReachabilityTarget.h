#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sockaddr;

namespace net {

// What a reachability question is about: the default route (the internet at large), one
// numeric address, or a host name.
struct ReachabilityTarget {
    enum class Kind { DefaultRoute, Address, HostName };

    // A numeric IPv4 or IPv6 address in network byte order; IPv4 uses the first 4 bytes.
    struct Address {
        int family = 0; // AF_INET or AF_INET6
        std::array<std::uint8_t, 16> bytes{};

        std::size_t length() const { return isIPv4() ? 4 : 16; }
        bool isIPv4() const;
        bool isUnspecified() const; // 0.0.0.0 or ::
        std::string toString() const;
        // Parses "192.0.2.1" or "2001:db8::1" (brackets allowed); nullopt for anything else.
        static std::optional<Address> parse(std::string_view text);
        // From an AF_INET or AF_INET6 socket address; nullopt for other families.
        static std::optional<Address> fromSockaddr(const sockaddr* address);

        bool operator==(const Address&) const = default;
    };

    Kind kind = Kind::DefaultRoute;
    Address address;  // Kind::Address
    std::string host; // Kind::HostName

    static ReachabilityTarget defaultRoute() { return {}; }
    static ReachabilityTarget forAddress(Address address) { return {Kind::Address, address, {}}; }
    static ReachabilityTarget forHostName(std::string host) {
        return {Kind::HostName, {}, std::move(host)};
    }

    bool operator==(const ReachabilityTarget&) const = default;
};

} // namespace net
