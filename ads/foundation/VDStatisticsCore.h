#pragma once

#include "platform/base/NotificationCenter.h"
#include "platform/base/UserDefaults.h"
#include "platform/base/Value.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A typed key-value store persisted in the standard user defaults under
// "redodi_stats_<identifier>" once it has an identifier: loaded when it gets one, written back
// when the application terminates, when the identifier changes (under the old key) and when
// the store goes away. Thread-safe.
class VDStatisticsCore : public std::enable_shared_from_this<VDStatisticsCore> {
    struct Private {};

public:
    static std::shared_ptr<VDStatisticsCore> create();

    explicit VDStatisticsCore(Private);
    ~VDStatisticsCore();
    VDStatisticsCore(const VDStatisticsCore&) = delete;
    VDStatisticsCore& operator=(const VDStatisticsCore&) = delete;

    std::optional<std::string> identifier() const;
    // A new identifier (compared by value) saves the content under the old key and starts over
    // from what is stored under the new one; what was gathered before any identifier is kept
    // and merged with it.
    void setIdentifier(std::string identifier);
    std::optional<std::string> userDefaultsKey() const;
    const std::shared_ptr<base::UserDefaults>& userDefaults() const { return userDefaults_; }

    // Stored entries replace those of the content with the same key.
    void loadPersistentStatistics();
    // Writes the content under the key and synchronises the user defaults at once.
    void savePersistentStatistics();

    // Each stores the value only when it is of its kind; anything else is ignored.
    void setStringForKey(const base::Value& value, const std::string& key);
    void setNumberForKey(const base::Value& value, const std::string& key);
    void setDateForKey(const base::Value& value, const std::string& key);
    void setArrayForKey(const base::Value& value, const std::string& key);
    // The stored value as it is (null when absent).
    base::Value stringForKey(const std::string& key) const { return objectForKey(key); }
    base::Value numberForKey(const std::string& key) const { return objectForKey(key); }
    base::Value dateForKey(const std::string& key) const { return objectForKey(key); }
    base::Value arrayForKey(const std::string& key) const { return objectForKey(key); }

    // The stored number's integer value (0 when absent) plus the value, stored and answered.
    std::int64_t addValueNumberForKey(std::int64_t value, const std::string& key);
    // Appends a non-null value to the array under the key (a new one when absent); any other
    // stored value stays as it is.
    void appendValueArrayForKey(const base::Value& value, const std::string& key);
    // Appends each value to the array under its key, all of them or, when one key holds
    // something else than an array or a value is null, none.
    bool appendValuesArraysForKeys(const std::vector<std::pair<std::string, base::Value>>& values);

    void removeObjectForKey(const std::string& key);
    void removeAllObjects();

private:
    base::Value objectForKey(const std::string& key) const;
    void setObjectForKeyIf(const base::Value& value, const std::string& key,
                           bool (base::Value::*matches)() const);
    void stopObserving();

    mutable std::mutex lock_;
    base::Value::Dictionary statistics_;
    std::optional<std::string> identifier_;
    std::optional<std::string> userDefaultsKey_;
    const std::shared_ptr<base::UserDefaults> userDefaults_;
    std::optional<base::NotificationCenter::ObserverToken> terminateObserver_;
};
