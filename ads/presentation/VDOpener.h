#pragma once

#include "ads/presentation/VDIntermission.h"
#include "ads/presentation/VDOpenerDelegate.h"
#include "ads/webview/VDClickActionOpener.h"
#include "platform/base/Value.h"
#include "platform/ui/MailComposer.h"
#include "platform/ui/ProductSheet.h"

#include <memory>
#include <optional>
#include <string>

// Carries out a creative's click actions, each through the platform, by the URL's scheme:
//  - "itms-apps:" / "itms:" naming a product ("…/id<digits>"), or openProductSheet(): the
//    store's product sheet, inside the application;
//  - "mailto:": the mail composer, filled from the URL (to, cc, bcc, subject, body), inside the
//    application; refused when no mail can be sent;
//  - "http:" / "https:": the landing page inside the application (VDBrowserViewController),
//    or, with no controller to present it from, the desktop's browser (openApp);
//  - "tel:", "sms:", "facetime:", "facetime-audio:", "webcal:": another application (openApp),
//    the one the desktop has for the scheme; refused when it has none;
//  - anything else ("javascript:", "file:", "data:", unknown schemes): refused.
// A refused click opens nothing, tells the slot nothing and writes why in the public log.
//
// Leaving the application: the delegate (the slot) hears adWillLeaveApplication and
// willLeaveAppDueToClick, the URL is opened, then didOpen pings the click URLs.
// Inside the application: the landing page is a VDViewController, whose presentation is the
// takeover (the slot joins its intermission); the other screens are sheets, each a full-screen
// takeover presented from the delegate's
// presenting controller: a VDIntermission with the slot begins (adWillPresentScreen),
// "kAdModalViewControllerWillPresentFullScreen" is posted so that every slot pauses its
// refresh, the sheet is presented and didOpen pings the click URLs. When the user is done the
// intermission ends (adWillDismissScreen, then adDidDismissScreen once the sheet has gone) and
// "kAdModalViewControllerDidDismissFullScreen" is posted. One takeover at a time: a click while
// one is up is refused.
//
// With auto-click protection on (the ad server asks for it), only clicks the user made are
// carried out; a page that navigates by itself opens nothing. The delegate is held weakly.
// Main thread only.
class VDOpener : public VDClickActionOpener,
                 public ui::ProductSheetDelegate,
                 public ui::MailComposeDelegate,
                 public std::enable_shared_from_this<VDOpener> {
    struct Private {};

public:
    static std::shared_ptr<VDOpener> create(std::weak_ptr<VDOpenerDelegate> delegate = {});
    VDOpener(Private, std::weak_ptr<VDOpenerDelegate> delegate)
        : delegate_(std::move(delegate)) {}

    std::shared_ptr<VDOpenerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<VDOpenerDelegate> delegate) { delegate_ = std::move(delegate); }
    bool isAutoClickProtected() const { return autoClickProtected_; }
    void setAutoClickProtected(bool protectedFromAutoClicks) {
        autoClickProtected_ = protectedFromAutoClicks;
    }

    // A click on the creative: carried out by the URL's scheme (above).
    bool openClickURL(const base::URL& url, bool userInitiated) override;
    // Opens the URL in another application, leaving this one.
    bool openApp(const base::URL& url);
    // The landing page, full screen inside the application.
    bool openLandingPage(const base::URL& url);
    // The store's page of the product the parameters name (ui::ProductSheet's "id").
    bool openProductSheet(const base::Value::Dictionary& parameters);
    // A product sheet already made (and loaded) elsewhere, the one a swipe over the ad brought
    // in, as a full-screen takeover like the sheet of a click; no click URL is pinged.
    bool presentProductSheet(const std::shared_ptr<ui::ProductSheet>& sheet);
    // The mail composer filled from a "mailto:" URL.
    bool openMailComposer(const base::URL& mailtoURL);
    // The click's target was opened: the slot pings the click URLs.
    void didOpen();

    // The sheet of the takeover now up, if any.
    const std::shared_ptr<ui::ViewController>& presentedController() const { return presented_; }

    // --- ui::ProductSheetDelegate, ui::MailComposeDelegate: the user is done.
    void productViewControllerDidFinish(ui::ProductSheet& controller) override;
    void
    mailComposeControllerDidFinishWithResultError(ui::MailComposer& controller,
                                                  ui::MailComposeResult result,
                                                  const std::optional<base::Error>& error) override;

private:
    bool refuse(const std::string& why) const;
    // Starts the takeover and presents the controller; false (logged) when there is no
    // presenter or a takeover is already up.
    bool presentFullScreen(const std::shared_ptr<ui::ViewController>& controller);
    void dismissFullScreen(const ui::ViewController& controller);

    std::weak_ptr<VDOpenerDelegate> delegate_;
    bool autoClickProtected_ = false;
    std::shared_ptr<ui::ViewController> presented_;
    std::shared_ptr<VDIntermission> intermission_;
};
