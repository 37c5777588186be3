#include "chorus/core/CHSettings.h"

#include "platform/base/Bundle.h"
#include "platform/base/UserDefaults.h"

base::URL CHSettings::serverBaseURL() {
    if (auto text = base::UserDefaults::standard()->stringForKey(serverBaseURLKey)) {
        auto url = base::URL::parse(*text);
        if (url && (url->scheme() == "http" || url->scheme() == "https") && !url->host().empty())
            return *url;
    }
    return *base::URL::parse(defaultServerBaseURL);
}

std::string CHSettings::appID() {
    const auto& value = base::Bundle::main().objectForInfoDictionaryKey(appIDKey);
    if (const auto* text = value.string(); text && !text->empty())
        return *text;
    return defaultAppID;
}

std::string CHSettings::serverAddress(const std::string& path) {
    std::string base = serverBaseURL().absoluteString();
    // Whatever follows the path of the base address (a query, a fragment) is not ours to keep.
    if (auto cut = base.find_first_of("?#"); cut != std::string::npos)
        base.erase(cut);
    if (base.empty() || base.back() != '/')
        base += '/';
    return base + path;
}

std::string CHSettings::userAgent() {
    return std::string(userAgentPrefix) + "." + sdkVersion;
}
