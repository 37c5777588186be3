#include "ads/foundation/VDStatisticsCore.h"

#include "platform/ui/Application.h"

std::shared_ptr<VDStatisticsCore> VDStatisticsCore::create() {
    return std::make_shared<VDStatisticsCore>(Private{});
}

VDStatisticsCore::VDStatisticsCore(Private)
    : userDefaults_(base::UserDefaults::standard()) {}

VDStatisticsCore::~VDStatisticsCore() {
    stopObserving();
    savePersistentStatistics();
}

void VDStatisticsCore::stopObserving() {
    std::optional<base::NotificationCenter::ObserverToken> token;
    {
        std::lock_guard guard(lock_);
        token = std::exchange(terminateObserver_, std::nullopt);
    }
    if (token)
        base::NotificationCenter::defaultCenter().removeObserver(*token);
}

std::optional<std::string> VDStatisticsCore::identifier() const {
    std::lock_guard guard(lock_);
    return identifier_;
}

std::optional<std::string> VDStatisticsCore::userDefaultsKey() const {
    std::lock_guard guard(lock_);
    return userDefaultsKey_;
}

void VDStatisticsCore::setIdentifier(std::string identifier) {
    if (this->identifier() == identifier)
        return;
    stopObserving();
    // What was gathered under an identifier belongs to it: it is kept there, not carried over.
    savePersistentStatistics();
    {
        std::lock_guard guard(lock_);
        if (identifier_)
            statistics_.clear();
        userDefaultsKey_ = "redodi_stats_" + identifier;
        identifier_ = std::move(identifier);
    }
    loadPersistentStatistics();
    auto token = base::NotificationCenter::defaultCenter().addObserver(
        ui::ApplicationWillTerminateNotification,
        [weak = weak_from_this()](const base::Notification&) {
            if (auto core = weak.lock())
                core->savePersistentStatistics();
        });
    std::lock_guard guard(lock_);
    terminateObserver_ = token;
}

void VDStatisticsCore::loadPersistentStatistics() {
    std::lock_guard guard(lock_);
    if (!userDefaultsKey_)
        return;
    if (auto stored = userDefaults_->dictionaryForKey(*userDefaultsKey_))
        for (auto& [key, value] : *stored)
            statistics_[key] = std::move(value);
}

void VDStatisticsCore::savePersistentStatistics() {
    std::lock_guard guard(lock_);
    if (!userDefaultsKey_)
        return;
    userDefaults_->setObject(*userDefaultsKey_, base::Value(statistics_));
    userDefaults_->synchronize();
}

base::Value VDStatisticsCore::objectForKey(const std::string& key) const {
    std::lock_guard guard(lock_);
    auto found = statistics_.find(key);
    return found == statistics_.end() ? base::Value() : found->second;
}

void VDStatisticsCore::setObjectForKeyIf(const base::Value& value, const std::string& key,
                                         bool (base::Value::*matches)() const) {
    if (!(value.*matches)())
        return;
    std::lock_guard guard(lock_);
    statistics_[key] = value;
}

void VDStatisticsCore::setStringForKey(const base::Value& value, const std::string& key) {
    setObjectForKeyIf(value, key, &base::Value::isString);
}

void VDStatisticsCore::setNumberForKey(const base::Value& value, const std::string& key) {
    setObjectForKeyIf(value, key, &base::Value::isNumber);
}

void VDStatisticsCore::setDateForKey(const base::Value& value, const std::string& key) {
    setObjectForKeyIf(value, key, &base::Value::isDate);
}

void VDStatisticsCore::setArrayForKey(const base::Value& value, const std::string& key) {
    setObjectForKeyIf(value, key, &base::Value::isArray);
}

std::int64_t VDStatisticsCore::addValueNumberForKey(std::int64_t value, const std::string& key) {
    std::lock_guard guard(lock_);
    auto found = statistics_.find(key);
    const std::int64_t sum =
        (found == statistics_.end() ? 0 : found->second.integerValue()) + value;
    statistics_[key] = base::Value(sum);
    return sum;
}

void VDStatisticsCore::appendValueArrayForKey(const base::Value& value, const std::string& key) {
    appendValuesArraysForKeys({{key, value}});
}

bool VDStatisticsCore::appendValuesArraysForKeys(
    const std::vector<std::pair<std::string, base::Value>>& values) {
    std::lock_guard guard(lock_);
    for (const auto& [key, value] : values) {
        if (value.isNull())
            return false;
        auto found = statistics_.find(key);
        if (found != statistics_.end() && !found->second.isArray())
            return false;
    }
    for (const auto& [key, value] : values) {
        auto& stored = statistics_[key];
        base::Value::Array items = stored.isArray() ? *stored.array() : base::Value::Array();
        items.push_back(value);
        stored = base::Value(std::move(items));
    }
    return true;
}

void VDStatisticsCore::removeObjectForKey(const std::string& key) {
    std::lock_guard guard(lock_);
    statistics_.erase(key);
}

void VDStatisticsCore::removeAllObjects() {
    std::lock_guard guard(lock_);
    statistics_.clear();
}
