#include "ads/foundation/VDHTTPCacheExpiry.h"

#include "platform/base/HTTPDate.h"
#include "platform/base/Strings.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

// Every field line of a list-valued header, joined as one list.
std::optional<std::string> headerList(const net::HTTPURLResponse& response, std::string_view name) {
    auto values = response.allHeaderFields().values(name);
    if (values.empty())
        return std::nullopt;
    return base::join(values, ", ");
}

std::string asciiLowercase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The directive names and values of a comma-separated list, names lower-cased, blanks and
// quotes around values removed.
struct Directive {
    std::string name;
    std::string value;
};

std::vector<Directive> directives(std::string_view list) {
    std::vector<Directive> result;
    for (const auto& piece : base::split(list, ",")) {
        std::string item = base::trim(piece);
        if (item.empty())
            continue;
        Directive directive;
        auto equals = item.find('=');
        directive.name = asciiLowercase(base::trim(item.substr(0, equals)));
        if (equals != std::string::npos) {
            directive.value = base::trim(item.substr(equals + 1));
            if (directive.value.size() >= 2 && directive.value.front() == '"' &&
                directive.value.back() == '"')
                directive.value = directive.value.substr(1, directive.value.size() - 2);
        }
        result.push_back(std::move(directive));
    }
    return result;
}

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
    if (auto pragma = headerList(response, "Pragma")) {
        for (const auto& directive : directives(*pragma)) {
            if (directive.name == "no-cache")
                return std::nullopt;
        }
    }

    const base::Date now = base::Date::now();
    base::Date base = now;
    if (auto date = response.valueForHTTPHeaderField("Date")) {
        // A Date that cannot be read leaves the current time as the base.
        if (auto parsed = vd_dateFromHttpDateString(*date))
            base = *parsed;
    }

    if (auto cacheControl = headerList(response, "Cache-Control")) {
        std::optional<double> maxAge;
        for (const auto& directive : directives(*cacheControl)) {
            if (directive.name == "no-store" || directive.name == "no-cache")
                return std::nullopt;
            if (directive.name == "max-age" && !maxAge)
                maxAge = leadingInteger(directive.value);
        }
        if (maxAge) {
            if (*maxAge < 1)
                return std::nullopt;
            return base.addingTimeInterval(*maxAge);
        }
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
