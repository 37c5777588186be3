// The browser screen's share panel and what its buttons share.

#include "browser/AdManager.h"
#include "browser/BrowserSettings.h"
#include "browser/BrowserViewController.h"
#include "browser/ShareKit.h"
#include "platform/base/Bundle.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Timer.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Image.h"
#include "platform/ui/Screen.h"

namespace {

std::int64_t tagOf(const ui::InterfaceObject& sender) {
    if (auto view = sender.as<ui::View>())
        return view->tag();
    if (auto item = sender.as<ui::BarButtonItem>())
        return item->tag();
    return 0;
}

} // namespace

// --- The panel.

void BrowserViewController::share(const ui::InterfaceObject&) {
    auto root = view();
    // Opening again before the last close has hidden the dimming view keeps it.
    if (hideTimer_) {
        hideTimer_->invalidate();
        hideTimer_.reset();
    }
    // Above the web views, which a tab change brings to the front.
    root->bringSubviewToFront(darkview_);
    root->bringSubviewToFront(imgpicker_);
    darkview_->setHidden(false);
    darkview_->setCenter(root->center());

    const double height = root->frame().size.height;
    const double x = imgpicker_->center().x;
    imgpicker_->setCenter(ui::Point(x, 2 * height));
    const double half = imgpicker_->bounds().size.height / 2;
    // On a pad 40 points of the panel stay below the screen's edge; on a phone its bottom
    // meets the screen's.
    const double y =
        isPad() ? height - half + 40.0 : ui::Screen::mainScreen().bounds().size.height - half;
    auto panel = imgpicker_;
    ui::View::animate(sharePanelSlideDuration,
                      [panel, x, y] { panel->setCenter(ui::Point(x, y)); });
    moveBannerForSharePanel(true);
}

void BrowserViewController::share_tap(const ui::InterfaceObject& sender) {
    switch (tagOf(sender)) {
    case 0:
        rate(ui::InterfaceObject());
        break;
    case 1:
        shartwitter(ui::InterfaceObject());
        break;
    case 2:
        email(ui::InterfaceObject());
        break;
    case 3:
        sharechorus(ui::InterfaceObject());
        break;
    default:
        break;
    }
    hidedark_view(ui::InterfaceObject());
}

void BrowserViewController::hidedark_view(const ui::InterfaceObject&) {
    base::log("sdasd");
    const double height = view()->frame().size.height;
    const double x = imgpicker_->center().x;
    const double y = isPad() ? 3 * height : 2 * height;
    auto panel = imgpicker_;
    ui::View::animate(sharePanelSlideDuration,
                      [panel, x, y] { panel->setCenter(ui::Point(x, y)); });
    if (hideTimer_)
        hideTimer_->invalidate();
    std::weak_ptr<BrowserViewController> weak =
        std::static_pointer_cast<BrowserViewController>(shared_from_this());
    hideTimer_ = base::RunLoop::main().dispatchAfter(base::Seconds(darkviewHideDelay), [weak] {
        if (auto self = weak.lock()) {
            self->hideTimer_.reset();
            self->hide();
        }
    });
    moveBannerForSharePanel(false);
}

void BrowserViewController::hide() {
    darkview_->setHidden(true);
}

void BrowserViewController::moveBannerForSharePanel(bool open) {
    AdManager::sharedInstance()->animate_banner(open ? AdManager::sharePanelBannerCentre
                                                     : AdManager::browserScreenBannerCentre());
}

// --- What the buttons do.

void BrowserViewController::rate(const ui::InterfaceObject& sender) {
    if (tagOf(sender) != 0) {
        if (auto navigation = navigationController())
            navigation->popToRootViewControllerAnimated(true);
        return;
    }
    if (auto page = base::URL::parse(BrowserSettings::appStorePageAddress()))
        ui::Application::shared().openURL(*page);
}

std::string BrowserViewController::sharedLink() const {
    return searchAddressForText(addressBar_->text());
}

void BrowserViewController::shartwitter(const ui::InterfaceObject&) {
    if (addressBar_->text().empty())
        return;
    share_->shareOnTwitterWithTextAndURLFromViewController(
        ui::Image::named(BrowserSettings::productPicture), "Check out this SimpleShareKit!",
        sharedLink(), shared_from_this());
}

void BrowserViewController::sharechorus(const ui::InterfaceObject&) {
    if (addressBar_->text().empty())
        return;
    share_->shareOnChorusWithTextAndURLFromViewController(nullptr, "Check out this app! ",
                                                          sharedLink(), shared_from_this());
}

void BrowserViewController::email(const ui::InterfaceObject&) {
    if (!ui::MailComposer::canSendMail()) {
        ui::AlertView::create("Failed", "Please add a mail account in settings.", {}, "Done")
            ->show();
        base::log("This device cannot send email");
        requestInterstitialAfterSharing();
        return;
    }
    base::log("here");
    auto composer = ui::MailComposer::create();
    composer->setMailComposeDelegate(
        std::static_pointer_cast<BrowserViewController>(shared_from_this()));
    const auto* product =
        base::Bundle::main().objectForInfoDictionaryKey(base::Bundle::nameKey).string();
    composer->setSubject(product ? *product : "Browser");
    // An empty address field still mails a link, with an empty query.
    const std::string text = "Check out this link! " + sharedLink();
    composer->setMessageBodyIsHTML(" Try this : " + text, true);
    presentViewController(composer, true);
}

void BrowserViewController::mailComposeControllerDidFinishWithResultError(
    ui::MailComposer& controller, ui::MailComposeResult result, const std::optional<base::Error>&) {
    switch (result) {
    case ui::MailComposeResult::Cancelled:
        base::log("You cancelled sending this email.");
        break;
    case ui::MailComposeResult::Saved:
        base::log("You saved a draft of this email");
        break;
    case ui::MailComposeResult::Sent:
        base::log("You sent the email.");
        break;
    case ui::MailComposeResult::Failed:
        base::log("Mail failed:  An error occurred when trying to compose this email");
        break;
    default:
        base::log("An error occurred when trying to compose this email");
        break;
    }
    controller.dismissViewControllerAnimated(true);
    requestInterstitialAfterSharing();
}

// --- Outcomes.

std::string BrowserViewController::sharingFinishedMessage(std::int32_t code) {
    switch (code) {
    case 1:
        return "Email is queued to sent!";
    case 2:
        return "You saved the email!";
    case 3:
        return "Tweet successful!";
    case 4:
        return "Posted on Chorus!";
    case 5:
        return "Image saved on Device Gallery!";
    case 6:
        return "Image coppied to clipboard!";
    case 7:
        return "Successfully Posted to your friend's wall!";
    case 8:
        return "You didn't pick a friend so it has been posted on your wall!";
    default:
        return "";
    }
}

std::string BrowserViewController::sharingFailedMessage(std::int32_t code) {
    switch (code) {
    case 1:
        return "You cancelled the email!";
    case 2:
        return "Email sending failed!";
    case 3:
        return "You canceled the Tweet!";
    case 5:
        return "You canceled the Chorus Post!";
    case 7:
        return "Chorus Permission missing!";
    case 8:
        return "You cancelled the Friendpicker!";
    case 9:
        return "You closed Chorus feedDialog";
    case 10:
        return "You cancelled Chorus share";
    case 11:
        return "Error posting on Friend's wall";
    case 13:
        return "The Tweet could not be posted!";
    case 14:
        return "Posting on Chorus failed!";
    default:
        return "There is no accounts";
    }
}

void BrowserViewController::shareKitSharingFinished(std::int32_t code) {
    base::assertMainThread();
    showSharingAlert(sharingFinishedMessage(code));
}

void BrowserViewController::shareKitSharingFailed(std::int32_t code) {
    base::assertMainThread();
    showSharingAlert(sharingFailedMessage(code));
}

void BrowserViewController::showSharingAlert(const std::string& message) {
    ui::AlertView::create("", message, {}, "Done")->show();
    requestInterstitialAfterSharing();
}

void BrowserViewController::hideAlert(const std::shared_ptr<ui::AlertView>& alert) {
    if (alert)
        alert->dismissWithClickedButtonIndex(0, true);
}

void BrowserViewController::requestInterstitialAfterSharing() {
    AdManager::sharedInstance()->showVeDivFullscreen();
}
