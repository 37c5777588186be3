#pragma once

#include "ads/foundation/VDStatisticDictionaryDelegate.h"
#include "platform/base/Decimal.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/Value.h"

#include <memory>
#include <mutex>
#include <string>

// A dictionary of statistics behind its own serial queue: changes are queued there and return
// at once, reads wait for every change queued before them, so a read after a change from the
// same thread sees it. A change may ask to notify the delegate: any number of such changes that
// run before the notification has been handed on give one didUpdateStatisticDictionary call, on
// the delegate's queue. After didFinishModifying the content stays as it was and the delegate
// is gone.
//
// Counters are decimal numbers; appending works on arrays the dictionary made itself. Never call
// a reading operation from a block running on serialQueue().
class VDStatisticDictionary : public std::enable_shared_from_this<VDStatisticDictionary> {
    struct Private {};

public:
    static constexpr const char* defaultQueueLabel = "viz.azodoz.eziro.statistics";

    static std::shared_ptr<VDStatisticDictionary>
    createWithQueueLabel(std::string label, std::weak_ptr<VDStatisticDictionaryDelegate> delegate);
    static std::shared_ptr<VDStatisticDictionary>
    createWithDelegate(std::weak_ptr<VDStatisticDictionaryDelegate> delegate) {
        return createWithQueueLabel(defaultQueueLabel, std::move(delegate));
    }
    static std::shared_ptr<VDStatisticDictionary> create() { return createWithDelegate({}); }

    VDStatisticDictionary(Private, std::string label,
                          std::weak_ptr<VDStatisticDictionaryDelegate> delegate);
    VDStatisticDictionary(const VDStatisticDictionary&) = delete;
    VDStatisticDictionary& operator=(const VDStatisticDictionary&) = delete;

    // --- Changes, queued.
    // A null object removes the key.
    void setObjectForKeyShouldNotifyDelegate(base::Value object, std::string key, bool notify);
    // Adds to the decimal number under the key (zero when absent); a value of any other kind
    // stays as it is.
    void addDecimalNumberToNumberForKeyShouldNotifyDelegate(base::Decimal number, std::string key,
                                                            bool notify);
    void incrementNumberForKeyShouldNotifyDelegate(std::string key, bool notify);
    void decrementNumberForKeyShouldNotifyDelegate(std::string key, bool notify);
    // Appends to the array the dictionary made under the key (a new one when absent); any other
    // value, an array stored from outside included, stays as it is.
    void addObjectToArrayWithKeyShouldNotifyDelegate(base::Value object, std::string key,
                                                     bool notify);
    // setObjectForKeyShouldNotifyDelegate without notification.
    void setObjectForKeyedSubscript(base::Value object, std::string key) {
        setObjectForKeyShouldNotifyDelegate(std::move(object), std::move(key), false);
    }
    // Runs the block on the queue while changes are allowed, then queues the notification
    // when asked and none is queued yet.
    void dispatchAsyncShouldNotifyDelegate(bool notify,
                                           std::function<void(base::Value::Dictionary&)> block);

    // --- Reads, after every change queued before.
    // Null when absent.
    base::Value objectForKey(const std::string& key) const;
    base::Value objectForKeyedSubscript(const std::string& key) const { return objectForKey(key); }
    // A copy of the content in which no container is mutable: it shares nothing with the
    // dictionary, so later changes never show in it.
    base::Value::Dictionary dictionary() const;

    // --- Delegate, kept weakly.
    std::shared_ptr<VDStatisticDictionaryDelegate> delegate() const;
    void setDelegate(std::weak_ptr<VDStatisticDictionaryDelegate> delegate);

    // Stops all changes, delivers a notification already on its way, then drops the delegate.
    // A delegate that reads the dictionary back while being told does not block this.
    void didFinishModifying();

    // "<VDStatisticDictionary: 0x…>\nqueue: <label>\nstatistics: <pretty JSON>"
    std::string description() const;

    const base::DispatchQueue& serialQueue() const { return serialQueue_; }

private:
    void enqueueNotificationBlock();

    // Touched only on serialQueue_.
    base::Value::Dictionary statistics_;
    bool allowDictionaryModification_ = true;
    bool hasEnqueuedNotificationBlock_ = false;

    mutable std::mutex delegateLock_;
    std::weak_ptr<VDStatisticDictionaryDelegate> delegate_;

    base::DispatchQueue serialQueue_;
};
