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

// Answers kept at most: enough for the targets a program asks about, while a stream of
// different host names cannot grow the list without end.
constexpr std::size_t maximumKnown = 32;

} // namespace

ReachabilitySource::~ReachabilitySource() = default;

std::optional<ReachabilityFlags> ReachabilitySource::flags(const ReachabilityTarget& target) {
    std::uint64_t changes = 0;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [known, answer] : known_)
            if (known == target)
                return answer;
        changes = changes_;
    }
    auto answer = readFlags(target);
    // Only an answer the watcher vouches for is kept: one read while it follows every change,
    // with no change since the read began (under the lock, so that a change cannot come
    // between the check and the keeping).
    std::lock_guard lock(mutex_);
    if (changes == changes_ && !observers_.empty() && followsChanges()) {
        if (known_.size() >= maximumKnown)
            known_.clear();
        known_.emplace_back(target, answer);
    }
    return answer;
}

void ReachabilitySource::forgetKnownFlags() {
    std::lock_guard lock(mutex_);
    known_.clear();
    ++changes_;
}

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
        if (last)
            known_.clear(); // nobody will say when they change
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
        known_.clear();
        ++changes_;
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
