#pragma once

#include "platform/ui/ShareService.h"

#include <memory>

// The share sheet's road to the social service: a post of the sheet becomes a post on the
// user's own feed at the client's server (CHRequest::requestForPostToMyFeed), with the sheet's
// text as the message and its first URL as the link (pictures are not sent). Without an open
// active session the user logs in first, in the login dialog shown over the sheet, asking for
// the permission "publish_actions"; a login that fails or is refused fails the post. The
// completion hears the server's answer: the post only once the server gave it an "id",
// else the server's refusal or the failed request. Main thread only.
class CHShareService : public ui::ShareService,
                       public std::enable_shared_from_this<CHShareService> {
    struct Private {};

public:
    static constexpr const char* publishPermission = "publish_actions";

    static std::shared_ptr<CHShareService> create();
    explicit CHShareService(Private) {}

    void post(ui::SharePost post, Completion completion) override;

private:
    static void send(const ui::SharePost& post, const Completion& completion);
};
