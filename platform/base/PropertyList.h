#pragma once

#include "platform/base/Data.h"
#include "platform/base/Result.h"
#include "platform/base/Value.h"

namespace base {

enum class PlistFormat { XML, Binary };

// Reads an XML or binary property list. Integers become Integer (Unsigned above the signed
// range), reals Double, booleans Bool, dates Date, data Data; keyed-archive UIDs become a
// dictionary {"CF$UID": n}. Containers come back immutable. Keys and strings come back whole,
// NUL characters included; dates as written, whatever their year. Input that is not a property
// list gives CocoaErrorDomain / PropertyListReadCorruptError.
Result<Value> readPlist(const Data& data);

// Writes a property list. A Decimal is written as an integer when it is whole and fits, else
// as a real. Null, strings or keys holding a NUL character or text that is not UTF-8, and dates
// that are not finite or lie outside the years 1 to 9999 give CocoaErrorDomain /
// PropertyListWriteInvalidError. The binary form keeps every value it writes exactly; XML keeps
// dates to the second.
Result<Data> writePlist(const Value& value, PlistFormat format);

} // namespace base
