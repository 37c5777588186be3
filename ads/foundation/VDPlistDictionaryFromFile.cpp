#include "ads/foundation/VDPlistDictionaryFromFile.h"

#include "platform/base/AppHome.h"
#include "platform/base/PropertyList.h"

namespace {

constexpr const char* privateErrorDomain = "com.redodi.ads.private";
constexpr long fileReadErrorCode = 1;
constexpr const char* localizedFailureReasonKey = "NSLocalizedFailureReason";

base::Error fileReadError() {
    base::Error error{privateErrorDomain, fileReadErrorCode, {}};
    error.userInfo[base::Error::localizedDescriptionKey] = base::Value("File could not be read.");
    error.userInfo[localizedFailureReasonKey] = base::Value("File could not be read.");
    return error;
}

} // namespace

std::optional<base::Value::Dictionary> VDPlistDictionaryFromFile(const std::filesystem::path& path,
                                                                 base::Error* error) {
    auto bytes = base::readFile(path);
    if (!bytes) {
        if (error)
            *error = fileReadError();
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
