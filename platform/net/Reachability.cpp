#include "platform/net/Reachability.h"

#include "platform/base/RunLoop.h"
#include "platform/net/ReachabilitySource.h"

#include <algorithm>
#include <atomic>

namespace net {

struct Reachability::Notifier {
    Callback callback;
    std::optional<base::DispatchQueue> queue;
    std::shared_ptr<ReachabilitySource> source;
    ReachabilitySource::ObserverToken token = 0;
    std::atomic<bool> active{true};
    std::mutex mutex; // guards lastFlags
    std::optional<ReachabilityFlags> lastFlags;
};

std::shared_ptr<Reachability> Reachability::createWithHostName(const std::string& host) {
    if (host.empty() || host.size() > 253)
        return nullptr;
    bool printable = std::all_of(host.begin(), host.end(),
                                 [](unsigned char c) { return c > 0x20 && c != 0x7f; });
    if (!printable)
        return nullptr;
    return create(ReachabilityTarget::forHostName(host));
}

std::shared_ptr<Reachability> Reachability::createWithAddress(const sockaddr* address) {
    auto parsed = ReachabilityTarget::Address::fromSockaddr(address);
    if (!parsed)
        return nullptr;
    return create(ReachabilityTarget::forAddress(*parsed));
}

std::shared_ptr<Reachability> Reachability::createWithAddress(const std::string& numericAddress) {
    auto parsed = ReachabilityTarget::Address::parse(numericAddress);
    if (!parsed)
        return nullptr;
    return create(ReachabilityTarget::forAddress(*parsed));
}

std::shared_ptr<Reachability> Reachability::createForInternetConnection() {
    return create(ReachabilityTarget::defaultRoute());
}

std::shared_ptr<Reachability> Reachability::create(ReachabilityTarget target) {
    return std::make_shared<Reachability>(Private{}, std::move(target));
}

Reachability::Reachability(Private, ReachabilityTarget target)
    : target_(std::move(target)) {}

Reachability::~Reachability() {
    stopNotifier();
}

std::optional<ReachabilityFlags> Reachability::flags() const {
    return ReachabilitySource::current()->flags(target_);
}

bool Reachability::startNotifier(Callback callback, std::optional<base::DispatchQueue> queue) {
    auto notifier = std::make_shared<Notifier>();
    notifier->callback = std::move(callback);
    notifier->queue = std::move(queue);
    notifier->source = ReachabilitySource::current();
    {
        std::lock_guard lock(mutex_);
        if (notifier_)
            return false;
        notifier_ = notifier;
    }

    // Each change (and the start itself) queues one look at the flags; the look delivers only
    // flags that differ from the last ones delivered.
    std::weak_ptr<Reachability> weakSelf = weak_from_this();
    std::weak_ptr<Notifier> weakNotifier = notifier;
    auto schedule = [weakSelf, weakNotifier] {
        auto notifier = weakNotifier.lock();
        if (!notifier || !notifier->active)
            return;
        auto run = [weakSelf, notifier] {
            if (auto self = weakSelf.lock())
                self->deliver(notifier);
        };
        if (notifier->queue)
            notifier->queue->async(std::move(run));
        else
            base::RunLoop::main().dispatch(std::move(run));
    };
    notifier->token = notifier->source->addObserver(schedule);
    schedule();
    return true;
}

void Reachability::stopNotifier() {
    std::shared_ptr<Notifier> notifier;
    {
        std::lock_guard lock(mutex_);
        notifier = std::move(notifier_);
    }
    if (!notifier)
        return;
    notifier->active = false;
    notifier->source->removeObserver(notifier->token);
}

bool Reachability::isNotifying() const {
    std::lock_guard lock(mutex_);
    return notifier_ != nullptr;
}

void Reachability::deliver(const std::shared_ptr<Notifier>& notifier) {
    if (!notifier->active)
        return;
    // Flags that cannot be read are reported as none, as the platform's callback does.
    ReachabilityFlags flags = notifier->source->flags(target_).value_or(0);
    {
        std::lock_guard lock(notifier->mutex);
        if (notifier->lastFlags == flags)
            return;
        notifier->lastFlags = flags;
    }
    notifier->callback(*this, flags);
}

} // namespace net
