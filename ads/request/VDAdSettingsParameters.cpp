#include "ads/request/VDAdSettingsParameters.h"

#include "platform/base/ProcessWide.h"

#include <mutex>

namespace {

// The optional classes, each looked up once.
struct AnalyticsClasses {
    std::shared_ptr<VDAdSettingsParameters::AnalyticsTracker> tracker;
    std::shared_ptr<VDAdSettingsParameters::ScreenViewService> screenViewService;
    bool screenViewInfo = false;
};

// A process service: looked up once, and again after a reset.
AnalyticsClasses analyticsClasses() {
    static base::ProcessWide<const AnalyticsClasses> classes([] {
        return std::make_shared<const AnalyticsClasses>(AnalyticsClasses{
            VDClassRegistry::classNamed<VDAdSettingsParameters::AnalyticsTracker>(
                VDAdSettingsParameters::trackerClassName),
            VDClassRegistry::classNamed<VDAdSettingsParameters::ScreenViewService>(
                VDAdSettingsParameters::screenViewServiceClassName),
            VDClassRegistry::classNamed(VDAdSettingsParameters::screenViewInfoClassName) != nullptr,
        });
    });
    return *classes.get();
}

} // namespace

std::shared_ptr<VDAdSettingsParameters> VDAdSettingsParameters::sharedInstance() {
    static base::ProcessWide<VDAdSettingsParameters> shared(
        [] { return std::make_shared<VDAdSettingsParameters>(Private()); },
        [](VDAdSettingsParameters& dropped) { dropped.waitForUpdatesForTesting(); });
    return shared.get();
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
