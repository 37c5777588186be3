#include "ads/foundation/VDStatisticDictionary.h"

#include "ads/foundation/VDJSONUtilities.h"

#include <cstdio>

namespace {

// The value with every container in it made immutable, so that a snapshot can never be taken
// for one of the dictionary's own arrays.
base::Value frozen(const base::Value& value) {
    if (const auto* array = value.array()) {
        base::Value::Array items;
        items.reserve(array->size());
        for (const auto& item : *array)
            items.push_back(frozen(item));
        return base::Value(std::move(items));
    }
    if (const auto* dictionary = value.dictionary()) {
        base::Value::Dictionary entries;
        for (const auto& [key, item] : *dictionary)
            entries.emplace(key, frozen(item));
        return base::Value(std::move(entries));
    }
    return value;
}

} // namespace

std::shared_ptr<VDStatisticDictionary>
VDStatisticDictionary::createWithQueueLabel(std::string label,
                                            std::weak_ptr<VDStatisticDictionaryDelegate> delegate) {
    return std::make_shared<VDStatisticDictionary>(Private{}, std::move(label),
                                                   std::move(delegate));
}

VDStatisticDictionary::VDStatisticDictionary(Private, std::string label,
                                             std::weak_ptr<VDStatisticDictionaryDelegate> delegate)
    : delegate_(std::move(delegate))
    , serialQueue_(std::move(label)) {}

void VDStatisticDictionary::dispatchAsyncShouldNotifyDelegate(
    bool notify, std::function<void(base::Value::Dictionary&)> block) {
    // The queued change keeps the dictionary alive until it has run.
    serialQueue_.async([self = shared_from_this(), notify, block = std::move(block)] {
        if (!self->allowDictionaryModification_)
            return;
        block(self->statistics_);
        if (notify && !self->hasEnqueuedNotificationBlock_)
            self->enqueueNotificationBlock();
    });
}

void VDStatisticDictionary::enqueueNotificationBlock() {
    hasEnqueuedNotificationBlock_ = true;
    serialQueue_.async([self = shared_from_this()] {
        self->hasEnqueuedNotificationBlock_ = false;
        auto delegate = self->delegate();
        if (!delegate)
            return;
        auto queue = delegate->notificationQueue();
        if (!queue)
            return;
        queue->async([self] {
            if (auto current = self->delegate())
                current->didUpdateStatisticDictionary(self);
        });
    });
}

void VDStatisticDictionary::setObjectForKeyShouldNotifyDelegate(base::Value object, std::string key,
                                                                bool notify) {
    dispatchAsyncShouldNotifyDelegate(
        notify, [object = std::move(object), key = std::move(key)](auto& statistics) {
            if (object.isNull())
                statistics.erase(key);
            else
                statistics[key] = object;
        });
}

void VDStatisticDictionary::addDecimalNumberToNumberForKeyShouldNotifyDelegate(base::Decimal number,
                                                                               std::string key,
                                                                               bool notify) {
    dispatchAsyncShouldNotifyDelegate(notify, [number, key = std::move(key)](auto& statistics) {
        auto found = statistics.find(key);
        if (found == statistics.end()) {
            statistics.emplace(key, base::Value(base::Decimal() + number));
            return;
        }
        if (const auto* current = found->second.decimal())
            found->second = base::Value(*current + number);
    });
}

void VDStatisticDictionary::incrementNumberForKeyShouldNotifyDelegate(std::string key,
                                                                      bool notify) {
    addDecimalNumberToNumberForKeyShouldNotifyDelegate(base::Decimal(1), std::move(key), notify);
}

void VDStatisticDictionary::decrementNumberForKeyShouldNotifyDelegate(std::string key,
                                                                      bool notify) {
    addDecimalNumberToNumberForKeyShouldNotifyDelegate(base::Decimal::make(1, 0, true),
                                                       std::move(key), notify);
}

void VDStatisticDictionary::addObjectToArrayWithKeyShouldNotifyDelegate(base::Value object,
                                                                        std::string key,
                                                                        bool notify) {
    dispatchAsyncShouldNotifyDelegate(
        notify, [object = std::move(object), key = std::move(key)](auto& statistics) {
            auto found = statistics.find(key);
            if (found == statistics.end()) {
                statistics.emplace(key, base::Value::mutableArray({object}));
                return;
            }
            auto* array = found->second.array();
            if (array && found->second.isMutable())
                array->push_back(object);
        });
}

base::Value VDStatisticDictionary::objectForKey(const std::string& key) const {
    return serialQueue_.syncResult([&] {
        auto found = statistics_.find(key);
        return found == statistics_.end() ? base::Value() : frozen(found->second);
    });
}

base::Value::Dictionary VDStatisticDictionary::dictionary() const {
    return serialQueue_.syncResult([&] { return *frozen(base::Value(statistics_)).dictionary(); });
}

std::shared_ptr<VDStatisticDictionaryDelegate> VDStatisticDictionary::delegate() const {
    std::lock_guard guard(delegateLock_);
    return delegate_.lock();
}

void VDStatisticDictionary::setDelegate(std::weak_ptr<VDStatisticDictionaryDelegate> delegate) {
    std::lock_guard guard(delegateLock_);
    delegate_ = std::move(delegate);
}

void VDStatisticDictionary::didFinishModifying() {
    serialQueue_.sync([&] { allowDictionaryModification_ = false; });
    // Runs after a notification block that an earlier change queued, so a delivery it handed to
    // the delegate's queue is there by now. The wait for that delivery happens off this queue:
    // a delegate that reads the dictionary back while being told needs the queue free.
    auto queue = serialQueue_.syncResult([&]() -> std::optional<base::DispatchQueue> {
        auto current = delegate();
        return current ? current->notificationQueue() : std::nullopt;
    });
    if (queue && !queue->isCurrent())
        queue->sync([] {});
    setDelegate({});
}

std::string VDStatisticDictionary::description() const {
    auto content = dictionary();
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    std::string text = "<VDStatisticDictionary: ";
    text += address;
    text += ">\nqueue: " + serialQueue_.label() + "\nstatistics: ";
    if (auto json = vd_JSONStringPrettyError(content, true))
        text += *json;
    else
        text += base::Value(std::move(content)).description();
    return text;
}
