#include "ads/request/VDAdSettingsParameters.h"

#include <mutex>

namespace {

// The optional classes, each looked up once.
struct AnalyticsClasses {
    std::shared_ptr<VDAdSettingsParameters::AnalyticsTracker> tracker;
    std::shared_ptr<VDAdSettingsParameters::ScreenViewService> screenViewService;
    bool screenViewInfo = false;
};

struct Shared {
    std::mutex mutex;
    std::shared_ptr<VDAdSettingsParameters> instance;
    std::optional<AnalyticsClasses> classes;
};

Shared& shared() {
    static Shared state;
    return state;
}

AnalyticsClasses analyticsClasses() {
    auto& state = shared();
    std::lock_guard lock(state.mutex);
    if (!state.classes) {
        state.classes = AnalyticsClasses{
            VDClassRegistry::classNamed<VDAdSettingsParameters::AnalyticsTracker>(
                VDAdSettingsParameters::trackerClassName),
            VDClassRegistry::classNamed<VDAdSettingsParameters::ScreenViewService>(
                VDAdSettingsParameters::screenViewServiceClassName),
            VDClassRegistry::classNamed(VDAdSettingsParameters::screenViewInfoClassName) != nullptr,
        };
    }
    return *state.classes;
}

} // namespace

std::shared_ptr<VDAdSettingsParameters> VDAdSettingsParameters::sharedInstance() {
    auto& state = shared();
    std::lock_guard lock(state.mutex);
    if (!state.instance)
        state.instance = std::make_shared<VDAdSettingsParameters>(Private());
    return state.instance;
}

void VDAdSettingsParameters::resetForTesting() {
    std::shared_ptr<VDAdSettingsParameters> old;
    {
        auto& state = shared();
        std::lock_guard lock(state.mutex);
        old = std::move(state.instance);
        state.classes.reset();
    }
    if (old)
        old->waitForUpdatesForTesting();
}

VDAdSettingsParameters::VDAdSettingsParameters(Private)
    : lockQueue_(lockQueueLabel) {}

void VDAdSettingsParameters::updateClientID() {
    if (!settingsServiceEnabled())
        return;
    auto tracker = analyticsClasses().tracker;
    if (!tracker)
        return;
    lockQueue_.async([this, tracker] { clientID_ = tracker->clientId(); });
}

std::optional<std::string> VDAdSettingsParameters::clientID() const {
    if (!settingsServiceEnabled())
        return std::nullopt;
    return lockQueue_.syncResult([this] { return clientID_; });
}

std::optional<std::string> VDAdSettingsParameters::currentHitID() {
    if (!sharedInstance()->settingsServiceEnabled())
        return std::nullopt;
    const auto classes = analyticsClasses();
    if (!classes.screenViewService || !classes.screenViewInfo)
        return std::nullopt;
    auto screenView =
        std::dynamic_pointer_cast<ScreenViewInfo>(classes.screenViewService->currentScreenView());
    if (!screenView)
        return std::nullopt;
    return std::to_string(screenView->screenId());
}

void VDAdSettingsParameters::waitForUpdatesForTesting() const {
    lockQueue_.sync([] {});
}
