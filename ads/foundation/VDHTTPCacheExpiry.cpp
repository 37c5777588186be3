#include "ads/foundation/VDHTTPCacheExpiry.h"

#include "platform/base/HTTPDate.h"
#include "platform/net/CacheDirectives.h"

#include <algorithm>
#include <cctype>

namespace {

// The integer at the start of the text (optional sign, then digits), or nullopt when there is
// none. Values beyond the cache lifetime bound are clamped to it, so no digit string can
// overflow.
std::optional<double> leadingInteger(std::string_view text) {
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at])))
        return std::nullopt;
    double value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
        value = std::min(value * 10 + (text[at] - '0'), kVDMaximumCacheLifetime);
    return negative ? -value : value;
}

} // namespace

std::optional<base::Date> vd_dateFromHttpDateString(std::string_view text) {
    return base::parseHTTPDate(text);
}

std::optional<base::Date> vd_expirationDate(const net::HTTPURLResponse& response) {
    const auto& fields = response.allHeaderFields();
    if (net::CacheDirectives(fields, "Pragma").contains("no-cache"))
        return std::nullopt;

    const base::Date now = base::Date::now();
    base::Date base = now;
    if (auto date = response.valueForHTTPHeaderField("Date")) {
        // A Date that cannot be read leaves the current time as the base.
        if (auto parsed = vd_dateFromHttpDateString(*date))
            base = *parsed;
    }

    std::optional<double> maxAge;
    net::CacheDirectives cacheControl(fields);
    for (const auto& directive : cacheControl.all()) {
        if (directive.name == "no-store" || directive.name == "no-cache")
            return std::nullopt;
        if (directive.name == "max-age" && !maxAge)
            maxAge = leadingInteger(directive.value);
    }
    if (maxAge) {
        if (*maxAge < 1)
            return std::nullopt;
        // The response's age counts from its Date, but a Date ahead of our clock makes it no
        // younger than new: the lifetime stays within the bound counted from now.
        return std::min(base, now).addingTimeInterval(*maxAge);
    }

    auto expiresText = response.valueForHTTPHeaderField("Expires");
    if (!expiresText)
        return std::nullopt;
    auto expires = vd_dateFromHttpDateString(*expiresText);
    if (!expires)
        return std::nullopt;
    double interval = expires->timeIntervalSince(base);
    if (!(interval > 0))
        return std::nullopt;
    return now.addingTimeInterval(std::min(interval, kVDMaximumCacheLifetime));
}
