#pragma once

#include "platform/net/ReachabilityFlags.h"
#include "platform/net/ReachabilityTarget.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace net {

// Where reachability flags come from. The process has one current source: the system's
// (Linux routes and links), or one a test installs. A source answers flag questions
// synchronously and tells its observers, from any thread, that the network may have changed.
//
// While someone observes the source and it follows every change (a watcher listens to the
// system), an answer once read stays known until the next change: asking again costs no new
// look at the system.
class ReachabilitySource {
public:
    using ObserverToken = std::uint64_t;
    using ChangeHandler = std::function<void()>;

    virtual ~ReachabilitySource();

    // The flags for the target now, or nullopt when they cannot be read.
    std::optional<ReachabilityFlags> flags(const ReachabilityTarget& target);

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
    // Reads the flags from the system.
    virtual std::optional<ReachabilityFlags> readFlags(const ReachabilityTarget& target) = 0;
    // Whether every change is told through notifyChanged() now, so that known answers can be
    // kept until it is called.
    virtual bool followsChanges() const { return false; }
    // Calls every observer, once the answers known so far are forgotten.
    void notifyChanged();
    // Forgets the answers known so far (a watcher that stops following changes calls it).
    void forgetKnownFlags();
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
    // Answers read since the last change, and the count of changes, so that an answer read
    // across a change is not kept. Under mutex_.
    std::vector<std::pair<ReachabilityTarget, std::optional<ReachabilityFlags>>> known_;
    std::uint64_t changes_ = 0;
};

} // namespace net
