#pragma once

#include "browser/BookmarksHost.h"
#include "browser/SimpleShareKitDelegate.h"
#include "browser/TabHost.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/URL.h"
#include "platform/net/URLConnection.h"
#include "platform/net/URLConnectionDelegate.h"
#include "platform/net/URLRequest.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/InterfaceObject.h"
#include "platform/ui/MailComposer.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/PopoverController.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebView.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class BookmarksFormController;
class Reachability;
class ShareKit;
class Tab;
class UIMainView;

namespace ui {
class AlertView;
}

// The one browser screen: the top bar with the address field and the tab strip, the web views
// of the tabs, the bottom toolbar and the progress bar. Its layout comes from the interface
// file "MainWindow" ("MainWindow-iPad" on anything but a phone), whose root view is a
// UIMainView.
//
// Every page the user asks for goes through gotoAddressWithRequestObjInTab: typed addresses,
// searches, links tapped in a page, history steps and new tabs. The tab named there fetches
// the page itself and hands it to its web view.
//
// The share panel (the interface file's "imgpicker" over its dimming view "darkview") slides up
// from the bottom and offers rating the application, Twitter, mail and Chorus; the page is
// shared as the web-search link of the address field's text, and every outcome is shown in an
// alert.
//
// Actions take the control that sent them; an empty InterfaceObject stands for "sent from
// code". Main thread only.
class BrowserViewController : public ui::ViewController,
                              public TabHost,
                              public BookmarksHost,
                              public ui::ScrollViewDelegate,
                              public SimpleShareKitDelegate,
                              public ui::MailComposeDelegate,
                              public ui::ActionSheetDelegate {
protected:
    struct Private {};

public:
    // Names of the two interface files.
    static constexpr const char* phoneInterfaceFile = "MainWindow";
    static constexpr const char* padInterfaceFile = "MainWindow-iPad";

    // The resource scripts that move the start page's box for the keyboard and back. The view
    // does not load without them (base::MissingResourceError).
    static constexpr const char* keyboardShownScriptName = "keyboard_shown";
    static constexpr const char* keyboardHiddenScriptName = "keyboard_hidden";

    // With an empty name the interface file follows the device: "MainWindow" on a phone,
    // "MainWindow-iPad" on any other idiom.
    static std::shared_ptr<BrowserViewController> create(std::string nibName = {});
    BrowserViewController(Private, std::string nibName);
    ~BrowserViewController() override;

    std::string className() const override { return "BrowserViewController"; }

    // --- Outlets of the interface file.
    std::shared_ptr<ui::View> webViewTemplate() const override { return webViewTemplate_; }
    const std::shared_ptr<ui::ScrollView>& tabsView() const { return tabsView_; }
    std::shared_ptr<ui::View> topBar() const override { return topBar_; }
    std::shared_ptr<ui::Toolbar> bottomBar() const override { return bottomBar_; }
    const std::shared_ptr<ui::Toolbar>& navBar() const { return navBar_; }
    const std::shared_ptr<ui::Toolbar>& bugListNavBar() const { return bugListNavBar_; }
    std::shared_ptr<ui::TextField> addressBar() const override { return addressBar_; }
    const std::shared_ptr<ui::TextField>& searchBar() const { return searchBar_; }
    const std::shared_ptr<ui::ActivityIndicatorView>& activityIndicator() const {
        return activityIndicator_;
    }
    const std::shared_ptr<ui::View>& addressBarButtonsView() const {
        return addressBarButtonsView_;
    }
    const std::shared_ptr<ui::Button>& refreshButton() const { return refreshButton_; }
    const std::shared_ptr<ui::Button>& stopButton() const { return stopButton_; }
    std::shared_ptr<ui::BarButtonItem> forwardButton() const override { return forwardButton_; }
    std::shared_ptr<ui::BarButtonItem> backButton() const override { return backButton_; }
    const std::shared_ptr<ui::BarButtonItem>& addressItem() const { return addressItem_; }
    const std::shared_ptr<ui::BarButtonItem>& searchItem() const { return searchItem_; }
    const std::shared_ptr<ui::BarButtonItem>& customButton() const { return customButton_; }
    const std::shared_ptr<ui::BarButtonItem>& customButton2() const { return customButton2_; }
    const std::shared_ptr<ui::BarButtonItem>& moreButton() const { return moreButton_; }
    const std::shared_ptr<ui::BarButtonItem>& bookmarkButton() const { return bookmarkButton_; }
    // The new-tab button (the outlet); addTab(sender) is its action.
    const std::shared_ptr<ui::Button>& addTab() const { return addTab_; }
    std::shared_ptr<ui::ProgressView> progressBar() const override { return progressBar_; }
    // The root view, and the same as its own class.
    std::shared_ptr<ui::View> rootView() override { return view(); }
    std::shared_ptr<UIMainView> mainView();

    // The bookmarks screen's own navigation, its root the list that the interface file makes.
    const std::shared_ptr<ui::NavigationController>& bookmarksController() const {
        return bookmarksController_;
    }
    // The add-bookmark form that the interface file makes.
    std::shared_ptr<BookmarksFormController> bookmarksFormController() const override {
        return bookmarksFormController_;
    }
    // The bookmarks list's way back: the address goes into the address field and loads.
    void loadBookmarkAddress(const std::string& address) override;
    std::shared_ptr<ui::ViewController> browserScreen() override { return shared_from_this(); }

    // --- State.
    // The address field's text at the start of the last page load.
    const std::string& oldAddressText() const { return oldAddressText_; }
    const std::shared_ptr<Tab>& selectedTab() const { return selectedTab_; }
    const std::vector<std::shared_ptr<Tab>>& tabs() const { return tabs_; }
    // The URL made from the address field's text by the last gotoAddress.
    const std::optional<base::URL>& gotoUrl() const { return gotoUrl_; }
    bool reloadOnPageLoad() const { return reloadOnPageLoad_; }
    bool initialPageLoad() const { return initialPageLoad_; }
    bool saveScrollPosition() const { return saveScrollPosition_; }
    std::int64_t lastScrollContentOffset() const { return lastScrollContentOffset_; }
    // Read once from a web view by the first load, then kept.
    const std::optional<std::string>& userAgent() const { return userAgent_; }

    // --- Device rules.
    // True only for the pad idiom (the interface-file choice treats every idiom but phone as a
    // pad).
    bool isPad() const;
    static std::string interfaceFileForCurrentDevice();
    ui::InterfaceOrientationMask supportedInterfaceOrientations() const override;
    ui::InterfaceOrientation preferredInterfaceOrientationForPresentation() const override;

    // The selected tab's web view; null without a selected tab.
    std::shared_ptr<ui::WebView> webView() const;
    // Gives the selected tab this web view and returns it.
    std::shared_ptr<ui::WebView> setWebView(std::shared_ptr<ui::WebView> webView);

    // --- Set-up and appearance.
    // Loads the interface file and checks that it connected the outlets the screen works with.
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void didReceiveMemoryWarning() override;

    // --- Address field and keyboard.
    void didStartEditingAddressBar(const ui::InterfaceObject& sender);
    void selectAllAddressText();
    // Leaving the field without Return puts the selected tab's address and buttons back.
    void didEndEditingAddressBar(const ui::InterfaceObject& sender);
    void cancel(const ui::InterfaceObject& sender);
    void registerForKeyboardNotifications();
    void keyboardWasShown(const base::Notification& notification);
    void keyboardWasHidden(const base::Notification& notification);

    // --- Address text to page load.
    // Opens the address field's text, or searches for it when it makes no address.
    void gotoAddress(const ui::InterfaceObject& sender);
    void searchWeb(const ui::InterfaceObject& sender);
    // Loads the request in the tab, which fetches it itself. A sender that is the reload
    // button adds no history entry.
    void gotoAddressWithRequestObjInTab(const ui::InterfaceObject& sender,
                                        const net::URLRequest& request,
                                        const std::shared_ptr<Tab>& tab) override;
    void cannotConnect(const ui::InterfaceObject& sender) override;
    // Asked before every load: false when the internet cannot be reached.
    bool checkNetworkStatus();
    void goBack(const ui::InterfaceObject& sender);
    void goForward(const ui::InterfaceObject& sender);
    // Stops the selected tab's page, its own fetch as well as its web view, and puts the
    // reload button back.
    void stopLoading(const ui::InterfaceObject& sender);
    void currentWebViewDidStartLoading(ui::WebView& webView);
    // The selected tab's page has really finished (its final-load signal).
    void currentWebViewDidFinishFinalLoad(const std::shared_ptr<ui::WebView>& webView) override;

    // --- Tab strip.
    void addTab(const ui::InterfaceObject& sender);
    // Opens a tab for the address (the start page for an empty one) and selects it.
    void addTabWithAddress(const std::string& address) override;
    // The selected tab's web view loads the search engine's home page itself.
    void loadRedodi();
    // `sender` is a tab's close button.
    void removeTab(const ui::InterfaceObject& sender) override;
    // `sender` is a tab's title button.
    void selectTab(const ui::InterfaceObject& sender) override;
    void switchTabFromToTab(const std::shared_ptr<Tab>& from, const std::shared_ptr<Tab>& to);
    // Orders the web views and refreshes the address field and the Back and Forward buttons
    // for the tab that owns this web view.
    void loadTabs(ui::WebView* webView);

    // --- Saved tabs (SavedTabs, in the application delegate's bookmark store).
    // Replaces the saved set with the open tabs: title as shown, address, strip index.
    void saveOpenTabs();
    // Opens a tab for each saved one in strip order and empties the saved set.
    void openSavedTabs();
    void deleteSavedTabs();

    // --- Scrolling.
    // On a phone, puts the selected page back under a fully shown top bar.
    void scrollToTop(const ui::InterfaceObject& sender);
    // Every scroll step of the selected tab's page: on a phone the top bar scrolls away with
    // the top of the page and the bottom toolbar fades out while the page goes toward its end,
    // and comes back at the page's top or end or on a quick scroll back; on a pad only the
    // tab's scroll position and lastScrollContentOffset are kept. Other tabs' pages move
    // nothing.
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    // Fades the bottom toolbar out in 1 s, then back in 1 s after a pause of 1 s.
    void showHideView();

    // --- Page fetches. Each load's connection comes from this maker (by default a
    // net::URLConnection that starts at once); tests replace it to see the requests without
    // going out to the network.
    using ConnectionMaker = std::function<std::shared_ptr<net::URLConnection>(
        const net::URLRequest& request,
        const std::shared_ptr<net::URLConnectionDelegate>& delegate)>;
    void setConnectionMaker(ConnectionMaker maker);

    // --- Share panel (BrowserViewController+Sharing.cpp).
    static constexpr double sharePanelSlideDuration = 0.5;
    // How long after the panel starts sliding away the dimming view is hidden.
    static constexpr double darkviewHideDelay = 0.33;
    // The sharing object, made when the view loads, with this screen as its delegate.
    const std::shared_ptr<ShareKit>& shareKit() const { return share_; }
    const std::shared_ptr<ui::View>& imgpicker() const { return imgpicker_; }
    const std::shared_ptr<ui::View>& darkview() const { return darkview_; }
    // Opens the panel: the dimming view shows, the panel slides up from below the screen.
    void share(const ui::InterfaceObject& sender);
    // A panel button: the action of its tag (0 rate, 1 Twitter, 2 mail, 3 Chorus) sent from
    // code, then the panel closes.
    void share_tap(const ui::InterfaceObject& sender);
    // Closes the panel: it slides down and the dimming view goes a moment later.
    void hidedark_view(const ui::InterfaceObject& sender);
    void hide();
    // A sender with a tag other than 0 pops the navigation to its root; otherwise (code
    // included) the application's store page opens.
    void rate(const ui::InterfaceObject& sender);
    void shartwitter(const ui::InterfaceObject& sender);
    void sharechorus(const ui::InterfaceObject& sender);
    void email(const ui::InterfaceObject& sender);
    void hideAlert(const std::shared_ptr<ui::AlertView>& alert);
    // The link shared: the web-search address of the address field's text.
    std::string sharedLink() const;
    // The web-search address of a text: "https://<search host>/search?q=<escaped text>".
    static std::string searchAddressForText(const std::string& text);
    // The alert messages of the sharing outcomes.
    static std::string sharingFinishedMessage(std::int32_t code);
    static std::string sharingFailedMessage(std::int32_t code);

    void shareKitSharingFinished(std::int32_t code) override;
    void shareKitSharingFailed(std::int32_t code) override;
    void
    mailComposeControllerDidFinishWithResultError(ui::MailComposer& controller,
                                                  ui::MailComposeResult result,
                                                  const std::optional<base::Error>& error) override;

    // --- The More sheet and the toolbar's other actions.
    // The sheet's rows without "Cancel": "Add Bookmark" (left out while the page is a file of
    // the application's own), "Clear Cookies", "Clear Cache", "Import Bookmarks".
    std::vector<std::string> actionSheetButtons() const;
    // Builds a new sheet with those rows and "Cancel", delegate this screen, as popupQuery.
    void generatePopupQuery();
    // The More button: shows the sheet over the screen on a phone; on a pad from the button,
    // a second tap closing it.
    void showActionSheet(const ui::InterfaceObject& sender);
    // The sheet last built, the bar item it was shown from on a pad, and a popover closed
    // before it opens.
    const std::shared_ptr<ui::ActionSheet>& popupQuery() const { return popupQuery_; }
    const std::shared_ptr<ui::BarButtonItem>& barItemPopoverPresenter() const {
        return barItemPopoverPresenter_;
    }
    const std::shared_ptr<ui::PopoverController>& padPopover() const { return padPopover_; }
    void setPadPopover(std::shared_ptr<ui::PopoverController> popover) {
        padPopover_ = std::move(popover);
    }
    // A row of the More sheet: acted on by the row's title, so the rows are those the sheet
    // showed, whatever the page has become since.
    void actionSheetClickedButtonAtIndex(ui::ActionSheet& actionSheet,
                                         std::int64_t buttonIndex) override;
    // The link menu's "Save Page as Bookmark": the form (its default address already set)
    // pushed on the bookmarks screen, which then comes into view.
    void addBookmarkFromSheet(ui::ActionSheet& sheet) override;
    // The bookmarks button: pushes a bookmarks list.
    void showBookmarks(const ui::InterfaceObject& sender);
    // Cross-dissolves from this screen to the bookmarks screen.
    void showBookmarksView(const ui::InterfaceObject& sender);

    // --- Interface file owner.
    bool setOutlet(const std::string& name, const ui::InterfaceObject& object) override;
    Action actionNamed(const std::string& name) override;

private:
    // The tab whose web view this is (the last one in strip order), or null.
    std::shared_ptr<Tab> tabOwningWebView(const ui::WebView* webView) const;
    bool isOpen(const std::shared_ptr<Tab>& tab) const;
    // Puts the selected tab's address back into the field with its buttons beside it: stop
    // while its page is on its way, reload when it shows a page it can fetch again.
    void showSelectedTabAddress();
    // While the field's text is being asked for (gotoAddress, searchWeb): the field's end of
    // editing then comes from Return, and keeps what was typed.
    class AskingForFieldText {
    public:
        explicit AskingForFieldText(BrowserViewController& screen);
        ~AskingForFieldText();
        AskingForFieldText(const AskingForFieldText&) = delete;
        AskingForFieldText& operator=(const AskingForFieldText&) = delete;

    private:
        bool& flag_;
        bool before_;
    };
    // Sets the strip's content width and keeps its offset within that content.
    void setStripContentWidth(double width);
    // The bottom banner's place while this screen shows.
    void moveBannerForAppearance();
    // Where the ad placement moves the bottom banner while the share panel is open (off the
    // top of the screen) and after it closes.
    void moveBannerForSharePanel(bool open);
    // Every end of a share comes here (the mail composer finished, the no-mail-account alert,
    // every outcome ShareKit reports): the ad placement requests an interstitial.
    void requestInterstitialAfterSharing();
    void showSharingAlert(const std::string& message);

    // The ad placement's interstitial after the More sheet cleared cookies or the cache.
    void requestInterstitial();
    // The More sheet's rows.
    void addBookmarkForPage();
    void clearCookies();
    void clearCache();
    void showImportHelp(const ui::InterfaceObject& sender);

    std::shared_ptr<ui::View> webViewTemplate_;
    std::shared_ptr<ui::ScrollView> tabsView_;
    std::shared_ptr<ui::View> topBar_;
    std::shared_ptr<ui::Toolbar> bottomBar_;
    std::shared_ptr<ui::Toolbar> navBar_;
    std::shared_ptr<ui::Toolbar> bugListNavBar_;
    std::shared_ptr<ui::TextField> addressBar_;
    std::shared_ptr<ui::TextField> searchBar_;
    std::string oldAddressText_;
    std::shared_ptr<ui::ActivityIndicatorView> activityIndicator_;
    std::shared_ptr<ui::View> addressBarButtonsView_;
    std::shared_ptr<ui::Button> refreshButton_;
    std::shared_ptr<ui::Button> stopButton_;
    std::shared_ptr<ui::BarButtonItem> forwardButton_;
    std::shared_ptr<ui::BarButtonItem> backButton_;
    std::shared_ptr<ui::BarButtonItem> addressItem_;
    std::shared_ptr<ui::BarButtonItem> searchItem_;
    std::shared_ptr<ui::BarButtonItem> customButton_;
    std::shared_ptr<ui::BarButtonItem> customButton2_;
    std::shared_ptr<ui::BarButtonItem> moreButton_;
    std::shared_ptr<ui::BarButtonItem> bookmarkButton_;
    std::shared_ptr<ui::BarButtonItem> barItemPopoverPresenter_;
    std::shared_ptr<ui::ActionSheet> popupQuery_;
    std::shared_ptr<ui::PopoverController> padPopover_;
    std::shared_ptr<ui::Button> addTab_;
    std::shared_ptr<Tab> selectedTab_;
    std::shared_ptr<ui::NavigationController> bookmarksController_;
    std::shared_ptr<BookmarksFormController> bookmarksFormController_;
    std::vector<std::shared_ptr<Tab>> tabs_;
    std::optional<base::URL> gotoUrl_;
    bool reloadOnPageLoad_ = false;
    bool initialPageLoad_ = false;
    bool saveScrollPosition_ = false;
    std::int64_t lastScrollContentOffset_ = 0;
    std::optional<std::string> userAgent_;
    std::shared_ptr<ui::ProgressView> progressBar_;
    // The address field's right view: keeps its text clear of the reload and stop buttons.
    std::shared_ptr<ui::View> addressRightView_;

    std::shared_ptr<ShareKit> share_;
    std::shared_ptr<ui::View> imgpicker_;
    std::shared_ptr<ui::View> darkview_;
    // The dimming view's pending hide, cancelled when the panel opens again before it ran.
    std::shared_ptr<base::Timer> hideTimer_;

    ConnectionMaker connectionMaker_;
    bool askingForFieldText_ = false;
    std::vector<base::NotificationCenter::ObserverToken> keyboardObservers_;
    std::string keyboardShownScript_;
    std::string keyboardHiddenScript_;
    std::shared_ptr<base::Timer> selectAllTimer_;
    // The internet's reachability, watched from the first load on.
    std::shared_ptr<Reachability> internetReachability_;
};
