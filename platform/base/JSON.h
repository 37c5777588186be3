#pragma once

#include "platform/base/Data.h"
#include "platform/base/Result.h"
#include "platform/base/Value.h"

#include <string>
#include <string_view>

namespace base {

struct JSONReadOptions {
    // Arrays and dictionaries come back mutable (Value::isMutable()).
    bool mutableContainers = false;
    // Accept a top-level value that is neither an array nor an object ("12", "\"text\"").
    bool allowFragments = false;
};

// Reads UTF-8 JSON text. Integers become Integer, or Unsigned above the signed 64-bit range
// (larger ones Double); numbers with a fraction or exponent become Double; true/false become
// Bool. Failures are CocoaErrorDomain / PropertyListReadCorruptError with a description of
// what is wrong and where.
Result<Value> parseJSON(std::string_view text, JSONReadOptions options = {});
Result<Value> parseJSON(const Data& data, JSONReadOptions options = {});

// Writes JSON text: compact, or pretty with two-space indentation. Keys come out sorted (a
// dictionary is ordered by key). The top level must be an array or a dictionary unless
// fragments are allowed. Data, Date, non-finite numbers and strings that are not UTF-8 have no
// JSON form and give CocoaErrorDomain / PropertyListWriteInvalidError. Output is standard JSON:
// "/" is not escaped.
Result<std::string> toJSON(const Value& value, bool pretty = false, bool allowFragments = false);

} // namespace base
