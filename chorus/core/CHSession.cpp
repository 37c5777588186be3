#include "chorus/core/CHSession.h"

#include "chorus/core/CHError.h"
#include "chorus/core/CHSettings.h"
#include "chorus/core/CHUtility.h"
#include "chorus/core/CHWebDialogViewController.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"

namespace {

std::shared_ptr<CHSession>& sharedSession() {
    static std::shared_ptr<CHSession> session;
    return session;
}

base::Error loginError(std::string reason, std::string description) {
    base::Value::Dictionary details;
    details[CHError::loginFailedReasonKey] = base::Value(std::move(reason));
    return CHError::make(CHError::LoginFailedOrCancelled, std::move(description),
                         std::move(details));
}

} // namespace

std::shared_ptr<CHSession> CHSession::create() {
    base::assertMainThread();
    return createWithPermissions({});
}

std::shared_ptr<CHSession> CHSession::createWithPermissions(std::vector<std::string> permissions) {
    base::assertMainThread();
    return std::make_shared<CHSession>(Private{}, CHSettings::appID(), std::move(permissions));
}

CHSession::CHSession(Private, std::string appID, std::vector<std::string> permissions)
    : appID_(std::move(appID))
    , permissions_(std::move(permissions)) {}

CHSession::~CHSession() = default;

std::shared_ptr<CHSession> CHSession::activeSession() {
    auto& session = sharedSession();
    if (!session)
        session = create();
    return session;
}

std::shared_ptr<CHSession> CHSession::setActiveSession(std::shared_ptr<CHSession> session) {
    return std::exchange(sharedSession(), std::move(session));
}

bool CHSession::openActiveSessionWithReadPermissionsAllowLoginUICompletionHandler(
    std::vector<std::string> readPermissions, bool allowLoginUI, StateHandler handler) {
    base::assertMainThread();
    auto session = createWithPermissions(std::move(readPermissions));
    setActiveSession(session);
    // Tokens are not kept between sessions: without the login page there is nothing to open.
    if (!allowLoginUI)
        return false;
    session->openWithCompletionHandler(std::move(handler));
    return session->isOpen();
}

bool CHSession::openWithCompletionHandler(StateHandler handler) {
    base::assertMainThread();
    if (state_ != CHSessionState::Created)
        return false;
    handler_ = std::move(handler);
    state_ = CHSessionState::CreatedOpening;
    std::weak_ptr<CHSession> weak = weak_from_this();
    loginDialog_ = CHWebDialogViewController::create(
        loginURL(), "Log In", [weak](const CHWebDialogViewController::Outcome& outcome) {
            auto self = weak.lock();
            if (!self)
                return;
            self->loginDialog_.reset();
            using Kind = CHWebDialogViewController::Outcome::Kind;
            switch (outcome.kind) {
            case Kind::Redirected:
                self->loginEnded(outcome.url, std::nullopt);
                break;
            case Kind::Closed:
                self->loginEnded(std::nullopt,
                                 loginError("closed", "The login was closed by the user."));
                break;
            case Kind::Failed:
                self->loginEnded(std::nullopt, outcome.error);
                break;
            }
        });
    loginDialog_->presentModally(true);
    return true;
}

base::URL CHSession::loginURL() const {
    CHUtility::Parameters parameters{
        {"client_id", appID_},
        {"redirect_uri", CHWebDialogViewController::redirectAddress},
        {"response_type", "token"},
        {"display", "touch"},
        {"sdk", "ios"},
    };
    if (!permissions_.empty())
        parameters["scope"] = base::join(permissions_, ",");
    return *base::URL::parse(CHSettings::serverAddress("dialog/oauth") + "?" +
                             CHUtility::stringBySerializingQueryParameters(parameters));
}

base::Result<CHAccessTokenData>
CHSession::tokenOfLoginRedirect(const base::URL& redirect, std::vector<std::string> permissions) {
    auto parameters = CHUtility::parametersOfURL(redirect);
    const std::string& token = parameters["access_token"];
    if (!token.empty())
        return CHAccessTokenData::fromLoginAnswer(token, std::move(permissions),
                                                  parameters["expires_in"]);
    std::string reason = parameters["error"];
    std::string description = parameters["error_description"];
    if (description.empty())
        description = "The server gave no access token.";
    return loginError(reason.empty() ? "no token" : std::move(reason),
                      "The login failed: " + description);
}

void CHSession::loginEnded(const std::optional<base::URL>& redirect,
                           std::optional<base::Error> error) {
    if (redirect) {
        auto token = tokenOfLoginRedirect(*redirect, permissions_);
        if (token) {
            token_ = std::move(token).value();
            transition(CHSessionState::Open, std::nullopt);
            return;
        }
        error = token.error();
    }
    transition(CHSessionState::ClosedLoginFailed, error);
}

bool CHSession::refreshAccessTokenExpirationDate(std::string accessToken,
                                                 base::Date expirationDate) {
    if (!isOpen() || accessToken.empty())
        return false;
    token_ =
        CHAccessTokenData(std::move(accessToken), permissions_, expirationDate, base::Date::now());
    transition(CHSessionState::OpenTokenExtended, std::nullopt);
    return true;
}

void CHSession::close() {
    base::assertMainThread();
    if (state_ == CHSessionState::CreatedOpening && loginDialog_) {
        loginDialog_->close();
        return;
    }
    if (!isOpen())
        return;
    token_.reset();
    transition(CHSessionState::Closed, std::nullopt);
}

void CHSession::transition(CHSessionState state, const std::optional<base::Error>& error) {
    state_ = state;
    auto handler = handler_;
    if (CHSessionStateIsClosed(state))
        handler_ = nullptr;
    if (handler)
        handler(shared_from_this(), state, error);
}
