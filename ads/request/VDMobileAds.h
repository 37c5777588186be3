#pragma once

#include "ads/foundation/VDClassRegistry.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// How a host configures the ads client with its application code ("vd-app-<publisher>~<app>",
// lower-case letters, digits, "_" and "-"): with the program's optional tag-manager settings
// service (classes "RTMMobileAdsSettings" and "RTMMobileAdsSettingsService" of
// VDClassRegistry, looked up once for the life of the process), a valid code starts that
// service with the code and switches on the analytics identifiers of ad requests
// (VDAdSettingsParameters). What goes wrong is said in the public log. Any thread.
class VDMobileAds {
public:
    static constexpr const char* settingsClassName = "RTMMobileAdsSettings";
    static constexpr const char* settingsServiceClassName = "RTMMobileAdsSettingsService";
    static constexpr const char* applicationCodePattern = "vd-app-[a-z0-9_-]+~[a-z0-9_-]+";

    // What the settings class must offer: settings made from a code and a tracking identifier.
    class SettingsClass {
    public:
        virtual ~SettingsClass() = default;
        virtual std::shared_ptr<VDClassRegistry::Class>
        initWithMobileAdsIdTrackingId(const std::string& mobileAdsID,
                                      const std::optional<std::string>& trackingID) = 0;
    };
    // What the shared settings service must offer.
    class SettingsService {
    public:
        virtual ~SettingsService() = default;
        virtual std::shared_ptr<VDClassRegistry::Class> mobileAdsDefaultSettings() const = 0;
        virtual void
        setMobileAdsDefaultSettings(const std::shared_ptr<VDClassRegistry::Class>& settings) = 0;
        virtual void start() = 0;
    };

    VDMobileAds() = delete;

    static void configureWithApplicationCode(const std::optional<std::string>& applicationCode);
    static void
    configureWithApplicationCodeTrackingID(const std::optional<std::string>& applicationCode,
                                           const std::optional<std::string>& trackingID);

    // Whether the whole text is an application code.
    static bool isValidApplicationCode(std::string_view code);
};
