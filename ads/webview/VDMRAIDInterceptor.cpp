#include "ads/webview/VDMRAIDInterceptor.h"

#include <mutex>

namespace {

struct ClassState {
    std::mutex lock;
    bool registered = false;
    bool allowed = false;
};

ClassState& classState() {
    static ClassState state;
    return state;
}

// The class set-up: what runs before the first message reaches the class. The caller holds
// the class lock.
void setUpClassIfNeeded(ClassState& state) {
    if (state.registered)
        return;
    state.registered = true;
    state.allowed = true;
}

} // namespace

void VDMRAIDInterceptor::allow() {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    setUpClassIfNeeded(state);
    state.allowed = true;
}

void VDMRAIDInterceptor::disallow() {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    setUpClassIfNeeded(state);
    state.allowed = false;
}

bool VDMRAIDInterceptor::isAllowed() {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    return state.allowed;
}

bool VDMRAIDInterceptor::isRegistered() {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    return state.registered;
}

void VDMRAIDInterceptor::resetForTesting() {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    state.registered = false;
    state.allowed = false;
}
