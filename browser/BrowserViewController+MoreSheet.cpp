#include "browser/AdManager.h"
#include "browser/BookmarkScreenFactory.h"
#include "browser/BookmarkScreens.h"
#include "browser/BookmarksController.h"
#include "browser/BookmarksFormController.h"
#include "browser/BrowserDelegate.h"
#include "browser/BrowserViewController.h"
#include "browser/Tab.h"
#include "platform/base/Bundle.h"
#include "platform/base/Log.h"
#include "platform/base/UserDefaults.h"
#include "platform/net/CookieStorage.h"
#include "platform/net/URLCache.h"
#include "platform/ui/NavigationItem.h"

namespace {

constexpr const char* addBookmarkRow = "Add Bookmark";
constexpr const char* clearCookiesRow = "Clear Cookies";
constexpr const char* clearCacheRow = "Clear Cache";
constexpr const char* importBookmarksRow = "Import Bookmarks";

// Whether the web view shows one of the application's own pages (the start page, the help
// page): a file, or markup loaded without an address, which reports "about:blank". Neither
// has an address worth keeping as a bookmark.
bool showsOwnPage(const std::shared_ptr<ui::WebView>& webView) {
    if (!webView)
        return false;
    const auto& request = webView->request();
    return request && request->url() &&
           (request->url()->isFileURL() || request->url()->absoluteString() == "about:blank");
}

} // namespace

std::vector<std::string> BrowserViewController::actionSheetButtons() const {
    std::vector<std::string> rows;
    if (!showsOwnPage(webView()))
        rows.push_back(addBookmarkRow);
    rows.insert(rows.end(), {clearCookiesRow, clearCacheRow, importBookmarksRow});
    return rows;
}

void BrowserViewController::generatePopupQuery() {
    auto self = std::static_pointer_cast<BrowserViewController>(shared_from_this());
    popupQuery_ = ui::ActionSheet::create({}, std::weak_ptr<ui::ActionSheetDelegate>(self));
    for (const auto& row : actionSheetButtons())
        popupQuery_->addButtonWithTitle(row);
    popupQuery_->setCancelButtonIndex(popupQuery_->addButtonWithTitle("Cancel"));
}

void BrowserViewController::showActionSheet(const ui::InterfaceObject&) {
    if (!isPad()) {
        generatePopupQuery();
        popupQuery_->showInView(view());
        return;
    }
    if (padPopover_ && padPopover_->isPopoverVisible())
        padPopover_->dismissPopoverAnimated(true);
    if (!(popupQuery_ && popupQuery_->isVisible()) && barItemPopoverPresenter_ != moreButton_) {
        generatePopupQuery();
        barItemPopoverPresenter_ = moreButton_;
        popupQuery_->showFromBarButtonItem(moreButton_, true);
    } else {
        barItemPopoverPresenter_.reset();
        if (popupQuery_)
            popupQuery_->dismissWithClickedButtonIndex(0, true);
    }
}

void BrowserViewController::actionSheetClickedButtonAtIndex(ui::ActionSheet& actionSheet,
                                                            std::int64_t buttonIndex) {
    if (&actionSheet != popupQuery_.get())
        return;
    // The title of the row the sheet showed, not a row worked out again from the page now.
    const std::string& row = actionSheet.buttonTitleAtIndex(buttonIndex);
    if (row == addBookmarkRow)
        addBookmarkForPage();
    else if (row == clearCookiesRow)
        clearCookies();
    else if (row == clearCacheRow)
        clearCache();
    else if (row == importBookmarksRow)
        showImportHelp(ui::InterfaceObject(popupQuery_));
}

void BrowserViewController::addBookmarkForPage() {
    auto page = webView();
    auto navigation = navigationController();
    if (!page || !navigation)
        return;
    auto form = BookmarkScreenFactory::bookmarkForm();
    form->setMode(BookmarksFormController::addMode);
    const std::string title = page->stringByEvaluatingJavaScriptFromString("document.title");
    base::log("sdvsdv  " + title);
    auto defaults = base::UserDefaults::standard();
    defaults->setObject(BrowserDelegate::bookmarkTitleKey, base::Value(title));
    defaults->setObject(
        BrowserDelegate::bookmarkURLKey,
        base::Value(page->stringByEvaluatingJavaScriptFromString("window.location.href")));
    navigation->pushViewController(form, true);
}

void BrowserViewController::clearCookies() {
    // The engine's cookies follow the shared jar: emptying it empties them too.
    net::CookieStorage::shared()->deleteAllCookies();
    requestInterstitial();
}

void BrowserViewController::clearCache() {
    // The engine's caches are emptied with the shared URL cache.
    net::URLCache::shared()->removeAllCachedResponses();
    requestInterstitial();
}

void BrowserViewController::showImportHelp(const ui::InterfaceObject& sender) {
    addTab(sender);
    auto help = base::Bundle::main().textOfResource("import_bookmark_howto", "html");
    if (!help)
        base::log("The resource import_bookmark_howto.html is missing");
    else if (auto page = webView())
        page->loadData(base::Data::fromString(*help), "text/html", "utf-8", std::nullopt);
    addressBar_->setText("");
}

void BrowserViewController::requestInterstitial() {
    AdManager::sharedInstance()->showVeDivFullscreen();
}

void BrowserViewController::addBookmarkFromSheet(ui::ActionSheet& sheet) {
    sheet.dismissWithClickedButtonIndex(0, true);
    if (!bookmarksController_ || !bookmarksFormController_)
        return;
    bookmarksFormController_->setMode(BookmarksFormController::addMode);
    bookmarksFormController_->navigationItem()->setHidesBackButton(true, false);
    // The bookmarks screen comes into view first, so that the form pushed onto it is on
    // screen and fills its fields as it appears.
    showBookmarksView(ui::InterfaceObject());
    bookmarksController_->pushViewController(bookmarksFormController_, false);
}

void BrowserViewController::showBookmarks(const ui::InterfaceObject&) {
    if (auto navigation = navigationController())
        navigation->pushViewController(BookmarkScreenFactory::list(), true);
}

void BrowserViewController::showBookmarksView(const ui::InterfaceObject&) {
    crossDissolve(shared_from_this(), bookmarksController_);
}
