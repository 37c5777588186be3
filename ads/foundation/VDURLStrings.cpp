#include "ads/foundation/VDURLStrings.h"

#include "platform/base/PercentEscape.h"

std::string vd_stringByEscapingAsURLParameter(std::string_view text) {
    return base::percentEscape(text, base::queryValueCharactersToEscape);
}

std::string vd_stripTrailingSlash(std::string_view text) {
    if (!text.empty() && text.back() == '/')
        text.remove_suffix(1);
    return std::string(text);
}

bool vd_isEquivalentToURLString(std::string_view text, std::string_view other) {
    return vd_stripTrailingSlash(text) == vd_stripTrailingSlash(other);
}
