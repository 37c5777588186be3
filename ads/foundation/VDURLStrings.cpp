#include "ads/foundation/VDURLStrings.h"

#include "platform/base/PercentEscape.h"

namespace {

std::string_view withoutTrailingSlash(std::string_view text) {
    if (!text.empty() && text.back() == '/')
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string vd_stringByEscapingAsURLParameter(std::string_view text) {
    return base::percentEscape(text, base::queryValueCharactersToEscape);
}

bool vd_isEquivalentToURLString(std::string_view text, std::string_view other) {
    return withoutTrailingSlash(text) == withoutTrailingSlash(other);
}
