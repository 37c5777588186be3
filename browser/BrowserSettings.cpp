#include "browser/BrowserSettings.h"

#include "platform/base/Bundle.h"
#include "platform/base/UserDefaults.h"

namespace {

std::string setting(const char* key, const char* fallback) {
    const auto& value = base::Bundle::main().objectForInfoDictionaryKey(key);
    if (const auto* text = value.string(); text && !text->empty())
        return *text;
    return fallback;
}

std::string userSetting(const char* key, const char* fallback) {
    if (auto text = base::UserDefaults::standard()->stringForKey(key); text && !text->empty())
        return *text;
    return fallback;
}

} // namespace

std::string BrowserSettings::searchEngineHost() {
    return setting(searchEngineHostKey, defaultSearchEngineHost);
}

std::string BrowserSettings::searchEngineHomeAddress() {
    return "https://" + searchEngineHost() + "/";
}

std::string BrowserSettings::appStoreWebHost() {
    return setting(appStoreWebHostKey, defaultAppStoreWebHost);
}

std::string BrowserSettings::appStorePageAddress() {
    return "https://" + appStoreWebHost() + "/app/tabbrowser/id1000000000";
}

std::string BrowserSettings::bannerAdUnitID() {
    return userSetting(bannerAdUnitIDKey, defaultBannerAdUnitID);
}

std::string BrowserSettings::interstitialAdUnitID() {
    return userSetting(interstitialAdUnitIDKey, defaultInterstitialAdUnitID);
}

bool BrowserSettings::urlHasHost(const base::URL& url, const std::string& host) {
    if (url.host().empty())
        return false;
    std::string authority = url.host();
    if (url.port())
        authority += ":" + std::to_string(*url.port());
    return authority == host;
}
