#include "ads/foundation/VDNetwork.h"

std::shared_ptr<VDNetwork> VDNetwork::create() {
    return std::make_shared<VDNetwork>(Private{});
}

VDNetwork::VDNetwork(Private)
    : lockQueue_("viz.azodoz.eziro.network")
    , enableCheckingQueue_("viz.azodoz.eziro.network-enable") {}

VDNetwork::~VDNetwork() {
    // Only reached with checking off (it keeps the object alive while on), but a reachability
    // left behind must not call into a dead object.
    if (reachability_)
        reachability_->stopNotifier();
}

void VDNetwork::enableNetworkChecking() {
    lockQueue_.sync([this] {
        if (reachability_)
            return;
        applyNetworkType(NetworkTypeNone);
        auto reachability = net::Reachability::createWithHostName(reachabilityHostName);
        if (!reachability)
            return;
        std::weak_ptr<VDNetwork> weakSelf = weak_from_this();
        bool started = reachability->startNotifier(
            [weakSelf](net::Reachability&, net::ReachabilityFlags flags) {
                if (auto self = weakSelf.lock())
                    self->setNetworkTypeFromFlags(flags);
            },
            enableCheckingQueue_);
        if (!started)
            return;
        reachability_ = std::move(reachability);
        selfReference_ = shared_from_this();
    });
}

void VDNetwork::disableNetworkChecking() {
    std::shared_ptr<VDNetwork> self; // let go of the object only after leaving the queue
    lockQueue_.sync([this, &self] {
        if (!reachability_)
            return;
        reachability_->stopNotifier();
        reachability_.reset();
        applyNetworkType(NetworkTypeNone);
        self = std::move(selfReference_);
    });
}

bool VDNetwork::isNetworkCheckingEnabled() const {
    return lockQueue_.syncResult([this] { return reachability_ != nullptr; });
}

unsigned VDNetwork::networkType() const {
    return lockQueue_.syncResult([this] { return networkType_; });
}

unsigned VDNetwork::changeCount() const {
    return lockQueue_.syncResult([this] { return changeCount_; });
}

void VDNetwork::setNetworkType(unsigned type) {
    lockQueue_.async([weakSelf = weak_from_this(), type] {
        if (auto self = weakSelf.lock())
            self->applyNetworkType(type);
    });
}

void VDNetwork::applyNetworkType(unsigned type) {
    if (type == networkType_)
        return;
    if (type != NetworkTypeNone) {
        ++changeCount_;
        if (type == NetworkTypeWiFi || type == NetworkTypeCellular)
            lastKnownNetworkType_ = type;
    }
    networkType_ = type;
}

void VDNetwork::setNetworkTypeFromFlags(net::ReachabilityFlags flags) {
    // The cellular flag describes the interface a route would use; without the reachable flag
    // there is no route, so the host is unreachable rather than on a cellular network.
    unsigned type = NetworkTypeNotReachable;
    if (flags & net::ReachabilityFlagReachable)
        type = (flags & net::ReachabilityFlagIsWWAN) ? NetworkTypeCellular : NetworkTypeWiFi;
    setNetworkType(type);
}

std::optional<std::string> VDNetwork::stringForNetworkType(unsigned type) {
    switch (type) {
    case NetworkTypeWiFi:
        return "wi";
    case NetworkTypeCellular:
        return "ed";
    default:
        return std::nullopt;
    }
}

std::optional<std::string> VDNetwork::networkTypeString() const {
    return stringForNetworkType(networkType());
}

std::optional<std::string> VDNetwork::lastKnownNetworkTypeString() const {
    return stringForNetworkType(lockQueue_.syncResult([this] { return lastKnownNetworkType_; }));
}
