#include "platform/net/CachedURLResponse.h"

#include "platform/base/HTTPDate.h"
#include "platform/base/Strings.h"
#include "platform/net/URLRequest.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

namespace net {

namespace {

// The directives of every Cache-Control field: lower-cased names, values without quotes.
std::vector<std::pair<std::string, std::string>> cacheDirectives(const HTTPHeaderFields& fields) {
    std::vector<std::pair<std::string, std::string>> directives;
    for (auto& field : fields.values("Cache-Control")) {
        std::string_view rest = field;
        while (!rest.empty()) {
            auto comma = rest.find(',');
            auto piece = base::trimSpacesAndTabs(rest.substr(0, comma));
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
            if (piece.empty())
                continue;
            auto equals = piece.find('=');
            std::string name =
                base::lowercaseASCII(base::trimSpacesAndTabs(piece.substr(0, equals)));
            std::string value;
            if (equals != std::string_view::npos) {
                auto raw = base::trimSpacesAndTabs(piece.substr(equals + 1));
                if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"')
                    raw = raw.substr(1, raw.size() - 2);
                value = std::string(raw);
            }
            directives.emplace_back(std::move(name), std::move(value));
        }
    }
    return directives;
}

bool hasDirective(const std::vector<std::pair<std::string, std::string>>& directives,
                  std::string_view name) {
    return std::any_of(directives.begin(), directives.end(),
                       [&](auto& directive) { return directive.first == name; });
}

std::optional<std::int64_t> nonNegativeNumber(std::string_view text) {
    text = base::trimSpacesAndTabs(text);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

CachedURLResponse::CachedURLResponse(HTTPURLResponse response, base::Data data,
                                     base::Date storedDate)
    : response_(std::move(response))
    , data_(std::move(data))
    , storedDate_(storedDate) {}

std::optional<base::Date> CachedURLResponse::expirationDate() const {
    const auto& fields = response_.allHeaderFields();
    auto directives = cacheDirectives(fields);
    if (hasDirective(directives, "no-cache"))
        return storedDate_;
    double age = 0;
    if (auto ageField = fields.value("Age"))
        age = double(nonNegativeNumber(*ageField).value_or(0));
    for (auto& [name, value] : directives) {
        if (name == "max-age") {
            auto seconds = nonNegativeNumber(value);
            // A max-age that cannot be read makes the response stale (RFC 9111 4.2.1).
            return storedDate_.addingTimeInterval(seconds ? double(*seconds) - age : -1);
        }
    }
    if (auto expiresField = fields.value("Expires")) {
        auto expires = base::parseHTTPDate(*expiresField);
        if (!expires)
            return storedDate_.addingTimeInterval(-1); // "0" and the like: already expired
        auto date =
            fields.value("Date") ? base::parseHTTPDate(*fields.value("Date")) : std::nullopt;
        double lifetime = expires->timeIntervalSince(date.value_or(storedDate_));
        return storedDate_.addingTimeInterval(lifetime - age);
    }
    return std::nullopt;
}

bool CachedURLResponse::isFresh(base::Date now) const {
    auto expiration = expirationDate();
    return expiration && now < *expiration;
}

bool CachedURLResponse::isStorable(const URLRequest& request, const HTTPURLResponse& response) {
    if (!response.isHTTP() || response.statusCode() != 200 || request.HTTPMethod() != "GET")
        return false;
    if (!request.url() || (request.url()->scheme() != "http" && request.url()->scheme() != "https"))
        return false;
    HTTPHeaderFields requestFields = request.allHTTPHeaderFields();
    if (hasDirective(cacheDirectives(requestFields), "no-store"))
        return false;
    const auto& fields = response.allHeaderFields();
    auto directives = cacheDirectives(fields);
    if (hasDirective(directives, "no-store"))
        return false;
    return hasDirective(directives, "max-age") || fields.contains("Expires") ||
           fields.contains("Last-Modified") || fields.contains("ETag");
}

} // namespace net
