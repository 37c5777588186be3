#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The first three parts of a dotted version, each read for a leading integer ("8.1" gives 8, 1,
// 0; "7.1.2.4" gives 7, 1, 2). Missing or unreadable parts are 0.
std::array<std::int32_t, 3> VDOSVersionParts(std::string_view version);

// Whether the version is at least major.minor.patch, compared part by part, major first.
bool VDOSVersionIsAtLeast(std::string_view version, std::int32_t major, std::int32_t minor,
                          std::int32_t patch);
