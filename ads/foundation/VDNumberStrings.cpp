#include "ads/foundation/VDNumberStrings.h"

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
