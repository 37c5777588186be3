#pragma once

#include "platform/base/Date.h"
#include "platform/base/URL.h"

#include <optional>
#include <string>
#include <string_view>

namespace net {

// One HTTP cookie. The domain follows the platform's convention: a leading "." marks a domain
// cookie, sent to the domain and every host under it; without it the cookie is host-only,
// sent to exactly that host. A cookie without expiry date lives for the session only.
struct Cookie {
    std::string name;
    std::string value;
    std::string domain;
    std::string path = "/";
    std::optional<base::Date> expires;
    bool secure = false;
    bool httpOnly = false;

    bool isSessionOnly() const { return !expires.has_value(); }
    bool isHostOnly() const { return domain.empty() || domain.front() != '.'; }
    bool isExpired(base::Date now) const { return expires && *expires <= now; }

    // The cookie a Set-Cookie field value sets for a response from `url` (RFC 6265 section
    // 5.2 and 5.3); nullopt when the field sets none or the URL may not set it: no name, a
    // Domain the URL's host is not inside, a Domain of a single label (such as "com") other than
    // the host itself, a URL that is not http(s). Max-Age wins over Expires; a cookie that
    // comes already expired is returned (with its past date) so that the store deletes its
    // namesake.
    static std::optional<Cookie> fromSetCookie(std::string_view field, const base::URL& url,
                                               base::Date now);
    // The lenient date reading of RFC 6265 section 5.1.1 (every date form servers send in
    // Expires); nullopt when no date can be read.
    static std::optional<base::Date> parseDate(std::string_view text);

    // Whether the cookie goes with a request for the URL: domain, path and secure rules.
    bool matches(const base::URL& url) const;
    // The identity a store keys cookies on: name, domain (case-insensitive) and path.
    bool sameIdentity(const Cookie& other) const;

    bool operator==(const Cookie&) const = default;
};

} // namespace net
