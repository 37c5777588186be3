#pragma once

#include "platform/base/Date.h"

#include <optional>
#include <string>
#include <string_view>

namespace base {

// Reads a date in any of the three forms HTTP allows, always as UTC (the local time zone plays
// no part):
//   RFC 1123  "Sun, 06 Nov 1994 08:49:37 GMT"
//   RFC 850   "Sunday, 06-Nov-94 08:49:37 GMT"
//   asctime   "Sun Nov  6 08:49:37 1994"
// Names of days and months match without regard to case; the weekday may be written short or in
// full in either of the first two forms and is not checked against the date. The dashed form also
// takes a four-digit year ("Sun, 06-Nov-1994 08:49:37 GMT", as cookie expiry dates are written).
// The zone of the first two forms may be GMT, UTC, UT, Z, an offset "+hhmm"/"-hhmm" or one of the
// North American zones of RFC 822 (EST, EDT, CST, CDT, MST, MDT, PST, PDT). A two-digit RFC 850
// year is the nearest year with those digits that lies at most 50 years after the current year
// of Clock::current() (RFC 9110 section 5.6.7). Surrounding blanks are ignored. Anything else,
// an impossible date (31 Feb) or time (25:00) included, gives nullopt.
std::optional<Date> parseHTTPDate(std::string_view text);

// The date in RFC 1123 form, "Sun, 06 Nov 1994 08:49:37 GMT", fractions of a second dropped
// (rounded down). Dates outside the years 1 to 9999 and non-finite dates give an empty string.
std::string formatHTTPDate(Date date);

} // namespace base
