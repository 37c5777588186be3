#pragma once

#include "browser/TabHost.h"
#include "platform/base/Data.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/URL.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/net/URLConnection.h"
#include "platform/net/URLConnectionDelegate.h"
#include "platform/net/URLRequest.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/View.h"
#include "platform/ui/WebView.h"
#include "platform/ui/WebViewDelegate.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One open page of the browser. The view itself is the tab's face in the strip (a title
// button and a close button); the tab also owns a web view that lives in the screen's root
// view, fetches every top-level page it is asked to show with its own URL connection, hands
// the body to the web view with the response URL as base, and keeps its own history of
// requests.
//
// The screen starts each fetch: it sets urlConnection to a connection made with the tab as
// delegate. Setting another connection (or none) cancels the one before, so a stale fetch
// never delivers into the tab; close() cancels the running one when the tab goes away.
//
// The page tells the tab that it has finished as a whole through a hidden frame that
// webViewDidFinishLoad injects: its "js:gh-page-loaded" request is the final-load signal. Once
// the tab has a current address, the page adds that frame itself at its load event (the web
// view's load script), so the signal needs no trip to the page after the engine's own end of
// the load; the script of webViewDidFinishLoad then finds the frame there and adds none.
//
// Main thread only.
class Tab : public ui::View,
            public net::URLConnectionDelegate,
            public ui::WebViewDelegate,
            public ui::ActionSheetDelegate {
    struct Private {};

public:
    // The address of the hidden frame that signals the end of a page load.
    static constexpr const char* finalLoadSignalAddress = "js:gh-page-loaded";
    // Observed by every tab: a long press on a page, with the window point under "x", "y".
    static constexpr const char* tapAndHoldNotification = "TapAndHoldNotification";
    // A fetch ending without a body puts the address it falls back to into the address
    // field, except for this home page of the second search engine.
    static constexpr const char* secondSearchEngineHomeAddress = "https://search.tabbrowser.org/";
    // The resource script that adds that frame: one function expression, called with whether
    // the page runs it at its own load event. A tab cannot be made without it
    // (base::MissingResourceError).
    static constexpr const char* pageLoadedScriptName = "page_loaded";
    // The largest page a tab fetches, as decoded: the tab holds it whole and hands it to its
    // web view. A longer one fails and the tab says it is too large to show.
    static constexpr std::uint64_t maximumPageLength = 64 * 1024 * 1024;
    // The largest image "Save Image" fetches.
    static constexpr std::uint64_t maximumImageLength = 32 * 1024 * 1024;

    // Builds the tab with its face at `frame` and its web view in the screen's root view.
    // The screen must have its views loaded (webViewTemplate, topBar, bottomBar, rootView).
    static std::shared_ptr<Tab> create(const ui::Rect& frame,
                                       const std::shared_ptr<TabHost>& target);

    Tab(Private, const ui::Rect& frame);
    ~Tab() override;
    std::string className() const override { return "Tab"; }

    // --- Properties.
    const std::shared_ptr<ui::Button>& tabButton() const { return tabButton_; }
    void setTabButton(std::shared_ptr<ui::Button> button) { tabButton_ = std::move(button); }
    // Nothing sets it.
    const std::shared_ptr<ui::Label>& tabTitle() const { return tabTitle_; }
    void setTabTitle(std::shared_ptr<ui::Label> label) { tabTitle_ = std::move(label); }
    const std::shared_ptr<ui::WebView>& webView() const { return webView_; }
    // Makes the tab the web view's delegate.
    void setWebView(std::shared_ptr<ui::WebView> webView);
    const std::shared_ptr<ui::Button>& closeButton() const { return closeButton_; }
    void setCloseButton(std::shared_ptr<ui::Button> button) { closeButton_ = std::move(button); }
    // The page the tab shows or is fetching; empty while a load starts.
    const std::string& currentURLString() const { return currentURLString_; }
    void setCurrentURLString(std::string text) { currentURLString_ = std::move(text); }
    // What the address field shows for the tab while its page is on its way: the words of a
    // search typed into the field, or the address asked for. The screen sets it as each load
    // starts.
    const std::string& addressText() const { return addressText_; }
    void setAddressText(std::string text) { addressText_ = std::move(text); }
    // The last response's (or redirect target's) URL; nullopt until the tab fetched something.
    const std::optional<base::URL>& currentURL() const { return currentURL_; }
    void setCurrentURL(std::optional<base::URL> url) {
        currentURL_ = std::move(url);
        updateLoadScript();
    }
    // The connection's current request URL as text, always ending in "/".
    const std::string& connectionURLString() const { return connectionURLString_; }
    void setConnectionURLString(std::string text) { connectionURLString_ = std::move(text); }
    const std::shared_ptr<net::URLConnection>& urlConnection() const { return urlConnection_; }
    // Cancels the connection held before unless it is the same one.
    void setUrlConnection(std::shared_ptr<net::URLConnection> connection);
    const std::optional<net::HTTPURLResponse>& response() const { return response_; }
    void setResponse(std::optional<net::HTTPURLResponse> response) {
        response_ = std::move(response);
    }
    // The body received so far; nullopt once handed to the web view.
    const std::optional<base::Data>& pageData() const { return pageData_; }
    void setPageData(std::optional<base::Data> data) { pageData_ = std::move(data); }
    // The visited requests in visit order.
    const std::vector<net::URLRequest>& history() const { return history_; }
    void setHistory(std::vector<net::URLRequest> history) { history_ = std::move(history); }
    // The history step under way: -1, +1, or 0 for a new visit.
    std::int32_t traverse() const { return traverse_; }
    void setTraverse(std::int32_t step) { traverse_ = step; }
    // Index of the current entry of history().
    std::int32_t history_position() const { return historyPosition_; }
    void setHistory_position(std::int32_t position) { historyPosition_ = position; }
    // Vertical scroll offset recorded by the screen's scroll handler.
    std::int32_t scrollPosition() const { return scrollPosition_; }
    void setScrollPosition(std::int32_t position) { scrollPosition_ = position; }
    // From the first request callback of a fetch until the final-load signal.
    bool loading() const { return loading_; }
    void setLoading(bool loading) { loading_ = loading; }
    // While this tab is the selected one.
    bool current() const { return current_; }
    void setCurrent(bool current) { current_ = current; }
    // While the tab's link menu is on screen.
    bool actionSheetVisible() const { return actionSheetVisible_; }
    void setActionSheetVisible(bool visible) { actionSheetVisible_ = visible; }
    // Nothing sets these two.
    double loadStartTime() const { return loadStartTime_; }
    void setLoadStartTime(double time) { loadStartTime_ = time; }
    double loadEndTime() const { return loadEndTime_; }
    void setLoadEndTime(double time) { loadEndTime_ = time; }
    // The resource script "page_info", read at creation.
    const std::string& pageInfoJS() const { return pageInfoJS_; }
    void setPageInfoJS(std::string script) { pageInfoJS_ = std::move(script); }
    // The screen (held weakly); null once it has gone.
    std::shared_ptr<TabHost> viewController() const { return viewController_.lock(); }
    void setViewController(const std::shared_ptr<TabHost>& host) { viewController_ = host; }

    // --- Face.
    // Texts of 11 UTF-16 units or more show their first 8 and "..".
    void setTitle(const std::string& text);
    void select();
    void deselect();
    // Moves the face 100 points to the left.
    void incrementOffset();
    void showText();
    void hideText();
    // The screen's progress bar while this tab is current, else null.
    std::shared_ptr<ui::ProgressView> progressBar() const;

    // --- History.
    bool canGoBack() const;
    bool canGoForward() const;
    void goBack();
    void goForward();
    void go(std::int32_t step);
    // After the screen started a load that is not a reload.
    void updateHistory();
    // Whether the current history entry is a request for the same address.
    bool historyStandsAt(const net::URLRequest& request) const;

    // --- Final-load signal.
    void webViewDidFinishFinalLoad(ui::WebView& webView);

    // --- The link menu for a long-pressed point of the page.
    // The resource script that defines the page function the menu asks; a tab cannot be made
    // without it (base::MissingResourceError).
    static constexpr const char* toolsScriptName = "JSTools";
    // The entries, in the order the menu offers them.
    static constexpr const char* openLinkTitle = "Open Link";
    static constexpr const char* openLinkInNewTabTitle = "Open Link in New Tab";
    static constexpr const char* copyLinkTitle = "Copy Link";
    static constexpr const char* saveImageTitle = "Save Image";
    static constexpr const char* saveAsBookmarkTitle = "Save Page as Bookmark";
    static constexpr const char* openInSystemBrowserTitle = "Open Page in Safari";

    // A long press (window point under "x" and "y" of the notification's userInfo): the menu
    // for what lies there, unless a menu is up already or this tab is not the one on screen.
    void contextualMenuAction(const base::Notification& notification);
    // Asks the page what lies at the point (page pixels of the viewport) and shows the menu
    // when there is an address to act on.
    void openContextualMenuAt(ui::Point point);
    // The page's viewport size and scroll position, in page pixels.
    ui::Size windowSize();
    ui::Point scrollOffset();
    // The menu on screen, or the last one.
    const std::shared_ptr<ui::ActionSheet>& linkMenu() const { return linkMenu_; }

    // Ends the fetch under way, if any: it is cancelled and delivers nothing more, and the tab
    // is no longer loading. The history keeps what the fetch added (as after a failed fetch).
    void cancelFetch();
    // The stop button: cancels the fetch and stops the web view's load. A fetch that had not
    // delivered its page yet is undone as a visit: the entry it added, or the history step it
    // took, goes, and the selected tab's address field shows the page still shown.
    void stopLoading();

    // The tab is being closed: cancels its fetch, stops its web view and ends its
    // notification observation. The destructor does the same.
    void close();

    // --- net::URLConnectionDelegate.
    std::optional<net::URLRequest>
    connectionWillSendRequest(const std::shared_ptr<net::URLConnection>& connection,
                              const net::URLRequest& request,
                              const std::optional<net::HTTPURLResponse>& redirectResponse) override;
    void connectionDidReceiveResponse(const std::shared_ptr<net::URLConnection>& connection,
                                      const net::HTTPURLResponse& response) override;
    void connectionDidReceiveData(const std::shared_ptr<net::URLConnection>& connection,
                                  const base::Data& data) override;
    void connectionDidFinishLoading(const std::shared_ptr<net::URLConnection>& connection) override;
    void connectionDidFailWithError(const std::shared_ptr<net::URLConnection>& connection,
                                    const base::Error& error) override;

    // --- ui::WebViewDelegate.
    bool webViewShouldStartLoadWithRequestNavigationType(ui::WebView& webView,
                                                         const net::URLRequest& request,
                                                         ui::WebViewNavigationType type) override;
    void webViewDidStartLoad(ui::WebView& webView) override;
    void webViewDidFinishLoad(ui::WebView& webView) override;
    void webViewLoadScriptAnswered(ui::WebView& webView, const std::string& answer) override;

    // --- ui::ActionSheetDelegate (the link menu).
    void actionSheetClickedButtonAtIndex(ui::ActionSheet& actionSheet,
                                         std::int64_t buttonIndex) override;
    void didPresentActionSheet(ui::ActionSheet& actionSheet) override;
    void actionSheetDidDismissWithButtonIndex(ui::ActionSheet& actionSheet,
                                              std::int64_t buttonIndex) override;

private:
    std::shared_ptr<Tab> sharedTab();
    // Takes back the entry or history step of a fetch whose page never showed, and makes the
    // current address that of the page still shown.
    void undoVisit();
    // Has the web view's pages add the final-load frame themselves while the tab has a current
    // address (as webViewDidFinishLoad adds it only then), and not otherwise.
    void updateLoadScript();
    // "1" and the title when the page-loaded script added the frame, "0" and the title when not.
    void takePageLoadedAnswer(const std::string& answer);
    // The page-loaded script, called for the end of the engine's load or the page's load event.
    std::string pageLoadedScript(bool atLoad) const;
    // Whether a connection callback comes from the tab's own current fetch.
    bool isOwnConnection(const std::shared_ptr<net::URLConnection>& connection) const;
    void buildFace(const std::shared_ptr<TabHost>& host);
    void buildWebView(const std::shared_ptr<TabHost>& host);
    void stopObserving();

    std::shared_ptr<ui::Button> tabButton_;
    std::shared_ptr<ui::Label> tabTitle_;
    std::shared_ptr<ui::WebView> webView_;
    std::shared_ptr<ui::Button> closeButton_;
    std::string currentURLString_;
    std::string addressText_;
    std::optional<base::URL> currentURL_;
    std::string connectionURLString_;
    std::shared_ptr<net::URLConnection> urlConnection_;
    std::optional<net::HTTPURLResponse> response_;
    std::optional<base::Data> pageData_;
    std::vector<net::URLRequest> history_;
    std::int32_t traverse_ = 0;
    std::int32_t historyPosition_ = 0;
    // What an empty answer has to undo: the entry a new visit added, or the position a history
    // step moved from.
    bool fetchAddedEntry_ = false;
    // From the start of the tab's own fetch until it finishes, fails or is cancelled.
    bool fetching_ = false;
    std::optional<std::int32_t> positionBeforeStep_;
    std::int32_t scrollPosition_ = 0;
    bool loading_ = false;
    // The final-load signal needs the page's title: the script that adds the hidden frame
    // answers it, so the signal that frame sends costs no script of its own. A signal that
    // comes while that script runs waits for its answer.
    std::optional<std::string> pageTitle_;
    bool runningPageLoadedScript_ = false;
    bool signalDuringPageLoadedScript_ = false;
    bool hasLoadScript_ = false;
    bool current_ = false;
    bool actionSheetVisible_ = false;
    double loadStartTime_ = 0;
    double loadEndTime_ = 0;
    std::string pageInfoJS_;
    std::string pageLoadedScript_;
    // What finds the elements under a pressed point (toolsScriptName).
    std::string toolsScript_;
    std::weak_ptr<TabHost> viewController_;
    std::optional<base::NotificationCenter::ObserverToken> tapAndHoldObserver_;
    std::shared_ptr<ui::ActionSheet> linkMenu_;
    // The address of the image under the pressed point, when there is one beside the link.
    std::string linkMenuImageAddress_;
};
