#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// MurmurHash3, x86 32-bit variant: little-endian 4-byte blocks, the tail, then the length's low
// 32 bits mixed into the finalisation. The token hash of content fingerprints; it must stay bit
// for bit the published algorithm, since fingerprints are compared across devices.
std::uint32_t VDMurmurHash3(const void* bytes, std::size_t length, std::uint32_t seed);

inline std::uint32_t VDMurmurHash3(std::string_view bytes, std::uint32_t seed) {
    return VDMurmurHash3(bytes.data(), bytes.size(), seed);
}
