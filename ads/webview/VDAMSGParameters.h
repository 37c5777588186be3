#pragma once

#include "ads/webview/VDNotification.h"
#include "platform/base/URL.h"

#include <optional>
#include <string>
#include <string_view>

// Reading a creative's message parameters, which are hostile input: a value is taken only
// when it is what it must be.
namespace VDAMSGParameters {

// The parameter's text; nullopt when absent.
std::optional<std::string> string(const VDNotification& note, std::string_view key);
// The parameter as an absolute http or https URL with a host; nullopt otherwise.
std::optional<base::URL> webURL(const VDNotification& note, std::string_view key);
// The parameter as a finite number; nullopt when absent or no number.
std::optional<double> number(const VDNotification& note, std::string_view key);

} // namespace VDAMSGParameters
