#include "chorus/ui/CHShareService.h"

#include "chorus/core/CHError.h"
#include "chorus/core/CHSession.h"
#include "chorus/graph/CHRequestConnection.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"

std::shared_ptr<CHShareService> CHShareService::create() {
    return std::make_shared<CHShareService>(Private{});
}

void CHShareService::post(ui::SharePost post, Completion completion) {
    base::assertMainThread();
    if (CHSession::activeSession()->isOpen()) {
        send(post, completion);
        return;
    }
    // The session's handler hears later changes of the session too: only the login's own
    // outcome leads on, once.
    auto answered = std::make_shared<bool>(false);
    CHSession::openActiveSessionWithReadPermissionsAllowLoginUICompletionHandler(
        {publishPermission}, true,
        [post = std::move(post), completion, answered](const std::shared_ptr<CHSession>&,
                                                       CHSessionState state,
                                                       const std::optional<base::Error>& error) {
            if (*answered)
                return;
            if (CHSessionStateIsOpen(state)) {
                *answered = true;
                send(post, completion);
            } else if (state == CHSessionState::ClosedLoginFailed ||
                       state == CHSessionState::Closed) {
                *answered = true;
                completion(error ? *error
                                 : CHError::make(CHError::LoginFailedOrCancelled,
                                                 "The login to post was not completed."));
            }
        });
}

void CHShareService::send(const ui::SharePost& post, const Completion& completion) {
    std::optional<std::string> link;
    if (!post.urls.empty())
        link = post.urls.front().absoluteString();
    auto connection = CHRequestConnection::create();
    connection->addRequestCompletionHandler(
        CHRequest::requestForPostToMyFeed(post.text, link),
        [completion](CHRequestConnection&, const base::Value& result,
                     const std::optional<base::Error>& error) {
            if (error) {
                completion(error);
                return;
            }
            const auto* id = result["id"].string();
            if (!id || id->empty()) {
                completion(CHError::make(CHError::RequestFailed,
                                         "The server answered the post without its id."));
                return;
            }
            base::log("Posted on the feed: " + *id);
            completion(std::nullopt);
        });
    connection->start();
}
