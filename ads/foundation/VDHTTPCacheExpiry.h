#pragma once

#include "platform/base/Date.h"
#include "platform/net/HTTPURLResponse.h"

#include <optional>
#include <string_view>

// The longest a response is kept: 2^31 seconds, the bound HTTP caches apply to delta-seconds.
inline constexpr double kVDMaximumCacheLifetime = 2147483648.0;

// Until when the response may be kept, or nullopt when it must not be cached. In order:
//  1. "Pragma: no-cache" → nullopt.
//  2. The base time is the "Date" header, or now when it is missing or unreadable.
//  3. "Cache-Control" (directives matched without regard to case): "no-store" or "no-cache"
//     → nullopt; "max-age=N" with an integer N → nullopt when N < 1, else base + N seconds
//     (N at most kVDMaximumCacheLifetime), without looking at "Expires". A max-age without an
//     integer is passed over.
//  4. "Expires" readable and later than the base time → now + (Expires − base); otherwise
//     nullopt.
std::optional<base::Date> vd_expirationDate(const net::HTTPURLResponse& response);

// Reads an HTTP date in the RFC 1123, asctime or RFC 850 form, in GMT; nullopt otherwise.
std::optional<base::Date> vd_dateFromHttpDateString(std::string_view text);
