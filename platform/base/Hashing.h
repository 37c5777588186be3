#pragma once

#include "platform/base/Data.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace base {

// Digests through OpenSSL's EVP interface.
Data md5(const Data& data);                    // 16 bytes (RFC 1321)
std::string md5Hex(std::string_view bytes);    // 32 lower-case hex digits
Data sha256(const Data& data);                 // 32 bytes
std::string sha256Hex(std::string_view bytes); // 64 lower-case hex digits

// `size` bytes from RandomSource::current().
Data randomBytes(std::size_t size);

// A version 4 (random) UUID from RandomSource::current(), in upper-case hex as the platform
// wrote them: "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
std::string makeUUIDString();

} // namespace base
