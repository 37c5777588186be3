#include "ads/foundation/VDTimingManager.h"

#include "platform/ui/Application.h"

VDTimingManager::VDTimingManager(Private)
    : userDefaults_(base::UserDefaults::standard()) {}

std::shared_ptr<VDTimingManager> VDTimingManager::create() {
    return std::make_shared<VDTimingManager>(Private{});
}

VDTimingManager::~VDTimingManager() {
    stopObserving();
    savePersistentTimings();
}

void VDTimingManager::stopObserving() {
    if (terminateObserver_) {
        base::NotificationCenter::defaultCenter().removeObserver(*terminateObserver_);
        terminateObserver_.reset();
    }
}

void VDTimingManager::setIdentifier(std::string identifier) {
    if (identifier_ == identifier)
        return;
    stopObserving();
    // The timings gathered under an identifier belong to it: they are kept there, not carried
    // over.
    if (identifier_) {
        savePersistentTimings();
        timings_.clear();
    }
    userDefaultsKey_ = "redodi_timing_" + identifier;
    identifier_ = std::move(identifier);
    loadPersistentTimings();
    terminateObserver_ = base::NotificationCenter::defaultCenter().addObserver(
        ui::ApplicationWillTerminateNotification,
        [weak = weak_from_this()](const base::Notification&) {
            if (auto manager = weak.lock())
                manager->savePersistentTimings();
        });
}

std::vector<std::shared_ptr<VDTiming>> VDTimingManager::timings() const {
    std::vector<std::shared_ptr<VDTiming>> all;
    all.reserve(timings_.size());
    for (const auto& [category, timing] : timings_)
        all.push_back(timing);
    return all;
}

std::vector<std::string> VDTimingManager::categories() const {
    std::vector<std::string> all;
    all.reserve(timings_.size());
    for (const auto& [category, timing] : timings_)
        all.push_back(category);
    return all;
}

void VDTimingManager::loadPersistentTimings() {
    if (!userDefaultsKey_)
        return;
    auto stored = userDefaults_->dictionaryForKey(*userDefaultsKey_);
    if (!stored)
        return;
    for (const auto& [category, representation] : *stored) {
        const auto* fields = representation.dictionary();
        if (!fields)
            continue;
        auto timing = VDTiming::createWithDictionaryRepresentation(*fields);
        if (timing->isActive())
            continue;
        timings_[category] = std::move(timing);
    }
}

void VDTimingManager::savePersistentTimings() {
    if (!userDefaultsKey_)
        return;
    base::Value::Dictionary stored;
    for (const auto& [category, timing] : timings_)
        stored[category] = base::Value(timing->dictionaryRepresentation());
    userDefaults_->setObject(*userDefaultsKey_, base::Value(std::move(stored)));
    userDefaults_->synchronize();
}

void VDTimingManager::addTiming(std::shared_ptr<VDTiming> timing) {
    if (!timing)
        return;
    std::string category = timing->category();
    timings_[std::move(category)] = std::move(timing);
}

std::shared_ptr<VDTiming> VDTimingManager::addTimingWithCategory(const std::string& category) {
    auto timing = VDTiming::create(category);
    addTiming(timing);
    return timing;
}

std::shared_ptr<VDTiming> VDTimingManager::timingForCategory(const std::string& category) const {
    auto found = timings_.find(category);
    return found == timings_.end() ? nullptr : found->second;
}

void VDTimingManager::removeTiming(const std::shared_ptr<VDTiming>& timing) {
    if (timing)
        timings_.erase(timing->category());
}

void VDTimingManager::removeTimingForCategory(const std::string& category) {
    timings_.erase(category);
}

void VDTimingManager::removeTimingsForCategories(const std::vector<std::string>& categories) {
    for (const auto& category : categories)
        timings_.erase(category);
}

void VDTimingManager::removeAllTimings() {
    timings_.clear();
}
