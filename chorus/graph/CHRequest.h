#pragma once

#include "chorus/core/CHUtility.h"
#include "platform/base/URL.h"
#include "platform/net/URLRequest.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class CHSession;

// One request of the server's data: a path under the API version ("me/friends"), its
// parameters and its HTTP method ("GET" reads, "POST" writes), sent with the session's access
// token when the session is open.
class CHRequest {
public:
    // The largest answer kept: a JSON reply of the server (a long friend list is a few hundred
    // kilobytes).
    static constexpr std::uint64_t maximumAnswerLength = 8 * 1024 * 1024;

    CHRequest(std::shared_ptr<CHSession> session, std::string graphPath,
              CHUtility::Parameters parameters = {}, std::string HTTPMethod = "GET");

    // The user's friends, with their identifiers and names, for the active session.
    static CHRequest requestForMyFriends();
    // A post on the user's own feed for the active session: the message, and the link when
    // there is one. The server answers the new post's "id".
    static CHRequest requestForPostToMyFeed(const std::string& message,
                                            const std::optional<std::string>& link);

    const std::shared_ptr<CHSession>& session() const { return session_; }
    const std::string& graphPath() const { return graphPath_; }
    const CHUtility::Parameters& parameters() const { return parameters_; }
    const std::string& HTTPMethod() const { return HTTPMethod_; }

    // "<server>/v2.2/<path>" with the parameters, "format=json", "sdk=ios" and the access token
    // when there is one: in the query of a GET, as a form body
    // (application/x-www-form-urlencoded) of a POST; with the client's User-Agent. Never
    // answered from the cache: what it reads changes and holds a token. The answer may hold at
    // most maximumAnswerLength decoded bytes and the exchange may take at most
    // net::URLRequest::serviceTimeLimit.
    net::URLRequest URLRequest() const;

private:
    std::shared_ptr<CHSession> session_;
    std::string graphPath_;
    CHUtility::Parameters parameters_;
    std::string HTTPMethod_;
};
