#include "ads/foundation/VDMD5.h"

#include "platform/base/Hashing.h"
#include "platform/base/Strings.h"

std::optional<base::Data> vd_MD5Data(std::string_view text) {
    if (!base::isValidUTF8(text))
        return std::nullopt;
    return base::md5(base::Data(text.data(), text.size()));
}

std::optional<std::string> vd_MD5String(std::string_view text) {
    if (!base::isValidUTF8(text))
        return std::nullopt;
    return base::md5Hex(text);
}
