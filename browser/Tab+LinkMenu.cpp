#include "browser/BookmarksFormController.h"
#include "browser/Tab.h"
#include "platform/base/Bundle.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/net/URLConnection.h"
#include "platform/ui/Application.h"
#include "platform/ui/Image.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/PhotoAlbum.h"
#include "platform/ui/ScrollView.h"

#include <cmath>

namespace {

// The page's answer to MyAppGetHTMLElementsAtPoint: the tag names, each between commas, then
// "|" and the address to act on (the link's, else the image's), then, when there is an image
// beside a link, "|" and the image's address.
struct ElementsAtPoint {
    std::string tags;
    std::string address;
    std::string imageAddress;
};

std::optional<ElementsAtPoint> parseElementsAtPoint(const std::string& answer) {
    const auto parts = base::split(answer, "|");
    if (parts.size() < 2)
        return std::nullopt;
    return ElementsAtPoint{parts[0], parts[1], parts.size() > 2 ? parts[2] : std::string()};
}

std::optional<double> number(const base::Value::Dictionary& values, const char* key) {
    auto found = values.find(key);
    if (found == values.end())
        return std::nullopt;
    return found->second.doubleValue();
}

} // namespace

void Tab::contextualMenuAction(const base::Notification& notification) {
    // One menu at a time (from its showing, before it has finished coming in), and only for
    // the page on screen.
    if (actionSheetVisible_ || (linkMenu_ && linkMenu_->isVisible()) || !current_ || !webView_)
        return;
    const auto x = number(notification.userInfo, "x");
    const auto y = number(notification.userInfo, "y");
    if (!x || !y)
        return;
    // The window places the page below what is in view of the scroll view's top inset: the point
    // is taken from there, then scaled from the view's points to the page's pixels.
    ui::Point point = webView_->convertPointFromView(
        ui::Point(static_cast<float>(*x), static_cast<float>(*y)), nullptr);
    point.y -= webView_->scrollView()->topInsetInView();
    const double width = webView_->frame().size.width;
    const double pageWidth = windowSize().width;
    const double scale = width > 0 && pageWidth > 0 ? pageWidth / width : 1.0;
    openContextualMenuAt(ui::Point(point.x * scale, point.y * scale));
}

void Tab::openContextualMenuAt(ui::Point point) {
    if (!webView_)
        return;
    webView_->stringByEvaluatingJavaScriptFromString(toolsScript_);
    const auto found = parseElementsAtPoint(webView_->stringByEvaluatingJavaScriptFromString(
        "MyAppGetHTMLElementsAtPoint(" + std::to_string(static_cast<int>(std::trunc(point.x))) +
        "," + std::to_string(static_cast<int>(std::trunc(point.y))) + ");"));
    if (!found || found->address.empty())
        return;

    linkMenu_ = ui::ActionSheet::create(found->address, sharedTab(), "Cancel");
    if (found->tags.find(",A,") != std::string::npos) {
        linkMenu_->addButtonWithTitle(openLinkTitle);
        linkMenu_->addButtonWithTitle(openLinkInNewTabTitle);
        linkMenu_->addButtonWithTitle(copyLinkTitle);
    }
    if (found->tags.find(",IMG,") != std::string::npos)
        linkMenu_->addButtonWithTitle(saveImageTitle);
    linkMenu_->addButtonWithTitle(saveAsBookmarkTitle);
    linkMenu_->addButtonWithTitle(openInSystemBrowserTitle);
    linkMenuImageAddress_ = found->imageAddress.empty() ? found->address : found->imageAddress;
    linkMenu_->showInView(webView_);
}

ui::Size Tab::windowSize() {
    if (!webView_)
        return ui::Size();
    return ui::Size(
        base::Value(webView_->stringByEvaluatingJavaScriptFromString("window.innerWidth"))
            .integerValue(),
        base::Value(webView_->stringByEvaluatingJavaScriptFromString("window.innerHeight"))
            .integerValue());
}

ui::Point Tab::scrollOffset() {
    if (!webView_)
        return ui::Point();
    return ui::Point(
        base::Value(webView_->stringByEvaluatingJavaScriptFromString("window.pageXOffset"))
            .integerValue(),
        base::Value(webView_->stringByEvaluatingJavaScriptFromString("window.pageYOffset"))
            .integerValue());
}

void Tab::actionSheetClickedButtonAtIndex(ui::ActionSheet& actionSheet, std::int64_t buttonIndex) {
    auto host = viewController();
    const std::string address = actionSheet.title();
    const auto url = base::URL::parse(address);
    if (!host || !url)
        return;
    const std::string& entry = actionSheet.buttonTitleAtIndex(buttonIndex);
    if (entry == openLinkTitle) {
        host->gotoAddressWithRequestObjInTab(ui::InterfaceObject(), net::URLRequest(*url),
                                             sharedTab());
    } else if (entry == openLinkInNewTabTitle) {
        host->addTabWithAddress(address);
    } else if (entry == copyLinkTitle) {
        ui::Pasteboard::general().setString(url->absoluteString());
    } else if (entry == saveImageTitle) {
        // The image is fetched in the background, so that a slow server never holds the
        // screen; what is no image is not saved.
        auto image = base::URL::parse(linkMenuImageAddress_);
        if (!image)
            return;
        net::URLRequest request(*image);
        request.setMaximumBodyLength(maximumImageLength);
        net::URLConnection::sendAsynchronousRequest(
            std::move(request),
            [address = image->absoluteString()](const std::optional<net::HTTPURLResponse>& response,
                                                const base::Data& data,
                                                const std::optional<base::Error>& error) {
                if (error) {
                    base::log("Cannot save the image " + address + ": " +
                              error->localizedDescription());
                    return;
                }
                if (!response || response->statusCode() / 100 != 2 ||
                    !response->MIMEType().starts_with("image/"))
                    return;
                if (auto picture = ui::Image::withData(data))
                    ui::PhotoAlbum::saveImage(picture);
            });
    } else if (entry == saveAsBookmarkTitle) {
        if (auto form = host->bookmarksFormController()) {
            form->setDefaultUrlFieldText(url->absoluteString());
            host->addBookmarkFromSheet(actionSheet);
        }
    } else if (entry == openInSystemBrowserTitle) {
        actionSheet.dismissWithClickedButtonIndex(buttonIndex, true);
        ui::Application::shared().openURL(*url);
    }
}
