#pragma once

#include "platform/base/Data.h"
#include "platform/base/Result.h"
#include "platform/base/Value.h"

namespace base {

enum class PlistFormat { XML, Binary };

// Reads an XML or binary property list. Integers become Integer (Unsigned above the signed
// range), reals Double, booleans Bool, dates Date, data Data; keyed-archive UIDs become a
// dictionary {"CF$UID": n}. Containers come back immutable. Input that is not a property list
// gives CocoaErrorDomain / PropertyListReadCorruptError.
Result<Value> readPlist(const Data& data);

// Writes a property list. A Decimal is written as an integer when it is whole and fits, else
// as a real. Null, strings or keys holding a NUL character, and dates outside what the format
// library can hold (about 1933 to 2069) give CocoaErrorDomain / PropertyListWriteInvalidError.
Result<Data> writePlist(const Value& value, PlistFormat format);

} // namespace base
