#include "platform/net/FakeReachabilitySource.h"

namespace net {

std::optional<ReachabilityFlags>
FakeReachabilitySource::readFlags(const ReachabilityTarget& target) {
    std::lock_guard lock(mutex_);
    ++queries_;
    if (!readable_)
        return std::nullopt;
    if (target.kind == ReachabilityTarget::Kind::HostName) {
        auto found = hostFlags_.find(target.host);
        if (found != hostFlags_.end())
            return found->second;
    }
    return flags_;
}

void FakeReachabilitySource::setFlags(ReachabilityFlags flags) {
    {
        std::lock_guard lock(mutex_);
        if (flags_ == flags)
            return;
        flags_ = flags;
    }
    notifyChanged();
}

void FakeReachabilitySource::setFlagsForHostName(const std::string& host, ReachabilityFlags flags) {
    {
        std::lock_guard lock(mutex_);
        auto [entry, inserted] = hostFlags_.try_emplace(host, flags);
        if (!inserted && entry->second == flags)
            return;
        entry->second = flags;
    }
    notifyChanged();
}

void FakeReachabilitySource::setReadable(bool readable) {
    {
        std::lock_guard lock(mutex_);
        if (readable_ == readable)
            return;
        readable_ = readable;
    }
    notifyChanged();
}

int FakeReachabilitySource::queryCount() const {
    std::lock_guard lock(mutex_);
    return queries_;
}

} // namespace net
