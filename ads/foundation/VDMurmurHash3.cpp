#include "ads/foundation/VDMurmurHash3.h"

#include <bit>

namespace {

constexpr std::uint32_t c1 = 0xcc9e2d51;
constexpr std::uint32_t c2 = 0x1b873593;

std::uint32_t mixBlock(std::uint32_t k) {
    k *= c1;
    k = std::rotl(k, 15);
    return k * c2;
}

std::uint32_t finalMix(std::uint32_t h) {
    h ^= h >> 16;
    h *= 0x85ebca6b;
    h ^= h >> 13;
    h *= 0xc2b2ae35;
    h ^= h >> 16;
    return h;
}

} // namespace

std::uint32_t VDMurmurHash3(const void* bytes, std::size_t length, std::uint32_t seed) {
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    const std::size_t blocks = length / 4;
    std::uint32_t h = seed;
    for (std::size_t i = 0; i < blocks; ++i) {
        // Read little-endian whatever the host's byte order.
        const std::uint8_t* p = data + i * 4;
        const std::uint32_t k = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
        h ^= mixBlock(k);
        h = std::rotl(h, 13);
        h = h * 5 + 0xe6546b64;
    }
    const std::uint8_t* tail = data + blocks * 4;
    std::uint32_t k = 0;
    switch (length & 3) {
    case 3:
        k ^= std::uint32_t(tail[2]) << 16;
        [[fallthrough]];
    case 2:
        k ^= std::uint32_t(tail[1]) << 8;
        [[fallthrough]];
    case 1:
        k ^= tail[0];
        h ^= mixBlock(k);
    }
    h ^= static_cast<std::uint32_t>(length);
    return finalMix(h);
}
