#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDClassRegistry.h"

#include <algorithm>

const std::vector<std::string>& VDApplication::builtInAdapterNames() {
    static const std::vector<std::string> names = {
        "VDMAdapterRedodiVeDivAds", "VDMAdapterCustomEvents", "VDMAdapterHTML", "VDMAdURLAdapter"};
    return names;
}

std::optional<std::vector<std::string>> VDApplication::availableAdapterNames() const {
    std::lock_guard guard(lock_);
    return availableAdapterNames_;
}

void VDApplication::updateAvailableAdapterNamesWithPotentialAdapterNames(
    const std::vector<std::string>& potentialAdapterNames) {
    std::vector<std::string> candidates = builtInAdapterNames();
    for (const auto& name : potentialAdapterNames)
        if (std::find(candidates.begin(), candidates.end(), name) == candidates.end())
            candidates.push_back(name);
    std::vector<std::string> available;
    for (auto& name : candidates)
        if (VDClassRegistry::classNamed(name))
            available.push_back(std::move(name));
    std::lock_guard guard(lock_);
    availableAdapterNames_ = std::move(available);
}
