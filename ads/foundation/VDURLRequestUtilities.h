#pragma once

#include "platform/base/Data.h"
#include "platform/base/URL.h"
#include "platform/net/URLRequest.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

// The ads client's HTTP request for the URL, carrying the device's user agent ("User-Agent",
// set after and over the given header fields):
// - with data: a POST of that body with its "Content-Length", and the type, when given, as
//   "Content-Type";
// - without: a GET without body.
// Every such request is bounded, whatever its server does: its decoded answer may hold at most
// vd_maximumResponseLength bytes and the whole exchange may take at most
// net::URLRequest::serviceTimeLimit. No cache policy is set. nullopt without a URL, and when a
// header field cannot be sent as given (a name that is no HTTP token, a value holding CR, LF or
// NUL), rather than a request that quietly lacks it. The largest answer the ads client keeps: an
// ad's markup or JSON, a ping's answer, a creative's precached file. Ads are a few kilobytes; a
// megabyte-sized inline creative still fits.
inline constexpr std::uint64_t vd_maximumResponseLength = 4 * 1024 * 1024;

std::optional<net::URLRequest>
vd_requestForURLDataHeadersType(const std::optional<base::URL>& url,
                                const std::optional<base::Data>& data,
                                const std::optional<std::map<std::string, std::string>>& headers,
                                const std::optional<std::string>& type);
