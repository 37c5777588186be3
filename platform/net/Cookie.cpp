#include "platform/net/Cookie.h"

#include "platform/base/Strings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
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

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    auto yearOfEra = unsigned(year - era * 400);
    unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + std::int64_t(dayOfEra) - 719468;
}

unsigned daysInMonth(int year, int month) {
    static constexpr std::array<unsigned, 12> days = {31, 28, 31, 30, 31, 30,
                                                      31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[std::size_t(month - 1)];
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
    if (*day < 1 || *day > 31 || y < 1601 || *hour > 23 || *minute > 59 || *second > 59)
        return std::nullopt;
    if (unsigned(*day) > daysInMonth(y, *month))
        return std::nullopt;
    std::int64_t days = daysFromCivil(y, unsigned(*month), unsigned(*day));
    return base::Date(double(days * 86400 + *hour * 3600 + *minute * 60 + *second));
}

std::optional<Cookie> Cookie::fromSetCookie(std::string_view field, const base::URL& url,
                                            base::Date now) {
    if (url.scheme() != "http" && url.scheme() != "https")
        return std::nullopt;
    std::string host = requestHost(url);
    if (host.empty())
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
            if (!domain.empty() && domain.back() == '.')
                domain.pop_back();
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
        }
    }

    cookie.expires = maxAgeExpiry ? maxAgeExpiry : expires;
    cookie.path = pathAttribute.value_or(defaultPath(url));
    if (!domainAttribute || domainAttribute->empty() || *domainAttribute == host) {
        cookie.domain = host;
    } else {
        // Without a public-suffix list, a single-label domain stands for a whole top-level
        // domain: no host may set a cookie for every site under it.
        if (domainAttribute->find('.') == std::string::npos)
            return std::nullopt;
        if (!domainMatches(host, *domainAttribute))
            return std::nullopt;
        cookie.domain = "." + *domainAttribute;
    }
    return cookie;
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
