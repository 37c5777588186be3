#include "platform/base/NotificationCenter.h"

#include "platform/base/NoDestructor.h"

#include <algorithm>

namespace base {

NotificationCenter& NotificationCenter::defaultCenter() {
    // Never destroyed: services that stop observing as they go find it whenever they go.
    static NoDestructor<NotificationCenter> center;
    return *center;
}

NotificationCenter::ObserverToken
NotificationCenter::addObserver(std::string name, const void* object,
                                std::optional<DispatchQueue> queue, Block block) {
    std::lock_guard lock(mutex_);
    ObserverToken token = nextToken_++;
    observers_.push_back({token, std::move(name), object, std::move(queue),
                          std::make_shared<Block>(std::move(block))});
    return token;
}

void NotificationCenter::removeObserver(ObserverToken token) {
    std::shared_ptr<Block> released; // destroyed outside the lock
    std::lock_guard lock(mutex_);
    auto found = std::find_if(observers_.begin(), observers_.end(),
                              [&](const Observer& observer) { return observer.token == token; });
    if (found != observers_.end()) {
        released = std::move(found->block);
        observers_.erase(found);
    }
}

void NotificationCenter::post(std::string name, std::shared_ptr<void> object,
                              Value::Dictionary userInfo) {
    post(Notification{std::move(name), std::move(object), std::move(userInfo)});
}

void NotificationCenter::post(const Notification& notification) {
    std::vector<Observer> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& observer : observers_) {
            if (!observer.name.empty() && observer.name != notification.name)
                continue;
            if (observer.object && observer.object != notification.object.get())
                continue;
            matching.push_back(observer);
        }
    }
    auto stillRegistered = [this](ObserverToken token) {
        std::lock_guard lock(mutex_);
        return std::any_of(observers_.begin(), observers_.end(),
                           [&](const Observer& observer) { return observer.token == token; });
    };
    for (const auto& observer : matching) {
        // An observer removed by an earlier one during this post is not called.
        if (!stillRegistered(observer.token))
            continue;
        if (observer.queue && !observer.queue->isCurrent()) {
            observer.queue->async([this, token = observer.token, block = observer.block,
                                   notification, stillRegistered] {
                if (stillRegistered(token))
                    (*block)(notification);
            });
        } else {
            (*observer.block)(notification);
        }
    }
}

std::size_t NotificationCenter::observerCount() const {
    std::lock_guard lock(mutex_);
    return observers_.size();
}

void NotificationCenter::reset() {
    std::vector<Observer> released;
    std::lock_guard lock(mutex_);
    released.swap(observers_);
}

} // namespace base
