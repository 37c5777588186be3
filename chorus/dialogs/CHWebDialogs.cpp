#include "chorus/dialogs/CHWebDialogs.h"

#include "chorus/core/CHError.h"
#include "chorus/core/CHSession.h"
#include "chorus/core/CHSettings.h"
#include "chorus/core/CHWebDialogViewController.h"

void CHWebDialogs::presentFeedDialogModallyWithSessionParametersHandler(
    std::shared_ptr<CHSession> session, CHUtility::Parameters parameters, Handler handler) {
    auto controller = CHWebDialogViewController::create(
        dialogURL("feed", session, std::move(parameters)), "Post to Chorus",
        [handler = std::move(handler)](const CHWebDialogViewController::Outcome& ended) {
            if (!handler)
                return;
            using Kind = CHWebDialogViewController::Outcome::Kind;
            switch (ended.kind) {
            case Kind::Redirected: {
                auto outcome = outcomeOfRedirect(*ended.url);
                handler(outcome.result, outcome.resultURL, outcome.error);
                break;
            }
            case Kind::Closed:
                handler(CHWebDialogResult::DialogNotCompleted, std::nullopt, std::nullopt);
                break;
            case Kind::Failed:
                handler(CHWebDialogResult::DialogNotCompleted, std::nullopt, ended.error);
                break;
            }
        });
    controller->presentModally(true);
}

base::URL CHWebDialogs::dialogURL(const std::string& dialog,
                                  const std::shared_ptr<CHSession>& session,
                                  CHUtility::Parameters parameters) {
    std::shared_ptr<CHSession> used = session;
    if (!used && CHSession::activeSession()->isOpen())
        used = CHSession::activeSession();
    parameters["app_id"] = used ? used->appID() : CHSettings::appID();
    if (used && used->isOpen() && used->accessTokenData())
        parameters["access_token"] = used->accessTokenData()->accessToken();
    parameters["redirect_uri"] = CHWebDialogViewController::redirectAddress;
    parameters["display"] = "touch";
    parameters["sdk"] = "ios";
    return *base::URL::parse(CHSettings::serverAddress("dialog/" + dialog) + "?" +
                             CHUtility::stringBySerializingQueryParameters(parameters));
}

CHWebDialogs::Outcome CHWebDialogs::outcomeOfRedirect(const base::URL& redirect) {
    auto parameters = CHUtility::parametersOfURL(redirect);
    auto code = parameters.find("error_code");
    if (code == parameters.end())
        return Outcome{CHWebDialogResult::DialogCompleted, redirect, std::nullopt};
    const std::string message = parameters["error_message"];
    base::Value::Dictionary details;
    details[CHError::serverErrorCodeKey] = base::Value(code->second);
    details[CHError::serverErrorMessageKey] = base::Value(message);
    return Outcome{CHWebDialogResult::DialogNotCompleted, std::nullopt,
                   CHError::make(CHError::DialogFailed,
                                 message.empty() ? "The dialog failed (error " + code->second + ")."
                                                 : "The dialog failed: " + message,
                                 std::move(details))};
}
