#include "ads/foundation/VDClassRegistry.h"

#include <map>
#include <mutex>

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<VDClassRegistry::Class>, std::less<>> classes;
};

Registry& registry() {
    static Registry shared;
    return shared;
}

} // namespace

void VDClassRegistry::registerClass(std::string name, std::shared_ptr<Class> object) {
    auto& state = registry();
    std::lock_guard lock(state.mutex);
    if (object)
        state.classes[std::move(name)] = std::move(object);
    else
        state.classes.erase(name);
}

std::shared_ptr<VDClassRegistry::Class> VDClassRegistry::classNamed(std::string_view name) {
    auto& state = registry();
    std::lock_guard lock(state.mutex);
    auto found = state.classes.find(name);
    return found == state.classes.end() ? nullptr : found->second;
}

void VDClassRegistry::resetForTesting() {
    auto& state = registry();
    std::lock_guard lock(state.mutex);
    state.classes.clear();
}
