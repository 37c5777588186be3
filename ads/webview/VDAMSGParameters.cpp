#include "ads/webview/VDAMSGParameters.h"

#include "platform/base/Strings.h"

#include <cmath>
#include <cstdlib>

namespace VDAMSGParameters {

std::optional<std::string> string(const VDNotification& note, std::string_view key) {
    auto found = note.parameters().find(std::string(key));
    if (found == note.parameters().end())
        return std::nullopt;
    return found->second;
}

std::optional<base::URL> webURL(const VDNotification& note, std::string_view key) {
    auto text = string(note, key);
    if (!text)
        return std::nullopt;
    auto url = base::URL::parse(*text);
    if (!url || url->host().empty() ||
        (!base::equalsIgnoringASCIICase(url->scheme(), "http") &&
         !base::equalsIgnoringASCIICase(url->scheme(), "https")))
        return std::nullopt;
    return url;
}

std::optional<double> number(const VDNotification& note, std::string_view key) {
    auto text = string(note, key);
    if (!text || text->empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text->c_str(), &end);
    if (end != text->c_str() + text->size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace VDAMSGParameters
