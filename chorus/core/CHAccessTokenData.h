#pragma once

#include "platform/base/Date.h"

#include <string>
#include <vector>

// An access token the server gave at login or on a refresh, with the permissions it was asked
// for and the moment it stops working. A value: a refresh makes a new one.
class CHAccessTokenData {
public:
    CHAccessTokenData(std::string accessToken, std::vector<std::string> permissions,
                      base::Date expirationDate, base::Date refreshDate)
        : accessToken_(std::move(accessToken))
        , permissions_(std::move(permissions))
        , expirationDate_(expirationDate)
        , refreshDate_(refreshDate) {}

    // A login's answer: "expires_in" seconds from now; none, zero or unreadable means a token
    // that does not expire.
    static CHAccessTokenData fromLoginAnswer(std::string accessToken,
                                             std::vector<std::string> permissions,
                                             const std::string& expiresIn);

    const std::string& accessToken() const { return accessToken_; }
    const std::vector<std::string>& permissions() const { return permissions_; }
    base::Date expirationDate() const { return expirationDate_; }
    // When the server last gave or refreshed the token.
    base::Date refreshDate() const { return refreshDate_; }

    bool operator==(const CHAccessTokenData&) const = default;

private:
    std::string accessToken_;
    std::vector<std::string> permissions_;
    base::Date expirationDate_;
    base::Date refreshDate_;
};
