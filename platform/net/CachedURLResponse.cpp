#include "platform/net/CachedURLResponse.h"

#include "platform/base/HTTPDate.h"
#include "platform/base/Strings.h"
#include "platform/net/CacheDirectives.h"
#include "platform/net/URLRequest.h"

#include <charconv>
#include <string>

namespace net {

namespace {

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
    CacheDirectives directives(fields);
    if (directives.contains("no-cache"))
        return storedDate_;
    double age = 0;
    if (auto ageField = fields.value("Age"))
        age = double(nonNegativeNumber(*ageField).value_or(0));
    if (auto maxAge = directives.value("max-age")) {
        auto seconds = nonNegativeNumber(*maxAge);
        // A max-age that cannot be read makes the response stale (RFC 9111 4.2.1).
        return storedDate_.addingTimeInterval(seconds ? double(*seconds) - age : -1);
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
    if (CacheDirectives(request.allHTTPHeaderFields()).contains("no-store"))
        return false;
    const auto& fields = response.allHeaderFields();
    CacheDirectives directives(fields);
    if (directives.contains("no-store"))
        return false;
    return directives.contains("max-age") || fields.contains("Expires") ||
           fields.contains("Last-Modified") || fields.contains("ETag");
}

} // namespace net
