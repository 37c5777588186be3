#include "platform/base/Hashing.h"

#include "platform/base/RandomSource.h"

#include <openssl/evp.h>
#include <stdexcept>
#include <vector>

namespace base {

namespace {

Data digest(const EVP_MD* type, const void* bytes, std::size_t size) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!type || EVP_Digest(bytes, size, out, &length, type, nullptr) != 1)
        throw std::runtime_error("OpenSSL could not compute a digest.");
    return Data(out, length);
}

} // namespace

Data md5(const Data& data) {
    return digest(EVP_md5(), data.bytes(), data.size());
}

std::string md5Hex(std::string_view bytes) {
    return digest(EVP_md5(), bytes.data(), bytes.size()).hexString();
}

Data sha256(const Data& data) {
    return digest(EVP_sha256(), data.bytes(), data.size());
}

std::string sha256Hex(std::string_view bytes) {
    return digest(EVP_sha256(), bytes.data(), bytes.size()).hexString();
}

Data randomBytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    if (size > 0)
        RandomSource::current()->fill(bytes.data(), size);
    return Data(std::move(bytes));
}

std::string makeUUIDString() {
    auto bytes = randomBytes(16).vector();
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out.push_back('-');
        out.push_back(digits[bytes[i] >> 4]);
        out.push_back(digits[bytes[i] & 0xF]);
    }
    return out;
}

} // namespace base
