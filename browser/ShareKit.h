#pragma once

#include "browser/SimpleShareKitDelegate.h"
#include "chorus/core/CHUtility.h"
#include "platform/ui/MailComposer.h"
#include "platform/ui/ShareSheet.h"
#include "platform/ui/ViewController.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ui {
class Image;
}

// The browser's sharing component. A screen that shares owns one, makes itself the delegate
// and calls one operation; the outcome comes back to the delegate as a code:
//
// clang-format off
// | code | finished                                | failed                                     |
// |------|-----------------------------------------|--------------------------------------------|
// | 1    | mail sent                               | mail cancelled                             |
// | 2    | mail saved unsent                       | mail failed, or no mail account            |
// | 3    | Twitter sheet posted                    | Twitter sheet cancelled                    |
// | 4    | Chorus sheet posted                     | Twitter not available                      |
// | 5    | image saved to the photo album          | Chorus sheet cancelled                     |
// | 6    | image copied to the pasteboard          | Chorus not available                       |
// | 7    | feed story posted to the picked friend  | Chorus login failed                        |
// | 8    | feed story posted, no friend picked     | friend picker cancelled                    |
// | 9    |                                         | feed dialog closed without completing      |
// | 10   |                                         | feed dialog completed without a post       |
// | 11   |                                         | feed dialog failed                         |
// | 12   |                                         | image could not be saved or copied         |
// | 13   |                                         | Twitter refused the post or was unreachable |
// | 14   |                                         | Chorus refused the post or was unreachable |
// clang-format on
//
// Every operation ends in exactly one delegate call, on the main thread. Main thread only.
class ShareKit : public ui::MailComposeDelegate, public std::enable_shared_from_this<ShareKit> {
    struct Private {};

public:
    static std::shared_ptr<ShareKit> create();
    explicit ShareKit(Private) {}

    std::shared_ptr<SimpleShareKitDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<SimpleShareKitDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    // Kept for callers; no operation reads it.
    const std::shared_ptr<ui::ViewController>& rootViewControllwe() const {
        return rootViewControllwe_;
    }
    void setRootViewControllwe(std::shared_ptr<ui::ViewController> controller) {
        rootViewControllwe_ = std::move(controller);
    }
    // The controller of the last friend-wall post; the friend picker is presented from it.
    const std::shared_ptr<ui::ViewController>& callerClass() const { return callerClass_; }

    // --- Mail: the composer with the subject, the plain-text body and, for an image, one
    // attachment "Attachment.jpg" (image/jpeg, the smallest encoding), presented from the
    // controller (the first window's root controller when none is given). Without a mail
    // account nothing is presented and failed 2 is reported.
    void shareViaEmailWithSubjectAndBodyAndImageFromViewController(
        const std::string& subject, const std::string& body,
        const std::shared_ptr<ui::Image>& image,
        const std::shared_ptr<ui::ViewController>& viewController);
    void
    mailComposeControllerDidFinishWithResultError(ui::MailComposer& controller,
                                                  ui::MailComposeResult result,
                                                  const std::optional<base::Error>& error) override;

    // --- The share sheets: the text, the URL made from `address` when it makes one, and the
    // image, presented from the controller. A service this program cannot reach (no road
    // installed for it, ui::ShareSheet::setService) reports unavailable at once and presents
    // nothing. Posted is reported only once the service has the post; its refusal is failed 13
    // (Twitter) or 14 (Chorus).
    void shareOnTwitterWithTextAndURLFromViewController(
        const std::shared_ptr<ui::Image>& image, const std::string& text,
        const std::optional<std::string>& address,
        const std::shared_ptr<ui::ViewController>& viewController);
    void shareOnChorusWithTextAndURLFromViewController(
        const std::shared_ptr<ui::Image>& image, const std::string& text,
        const std::optional<std::string>& address,
        const std::shared_ptr<ui::ViewController>& viewController);

    // --- Images: finished 5 once the album has the image, finished 6 once the general
    // pasteboard holds it; failed 12 for no image or one the album cannot store.
    void saveImageToPhotosRoll(const std::shared_ptr<ui::Image>& image);
    void copyImageToClipBoard(const std::shared_ptr<ui::Image>& image);

    // --- A post to a friend's wall: log in when the session is not open, pick a friend, then
    // the feed dialog with the parameters (the picked friend under "to").
    void
    postOnFriendsWallFromViewController(CHUtility::Parameters parameters,
                                        const std::shared_ptr<ui::ViewController>& viewController);
    void showFriendPickerWithOptions(CHUtility::Parameters parameters);
    void showDialogwithUserAndNameWithOptions(const std::optional<std::string>& userID,
                                              const std::string& names,
                                              CHUtility::Parameters parameters);
    // The outcome of a completed feed dialog: finished 7 (a friend was picked) or 8 when the
    // result URL carries a non-empty "post_id", else failed 10.
    void checkmeWithResultUserid(const std::string& result,
                                 const std::optional<std::string>& userID);

    // Where the mail, the sheets and the picker are presented from: the given controller, or
    // the first window's root controller.
    static std::shared_ptr<ui::ViewController>
    presenterFor(const std::shared_ptr<ui::ViewController>& viewController);

private:
    void shareOnService(ui::ShareServiceType service, const std::shared_ptr<ui::Image>& image,
                        const std::string& text, const std::optional<std::string>& address,
                        const std::shared_ptr<ui::ViewController>& viewController);
    void finished(std::int32_t code);
    void failed(std::int32_t code);

    std::weak_ptr<SimpleShareKitDelegate> delegate_;
    std::shared_ptr<ui::ViewController> rootViewControllwe_;
    std::shared_ptr<ui::ViewController> callerClass_;
};
