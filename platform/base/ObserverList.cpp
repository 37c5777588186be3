#include "platform/base/ObserverList.h"

#include <vector>

namespace base {

ObserverList::Token ObserverList::add(std::function<void()> observer) {
    std::lock_guard lock(mutex_);
    Token token = nextToken_++;
    observers_.emplace(token, std::make_shared<std::function<void()>>(std::move(observer)));
    return token;
}

void ObserverList::remove(Token token) {
    std::shared_ptr<std::function<void()>> released; // destroyed outside the lock
    std::lock_guard lock(mutex_);
    if (auto found = observers_.find(token); found != observers_.end()) {
        released = std::move(found->second);
        observers_.erase(found);
    }
}

void ObserverList::notify() const {
    std::vector<std::shared_ptr<std::function<void()>>> observers;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [token, observer] : observers_)
            observers.push_back(observer);
    }
    for (const auto& observer : observers)
        (*observer)();
}

} // namespace base
