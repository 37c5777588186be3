#pragma once

#include "platform/base/DispatchQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/ui/Application.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_set>
#include <utility>

// A bounded set of objects kept for later use (pre-made web views), emptied when the system
// warns of low memory. Any thread; a lock guards the contents, so anyObject() right after
// addObject() sees the addition.
//
// Objects the set lets go of without handing them out (those that do not fit, those a memory
// warning drops, those still held when the set goes away, whichever thread lets it go) are
// released on the main thread, since pooled views must go away there.
template <class T> class VDCacheSet : public std::enable_shared_from_this<VDCacheSet<T>> {
protected:
    struct Private {};

public:
    static std::shared_ptr<VDCacheSet> createWithMaxCapacity(std::size_t maxCapacity) {
        auto set = std::make_shared<VDCacheSet>(Private{}, maxCapacity);
        set->startObservingMemoryWarnings();
        return set;
    }

    VDCacheSet(Private, std::size_t maxCapacity)
        : maxCapacity_(maxCapacity) {}
    virtual ~VDCacheSet() {
        if (observer_)
            base::NotificationCenter::defaultCenter().removeObserver(*observer_);
        releaseOnMainThread(std::move(objects_));
    }
    VDCacheSet(const VDCacheSet&) = delete;
    VDCacheSet& operator=(const VDCacheSet&) = delete;

    // The object is kept only while the set holds fewer than maxCapacity() objects.
    void addObject(std::shared_ptr<T> object) {
        if (!object)
            return;
        {
            std::lock_guard lock(mutex_);
            if (objects_.size() < maxCapacity_) {
                objects_.insert(std::move(object));
                return;
            }
        }
        base::releaseOnMainThread(std::move(object));
    }

    // Takes one object out of the set; null when it is empty.
    std::shared_ptr<T> anyObject() {
        std::lock_guard lock(mutex_);
        if (objects_.empty())
            return nullptr;
        auto node = objects_.extract(objects_.begin());
        return std::move(node.value());
    }

    void removeAllObjects() {
        Objects removed;
        {
            std::lock_guard lock(mutex_);
            removed.swap(objects_);
        }
        releaseOnMainThread(std::move(removed));
    }

    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return objects_.size();
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
    using Objects = std::unordered_set<std::shared_ptr<T>>;

    static void releaseOnMainThread(Objects&& objects) {
        for (auto node = objects.begin(); node != objects.end(); node = objects.begin())
            base::releaseOnMainThread(std::move(objects.extract(node).value()));
    }

    std::optional<base::NotificationCenter::ObserverToken> observer_;
    mutable std::mutex mutex_;
    Objects objects_; // under mutex_
    const std::size_t maxCapacity_;
};
