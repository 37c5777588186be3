#include "ads/foundation/VDOSVersion.h"

#include "platform/base/Strings.h"

#include <cctype>
#include <limits>
#include <string>

namespace {

// As the platform's intValue: blanks, an optional sign, then digits; clamped to 32 bits.
std::int32_t leadingInt32(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    std::int64_t value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            return negative ? std::numeric_limits<std::int32_t>::min()
                            : std::numeric_limits<std::int32_t>::max();
    }
    return std::int32_t(negative ? -value : value);
}

} // namespace

std::array<std::int32_t, 3> VDOSVersionParts(std::string_view version) {
    std::array<std::int32_t, 3> parts{0, 0, 0};
    auto pieces = base::split(version, ".");
    for (std::size_t i = 0; i < parts.size() && i < pieces.size(); ++i)
        parts[i] = leadingInt32(pieces[i]);
    return parts;
}

bool VDOSVersionIsAtLeast(std::string_view version, std::int32_t major, std::int32_t minor,
                          std::int32_t patch) {
    auto parts = VDOSVersionParts(version);
    if (parts[0] != major)
        return parts[0] > major;
    if (parts[1] != minor)
        return parts[1] > minor;
    return parts[2] >= patch;
}
