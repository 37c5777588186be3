#include "ads/webview/VDNotification.h"

#include "ads/foundation/VDURLQuery.h"

bool VDNotification::isNotificationURL(const base::URL& url) {
    // The URL keeps the scheme lower-cased already.
    return url.scheme() == URLScheme;
}

std::optional<VDNotification> VDNotification::notificationWithURL(const base::URL& url) {
    if (!isNotificationURL(url))
        return std::nullopt;
    std::string_view name = url.path();
    while (!name.empty() && name.front() == '/')
        name.remove_prefix(1);
    if (name.empty())
        return std::nullopt;
    return VDNotification(url, std::string(name),
                          vd_dictionaryFromQueryParametersAndConvertKeysToLowercase(url, false));
}

base::Value::Dictionary VDNotification::parametersDictionary() const {
    base::Value::Dictionary dictionary;
    for (const auto& [key, value] : parameters_)
        dictionary.emplace(key, base::Value(value));
    return dictionary;
}
