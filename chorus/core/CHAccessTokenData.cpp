#include "chorus/core/CHAccessTokenData.h"

#include <charconv>
#include <limits>

CHAccessTokenData CHAccessTokenData::fromLoginAnswer(std::string accessToken,
                                                     std::vector<std::string> permissions,
                                                     const std::string& expiresIn) {
    const base::Date now = base::Date::now();
    long long seconds = 0;
    const auto [end, error] =
        std::from_chars(expiresIn.data(), expiresIn.data() + expiresIn.size(), seconds);
    const bool read = error == std::errc() && end == expiresIn.data() + expiresIn.size();
    const base::Date expiration = read && seconds > 0
                                      ? now.addingTimeInterval(double(seconds))
                                      : base::Date(std::numeric_limits<double>::max());
    return CHAccessTokenData(std::move(accessToken), std::move(permissions), expiration, now);
}
