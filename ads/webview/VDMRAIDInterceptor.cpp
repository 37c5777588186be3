#include "ads/webview/VDMRAIDInterceptor.h"

#include <mutex>
#include <utility>

namespace {

struct ClassState {
    std::mutex lock;
    bool registered = false;
    bool allowed = false;
    long canInitCount = 0;
    std::optional<std::string> bannerPath;
    std::optional<std::string> interstitialPath;
    std::optional<std::string> expandedBannerPath;
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
    state.bannerPath.reset();
    state.interstitialPath.reset();
    state.expandedBannerPath.reset();
    state.allowed = true;
}

void setPath(std::optional<std::string> ClassState::*member, std::optional<std::string> path) {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    setUpClassIfNeeded(state);
    state.*member = std::move(path);
}

std::optional<std::string> path(std::optional<std::string> ClassState::*member) {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    return state.*member;
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

void VDMRAIDInterceptor::enableCanInitWithRequest() {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    setUpClassIfNeeded(state);
    ++state.canInitCount;
}

void VDMRAIDInterceptor::disableCanInitWithRequest() {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    setUpClassIfNeeded(state);
    if (state.canInitCount > 0)
        --state.canInitCount;
}

long VDMRAIDInterceptor::canInitWithRequestCount() {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    return state.canInitCount;
}

bool VDMRAIDInterceptor::isRegistered() {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    return state.registered;
}

void VDMRAIDInterceptor::setBannerImplementationPath(std::optional<std::string> value) {
    setPath(&ClassState::bannerPath, std::move(value));
}

void VDMRAIDInterceptor::setInterstitialImplementationPath(std::optional<std::string> value) {
    setPath(&ClassState::interstitialPath, std::move(value));
}

void VDMRAIDInterceptor::setExpandedBannerImplementationPath(std::optional<std::string> value) {
    setPath(&ClassState::expandedBannerPath, std::move(value));
}

std::optional<std::string> VDMRAIDInterceptor::bannerImplementationPath() {
    return path(&ClassState::bannerPath);
}

std::optional<std::string> VDMRAIDInterceptor::interstitialImplementationPath() {
    return path(&ClassState::interstitialPath);
}

std::optional<std::string> VDMRAIDInterceptor::expandedBannerImplementationPath() {
    return path(&ClassState::expandedBannerPath);
}

void VDMRAIDInterceptor::resetForTesting() {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    state.registered = false;
    state.allowed = false;
    state.canInitCount = 0;
    state.bannerPath.reset();
    state.interstitialPath.reset();
    state.expandedBannerPath.reset();
}
