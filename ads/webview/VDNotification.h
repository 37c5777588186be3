#pragma once

#include "platform/base/URL.h"
#include "platform/base/Value.h"

#include <map>
#include <optional>
#include <string>

// One message of the "amsg" bus: a page asks native code for something by navigating to an
// "amsg" URL. The message's name is the URL's path without its leading "/" ("amsg:loadAd",
// "amsg:///loadAd" and "amsg://bus/loadAd" all name "loadAd"); its parameters are the query's
// "key=value" pairs with their percent escapes removed (values that hold "&", ";" or "=" must
// come escaped, as encodeURIComponent writes them).
class VDNotification {
public:
    static constexpr const char* URLScheme = "amsg";

    // Whether the URL's scheme, lower-cased, is "amsg".
    static bool isNotificationURL(const base::URL& url);
    // The message of an "amsg" URL; nullopt for another scheme or a URL without a name.
    static std::optional<VDNotification> notificationWithURL(const base::URL& url);

    const std::string& name() const { return name_; }
    const base::URL& URL() const { return URL_; }
    // Keys as sent; a later pair replaces an earlier one of the same key, and a pair whose
    // escapes do not decode to UTF-8 is left out.
    const std::map<std::string, std::string>& parameters() const { return parameters_; }
    // The same parameters as a dictionary of string values.
    base::Value::Dictionary parametersDictionary() const;

private:
    VDNotification(base::URL url, std::string name, std::map<std::string, std::string> parameters)
        : URL_(std::move(url))
        , name_(std::move(name))
        , parameters_(std::move(parameters)) {}

    base::URL URL_;
    std::string name_;
    std::map<std::string, std::string> parameters_;
};
