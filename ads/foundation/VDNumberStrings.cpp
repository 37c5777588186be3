#include "ads/foundation/VDNumberStrings.h"

#include "platform/base/Strings.h"
#include "platform/base/UserDefaults.h"

#include <charconv>
#include <cmath>
#include <cstdio>

std::string vd_shortStringWithCGFloat(double value) {
    // Large enough for "%f" of any double (309 digits before the point).
    char buffer[400];
    int length = std::snprintf(buffer, sizeof buffer, "%f", value);
    if (length <= 0)
        return {};
    std::string text(buffer, std::size_t(length));
    if (text.find('.') == std::string::npos)
        return text; // "inf", "nan"
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text;
}

std::optional<double> vd_doubleFromStrictString(std::string_view text) {
    text = base::trimSpacesAndTabs(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    const char* end = text.data() + text.size();
    double value = 0;
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> vd_numberFromValue(const base::Value& value) {
    if (const std::string* text = value.string())
        return vd_doubleFromStrictString(*text);
    if (value.isNumber() && !value.isBool() && std::isfinite(value.doubleValue()))
        return value.doubleValue();
    return std::nullopt;
}

std::optional<double> vd_numberFromUserDefaults(std::string_view key) {
    return vd_numberFromValue(base::UserDefaults::standard()->objectForKey(key));
}
