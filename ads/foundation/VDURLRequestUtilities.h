#pragma once

#include "platform/base/Data.h"
#include "platform/base/URL.h"
#include "platform/net/URLRequest.h"

#include <map>
#include <optional>
#include <string>

// The ads client's HTTP request for the URL, carrying the device's user agent ("User-Agent",
// set after and over the given header fields):
// - with data: a POST of that body with its "Content-Length", and the type, when given, as
//   "Content-Type";
// - without: a GET without body.
// No time-out or cache policy is set. nullopt without a URL, and when a header field cannot be
// sent as given (a name that is no HTTP token, a value holding CR, LF or NUL), rather than a
// request that quietly lacks it.
std::optional<net::URLRequest>
vd_requestForURLDataHeadersType(const std::optional<base::URL>& url,
                                const std::optional<base::Data>& data,
                                const std::optional<std::map<std::string, std::string>>& headers,
                                const std::optional<std::string>& type);
