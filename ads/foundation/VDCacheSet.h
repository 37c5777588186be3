#pragma once

#include "platform/base/DispatchQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/ui/Application.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <unordered_set>
#include <utility>

// A bounded set of objects kept for later use (pre-made web views), emptied when the system
// warns of low memory. Its contents change only on its own serial queue
// "viz.azodoz.eziro.cache-set": additions are queued, taking and emptying wait, so anyObject()
// right after addObject() sees the addition.
//
// Objects the set lets go of without handing them out are released on the main queue, since
// pooled views must go away on the main thread.
template <class T> class VDCacheSet : public std::enable_shared_from_this<VDCacheSet<T>> {
protected:
    struct Private {};

public:
    static constexpr const char* lockQueueLabel = "viz.azodoz.eziro.cache-set";

    static std::shared_ptr<VDCacheSet> createWithMaxCapacity(std::size_t maxCapacity) {
        auto set = std::make_shared<VDCacheSet>(Private{}, maxCapacity);
        set->startObservingMemoryWarnings();
        return set;
    }

    VDCacheSet(Private, std::size_t maxCapacity)
        : lockQueue_(lockQueueLabel)
        , maxCapacity_(maxCapacity) {}
    virtual ~VDCacheSet() {
        if (observer_)
            base::NotificationCenter::defaultCenter().removeObserver(*observer_);
    }
    VDCacheSet(const VDCacheSet&) = delete;
    VDCacheSet& operator=(const VDCacheSet&) = delete;

    // Queued: the object is kept only while the set holds fewer than maxCapacity() objects.
    void addObject(std::shared_ptr<T> object) {
        if (!object)
            return;
        lockQueue_.async([weakSelf = this->weak_from_this(), object = std::move(object)]() mutable {
            auto self = weakSelf.lock();
            if (self && self->objects_.size() < self->maxCapacity_) {
                self->objects_.insert(std::move(object));
                return;
            }
            releaseOnMainQueue(std::move(object));
        });
    }

    // Takes one object out of the set; null when it is empty.
    std::shared_ptr<T> anyObject() {
        return lockQueue_.syncResult([this]() -> std::shared_ptr<T> {
            if (objects_.empty())
                return nullptr;
            auto node = objects_.extract(objects_.begin());
            return std::move(node.value());
        });
    }

    void removeAllObjects() {
        // Taken out on the queue, released here (on the main thread for a memory warning).
        auto removed = lockQueue_.syncResult([this] { return std::exchange(objects_, {}); });
        if (!base::mainQueue().isCurrent())
            releaseOnMainQueue(std::move(removed));
    }

    std::size_t count() const {
        return lockQueue_.syncResult([this] { return objects_.size(); });
    }
    std::size_t maxCapacity() const { return maxCapacity_; }

protected:
    // Registers for the memory warning, once the set is owned by a shared pointer.
    void startObservingMemoryWarnings() {
        observer_ = base::NotificationCenter::defaultCenter().addObserver(
            ui::ApplicationDidReceiveMemoryWarningNotification, nullptr, base::mainQueue(),
            [weakSelf = this->weak_from_this()](const base::Notification&) {
                if (auto self = weakSelf.lock())
                    self->removeAllObjects();
            });
    }

private:
    template <class Held> static void releaseOnMainQueue(Held held) {
        base::mainQueue().async([held = std::move(held)] {});
    }

    std::optional<base::NotificationCenter::ObserverToken> observer_;
    base::DispatchQueue lockQueue_;
    std::unordered_set<std::shared_ptr<T>> objects_; // on lockQueue_
    const std::size_t maxCapacity_;
};
