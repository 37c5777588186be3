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
    // Which cross-site requests may carry the cookie; the web engine enforces it. A cookie
    // whose SameSite attribute is absent or unknown is None, as the engine reads it.
    enum class SameSite { None, Lax, Strict };

    std::string name;
    std::string value;
    std::string domain;
    std::string path = "/";
    std::optional<base::Date> expires;
    bool secure = false;
    bool httpOnly = false;
    SameSite sameSite = SameSite::None;

    bool isSessionOnly() const { return !expires.has_value(); }
    bool isHostOnly() const { return domain.empty() || domain.front() != '.'; }
    bool isExpired(base::Date now) const { return expires && *expires <= now; }

    // The cookie a Set-Cookie field value sets for a response from `url` (RFC 6265 section
    // 5.2 and 5.3); nullopt when the field sets none or the URL may not set it: no name, a
    // Domain the URL's host is not inside, a Domain that is a public suffix (such as "com",
    // "co.uk" or "github.io", from the public-suffix list) other than the host itself, a URL
    // that is not http(s). A Domain attribute makes a domain cookie, for the host itself too;
    // without one, or on a host that is an IP address, the cookie is host-only. Max-Age wins
    // over Expires; a cookie that comes already expired is returned (with its past date) so that
    // the store deletes its namesake.
    static std::optional<Cookie> fromSetCookie(std::string_view field, const base::URL& url,
                                               base::Date now);
    // The lenient date reading of RFC 6265 section 5.1.1 (every date form servers send in
    // Expires); nullopt when no date can be read.
    static std::optional<base::Date> parseDate(std::string_view text);

    // Whether a store may keep the cookie and send it: a name without "=", a domain that is
    // no public suffix unless the cookie is host-only, and no ";", CR, LF or NUL in its name,
    // value, domain or path (they would break a Cookie header or smuggle another in).
    bool isAcceptable() const;
    // Whether the domain (without a leading ".") is a public suffix, under which unrelated sites
    // register their names: "com", "co.uk", "github.io", and any single label not on the list.
    static bool isPublicSuffix(std::string_view domain);

    // Whether the cookie goes with a request for the URL: domain, path and secure rules.
    bool matches(const base::URL& url) const;
    // The identity a store keys cookies on: name, domain (case-insensitive) and path.
    bool sameIdentity(const Cookie& other) const;

    bool operator==(const Cookie&) const = default;
};

} // namespace net
