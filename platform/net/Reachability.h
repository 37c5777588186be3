#pragma once

#include "platform/base/DispatchQueue.h"
#include "platform/net/ReachabilityFlags.h"
#include "platform/net/ReachabilityTarget.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct sockaddr;

namespace net {

class ReachabilitySource;

// Whether a host, an address or the internet at large can be reached, as flags read from the
// current ReachabilitySource. Flags are read afresh on every question.
//
// The notifier reports the flags once soon after it starts and then after every change, on the
// main run loop or on a queue of the caller's choice. It does not keep the object alive:
// dropping the last reference stops it, and after stopNotifier() no callback runs, not even
// one already queued.
class Reachability : public std::enable_shared_from_this<Reachability> {
public:
    using Callback = std::function<void(Reachability&, ReachabilityFlags)>;

    // nullptr for an empty name or one no DNS name could be (white space, control characters,
    // longer than 253 bytes).
    static std::shared_ptr<Reachability> createWithHostName(const std::string& host);
    // From an AF_INET or AF_INET6 socket address; nullptr for any other.
    static std::shared_ptr<Reachability> createWithAddress(const sockaddr* address);
    // From a numeric address ("192.0.2.1", "::1"); nullptr when it is none.
    static std::shared_ptr<Reachability> createWithAddress(const std::string& numericAddress);
    // The default route: can the internet be reached at all.
    static std::shared_ptr<Reachability> createForInternetConnection();

    static std::shared_ptr<Reachability> create(ReachabilityTarget target);

    ~Reachability();
    Reachability(const Reachability&) = delete;
    Reachability& operator=(const Reachability&) = delete;

    const ReachabilityTarget& target() const { return target_; }

    // The current flags, or nullopt when they cannot be read. Any thread.
    std::optional<ReachabilityFlags> flags() const;

    // Starts reporting flags to `callback`: on `queue` when given, else on the main run loop.
    // Returns false when the notifier already runs.
    bool startNotifier(Callback callback, std::optional<base::DispatchQueue> queue = std::nullopt);
    void stopNotifier();
    bool isNotifying() const;

private:
    struct Private {};

public:
    Reachability(Private, ReachabilityTarget target);

private:
    struct Notifier;
    void deliver(const std::shared_ptr<Notifier>& notifier);

    ReachabilityTarget target_;
    mutable std::mutex mutex_;
    std::shared_ptr<Notifier> notifier_;
};

} // namespace net
