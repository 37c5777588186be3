#include "platform/testing/BinaryPlist.h"

#include <bit>

namespace testing_support {

namespace {

void putBigEndian(std::vector<std::uint8_t>& bytes, std::uint64_t value, int width) {
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
        bytes.push_back(std::uint8_t(value >> shift));
}

} // namespace

base::Data binaryPlist(const std::vector<PlistObject>& objects) {
    std::vector<std::uint8_t> bytes = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
    std::vector<std::uint64_t> offsets;
    for (const auto& object : objects) {
        offsets.push_back(bytes.size());
        bytes.insert(bytes.end(), object.begin(), object.end());
    }
    std::uint64_t offsetTable = bytes.size();
    for (auto offset : offsets)
        putBigEndian(bytes, offset, 4);
    bytes.insert(bytes.end(), 6, 0);
    bytes.push_back(4); // offset size
    bytes.push_back(4); // reference size
    putBigEndian(bytes, objects.size(), 8);
    putBigEndian(bytes, 0, 8); // the first object is the root
    putBigEndian(bytes, offsetTable, 8);
    return base::Data(std::move(bytes));
}

PlistObject plistContainer(std::uint8_t kind, std::size_t count,
                           const std::vector<std::uint32_t>& references) {
    PlistObject object = {std::uint8_t(kind << 4 | count)};
    for (auto reference : references)
        putBigEndian(object, reference, 4);
    return object;
}

PlistObject plistArray(const std::vector<std::uint32_t>& references) {
    return plistContainer(0xA, references.size(), references);
}

PlistObject plistDate(double secondsSinceReference) {
    PlistObject object = {0x33};
    putBigEndian(object, std::bit_cast<std::uint64_t>(secondsSinceReference), 8);
    return object;
}

} // namespace testing_support
