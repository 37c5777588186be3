#include "ads/foundation/VDPlistDictionaryFromFile.h"

#include "ads/foundation/VDInternalErrors.h"
#include "platform/base/AppHome.h"
#include "platform/base/PropertyList.h"

std::optional<base::Value::Dictionary> VDPlistDictionaryFromFile(const std::filesystem::path& path,
                                                                 base::Error* error) {
    auto bytes = base::readFile(path);
    if (!bytes) {
        if (error)
            *error = vd_errorWithCodeDescription(
                VDInternalErrorFileUnreadable,
                vd_localizedDescriptionForErrorCode(VDInternalErrorFileUnreadable));
        return std::nullopt;
    }
    auto plist = base::readPlist(bytes.value());
    if (!plist) {
        if (error)
            *error = plist.error();
        return std::nullopt;
    }
    if (const auto* dictionary = plist.value().dictionary())
        return *dictionary;
    return std::nullopt;
}
