#include "browser/Reachability.h"

#include "platform/base/NotificationCenter.h"

#include <arpa/inet.h>
#include <cinttypes>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

std::shared_ptr<Reachability> reachabilityForIPv4(std::uint32_t hostOrderAddress) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    address.sin_addr.s_addr = htonl(hostOrderAddress);
    return Reachability::reachabilityWithAddress(&address);
}

} // namespace

std::shared_ptr<Reachability> Reachability::reachabilityWithHostname(const std::string& hostname) {
    return createWithReachabilityRef(net::Reachability::createWithHostName(hostname));
}

std::shared_ptr<Reachability> Reachability::reachabilityWithHostName(const std::string& hostName) {
    return reachabilityWithHostname(hostName);
}

std::shared_ptr<Reachability>
Reachability::reachabilityWithAddress(const sockaddr_in* hostAddress) {
    if (!hostAddress)
        return nullptr;
    return createWithReachabilityRef(
        net::Reachability::createWithAddress(reinterpret_cast<const sockaddr*>(hostAddress)));
}

std::shared_ptr<Reachability> Reachability::reachabilityForInternetConnection() {
    return reachabilityForIPv4(0);
}

std::shared_ptr<Reachability> Reachability::reachabilityForLocalWiFi() {
    // 169.254.0.0, the link-local network.
    return reachabilityForIPv4(0xA9FE0000u);
}

std::shared_ptr<Reachability>
Reachability::createWithReachabilityRef(std::shared_ptr<net::Reachability> ref) {
    if (!ref)
        return nullptr;
    return std::make_shared<Reachability>(Private{}, std::move(ref));
}

Reachability::Reachability(Private, std::shared_ptr<net::Reachability> ref)
    : reachabilityRef_(std::move(ref)) {}

Reachability::~Reachability() {
    stopNotifier();
    reachabilityRef_.reset();
    std::lock_guard lock(blocksMutex_);
    reachableBlock_ = nullptr;
    unreachableBlock_ = nullptr;
}

Reachability::Block Reachability::reachableBlock() const {
    std::lock_guard lock(blocksMutex_);
    return reachableBlock_;
}

void Reachability::setReachableBlock(Block block) {
    std::lock_guard lock(blocksMutex_);
    reachableBlock_ = std::move(block);
}

Reachability::Block Reachability::unreachableBlock() const {
    std::lock_guard lock(blocksMutex_);
    return unreachableBlock_;
}

void Reachability::setUnreachableBlock(Block block) {
    std::lock_guard lock(blocksMutex_);
    unreachableBlock_ = std::move(block);
}

// --- Notifier.

bool Reachability::startNotifier() {
    if (!reachabilityRef_)
        return false;
    // A second start would take the running notifier's place and lose it; the one running
    // goes on and the call reports that nothing was started.
    if (reachabilityRef_->isNotifying())
        return false;

    reachabilityObject_ = shared_from_this();
    reachabilitySerialQueue_ = base::DispatchQueue(serialQueueLabel);
    notifying_ = true;
    // The object keeps itself alive while it notifies, so the callback need not own it.
    std::weak_ptr<Reachability> weak = weak_from_this();
    bool started = reachabilityRef_->startNotifier(
        [weak](net::Reachability&, net::ReachabilityFlags flags) {
            if (auto self = weak.lock(); self && self->notifying_)
                self->reachabilityChanged(flags);
        },
        reachabilitySerialQueue_);
    if (started)
        return true;
    notifying_ = false;
    reachabilitySerialQueue_.reset();
    reachabilityObject_.reset();
    return false;
}

void Reachability::stopNotifier() {
    notifying_ = false;
    ++stopCount_;
    if (reachabilityRef_)
        reachabilityRef_->stopNotifier();
    reachabilitySerialQueue_.reset();
    // Last: this may release the object itself.
    auto self = std::move(reachabilityObject_);
}

void Reachability::reachabilityChanged(net::ReachabilityFlags flags) {
    Block block = isReachableWithFlags(flags) ? reachableBlock() : unreachableBlock();
    if (block)
        block(*this);
    // A stop between the change and its post on the main queue drops the post.
    auto self = weak_from_this().lock();
    if (!self)
        return;
    base::mainQueue().async([self, stops = stopCount_.load()] {
        if (self->stopCount_ == stops)
            base::NotificationCenter::defaultCenter().post(kReachabilityChangedNotification, self);
    });
}

// --- Questions.

std::optional<net::ReachabilityFlags> Reachability::readFlags() const {
    if (!reachabilityRef_)
        return std::nullopt;
    return reachabilityRef_->flags();
}

bool Reachability::isReachableWithFlags(net::ReachabilityFlags flags) const {
    bool reachable = (flags & net::ReachabilityFlagReachable) != 0;
    // A connection that must first be set up and would only last for this request is no
    // connection yet.
    bool transientToBeMade = (flags & net::ReachabilityFlagConnectionRequired) &&
                             (flags & net::ReachabilityFlagTransientConnection);
    bool result = reachable && !transientToBeMade;
    if (flags & net::ReachabilityFlagIsWWAN)
        result = result && reachableOnWWAN_;
    return result;
}

bool Reachability::isReachable() const {
    auto flags = readFlags();
    return flags && isReachableWithFlags(*flags);
}

bool Reachability::isReachableViaWWAN() const {
    auto flags = readFlags();
    return flags && (*flags & net::ReachabilityFlagReachable) &&
           (*flags & net::ReachabilityFlagIsWWAN);
}

bool Reachability::isReachableViaWiFi() const {
    auto flags = readFlags();
    return flags && (*flags & net::ReachabilityFlagReachable) &&
           !(*flags & net::ReachabilityFlagIsWWAN);
}

bool Reachability::connectionRequired() const {
    auto flags = readFlags();
    return flags && (*flags & net::ReachabilityFlagConnectionRequired);
}

bool Reachability::isConnectionRequired() const {
    return connectionRequired();
}

bool Reachability::isConnectionOnDemand() const {
    auto flags = readFlags();
    return flags && (*flags & net::ReachabilityFlagConnectionRequired) &&
           (*flags &
            (net::ReachabilityFlagConnectionOnTraffic | net::ReachabilityFlagConnectionOnDemand));
}

bool Reachability::isInterventionRequired() const {
    auto flags = readFlags();
    return flags && (*flags & net::ReachabilityFlagConnectionRequired) &&
           (*flags & net::ReachabilityFlagInterventionRequired);
}

NetworkStatus Reachability::currentReachabilityStatus() const {
    if (!isReachable())
        return NotReachable;
    if (isReachableViaWiFi())
        return ReachableViaWiFi;
    return ReachableViaWWAN;
}

net::ReachabilityFlags Reachability::reachabilityFlags() const {
    return readFlags().value_or(0);
}

std::string Reachability::currentReachabilityString() const {
    // The application ships no translations, so each text stands for itself.
    switch (currentReachabilityStatus()) {
    case ReachableViaWWAN:
        return "Cellular";
    case ReachableViaWiFi:
        return "WiFi";
    default:
        return "No Connection";
    }
}

std::string Reachability::currentReachabilityFlags() const {
    net::ReachabilityFlags flags = reachabilityFlags();
    auto mark = [flags](net::ReachabilityFlags flag, char letter) {
        return (flags & flag) ? letter : '-';
    };
    std::string text;
    text += mark(net::ReachabilityFlagIsWWAN, 'W');
    text += mark(net::ReachabilityFlagReachable, 'R');
    text += ' ';
    text += mark(net::ReachabilityFlagConnectionRequired, 'c');
    text += mark(net::ReachabilityFlagTransientConnection, 't');
    text += mark(net::ReachabilityFlagInterventionRequired, 'i');
    text += mark(net::ReachabilityFlagConnectionOnTraffic, 'C');
    text += mark(net::ReachabilityFlagConnectionOnDemand, 'D');
    text += mark(net::ReachabilityFlagIsLocalAddress, 'l');
    text += mark(net::ReachabilityFlagIsDirect, 'd');
    return text;
}

std::string Reachability::description() const {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "<Reachability: %#" PRIxPTR ">",
                  reinterpret_cast<std::uintptr_t>(this));
    return buffer;
}
