#include "browser/ShareKit.h"

#include "chorus/core/CHSession.h"
#include "chorus/dialogs/CHWebDialogs.h"
#include "chorus/ui/CHFriendPickerViewController.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/ui/Application.h"
#include "platform/ui/Image.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/PhotoAlbum.h"
#include "platform/ui/Window.h"

namespace {

enum Finished : std::int32_t {
    MailSent = 1,
    MailSaved = 2,
    TwitterPosted = 3,
    ChorusPosted = 4,
    ImageSaved = 5,
    ImageCopied = 6,
    FeedPostedToFriend = 7,
    FeedPostedToOwnWall = 8,
};

enum Failed : std::int32_t {
    MailCancelled = 1,
    MailFailed = 2,
    TwitterCancelled = 3,
    TwitterUnavailable = 4,
    ChorusCancelled = 5,
    ChorusUnavailable = 6,
    LoginFailed = 7,
    PickerCancelled = 8,
    FeedNotCompleted = 9,
    FeedNotPosted = 10,
    FeedFailed = 11,
    ImageNotStored = 12,
    TwitterPostFailed = 13,
    ChorusPostFailed = 14,
};

} // namespace

std::shared_ptr<ShareKit> ShareKit::create() {
    base::assertMainThread();
    return std::make_shared<ShareKit>(Private{});
}

void ShareKit::finished(std::int32_t code) {
    base::assertMainThread();
    if (auto delegate = delegate_.lock())
        delegate->shareKitSharingFinished(code);
}

void ShareKit::failed(std::int32_t code) {
    base::assertMainThread();
    if (auto delegate = delegate_.lock())
        delegate->shareKitSharingFailed(code);
}

std::shared_ptr<ui::ViewController>
ShareKit::presenterFor(const std::shared_ptr<ui::ViewController>& viewController) {
    if (viewController)
        return viewController;
    const auto windows = ui::Application::shared().windows();
    return windows.empty() ? nullptr : windows.front()->rootViewController();
}

// --- Mail.

void ShareKit::shareViaEmailWithSubjectAndBodyAndImageFromViewController(
    const std::string& subject, const std::string& body, const std::shared_ptr<ui::Image>& image,
    const std::shared_ptr<ui::ViewController>& viewController) {
    if (!ui::MailComposer::canSendMail()) {
        base::log("This device cannot send email");
        failed(MailFailed);
        return;
    }
    auto composer = ui::MailComposer::create();
    if (image) {
        base::Data jpeg = image->jpegData(0.0);
        if (!jpeg.empty())
            composer->addAttachmentDataMimeTypeFileName(std::move(jpeg), "image/jpeg",
                                                        "Attachment.jpg");
        else
            base::log("The image has no picture to attach; the mail goes without it.");
    }
    composer->setSubject(subject);
    composer->setMessageBodyIsHTML(body, false);
    // The delegate is in place before the composer shows, so that no choice goes unheard.
    composer->setMailComposeDelegate(weak_from_this());
    if (auto presenter = presenterFor(viewController))
        presenter->presentViewController(composer, true);
    if (!composer->presentingViewController()) {
        base::log("The mail composer could not be shown.");
        failed(MailFailed);
    }
}

void ShareKit::mailComposeControllerDidFinishWithResultError(ui::MailComposer& controller,
                                                             ui::MailComposeResult result,
                                                             const std::optional<base::Error>&) {
    switch (result) {
    case ui::MailComposeResult::Cancelled:
        failed(MailCancelled);
        break;
    case ui::MailComposeResult::Saved:
        finished(MailSaved);
        break;
    case ui::MailComposeResult::Sent:
        finished(MailSent);
        break;
    default:
        failed(MailFailed);
        break;
    }
    controller.dismissViewControllerAnimated(true);
}

// --- Share sheets.

void ShareKit::shareOnTwitterWithTextAndURLFromViewController(
    const std::shared_ptr<ui::Image>& image, const std::string& text,
    const std::optional<std::string>& address,
    const std::shared_ptr<ui::ViewController>& viewController) {
    shareOnService(ui::ShareServiceType::Twitter, image, text, address, viewController);
}

void ShareKit::shareOnChorusWithTextAndURLFromViewController(
    const std::shared_ptr<ui::Image>& image, const std::string& text,
    const std::optional<std::string>& address,
    const std::shared_ptr<ui::ViewController>& viewController) {
    shareOnService(ui::ShareServiceType::Chorus, image, text, address, viewController);
}

void ShareKit::shareOnService(ui::ShareServiceType service, const std::shared_ptr<ui::Image>& image,
                              const std::string& text, const std::optional<std::string>& address,
                              const std::shared_ptr<ui::ViewController>& viewController) {
    base::assertMainThread();
    const bool twitter = service == ui::ShareServiceType::Twitter;
    if (!ui::ShareSheet::isAvailableForServiceType(service)) {
        failed(twitter ? TwitterUnavailable : ChorusUnavailable);
        return;
    }
    auto sheet = ui::ShareSheet::create(service);
    std::weak_ptr<ShareKit> weak = weak_from_this();
    std::weak_ptr<ui::ShareSheet> weakSheet = sheet;
    sheet->setCompletionHandler([weak, weakSheet, twitter](ui::ShareSheetResult result) {
        auto shown = weakSheet.lock();
        if (auto self = weak.lock()) {
            if (result == ui::ShareSheetResult::Done) {
                self->finished(twitter ? TwitterPosted : ChorusPosted);
            } else if (result == ui::ShareSheetResult::Failed) {
                base::log("The post did not reach the service: " +
                          (shown && shown->error() ? shown->error()->localizedDescription()
                                                   : std::string("no reason given")));
                self->failed(twitter ? TwitterPostFailed : ChorusPostFailed);
            } else {
                self->failed(twitter ? TwitterCancelled : ChorusCancelled);
            }
        }
        if (shown)
            shown->dismissViewControllerAnimated(true);
    });
    sheet->setInitialText(text);
    if (address) {
        if (auto url = base::URL::parse(*address))
            sheet->addURL(*url);
        else
            base::log("The address to share is not a URL and is left out: " + *address);
    }
    sheet->addImage(image);
    if (auto presenter = presenterFor(viewController))
        presenter->presentViewController(sheet, true);
    if (!sheet->presentingViewController()) {
        base::log("The share sheet could not be shown.");
        failed(twitter ? TwitterCancelled : ChorusCancelled);
    }
}

// --- Images.

void ShareKit::saveImageToPhotosRoll(const std::shared_ptr<ui::Image>& image) {
    base::assertMainThread();
    if (!image) {
        failed(ImageNotStored);
        return;
    }
    std::weak_ptr<ShareKit> weak = weak_from_this();
    ui::PhotoAlbum::saveImage(image, [weak](const std::optional<base::Error>& error) {
        auto self = weak.lock();
        if (!self)
            return;
        if (error) {
            base::log("The image could not be saved: " + error->localizedDescription());
            self->failed(ImageNotStored);
        } else {
            self->finished(ImageSaved);
        }
    });
}

void ShareKit::copyImageToClipBoard(const std::shared_ptr<ui::Image>& image) {
    base::assertMainThread();
    if (!image) {
        failed(ImageNotStored);
        return;
    }
    if (!ui::Pasteboard::general().setImage(image)) {
        base::log("The image could not be copied to the clipboard.");
        failed(ImageNotStored);
        return;
    }
    finished(ImageCopied);
}

// --- Friend-wall post.

void ShareKit::postOnFriendsWallFromViewController(
    CHUtility::Parameters parameters, const std::shared_ptr<ui::ViewController>& viewController) {
    base::assertMainThread();
    callerClass_ = viewController;
    if (CHSession::activeSession()->isOpen()) {
        showFriendPickerWithOptions(std::move(parameters));
        return;
    }
    // The session's handler hears every later change of the session too (token extended,
    // closed): only the login's own outcome may lead on, and only once.
    auto acted = std::make_shared<bool>(false);
    std::weak_ptr<ShareKit> weak = weak_from_this();
    CHSession::openActiveSessionWithReadPermissionsAllowLoginUICompletionHandler(
        {"read_friendlists"}, true,
        [weak, parameters, acted](const std::shared_ptr<CHSession>&, CHSessionState state,
                                  const std::optional<base::Error>&) {
            auto self = weak.lock();
            if (!self || *acted)
                return;
            if (state == CHSessionState::ClosedLoginFailed) {
                *acted = true;
                self->failed(LoginFailed);
            } else if (CHSessionStateIsOpen(state)) {
                *acted = true;
                self->showFriendPickerWithOptions(parameters);
            }
        });
}

void ShareKit::showFriendPickerWithOptions(CHUtility::Parameters parameters) {
    auto picker = CHFriendPickerViewController::create();
    picker->setTitle("Pick a Friends");
    picker->loadData();
    picker->setAllowsMultipleSelection(false);
    std::weak_ptr<ShareKit> weak = weak_from_this();
    picker->presentModallyFromViewControllerAnimatedHandler(
        presenterFor(callerClass_), true,
        [weak, parameters = std::move(parameters)](CHViewController& sender, bool donePressed) {
            auto self = weak.lock();
            if (!self)
                return;
            if (!donePressed) {
                self->failed(PickerCancelled);
                return;
            }
            base::log("DONE PRESSED");
            const auto selection = static_cast<CHFriendPickerViewController&>(sender).selection();
            std::vector<std::string> names;
            for (const auto& user : selection)
                names.push_back(user.name());
            std::optional<std::string> userID;
            if (!selection.empty())
                userID = selection.back().id();
            self->showDialogwithUserAndNameWithOptions(userID, base::join(names, ", "), parameters);
        });
}

void ShareKit::showDialogwithUserAndNameWithOptions(const std::optional<std::string>& userID,
                                                    const std::string&,
                                                    CHUtility::Parameters parameters) {
    if (userID)
        parameters["to"] = *userID;
    std::weak_ptr<ShareKit> weak = weak_from_this();
    CHWebDialogs::presentFeedDialogModallyWithSessionParametersHandler(
        nullptr, std::move(parameters),
        [weak, userID](CHWebDialogResult result, const std::optional<base::URL>& resultURL,
                       const std::optional<base::Error>& error) {
            auto self = weak.lock();
            if (!self)
                return;
            if (error) {
                base::log("Error publishing story.");
                self->failed(FeedFailed);
            } else if (result == CHWebDialogResult::DialogCompleted) {
                self->checkmeWithResultUserid(resultURL ? resultURL->absoluteString() : "", userID);
            } else {
                self->failed(FeedNotCompleted);
            }
        });
}

void ShareKit::checkmeWithResultUserid(const std::string& result,
                                       const std::optional<std::string>& userID) {
    const auto url = base::URL::parse(result);
    const auto parameters = url ? CHUtility::parametersOfURL(*url) : CHUtility::Parameters();
    const auto postID = parameters.find("post_id");
    if (postID == parameters.end() || postID->second.empty()) {
        failed(FeedNotPosted);
        return;
    }
    finished(userID ? FeedPostedToFriend : FeedPostedToOwnWall);
}
