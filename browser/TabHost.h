#pragma once

#include "platform/net/URLRequest.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/InterfaceObject.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/View.h"
#include "platform/ui/WebView.h"

#include <memory>
#include <string>

class BookmarksFormController;
class Tab;

namespace ui {
class ActionSheet;
}

// What a tab needs of the browser screen that holds it: the views its web view is placed
// among, the progress bar and address field it drives, and the page-load entry it hands its
// own link taps and history steps to. BrowserViewController implements it; tests use a small
// host of their own. A tab holds its host weakly (the screen holds the tabs).
//
// A host that is also a ui::ScrollViewDelegate becomes the delegate of every tab web view's
// scroll view (scrolling the bars away).
//
// Senders follow the interface files' convention: the control or bar item that sent an
// action, or an empty object when called from code.
class TabHost {
public:
    virtual ~TabHost() = default;

    // --- Views.
    // The placeholder whose frame every tab web view takes.
    virtual std::shared_ptr<ui::View> webViewTemplate() const = 0;
    // Its height is the web views' top content inset.
    virtual std::shared_ptr<ui::View> topBar() const = 0;
    // Its alpha and height decide a new web view's height.
    virtual std::shared_ptr<ui::Toolbar> bottomBar() const = 0;
    // The screen's root view, where tab web views live.
    virtual std::shared_ptr<ui::View> rootView() = 0;
    virtual std::shared_ptr<ui::ProgressView> progressBar() const = 0;
    virtual std::shared_ptr<ui::TextField> addressBar() const = 0;
    virtual std::shared_ptr<ui::BarButtonItem> forwardButton() const = 0;
    virtual std::shared_ptr<ui::BarButtonItem> backButton() const = 0;

    // --- Page loads.
    // Loads the request in the tab (the tab fetches it itself); a sender that is the reload
    // button adds no history entry.
    virtual void gotoAddressWithRequestObjInTab(const ui::InterfaceObject& sender,
                                                const net::URLRequest& request,
                                                const std::shared_ptr<Tab>& tab) = 0;
    // Shows the unable-to-connect page in the selected tab's web view.
    virtual void cannotConnect(const ui::InterfaceObject& sender) = 0;
    // The selected tab's page has really finished (its final-load signal arrived).
    virtual void currentWebViewDidFinishFinalLoad(const std::shared_ptr<ui::WebView>& webView) = 0;

    // --- The tab strip: sent by touch-down on a tab's title button and close button, with
    // that button as sender.
    virtual void selectTab(const ui::InterfaceObject& sender) = 0;
    virtual void removeTab(const ui::InterfaceObject& sender) = 0;

    // --- The link menu.
    // Opens a new tab for the address and selects it.
    virtual void addTabWithAddress(const std::string& address) = 0;
    // The add-bookmark form that "Save Page as Bookmark" fills, and the way it is shown.
    virtual std::shared_ptr<BookmarksFormController> bookmarksFormController() const = 0;
    virtual void addBookmarkFromSheet(ui::ActionSheet& sheet) = 0;
};
