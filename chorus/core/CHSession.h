#pragma once

#include "chorus/core/CHAccessTokenData.h"
#include "chorus/core/CHSessionState.h"
#include "platform/base/Error.h"
#include "platform/base/Result.h"
#include "platform/base/URL.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CHWebDialogViewController;

// A login session with the client's server: its state, its access token, and the login that
// opens it. Logging in shows the server's login page in a web dialog; the page ends by going
// to "chconnect://success" with "access_token" (and "expires_in") in its fragment or query, or
// with "error" when the user refused or the server failed.
//
// The handler given to an open hears the login's outcome (open, or closed after a failed
// login) and then every later state change of the session (token extended, closed) up to and
// including the change that closes it; then it is let go. Main thread only.
class CHSession : public std::enable_shared_from_this<CHSession> {
    struct Private {};

public:
    using StateHandler =
        std::function<void(const std::shared_ptr<CHSession>& session, CHSessionState state,
                           const std::optional<base::Error>& error)>;

    // A session for the configured application asking for no permissions.
    static std::shared_ptr<CHSession> create();
    static std::shared_ptr<CHSession> createWithPermissions(std::vector<std::string> permissions);
    CHSession(Private, std::string appID, std::vector<std::string> permissions);
    ~CHSession();
    CHSession(const CHSession&) = delete;
    CHSession& operator=(const CHSession&) = delete;

    // The shared session: made with create() and made active when there is none, so never
    // null.
    static std::shared_ptr<CHSession> activeSession();
    // Makes `session` the shared one (null: none, so that the next activeSession() makes a
    // fresh one); returns the one it replaces.
    static std::shared_ptr<CHSession> setActiveSession(std::shared_ptr<CHSession> session);

    // Makes a new session asking for the read permissions, makes it the active one and opens
    // it. Without login UI allowed there is no token to open with, so nothing happens and the
    // handler is never called. Returns whether the session is open on return, which it never
    // is with a login still to come (callers may ignore it).
    static bool openActiveSessionWithReadPermissionsAllowLoginUICompletionHandler(
        std::vector<std::string> readPermissions, bool allowLoginUI, StateHandler handler);

    // Opens this session with the login page: state CreatedOpening until the login ends.
    // Refused (false, the handler not kept) unless the session is in state Created.
    bool openWithCompletionHandler(StateHandler handler);

    CHSessionState state() const { return state_; }
    bool isOpen() const { return CHSessionStateIsOpen(state_); }
    const std::string& appID() const { return appID_; }
    const std::vector<std::string>& permissions() const { return permissions_; }
    // Set while the session is open.
    const std::optional<CHAccessTokenData>& accessTokenData() const { return token_; }

    // A token the server gave in place of the current one: state OpenTokenExtended. Only an
    // open session takes one (false otherwise).
    bool refreshAccessTokenExpirationDate(std::string accessToken, base::Date expirationDate);
    // Closes an open session and forgets its token: state Closed. A login still under way is
    // closed as the user would close it, so the session ends ClosedLoginFailed.
    void close();

    // The login page's address: "<server>/dialog/oauth" with the application, the redirect
    // address, the permissions as "scope" and a token answer asked for.
    base::URL loginURL() const;
    // What the redirect at the end of the login page gives: the token when it holds a
    // non-empty "access_token" (lasting "expires_in" seconds), else the reason the server gave
    // for refusing ("error", "error_description").
    static base::Result<CHAccessTokenData>
    tokenOfLoginRedirect(const base::URL& redirect, std::vector<std::string> permissions);
    // The login dialog while it is shown (tests play the page through it).
    std::shared_ptr<CHWebDialogViewController> loginDialog() const { return loginDialog_; }

private:
    void loginEnded(const std::optional<base::URL>& redirect, std::optional<base::Error> error);
    void transition(CHSessionState state, const std::optional<base::Error>& error);

    std::string appID_;
    std::vector<std::string> permissions_;
    CHSessionState state_ = CHSessionState::Created;
    std::optional<CHAccessTokenData> token_;
    StateHandler handler_;
    std::shared_ptr<CHWebDialogViewController> loginDialog_;
};
