#pragma once

#include "platform/base/DispatchQueue.h"
#include "platform/base/Value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace base {

struct Notification {
    std::string name;
    // The sender; observers registered for a sender match it by address.
    std::shared_ptr<void> object;
    Value::Dictionary userInfo;
};

// Delivers named notifications to observers. Posting is synchronous: observers without a
// queue run on the posting thread before post() returns; observers with a queue get the
// notification queued there (run at once when the post already happens on that queue).
class NotificationCenter {
public:
    using ObserverToken = std::uint64_t;
    using Block = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();
    NotificationCenter() = default;

    // An empty name matches every name; a null object matches every sender.
    ObserverToken addObserver(std::string name, const void* object,
                              std::optional<DispatchQueue> queue, Block block);
    ObserverToken addObserver(std::string name, Block block) {
        return addObserver(std::move(name), nullptr, std::nullopt, std::move(block));
    }
    // Safe to call from inside a delivery, also for the observer being run.
    void removeObserver(ObserverToken token);

    void post(const Notification& notification);
    void post(std::string name, std::shared_ptr<void> object = nullptr,
              Value::Dictionary userInfo = {});

    std::size_t observerCount() const;
    // Drops every observer (tests).
    void reset();

private:
    struct Observer {
        ObserverToken token;
        std::string name;
        const void* object;
        std::optional<DispatchQueue> queue;
        std::shared_ptr<Block> block;
    };
    mutable std::mutex mutex_;
    std::vector<Observer> observers_;
    ObserverToken nextToken_ = 1;
};

} // namespace base
