#pragma once

#include "ads/foundation/VDTiming.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/UserDefaults.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Timings by category (one per category), persisted in the standard user defaults under
// "redodi_timing_<identifier>" once the manager has an identifier: loaded when it gets one,
// written back when the application terminates, on synchronize() and when the manager goes
// away. Used from one thread at a time.
class VDTimingManager : public std::enable_shared_from_this<VDTimingManager> {
    struct Private {};

public:
    static std::shared_ptr<VDTimingManager> create();

    explicit VDTimingManager(Private);
    ~VDTimingManager();
    VDTimingManager(const VDTimingManager&) = delete;
    VDTimingManager& operator=(const VDTimingManager&) = delete;

    const std::optional<std::string>& identifier() const { return identifier_; }
    // Stores the identifier, loads what was stored under it and saves there when the
    // application terminates. A new identifier (compared by value) first saves the timings
    // under the old one and drops them; what was gathered before any identifier is kept.
    void setIdentifier(std::string identifier);
    const std::optional<std::string>& userDefaultsKey() const { return userDefaultsKey_; }
    const std::shared_ptr<base::UserDefaults>& userDefaults() const { return userDefaults_; }

    // Every timing and every category, in no promised order.
    std::vector<std::shared_ptr<VDTiming>> timings() const;
    std::vector<std::string> categories() const;

    // Puts each stored timing under its category, replacing one held. A timing that was
    // still running when it was stored is dropped: its start belongs to an earlier process
    // and measuring from it would give a meaningless time.
    void loadPersistentTimings();
    // Writes every timing under the key and synchronises the user defaults at once.
    void savePersistentTimings();
    void synchronize() { savePersistentTimings(); }

    // Replaces any timing of the same category; null is ignored.
    void addTiming(std::shared_ptr<VDTiming> timing);
    // A new timing of that category (not started), added and returned.
    std::shared_ptr<VDTiming> addTimingWithCategory(const std::string& category);
    std::shared_ptr<VDTiming> timingForCategory(const std::string& category) const;
    // Removes the timing held under the timing's category.
    void removeTiming(const std::shared_ptr<VDTiming>& timing);
    void removeTimingForCategory(const std::string& category);
    void removeTimingsForCategories(const std::vector<std::string>& categories);
    void removeAllTimings();

private:
    void stopObserving();

    std::optional<std::string> identifier_;
    std::optional<std::string> userDefaultsKey_;
    std::shared_ptr<base::UserDefaults> userDefaults_;
    std::map<std::string, std::shared_ptr<VDTiming>> timings_;
    std::optional<base::NotificationCenter::ObserverToken> terminateObserver_;
};
