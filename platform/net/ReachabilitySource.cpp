#include "platform/net/ReachabilitySource.h"

#include "platform/base/ProcessWide.h"
#include "platform/net/NetlinkReachabilitySource.h"

#include <vector>

namespace net {

namespace {

base::ProcessWide<ReachabilitySource>& processSource() {
    static base::ProcessWide<ReachabilitySource> source(
        [] { return std::make_shared<NetlinkReachabilitySource>(); });
    return source;
}

} // namespace

ReachabilitySource::~ReachabilitySource() = default;

ReachabilitySource::ObserverToken ReachabilitySource::addObserver(ChangeHandler handler) {
    std::lock_guard watchLock(watchMutex_);
    ObserverToken token;
    bool first;
    {
        std::lock_guard lock(mutex_);
        token = nextToken_++;
        first = observers_.empty();
        observers_.emplace(token, std::make_shared<ChangeHandler>(std::move(handler)));
    }
    if (first)
        startWatching();
    return token;
}

void ReachabilitySource::removeObserver(ObserverToken token) {
    std::lock_guard watchLock(watchMutex_);
    bool last;
    {
        std::lock_guard lock(mutex_);
        if (observers_.erase(token) == 0)
            return;
        last = observers_.empty();
    }
    if (last)
        stopWatching();
}

std::size_t ReachabilitySource::observerCount() const {
    std::lock_guard lock(mutex_);
    return observers_.size();
}

void ReachabilitySource::notifyChanged() {
    std::vector<std::shared_ptr<ChangeHandler>> handlers;
    {
        std::lock_guard lock(mutex_);
        for (auto& [token, handler] : observers_)
            handlers.push_back(handler);
    }
    for (auto& handler : handlers)
        (*handler)();
}

std::shared_ptr<ReachabilitySource> ReachabilitySource::current() {
    return processSource().get();
}

std::shared_ptr<ReachabilitySource>
ReachabilitySource::install(std::shared_ptr<ReachabilitySource> source) {
    return processSource().install(std::move(source));
}

} // namespace net
