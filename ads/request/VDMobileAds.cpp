#include "ads/request/VDMobileAds.h"

#include "ads/foundation/VDLogger.h"
#include "ads/request/VDAdSettingsParameters.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/Regex.h"

#include <mutex>

namespace {

struct TagManagerClasses {
    std::shared_ptr<VDMobileAds::SettingsClass> settings;
    std::shared_ptr<VDMobileAds::SettingsService> service;
};

// A process service: looked up once, and again after a reset.
TagManagerClasses tagManagerClasses() {
    static base::ProcessWide<const TagManagerClasses> classes([] {
        return std::make_shared<const TagManagerClasses>(TagManagerClasses{
            VDClassRegistry::classNamed<VDMobileAds::SettingsClass>(VDMobileAds::settingsClassName),
            VDClassRegistry::classNamed<VDMobileAds::SettingsService>(
                VDMobileAds::settingsServiceClassName),
        });
    });
    return *classes.get();
}

} // namespace

void VDMobileAds::configureWithApplicationCode(const std::optional<std::string>& applicationCode) {
    configureWithApplicationCodeTrackingID(applicationCode, std::nullopt);
}

void VDMobileAds::configureWithApplicationCodeTrackingID(
    const std::optional<std::string>& applicationCode,
    const std::optional<std::string>& trackingID) {
    auto logger = VDLogger::sharedInstance();
    if (!applicationCode || !isValidApplicationCode(*applicationCode)) {
        logger->logPublicMessage("Application code " + applicationCode.value_or("(null)") +
                                 " is invalid, unable to configure ad settings.");
        return;
    }
    const auto classes = tagManagerClasses();
    if (!classes.settings || !classes.service) {
        logger->logPublicMessage("Redodi Tag Manager is unavailable. Please download the SDK to "
                                 "enable this service.");
        return;
    }
    VDAdSettingsParameters::sharedInstance()->setSettingsServiceEnabled(true);
    classes.service->setMobileAdsDefaultSettings(
        classes.settings->initWithMobileAdsIdTrackingId(*applicationCode, trackingID));
    classes.service->start();
}

bool VDMobileAds::isValidApplicationCode(std::string_view code) {
    static const auto pattern = base::Regex::compile(applicationCodePattern);
    if (!pattern)
        return false;
    auto match = pattern.value().firstMatch(code);
    return match && match->groups[0].bytes.location == 0 &&
           match->groups[0].bytes.length == code.size();
}
