#include "platform/net/Cookie.h"

#include "platform/base/Strings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <libpsl.h>
#include <limits>
#include <memory>
#include <vector>

namespace net {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isDateDelimiter(unsigned char c) {
    return c == 0x09 || (c >= 0x20 && c <= 0x2f) || (c >= 0x3b && c <= 0x40) ||
           (c >= 0x5b && c <= 0x60) || (c >= 0x7b && c <= 0x7e);
}

// Reads 1 to `maxDigits` digits at the start of `text`; `rest` is what follows.
std::optional<int> leadingNumber(std::string_view text, std::size_t minDigits,
                                 std::size_t maxDigits, std::string_view& rest) {
    std::size_t count = 0;
    while (count < text.size() && isDigit(text[count]))
        ++count;
    if (count < minDigits || count > maxDigits)
        return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value = value * 10 + (text[i] - '0');
    rest = text.substr(count);
    return value;
}

bool isIPAddress(std::string_view host) {
    if (host.find(':') != std::string_view::npos)
        return true; // an IPv6 literal: base::URL gives it without brackets
    return !host.empty() &&
           std::all_of(host.begin(), host.end(), [](char c) { return isDigit(c) || c == '.'; });
}

std::string requestHost(const base::URL& url) {
    std::string host = base::lowercaseASCII(url.host());
    if (!host.empty() && host.back() == '.')
        host.pop_back();
    return host;
}

bool domainMatches(std::string_view host, std::string_view domain) {
    if (host == domain)
        return true;
    return !isIPAddress(host) && host.size() > domain.size() &&
           host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
           host[host.size() - domain.size() - 1] == '.';
}

std::string requestPath(const base::URL& url) {
    const std::string& path = url.path();
    return path.empty() ? "/" : path;
}

// RFC 6265 section 5.1.4.
std::string defaultPath(const base::URL& url) {
    const std::string& path = url.path();
    if (path.empty() || path.front() != '/')
        return "/";
    auto lastSlash = path.rfind('/');
    if (lastSlash == 0)
        return "/";
    return path.substr(0, lastSlash);
}

bool pathMatches(std::string_view requestPath, std::string_view cookiePath) {
    if (requestPath == cookiePath)
        return true;
    if (requestPath.size() <= cookiePath.size() ||
        requestPath.compare(0, cookiePath.size(), cookiePath) != 0)
        return false;
    return cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

} // namespace

std::optional<base::Date> Cookie::parseDate(std::string_view text) {
    std::optional<int> hour, minute, second, day, month, year;
    static constexpr std::array<std::string_view, 12> months = {
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};

    std::size_t position = 0;
    while (position < text.size()) {
        while (position < text.size() &&
               isDateDelimiter(static_cast<unsigned char>(text[position])))
            ++position;
        std::size_t end = position;
        while (end < text.size() && !isDateDelimiter(static_cast<unsigned char>(text[end])))
            ++end;
        std::string_view token = text.substr(position, end - position);
        position = end;
        if (token.empty())
            continue;

        std::string_view rest;
        if (!hour) {
            // hms-time = time-field ":" time-field ":" time-field, then non-digits.
            std::string_view afterHour, afterMinute, afterSecond;
            auto h = leadingNumber(token, 1, 2, afterHour);
            if (h && !afterHour.empty() && afterHour.front() == ':') {
                auto m = leadingNumber(afterHour.substr(1), 1, 2, afterMinute);
                if (m && !afterMinute.empty() && afterMinute.front() == ':') {
                    auto s = leadingNumber(afterMinute.substr(1), 1, 2, afterSecond);
                    if (s && (afterSecond.empty() || !isDigit(afterSecond.front()))) {
                        hour = h;
                        minute = m;
                        second = s;
                        continue;
                    }
                }
            }
        }
        if (!day) {
            auto d = leadingNumber(token, 1, 2, rest);
            if (d && (rest.empty() || !isDigit(rest.front()))) {
                day = d;
                continue;
            }
        }
        if (!month && token.size() >= 3) {
            auto prefix = base::lowercaseASCII(token.substr(0, 3));
            auto found = std::find(months.begin(), months.end(), prefix);
            if (found != months.end()) {
                month = int(found - months.begin()) + 1;
                continue;
            }
        }
        if (!year) {
            auto y = leadingNumber(token, 2, 4, rest);
            if (y && (rest.empty() || !isDigit(rest.front()))) {
                year = y;
                continue;
            }
        }
    }
    if (!hour || !day || !month || !year)
        return std::nullopt;
    int y = *year;
    if (y >= 70 && y <= 99)
        y += 1900;
    else if (y >= 0 && y <= 69)
        y += 2000;
    if (y < 1601 || *second > 59)
        return std::nullopt;
    return base::Date::fromUTC(y, *month, *day, *hour, *minute, *second);
}

std::optional<Cookie> Cookie::fromSetCookie(std::string_view field, const base::URL& url,
                                            base::Date now) {
    if (url.scheme() != "http" && url.scheme() != "https")
        return std::nullopt;
    std::string host = requestHost(url);
    // A host that starts with "." would read as a domain cookie's domain.
    if (host.empty() || host.front() == '.')
        return std::nullopt;

    auto semicolon = field.find(';');
    std::string_view pair = field.substr(0, semicolon);
    auto equals = pair.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    Cookie cookie;
    cookie.name = std::string(base::trimSpacesAndTabs(pair.substr(0, equals)));
    cookie.value = std::string(base::trimSpacesAndTabs(pair.substr(equals + 1)));
    if (cookie.name.empty())
        return std::nullopt;

    std::optional<base::Date> expires;
    std::optional<base::Date> maxAgeExpiry;
    std::optional<std::string> domainAttribute;
    std::optional<std::string> pathAttribute;
    std::string_view attributes =
        semicolon == std::string_view::npos ? std::string_view() : field.substr(semicolon + 1);
    while (!attributes.empty()) {
        auto next = attributes.find(';');
        std::string_view attribute = attributes.substr(0, next);
        attributes =
            next == std::string_view::npos ? std::string_view() : attributes.substr(next + 1);
        auto attributeEquals = attribute.find('=');
        auto name = base::trimSpacesAndTabs(attribute.substr(0, attributeEquals));
        auto value = attributeEquals == std::string_view::npos
                         ? std::string_view()
                         : base::trimSpacesAndTabs(attribute.substr(attributeEquals + 1));
        if (base::equalsIgnoringASCIICase(name, "expires")) {
            if (auto date = parseDate(value))
                expires = date;
        } else if (base::equalsIgnoringASCIICase(name, "max-age")) {
            // An integer, possibly negative; anything else leaves the attribute out.
            std::string_view digits = value;
            bool negative = !digits.empty() && digits.front() == '-';
            if (negative)
                digits.remove_prefix(1);
            if (digits.empty() || !std::all_of(digits.begin(), digits.end(), isDigit))
                continue;
            std::int64_t seconds = 0;
            auto [end, error] =
                std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
            if (error == std::errc::result_out_of_range)
                seconds = std::numeric_limits<std::int64_t>::max();
            else if (error != std::errc() || end != digits.data() + digits.size())
                continue;
            if (negative || seconds == 0)
                maxAgeExpiry = base::Date(std::numeric_limits<double>::lowest());
            else
                maxAgeExpiry = now.addingTimeInterval(double(seconds));
        } else if (base::equalsIgnoringASCIICase(name, "domain")) {
            if (value.empty())
                continue;
            std::string domain = base::lowercaseASCII(value);
            if (domain.front() == '.')
                domain.erase(0, 1);
            domainAttribute = domain;
        } else if (base::equalsIgnoringASCIICase(name, "path")) {
            if (!value.empty() && value.front() == '/')
                pathAttribute = std::string(value);
            else
                pathAttribute.reset();
        } else if (base::equalsIgnoringASCIICase(name, "secure")) {
            cookie.secure = true;
        } else if (base::equalsIgnoringASCIICase(name, "httponly")) {
            cookie.httpOnly = true;
        } else if (base::equalsIgnoringASCIICase(name, "samesite")) {
            // RFC 6265bis: a value other than these leaves the attribute out.
            if (base::equalsIgnoringASCIICase(value, "strict"))
                cookie.sameSite = SameSite::Strict;
            else if (base::equalsIgnoringASCIICase(value, "lax"))
                cookie.sameSite = SameSite::Lax;
            else if (base::equalsIgnoringASCIICase(value, "none"))
                cookie.sameSite = SameSite::None;
        }
    }

    cookie.expires = maxAgeExpiry ? maxAgeExpiry : expires;
    cookie.path = pathAttribute.value_or(defaultPath(url));
    // RFC 6265 section 5.3 steps 5 and 6: a public suffix is only ever the host's own, host-only
    // cookie; any other Domain the host is inside makes a domain cookie ("Domain=." none).
    if (domainAttribute && domainAttribute->empty())
        domainAttribute.reset();
    // A Domain ending in a dot ("home.example.org.") names no domain the host lies in: its
    // dot is not cut off to make it match, and the whole cookie is ignored (section 5.3 step 6).
    if (domainAttribute && domainAttribute->back() == '.' && *domainAttribute != host)
        return std::nullopt;
    if (domainAttribute && isPublicSuffix(*domainAttribute)) {
        if (*domainAttribute != host)
            return std::nullopt;
        domainAttribute.reset();
    }
    if (!domainAttribute || isIPAddress(host)) {
        if (domainAttribute && *domainAttribute != host)
            return std::nullopt;
        cookie.domain = host;
    } else {
        if (!domainMatches(host, *domainAttribute))
            return std::nullopt;
        cookie.domain = "." + *domainAttribute;
    }
    return cookie;
}

bool Cookie::isPublicSuffix(std::string_view domain) {
    // The newer of the list built into libpsl and the one the system keeps, read once.
    static const std::unique_ptr<psl_ctx_t, decltype(&psl_free)> latest(psl_latest(nullptr),
                                                                        &psl_free);
    const psl_ctx_t* list = latest ? latest.get() : psl_builtin();
    if (domain.empty() || domain.find('\0') != std::string_view::npos)
        return true;
    if (!list) // no list at all: at least no top-level domain
        return domain.find('.') == std::string_view::npos;
    return psl_is_public_suffix(list, std::string(domain).c_str()) != 0;
}

bool Cookie::isAcceptable() const {
    const auto safe = [](std::string_view text) {
        return text.find_first_of(std::string_view(";\r\n\0", 4)) == std::string_view::npos;
    };
    if (name.empty() || name.find('=') != std::string::npos || domain.empty() || !safe(name) ||
        !safe(value) || !safe(domain) || !safe(path))
        return false;
    return isHostOnly() || !isPublicSuffix(base::lowercaseASCII(domain.substr(1)));
}

bool Cookie::matches(const base::URL& url) const {
    bool https = url.scheme() == "https";
    if (!https && url.scheme() != "http")
        return false;
    if (secure && !https)
        return false;
    std::string host = requestHost(url);
    if (host.empty())
        return false;
    std::string cookieDomain = base::lowercaseASCII(domain);
    if (isHostOnly()) {
        if (host != cookieDomain)
            return false;
    } else if (!domainMatches(host, std::string_view(cookieDomain).substr(1))) {
        return false;
    }
    return pathMatches(requestPath(url), path.empty() ? "/" : path);
}

bool Cookie::sameIdentity(const Cookie& other) const {
    return name == other.name && base::equalsIgnoringASCIICase(domain, other.domain) &&
           path == other.path;
}

} // namespace net
