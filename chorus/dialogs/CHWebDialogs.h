#pragma once

#include "chorus/core/CHUtility.h"
#include "chorus/dialogs/CHWebDialogResult.h"
#include "platform/base/Error.h"
#include "platform/base/URL.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class CHSession;

// The server's dialogs, shown modally in a web view over the top-most screen.
class CHWebDialogs {
public:
    // Called once, after the dialog has gone: with an error when the dialog failed (its page
    // did not load, or its server reported an error), else with the result and, for a
    // completed dialog, the redirect URL holding the page's parameters ("post_id" when a
    // story was posted).
    using Handler =
        std::function<void(CHWebDialogResult result, const std::optional<base::URL>& resultURL,
                           const std::optional<base::Error>& error)>;
    struct Outcome {
        CHWebDialogResult result = CHWebDialogResult::DialogNotCompleted;
        std::optional<base::URL> resultURL;
        std::optional<base::Error> error;
    };

    CHWebDialogs() = delete;

    // The feed dialog ("<server>/dialog/feed"): posts a story, to the wall of the user whose
    // identifier is under "to" when given. With a null session the active session is used
    // when it is open; an open session's access token goes with the parameters. The
    // application identifier always does.
    static void presentFeedDialogModallyWithSessionParametersHandler(
        std::shared_ptr<CHSession> session, CHUtility::Parameters parameters, Handler handler);

    // The address of a dialog page with its parameters.
    static base::URL dialogURL(const std::string& dialog, const std::shared_ptr<CHSession>& session,
                               CHUtility::Parameters parameters);
    // What the redirect at the end of a dialog's page means: with "error_code" (and
    // "error_message") the server's error, else a completed dialog with that URL.
    static Outcome outcomeOfRedirect(const base::URL& redirect);
};
