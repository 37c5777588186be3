#pragma once

#include "chorus/core/CHUtility.h"
#include "platform/base/URL.h"
#include "platform/net/URLRequest.h"

#include <cstdint>
#include <memory>
#include <string>

class CHSession;

// One read of the server's data: a path under the API version ("me/friends") and its
// parameters, sent with the session's access token when the session is open.
class CHRequest {
public:
    // The largest answer kept: a JSON reply of the server (a long friend list is a few hundred
    // kilobytes).
    static constexpr std::uint64_t maximumAnswerLength = 8 * 1024 * 1024;

    CHRequest(std::shared_ptr<CHSession> session, std::string graphPath,
              CHUtility::Parameters parameters = {});

    // The user's friends, with their identifiers and names, for the active session.
    static CHRequest requestForMyFriends();

    const std::shared_ptr<CHSession>& session() const { return session_; }
    const std::string& graphPath() const { return graphPath_; }
    const CHUtility::Parameters& parameters() const { return parameters_; }

    // GET "<server>/v2.2/<path>?…" with the parameters, "format=json", "sdk=ios", the access
    // token when there is one, and the client's User-Agent. Never answered from the cache:
    // what it reads changes and holds a token. The answer may hold at most
    // maximumAnswerLength decoded bytes and the exchange may take at most
    // net::URLRequest::serviceTimeLimit.
    net::URLRequest URLRequest() const;

private:
    std::shared_ptr<CHSession> session_;
    std::string graphPath_;
    CHUtility::Parameters parameters_;
};
