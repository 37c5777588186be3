#pragma once

#include "platform/net/ReachabilityFlags.h"
#include "platform/net/ReachabilityTarget.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace net {

// Where reachability flags come from. The process has one current source: the system's
// (Linux routes and links), or one a test installs. A source answers flag questions
// synchronously and tells its observers, from any thread, that the network may have changed.
class ReachabilitySource {
public:
    using ObserverToken = std::uint64_t;
    using ChangeHandler = std::function<void()>;

    virtual ~ReachabilitySource();

    // The flags for the target now, or nullopt when they cannot be read.
    virtual std::optional<ReachabilityFlags> flags(const ReachabilityTarget& target) = 0;

    // The handler runs on any thread, possibly for changes that leave some targets' flags
    // as they were; it must not call back into the source's observer list.
    ObserverToken addObserver(ChangeHandler handler);
    void removeObserver(ObserverToken token);
    std::size_t observerCount() const;

    // The installed source (the system's unless a test installed another).
    static std::shared_ptr<ReachabilitySource> current();
    // Installs a source for the whole process; returns the one it replaces. nullptr goes
    // back to the system's source.
    static std::shared_ptr<ReachabilitySource> install(std::shared_ptr<ReachabilitySource> source);

protected:
    // Calls every observer.
    void notifyChanged();
    // Called (under no lock) when the first observer arrives and when the last one leaves,
    // so that a source watches the system only while someone listens.
    virtual void startWatching() {}
    virtual void stopWatching() {}

private:
    // Serialises startWatching()/stopWatching() against each other.
    std::mutex watchMutex_;
    mutable std::mutex mutex_;
    std::map<ObserverToken, std::shared_ptr<ChangeHandler>> observers_;
    ObserverToken nextToken_ = 1;
};

} // namespace net
