#pragma once

#include "platform/base/Error.h"
#include "platform/base/Value.h"

#include <filesystem>
#include <optional>

// The dictionary a property-list file (XML or binary) holds. nullopt when the file cannot be
// read (with `error`, when given, set to code 1 "File could not be read." of the ads client's
// private error domain), when it is not a property list (with the reader's error) or when its
// top level is not a dictionary.
std::optional<base::Value::Dictionary> VDPlistDictionaryFromFile(const std::filesystem::path& path,
                                                                 base::Error* error = nullptr);
