#include "ads/presentation/VDOpener.h"

#include "ads/foundation/VDLogger.h"
#include "ads/foundation/VDURLQuery.h"
#include "ads/presentation/VDBrowserViewController.h"
#include "ads/presentation/VDFullScreenNotifications.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/PercentEscape.h"
#include "platform/base/Strings.h"
#include "platform/ui/Application.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// Schemes a click may hand to another application: the web, and the desktop's telephone,
// messages and calendar applications.
bool leavesForScheme(const std::string& scheme) {
    static constexpr std::array<std::string_view, 7> schemes = {
        "http", "https", "tel", "sms", "facetime", "facetime-audio", "webcal"};
    return std::find(schemes.begin(), schemes.end(), scheme) != schemes.end();
}

// The product a store link names: the digits of its last "id<digits>" path segment.
std::optional<std::string> storeProductIdentifier(const base::URL& url) {
    std::optional<std::string> found;
    for (const auto& segment : base::splitByCharacters(url.path(), "/")) {
        if (segment.size() > 2 && segment.compare(0, 2, "id") == 0 &&
            segment.find_first_not_of("0123456789", 2) == std::string::npos)
            found = segment.substr(2);
    }
    return found;
}

// Addresses of a mailto list ("a@x.example,b@y.example"), escapes removed.
void appendAddresses(std::vector<std::string>& to, std::string_view list) {
    for (const auto& piece : base::splitByCharacters(list, ",")) {
        auto address = base::percentUnescape(base::trimSpacesAndTabs(piece));
        if (address && !address->empty())
            to.push_back(std::move(*address));
    }
}

} // namespace

std::shared_ptr<VDOpener> VDOpener::create(std::weak_ptr<VDOpenerDelegate> delegate) {
    return std::make_shared<VDOpener>(Private{}, std::move(delegate));
}

bool VDOpener::refuse(const std::string& why) const {
    VDLogger::sharedInstance()->logPublicMessage(why);
    return false;
}

bool VDOpener::openClickURL(const base::URL& url, bool userInitiated) {
    if (autoClickProtected_ && !userInitiated)
        return refuse("Ignored a click the user did not make: " + url.absoluteString());
    const std::string& scheme = url.scheme();
    if (scheme == "itms-apps" || scheme == "itms") {
        const auto product = storeProductIdentifier(url);
        if (!product)
            return refuse("The store link names no product: " + url.absoluteString());
        return openProductSheet(
            {{ui::ProductSheet::parameterITunesItemIdentifier, base::Value(*product)}});
    }
    if (scheme == "mailto")
        return openMailComposer(url);
    if (scheme == "http" || scheme == "https")
        return openLandingPage(url);
    if (leavesForScheme(scheme))
        return openApp(url);
    return refuse("Refused to open a click of scheme \"" + scheme + "\": " + url.absoluteString());
}

bool VDOpener::openApp(const base::URL& url) {
    auto& application = ui::Application::shared();
    if (!application.canOpenURL(url))
        return refuse("No application opens \"" + url.scheme() +
                      ":\" URLs: " + url.absoluteString());
    if (auto delegate = this->delegate()) {
        delegate->adWillLeaveApplication();
        delegate->willLeaveAppDueToClick();
    }
    if (!application.openURL(url))
        return refuse("Could not open " + url.absoluteString());
    didOpen();
    return true;
}

bool VDOpener::openLandingPage(const base::URL& url) {
    auto delegate = this->delegate();
    auto presenter = delegate ? delegate->viewControllerForPresentingModalView() : nullptr;
    if (!presenter)
        return openApp(url);
    if (presented_ || presenter->presentedViewController())
        return refuse("A full-screen view is already up; the landing page " + url.absoluteString() +
                      " is not shown.");
    auto landing = VDBrowserViewController::createWithURL(url, delegate->clickedAdStatistics());
    delegate->setIntermission(landing->intermission());
    presenter->presentViewController(landing, true);
    didOpen();
    return true;
}

bool VDOpener::openProductSheet(const base::Value::Dictionary& parameters) {
    auto sheet = ui::ProductSheet::create();
    sheet->setDelegate(weak_from_this());
    sheet->loadProductWithParameters(parameters);
    if (!sheet->productIdentifier())
        return refuse("The store page names no product.");
    if (!presentFullScreen(sheet))
        return false;
    didOpen();
    return true;
}

bool VDOpener::presentProductSheet(const std::shared_ptr<ui::ProductSheet>& sheet) {
    if (!sheet || !sheet->productIdentifier())
        return refuse("The store page names no product.");
    sheet->setDelegate(weak_from_this());
    return presentFullScreen(sheet);
}

bool VDOpener::openMailComposer(const base::URL& mailtoURL) {
    if (!ui::MailComposer::canSendMail())
        return refuse("No mail can be sent: " + mailtoURL.absoluteString());
    auto composer = ui::MailComposer::create();
    composer->setMailComposeDelegate(weak_from_this());
    std::vector<std::string> to, cc, bcc;
    appendAddresses(to, mailtoURL.path());
    for (const auto& [key, value] :
         vd_dictionaryFromQueryParametersAndConvertKeysToLowercase(mailtoURL, true)) {
        if (key == "to")
            appendAddresses(to, value);
        else if (key == "cc")
            appendAddresses(cc, value);
        else if (key == "bcc")
            appendAddresses(bcc, value);
        else if (key == "subject")
            composer->setSubject(value);
        else if (key == "body")
            composer->setMessageBodyIsHTML(value, false);
    }
    composer->setToRecipients(std::move(to));
    composer->setCcRecipients(std::move(cc));
    composer->setBccRecipients(std::move(bcc));
    if (!presentFullScreen(composer))
        return false;
    didOpen();
    return true;
}

void VDOpener::didOpen() {
    if (auto delegate = this->delegate())
        delegate->pingClickURLs();
}

bool VDOpener::presentFullScreen(const std::shared_ptr<ui::ViewController>& controller) {
    auto delegate = this->delegate();
    auto presenter = delegate ? delegate->viewControllerForPresentingModalView() : nullptr;
    if (!presenter)
        return refuse("No view controller to present the click's " + controller->className() +
                      " from.");
    if (presented_ || presenter->presentedViewController())
        return refuse("A full-screen view is already up; the click's " + controller->className() +
                      " is not shown.");
    presented_ = controller;
    intermission_ = VDIntermission::create();
    delegate->setIntermission(intermission_);
    intermission_->begin();
    base::NotificationCenter::defaultCenter().post(kAdModalViewControllerWillPresentFullScreen);
    presenter->presentViewController(controller, true);
    return true;
}

void VDOpener::dismissFullScreen(const ui::ViewController& controller) {
    if (presented_.get() != &controller)
        return;
    auto presented = std::move(presented_);
    auto intermission = std::move(intermission_);
    intermission->willEnd();
    presented->dismissViewControllerAnimated(true, [intermission] {
        intermission->didEnd();
        base::NotificationCenter::defaultCenter().post(kAdModalViewControllerDidDismissFullScreen);
    });
}

void VDOpener::productViewControllerDidFinish(ui::ProductSheet& controller) {
    dismissFullScreen(controller);
}

void VDOpener::mailComposeControllerDidFinishWithResultError(ui::MailComposer& controller,
                                                             ui::MailComposeResult,
                                                             const std::optional<base::Error>&) {
    dismissFullScreen(controller);
}
