#pragma once

#include "platform/base/Data.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testing_support {

// Binary property lists built object by object, for tests of readers given files that no
// writer of ours makes: shared objects, cycles, keys holding a NUL, dates past 2069.
using PlistObject = std::vector<std::uint8_t>;

// The list of these objects (marker byte and payload each); the first is the root and
// references between them are four bytes wide.
base::Data binaryPlist(const std::vector<PlistObject>& objects);
// An array (kind 0xA) or a dictionary (kind 0xD: the keys' references, then the values') of
// `count` entries.
PlistObject plistContainer(std::uint8_t kind, std::size_t count,
                           const std::vector<std::uint32_t>& references);
PlistObject plistArray(const std::vector<std::uint32_t>& references);
// A date: seconds since 2001-01-01 00:00:00 UTC, as a big-endian double.
PlistObject plistDate(double secondsSinceReference);

} // namespace testing_support
