#pragma once

#include "platform/base/Data.h"

#include <optional>
#include <string>
#include <string_view>

// The 16-byte MD5 digest (RFC 1321) of the text's UTF-8 bytes; nullopt when the text is not
// valid UTF-8 (it has no lossless UTF-8 form).
std::optional<base::Data> vd_MD5Data(std::string_view text);

// That digest as 32 lower-case hexadecimal digits; nullopt when vd_MD5Data is.
std::optional<std::string> vd_MD5String(std::string_view text);
