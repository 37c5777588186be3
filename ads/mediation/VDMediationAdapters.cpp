#include "ads/mediation/VDMediationAdapters.h"

#include <algorithm>
#include <mutex>
#include <set>

namespace {

struct State {
    std::mutex mutex;
    std::optional<std::vector<std::string>> available;
    std::set<std::string> registered;
};

State& state() {
    static State shared;
    return shared;
}

} // namespace

const std::vector<std::string>& VDMediationAdapters::builtInAdapterNames() {
    static const std::vector<std::string> names = {
        "VDMAdapterRedodiVeDivAds", "VDMAdapterCustomEvents", "VDMAdapterHTML", "VDMAdURLAdapter"};
    return names;
}

std::optional<std::vector<std::string>> VDMediationAdapters::availableAdapterNames() {
    std::lock_guard lock(state().mutex);
    return state().available;
}

void VDMediationAdapters::updateAvailableAdapterNamesWithPotentialAdapterNames(
    const std::vector<std::string>& potentialAdapterNames) {
    std::vector<std::string> candidates = builtInAdapterNames();
    for (const auto& name : potentialAdapterNames) {
        if (std::find(candidates.begin(), candidates.end(), name) == candidates.end())
            candidates.push_back(name);
    }
    std::lock_guard lock(state().mutex);
    std::vector<std::string> available;
    for (auto& name : candidates) {
        if (state().registered.contains(name))
            available.push_back(std::move(name));
    }
    state().available = std::move(available);
}

void VDMediationAdapters::registerAdapterClassName(const std::string& name) {
    std::lock_guard lock(state().mutex);
    state().registered.insert(name);
}

bool VDMediationAdapters::isAdapterClassAvailable(const std::string& name) {
    std::lock_guard lock(state().mutex);
    return state().registered.contains(name);
}

void VDMediationAdapters::resetForTesting() {
    std::lock_guard lock(state().mutex);
    state().available.reset();
    state().registered.clear();
}
