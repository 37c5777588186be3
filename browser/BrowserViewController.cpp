#include "browser/BrowserViewController.h"

#include "browser/AdManager.h"
#include "browser/BookmarkScreenFactory.h"
#include "browser/BookmarksController.h"
#include "browser/BookmarksFormController.h"
#include "browser/BrowserDelegate.h"
#include "browser/BrowserSettings.h"
#include "browser/Reachability.h"
#include "browser/SavedTabs.h"
#include "browser/ShareKit.h"
#include "browser/Tab.h"
#include "browser/UIMainView.h"
#include "platform/base/AppHome.h"
#include "platform/base/AsciiAddress.h"
#include "platform/base/Bundle.h"
#include "platform/base/Log.h"
#include "platform/base/PercentEscape.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/base/Timer.h"
#include "platform/base/UserDefaults.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/NavigationController.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

constexpr double tabFaceWidth = 100;
constexpr double tabFaceHeight = 34;
constexpr double tabStripContentHeight = 23;
// The strip's content is this much wider than its tabs after opening one, and after closing.
constexpr double stripSlackAfterOpening = 5;
constexpr double stripSlackAfterClosing = 40;

bool isSender(const ui::InterfaceObject& sender, const void* control) {
    return control && sender.address() == control;
}

std::optional<base::Data> resourceData(const char* name, const char* type) {
    auto path = base::Bundle::main().pathForResource(name, type);
    if (!path)
        return std::nullopt;
    auto data = base::readFile(*path);
    if (!data)
        return std::nullopt;
    return std::move(data).value();
}

} // namespace

std::shared_ptr<BrowserViewController> BrowserViewController::create(std::string nibName) {
    base::assertMainThread();
    if (nibName.empty())
        nibName = interfaceFileForCurrentDevice();
    return std::make_shared<BrowserViewController>(Private{}, std::move(nibName));
}

BrowserViewController::BrowserViewController(Private, std::string nibName)
    : ui::ViewController(std::move(nibName)) {
    UIMainView::registerInterfaceClass();
    BookmarkScreenFactory::registerInterfaceClasses();
}

BrowserViewController::~BrowserViewController() {
    for (auto token : keyboardObservers_)
        base::NotificationCenter::defaultCenter().removeObserver(token);
    if (selectAllTimer_)
        selectAllTimer_->invalidate();
    if (hideTimer_)
        hideTimer_->invalidate();
    for (const auto& tab : tabs_)
        tab->close();
}

std::shared_ptr<UIMainView> BrowserViewController::mainView() {
    return std::dynamic_pointer_cast<UIMainView>(view());
}

// --- Device rules.

bool BrowserViewController::isPad() const {
    return ui::Device::current().userInterfaceIdiom() == ui::UserInterfaceIdiom::Pad;
}

std::string BrowserViewController::interfaceFileForCurrentDevice() {
    return ui::Device::current().userInterfaceIdiom() == ui::UserInterfaceIdiom::Phone
               ? phoneInterfaceFile
               : padInterfaceFile;
}

ui::InterfaceOrientationMask BrowserViewController::supportedInterfaceOrientations() const {
    return ui::InterfaceOrientationMaskAll;
}

ui::InterfaceOrientation
BrowserViewController::preferredInterfaceOrientationForPresentation() const {
    return ui::InterfaceOrientation::Portrait;
}

std::shared_ptr<ui::WebView> BrowserViewController::webView() const {
    return selectedTab_ ? selectedTab_->webView() : nullptr;
}

std::shared_ptr<ui::WebView>
BrowserViewController::setWebView(std::shared_ptr<ui::WebView> webView) {
    if (selectedTab_)
        selectedTab_->setWebView(webView);
    return webView;
}

// --- Set-up and appearance.

void BrowserViewController::loadView() {
    ui::ViewController::loadView();
    ui::InterfaceFile::requireOutlets(
        nibName() + ".ui.json", "the browser screen",
        {
            {"webViewTemplate", webViewTemplate_ != nullptr},
            {"tabsView", tabsView_ != nullptr},
            {"topBar", topBar_ != nullptr},
            {"bottomBar", bottomBar_ != nullptr},
            {"addressBar", addressBar_ != nullptr},
            {"addressBarButtonsView", addressBarButtonsView_ != nullptr},
            {"refreshButton", refreshButton_ != nullptr},
            {"stopButton", stopButton_ != nullptr},
            {"forwardButton", forwardButton_ != nullptr},
            {"backButton", backButton_ != nullptr},
            {"moreButton", moreButton_ != nullptr},
            {"addTab", addTab_ != nullptr},
            {"progressBar", progressBar_ != nullptr},
            {"imgpicker", imgpicker_ != nullptr},
            {"darkview", darkview_ != nullptr},
        });
    if (!std::dynamic_pointer_cast<UIMainView>(view()))
        throw ui::InterfaceFileError(ui::InterfaceFile::makeError(
            nibName() + ".ui.json", "the browser screen's root view must be a UIMainView",
            ui::InterfaceFile::UnknownClass));
}

void BrowserViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    share_ = ShareKit::create();
    share_->setDelegate(std::static_pointer_cast<BrowserViewController>(shared_from_this()));
    topBar_->setBackgroundColor(ui::Color::fromRGB255(23, 230, 230));
    if (auto root = mainView()) {
        root->sizeStatusBar();
        // The strip under the status bar's clock is of the top bar's colour, which it lies
        // over: once the bar has scrolled away, the page's text does not run under the clock.
        if (const auto& strip = root->statusBarView())
            strip->setBackgroundColor(topBar_->backgroundColor());
    }
    addressRightView_ = ui::View::create(ui::Rect(0, 0, 23, 10));
    addressBar_->setRightView(addressRightView_);
    addressBar_->setRightViewMode(ui::TextFieldViewMode::UnlessEditing);
    oldAddressText_.clear();
    if (selectedTab_)
        selectedTab_->setCurrentURLString("");
    registerForKeyboardNotifications();
}

void BrowserViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden(true, false);
    auto defaults = base::UserDefaults::standard();
    if (defaults->boolForKey(BrowserDelegate::openBookmarkKey)) {
        // Cleared first, so that a later appearance does not open the bookmark again.
        defaults->setBool(BrowserDelegate::openBookmarkKey, false);
        addTabWithAddress(defaults->stringForKey(BrowserDelegate::loadedItemKey).value_or(""));
    }
    moveBannerForAppearance();
}

void BrowserViewController::moveBannerForAppearance() {
    AdManager::sharedInstance()->animate_banner(AdManager::browserScreenBannerCentre());
}

void BrowserViewController::viewDidAppear(bool animated) {
    ui::ViewController::viewDidAppear(animated);
    if (tabs_.empty())
        addTab(ui::InterfaceObject(addTab_));
}

void BrowserViewController::viewWillDisappear(bool animated) {
    // The bar comes back for a screen pushed above this one. When the bookmarks screen takes
    // this one's place in a cross-dissolve, this screen stays the top of its navigation: its
    // empty bar would cover the bookmarks screen's own bar and its items.
    auto navigation = navigationController();
    if (navigation && navigation->topViewController().get() != this)
        navigation->setNavigationBarHidden(false, animated);
}

void BrowserViewController::didReceiveMemoryWarning() {
    ui::ViewController::didReceiveMemoryWarning();
}

// --- Address field and keyboard.

void BrowserViewController::didStartEditingAddressBar(const ui::InterfaceObject&) {
    if (!addressBar_->text().empty()) {
        // On the next turn of the run loop, once the field has taken the focus.
        if (selectAllTimer_)
            selectAllTimer_->invalidate();
        std::weak_ptr<BrowserViewController> weak =
            std::static_pointer_cast<BrowserViewController>(shared_from_this());
        selectAllTimer_ = base::RunLoop::main().dispatchAfter(base::Seconds(0), [weak] {
            if (auto self = weak.lock())
                self->selectAllAddressText();
        });
    }
    addressBarButtonsView_->setHidden(true);
}

void BrowserViewController::selectAllAddressText() {
    addressBar_->selectAll();
}

void BrowserViewController::didEndEditingAddressBar(const ui::InterfaceObject&) {
    // Return asks for the text typed; leaving the field any other way (Escape, a click on the
    // page) drops it: the field names the tab's page again, with its buttons beside it.
    if (!askingForFieldText_)
        showSelectedTabAddress();
}

void BrowserViewController::showSelectedTabAddress() {
    addressBarButtonsView_->setHidden(false);
    if (!selectedTab_)
        return;
    const Tab& tab = *selectedTab_;
    if (tab.loading()) {
        addressBar_->setText(tab.addressText());
        stopButton_->setHidden(false);
        refreshButton_->setHidden(true);
        return;
    }
    const auto& request = tab.webView()->request();
    const std::string& current = tab.currentURLString();
    const bool resourcePage = !request || !request->url() || request->url()->isFileURL();
    const bool reloadable = !resourcePage && !current.empty() && current != "about:blank";
    if (!reloadable)
        addressBar_->setText("");
    else if (current.find(BrowserSettings::searchEngineHomeAddress()) != std::string::npos)
        addressBar_->setText(tab.addressText());
    else
        addressBar_->setText(current);
    stopButton_->setHidden(true);
    refreshButton_->setHidden(!reloadable);
}

void BrowserViewController::cancel(const ui::InterfaceObject&) {}

void BrowserViewController::registerForKeyboardNotifications() {
    if (!keyboardObservers_.empty())
        return;
    keyboardShownScript_ =
        base::Bundle::main().requiredTextOfResource(keyboardShownScriptName, "js");
    keyboardHiddenScript_ =
        base::Bundle::main().requiredTextOfResource(keyboardHiddenScriptName, "js");
    std::weak_ptr<BrowserViewController> weak =
        std::static_pointer_cast<BrowserViewController>(shared_from_this());
    auto& center = base::NotificationCenter::defaultCenter();
    keyboardObservers_.push_back(center.addObserver(ui::KeyboardDidShowNotification, nullptr,
                                                    std::nullopt,
                                                    [weak](const base::Notification& notification) {
                                                        if (auto self = weak.lock())
                                                            self->keyboardWasShown(notification);
                                                    }));
    keyboardObservers_.push_back(center.addObserver(ui::KeyboardDidHideNotification, nullptr,
                                                    std::nullopt,
                                                    [weak](const base::Notification& notification) {
                                                        if (auto self = weak.lock())
                                                            self->keyboardWasHidden(notification);
                                                    }));
}

void BrowserViewController::keyboardWasShown(const base::Notification&) {
    base::assertMainThread();
    if (isPad() || !selectedTab_ || selectedTab_->currentURL() || addressBar_->isFirstResponder())
        return;
    scrollToTop(ui::InterfaceObject());
    selectedTab_->webView()->stringByEvaluatingJavaScriptFromString(keyboardShownScript_);
}

void BrowserViewController::keyboardWasHidden(const base::Notification&) {
    base::assertMainThread();
    if (isPad() || !selectedTab_ || selectedTab_->currentURL() || addressBar_->isFirstResponder())
        return;
    selectedTab_->webView()->stringByEvaluatingJavaScriptFromString(keyboardHiddenScript_);
    scrollToTop(ui::InterfaceObject());
}

// --- Address text to page load.

void BrowserViewController::setConnectionMaker(ConnectionMaker maker) {
    connectionMaker_ = std::move(maker);
}

BrowserViewController::AskingForFieldText::AskingForFieldText(BrowserViewController& screen)
    : flag_(screen.askingForFieldText_)
    , before_(std::exchange(flag_, true)) {}

BrowserViewController::AskingForFieldText::~AskingForFieldText() {
    flag_ = before_;
}

void BrowserViewController::loadBookmarkAddress(const std::string& address) {
    addressBar_->setText(address);
    gotoAddress(ui::InterfaceObject());
}

void BrowserViewController::gotoAddress(const ui::InterfaceObject& sender) {
    const AskingForFieldText asking(*this);
    addressBarButtonsView_->setHidden(false);
    stopButton_->setHidden(false);
    refreshButton_->setHidden(true);

    const std::string text = base::trim(addressBar_->text());
    // A host typed in its own script ("bücher.example") opens at its ASCII form.
    const auto ascii = base::asciiAddress(text);
    gotoUrl_ = ascii ? base::URL::parse(*ascii) : std::nullopt;
    // Schemes compare without letter case (base::URL gives them lower-cased), so "HTTP://host"
    // stays as typed instead of becoming "http://HTTP://host".
    if (gotoUrl_ && gotoUrl_->scheme() != "http" && gotoUrl_->scheme() != "https")
        gotoUrl_ = base::URL::parse("http://" + gotoUrl_->absoluteString());

    const net::URLRequest request(gotoUrl_);
    if (text.find('.') != std::string::npos && net::URLConnection::canHandleRequest(request)) {
        gotoAddressWithRequestObjInTab(sender, request, selectedTab_);
        return;
    }
    searchWeb(sender);
}

std::string BrowserViewController::searchAddressForText(const std::string& text) {
    return "https://" + BrowserSettings::searchEngineHost() +
           "/search?q=" + base::percentEscape(text, base::queryValueCharactersToEscape);
}

void BrowserViewController::searchWeb(const ui::InterfaceObject& sender) {
    const AskingForFieldText asking(*this);
    const std::string address = searchAddressForText(addressBar_->text());
    base::log("sdfsd " + address);
    if (checkNetworkStatus()) {
        gotoAddressWithRequestObjInTab(sender, net::URLRequest::withURLString(address),
                                       selectedTab_);
    } else {
        // An earlier page still on its way would replace the unable-to-connect page, which
        // stands for the search: reloading it searches again.
        if (selectedTab_) {
            selectedTab_->cancelFetch();
            selectedTab_->setCurrentURLString(address);
            selectedTab_->setAddressText(addressBar_->text());
        }
        cannotConnect(ui::InterfaceObject());
        progressBar_->setHidden(true);
    }
    addressBar_->resignFirstResponder();
}

void BrowserViewController::gotoAddressWithRequestObjInTab(const ui::InterfaceObject& sender,
                                                           const net::URLRequest& request,
                                                           const std::shared_ptr<Tab>& tab) {
    base::assertMainThread();
    // A tab that has been closed may still hear from its web view (a link tapped while it
    // went away); it must not start a load that moves this screen's bars and progress.
    if (!isOpen(tab))
        return;
    tab->setCurrentURLString("");
    initialPageLoad_ = true;
    if (auto selected = webView())
        selected->stopLoading();

    const auto& url = request.url();
    const std::string searchHost = BrowserSettings::searchEngineHost();
    saveScrollPosition_ = url && (BrowserSettings::urlHasHost(*url, searchHost) ||
                                  BrowserSettings::urlHasHost(*url, "www." + searchHost));
    if (!isPad())
        scrollToTop(ui::InterfaceObject());
    oldAddressText_ = addressBar_->text();
    // Until its page arrives the tab stands for the words of a search typed into the field,
    // or else for the address asked for. A step through the history names its page at once,
    // whether or not it can be fetched.
    const bool typedSearch = saveScrollPosition_ && askingForFieldText_ && tab == selectedTab_;
    const std::string requested = url ? url->absoluteString() : std::string();
    tab->setAddressText(typedSearch ? addressBar_->text() : requested);
    if (tab->traverse() != 0 && tab == selectedTab_ && !addressBar_->isFirstResponder())
        addressBar_->setText(tab->addressText());

    if (!checkNetworkStatus()) {
        // An earlier page still on its way would replace the unable-to-connect page, which
        // stands for the address asked for: the reload button fetches it.
        tab->cancelFetch();
        tab->setCurrentURLString(requested);
        progressBar_->setHidden(true);
        cannotConnect(ui::InterfaceObject());
        // No fetch starts, so no history update ends the step: a Back or Forward taken now
        // must not make the next visit count as a step too (it would not be recorded).
        tab->setTraverse(0);
    } else {
        net::URLRequest copy = request;
        // Read once from a web view; an answer that is not there yet is asked for again on the
        // next load rather than kept as an empty header for the life of the screen.
        if (!userAgent_) {
            auto agent =
                tab->webView()->stringByEvaluatingJavaScriptFromString("navigator.userAgent");
            if (!agent.empty())
                userAgent_ = std::move(agent);
        }
        if (userAgent_)
            copy.setValueForHTTPHeaderField(*userAgent_, "User-Agent");

        if (url && BrowserSettings::urlHasHost(*url, BrowserSettings::appStoreWebHost())) {
            // Store pages leave the browser.
            ui::Application::shared().openURL(*copy.url());
        } else {
            progressBar_->setHidden(false);
            progressBar_->setProgress(0.1, false);
            // Setting the tab's connection cancels the one it had, so an earlier fetch still
            // running never delivers into the tab.
            tab->setUrlConnection(nullptr);
            std::shared_ptr<net::URLConnectionDelegate> delegate = tab;
            tab->setUrlConnection(connectionMaker_ ? connectionMaker_(copy, delegate)
                                                   : net::URLConnection::create(copy, delegate));
            // A reload of the page the history stands at adds no entry; reloading a page that
            // never got one (asked for while offline) is its visit.
            if (!isSender(sender, refreshButton_.get()) || !tab->historyStandsAt(request))
                tab->updateHistory();
        }
    }
    addressBar_->resignFirstResponder();
}

void BrowserViewController::cannotConnect(const ui::InterfaceObject&) {
    // No load is under way any more; the page stands for the address that could not be opened,
    // and reloading it is the way on.
    stopButton_->setHidden(true);
    refreshButton_->setHidden(!selectedTab_ || selectedTab_->currentURLString().empty());
    auto page = resourceData("unable_to_connect", "html");
    if (!page) {
        base::log("The resource unable_to_connect.html is missing");
        return;
    }
    if (auto selected = webView())
        selected->loadHTMLString(page->toString(), std::nullopt);
}

bool BrowserViewController::checkNetworkStatus() {
    if (!internetReachability_) {
        internetReachability_ = Reachability::reachabilityForInternetConnection();
        // A running notifier keeps a watcher on the network: while it runs, the status is the
        // state the watcher knows, without a new look at the system for every load.
        if (internetReachability_)
            internetReachability_->reachabilityRef()->startNotifier(
                [](net::Reachability&, net::ReachabilityFlags) {});
    }
    return internetReachability_ &&
           internetReachability_->currentReachabilityStatus() != NotReachable;
}

void BrowserViewController::goBack(const ui::InterfaceObject&) {
    if (selectedTab_)
        selectedTab_->goBack();
    reloadOnPageLoad_ = true;
}

void BrowserViewController::goForward(const ui::InterfaceObject&) {
    if (selectedTab_)
        selectedTab_->goForward();
}

void BrowserViewController::stopLoading(const ui::InterfaceObject&) {
    stopButton_->setHidden(true);
    refreshButton_->setHidden(false);
    progressBar_->setHidden(true);
    if (!selectedTab_)
        return;
    // The tab's own fetch too: a page still on its way would replace what is shown.
    selectedTab_->stopLoading();
    // A tab whose first page never arrived has nothing to reload.
    refreshButton_->setHidden(selectedTab_->currentURLString().empty());
    // A history step turned both buttons off until the end of its load, which will not come.
    forwardButton_->setEnabled(selectedTab_->canGoForward());
    backButton_->setEnabled(selectedTab_->canGoBack());
}

void BrowserViewController::currentWebViewDidStartLoading(ui::WebView& webView) {
    if (addressBar_->isEditing()) {
        webView.stopLoading();
        return;
    }
    if (tabOwningWebView(&webView) == selectedTab_ && initialPageLoad_) {
        refreshButton_->setHidden(true);
        stopButton_->setHidden(false);
    }
    if (progressBar_->progress() < 0.95)
        progressBar_->setProgress(progressBar_->progress() + 0.05, false);
    initialPageLoad_ = false;
}

void BrowserViewController::currentWebViewDidFinishFinalLoad(
    const std::shared_ptr<ui::WebView>& webView) {
    base::assertMainThread();
    // Only the end of an open tab's page ends the load on screen.
    if (!webView || !tabOwningWebView(webView.get()))
        return;
    progressBar_->setProgress(1.0, false);
    progressBar_->setHidden(true);
    stopButton_->setHidden(true);

    const auto& request = webView->request();
    const bool resourcePage = !request || !request->url() || request->url()->isFileURL() ||
                              request->url()->absoluteString() == "about:blank";
    // The page that says an address could not be opened is one of the program's own, and
    // reloads that address.
    const auto owner = tabOwningWebView(webView.get());
    refreshButton_->setHidden(resourcePage && owner->currentURLString().empty());

    if (saveScrollPosition_ && selectedTab_ && selectedTab_->scrollPosition() >= 1)
        if (auto selected = this->webView())
            selected->scrollView()->setContentOffset(ui::Point(0, selectedTab_->scrollPosition()),
                                                     false);
    loadTabs(webView.get());
}

// --- Tab strip.

void BrowserViewController::addTab(const ui::InterfaceObject&) {
    if (tabsView_->isHidden())
        tabsView_->setHidden(false);
    addTabWithAddress("");
}

void BrowserViewController::addTabWithAddress(const std::string& address) {
    base::assertMainThread();
    base::log("fsdfsd  " + address);
    if (tabs_.empty())
        tabs_.reserve(8);
    const auto index = static_cast<double>(tabs_.size());
    auto self = std::static_pointer_cast<BrowserViewController>(shared_from_this());
    auto tab = Tab::create(ui::Rect(index * tabFaceWidth + 2, 2, tabFaceWidth, tabFaceHeight),
                           std::static_pointer_cast<TabHost>(self));
    switchTabFromToTab(selectedTab_, tab);
    tabsView_->addSubview(tab);
    tabs_.push_back(tab);
    tab->select();

    const double contentWidth =
        static_cast<double>(tabs_.size()) * tabFaceWidth + stripSlackAfterOpening;
    setStripContentWidth(contentWidth);
    const double stripWidth = tabsView_->frame().size.width;
    if (stripWidth < contentWidth)
        tabsView_->setContentOffset(ui::Point(contentWidth - stripWidth, 0));
    tabsView_->setClipsToBounds(true);
    tabsView_->setShowsHorizontalScrollIndicator(false);

    if (address.empty()) {
        if (auto data = resourceData("launch", "html"))
            webView()->loadData(*data, "text/html", "utf-8", std::nullopt);
        else
            base::log("The resource launch.html is missing");
        if (!addressBar_->isFirstResponder())
            addressBar_->setText(address);
    } else {
        gotoAddressWithRequestObjInTab(ui::InterfaceObject(),
                                       net::URLRequest::withURLString(address), tab);
    }
    loadRedodi();
    loadTabs(webView().get());
}

void BrowserViewController::loadRedodi() {
    if (auto selected = webView())
        selected->loadRequest(
            net::URLRequest::withURLString(BrowserSettings::searchEngineHomeAddress()));
}

void BrowserViewController::removeTab(const ui::InterfaceObject& sender) {
    auto found = std::find_if(tabs_.begin(), tabs_.end(), [&](const std::shared_ptr<Tab>& tab) {
        return isSender(sender, tab->closeButton().get());
    });
    if (found == tabs_.end())
        return;
    const std::shared_ptr<Tab> closed = *found;
    closed->closeButton()->setEnabled(false);
    closed->tabButton()->setEnabled(false);

    const auto position = static_cast<std::size_t>(found - tabs_.begin());
    const std::size_t count = tabs_.size();
    if (closed == selectedTab_ && position + 1 < count)
        switchTabFromToTab(selectedTab_, tabs_[position + 1]);
    for (std::size_t i = position + 1; i < count; ++i)
        tabs_[i]->incrementOffset();
    if (position + 1 == count && count >= 2)
        switchTabFromToTab(selectedTab_, tabs_[position - 1]);

    // Closing the only tab switches to no other, so it is still current here. A closed tab
    // must not go on fetching, nor move the progress bar, the address field or the end of
    // load of the tab that takes its place.
    closed->close();
    if (closed->current())
        closed->deselect();
    if (selectedTab_ == closed)
        selectedTab_.reset();
    closed->removeFromSuperview();
    if (closed->webView())
        closed->webView()->removeFromSuperview();
    tabs_.erase(tabs_.begin() + static_cast<std::ptrdiff_t>(position));

    if (tabs_.empty())
        addTab(ui::InterfaceObject());
    loadTabs(webView().get());
    setStripContentWidth(static_cast<double>(tabs_.size()) * tabFaceWidth + stripSlackAfterClosing);
}

void BrowserViewController::setStripContentWidth(double width) {
    tabsView_->setContentSize(ui::Size(width, tabStripContentHeight));
    // A strip left scrolled past its narrower content would cut the first tabs off and show
    // nothing at its end.
    const ui::Point offset = tabsView_->contentOffset();
    const double x = std::clamp(offset.x, tabsView_->minimumContentOffset().x,
                                tabsView_->maximumContentOffset().x);
    if (x != offset.x)
        tabsView_->setContentOffset(ui::Point(x, offset.y));
}

void BrowserViewController::selectTab(const ui::InterfaceObject& sender) {
    auto found = std::find_if(tabs_.begin(), tabs_.end(), [&](const std::shared_ptr<Tab>& tab) {
        return isSender(sender, tab->tabButton().get());
    });
    if (found == tabs_.end())
        return;
    switchTabFromToTab(selectedTab_, *found);
    loadTabs(webView().get());
}

void BrowserViewController::switchTabFromToTab(const std::shared_ptr<Tab>& from,
                                               const std::shared_ptr<Tab>& to) {
    if (!to)
        return;
    if (!tabs_.empty() && from)
        from->deselect();
    to->select();
    selectedTab_ = to;
    if (to->loading()) {
        progressBar_->setHidden(false);
        stopButton_->setHidden(false);
        refreshButton_->setHidden(true);
        addressBar_->setText(to->addressText());
    } else {
        progressBar_->setHidden(true);
        stopButton_->setHidden(true);
        // A tab with no page of its own yet (a new one) has nothing to reload.
        refreshButton_->setHidden(to->currentURLString().empty());
        addressBar_->setText(to->currentURLString());
    }
}

void BrowserViewController::loadTabs(ui::WebView* webView) {
    auto root = view();
    if (webView) {
        for (const auto& tab : tabs_)
            if (tab->webView().get() == webView) {
                root->sendSubviewToBack(tab->webView());
                break;
            }
    }
    for (const auto& tab : tabs_)
        if (tab->webView() && tab->webView().get() != webView)
            root->sendSubviewToBack(tab->webView());

    auto owner = tabOwningWebView(webView);
    if (owner && owner == selectedTab_) {
        const auto& request = webView->request();
        if (!request || !request->url() || request->url()->isFileURL()) {
            if (!addressBar_->isFirstResponder())
                addressBar_->setText("");
        } else {
            const std::string& current = owner->currentURLString();
            // A search shows the words typed, not the search address; a tab with no address of
            // its own leaves the field alone.
            if (!current.empty() && current != "about:blank" &&
                current.find(BrowserSettings::searchEngineHomeAddress()) == std::string::npos) {
                if (!addressBar_->isFirstResponder())
                    addressBar_->setText(current);
                refreshButton_->setHidden(owner->loading());
            }
        }
        forwardButton_->setEnabled(owner->canGoForward());
        backButton_->setEnabled(owner->canGoBack());
    }
    if (owner)
        owner->showText();
    base::log("hererererereressdf   " + (webView ? webView->description() : std::string("(null)")));
}

bool BrowserViewController::isOpen(const std::shared_ptr<Tab>& tab) const {
    return tab && std::find(tabs_.begin(), tabs_.end(), tab) != tabs_.end();
}

std::shared_ptr<Tab> BrowserViewController::tabOwningWebView(const ui::WebView* webView) const {
    if (!webView)
        return nullptr;
    for (auto tab = tabs_.rbegin(); tab != tabs_.rend(); ++tab)
        if ((*tab)->webView().get() == webView)
            return *tab;
    return nullptr;
}

// --- Saved tabs.

void BrowserViewController::saveOpenTabs() {
    base::assertMainThread();
    std::vector<SavedTabs::Entry> open;
    for (const auto& tab : tabs_)
        open.push_back(
            {tab->tabButton()->titleForState(ui::ControlStateNormal), tab->currentURLString()});
    SavedTabs().replaceWith(open);
}

void BrowserViewController::openSavedTabs() {
    base::assertMainThread();
    SavedTabs().takeAll([this](const SavedTabs::Entry& saved) {
        addTabWithAddress(saved.url);
        if (saved.title && selectedTab_)
            selectedTab_->setTitle(*saved.title);
    });
}

void BrowserViewController::deleteSavedTabs() {
    SavedTabs().removeAll();
}

// --- Scrolling.

void BrowserViewController::scrollToTop(const ui::InterfaceObject&) {
    if (isPad())
        return;
    auto selected = webView();
    if (!selected)
        return;
    const double height = topBar_->frame().size.height;
    const auto& scroll = selected->scrollView();
    scroll->setContentOffset(ui::Point(0, -height), false);
    scroll->setContentInset(ui::EdgeInsets(-scroll->contentOffset().y, 0, 0, 0));
}

// --- Interface file owner.

bool BrowserViewController::setOutlet(const std::string& name, const ui::InterfaceObject& object) {
    using Screen = BrowserViewController;
    static const ui::NamedOutlet<Screen> outlets[] = {
        {"webViewTemplate", ui::memberOutlet<&Screen::webViewTemplate_>},
        {"tabsView", ui::memberOutlet<&Screen::tabsView_>},
        {"topBar", ui::memberOutlet<&Screen::topBar_>},
        {"bottomBar", ui::memberOutlet<&Screen::bottomBar_>},
        {"navBar", ui::memberOutlet<&Screen::navBar_>},
        {"bugListNavBar", ui::memberOutlet<&Screen::bugListNavBar_>},
        {"addressBar", ui::memberOutlet<&Screen::addressBar_>},
        {"searchBar", ui::memberOutlet<&Screen::searchBar_>},
        {"activityIndicator", ui::memberOutlet<&Screen::activityIndicator_>},
        {"addressBarButtonsView", ui::memberOutlet<&Screen::addressBarButtonsView_>},
        {"refreshButton", ui::memberOutlet<&Screen::refreshButton_>},
        {"stopButton", ui::memberOutlet<&Screen::stopButton_>},
        {"forwardButton", ui::memberOutlet<&Screen::forwardButton_>},
        {"backButton", ui::memberOutlet<&Screen::backButton_>},
        {"addressItem", ui::memberOutlet<&Screen::addressItem_>},
        {"searchItem", ui::memberOutlet<&Screen::searchItem_>},
        {"customButton", ui::memberOutlet<&Screen::customButton_>},
        {"customButton2", ui::memberOutlet<&Screen::customButton2_>},
        {"moreButton", ui::memberOutlet<&Screen::moreButton_>},
        {"bookmarkButton", ui::memberOutlet<&Screen::bookmarkButton_>},
        {"addTab", ui::memberOutlet<&Screen::addTab_>},
        {"progressBar", ui::memberOutlet<&Screen::progressBar_>},
        {"bookmarksFormController",
         [](Screen& screen, const ui::InterfaceObject& form) {
             auto controller = form.as<BookmarksFormController>();
             if (!controller)
                 return false;
             BookmarkScreenFactory::wire(*controller);
             screen.bookmarksFormController_ = std::move(controller);
             return true;
         }},
        {"imgpicker", ui::memberOutlet<&Screen::imgpicker_>},
        {"darkview", ui::memberOutlet<&Screen::darkview_>},
        // The file makes the list; the screen keeps it at the root of a navigation of its own.
        {"bookmarksController",
         [](Screen& screen, const ui::InterfaceObject& list) {
             auto controller = list.as<BookmarksController>();
             if (controller) {
                 BookmarkScreenFactory::wire(*controller);
                 screen.bookmarksController_ = ui::NavigationController::create(controller);
             }
             return controller != nullptr;
         }},
    };
    if (auto connected = ui::bindOutlet(*this, name, object, outlets))
        return *connected;
    return ui::ViewController::setOutlet(name, object);
}

ui::InterfaceFileOwner::Action BrowserViewController::actionNamed(const std::string& name) {
    static const ui::NamedAction<BrowserViewController> actions[] = {
        {"gotoAddress", &BrowserViewController::gotoAddress},
        {"searchWeb", &BrowserViewController::searchWeb},
        {"goBack", &BrowserViewController::goBack},
        {"goForward", &BrowserViewController::goForward},
        {"stopLoading", &BrowserViewController::stopLoading},
        {"addTab", &BrowserViewController::addTab},
        {"didStartEditingAddressBar", &BrowserViewController::didStartEditingAddressBar},
        {"didEndEditingAddressBar", &BrowserViewController::didEndEditingAddressBar},
        {"cancel", &BrowserViewController::cancel},
        {"scrollToTop", &BrowserViewController::scrollToTop},
        {"share", &BrowserViewController::share},
        {"share_tap", &BrowserViewController::share_tap},
        {"hidedark_view", &BrowserViewController::hidedark_view},
        {"rate", &BrowserViewController::rate},
        {"shartwitter", &BrowserViewController::shartwitter},
        {"sharechorus", &BrowserViewController::sharechorus},
        {"email", &BrowserViewController::email},
        {"showActionSheet", &BrowserViewController::showActionSheet},
        {"showBookmarks", &BrowserViewController::showBookmarks},
        {"showBookmarksView", &BrowserViewController::showBookmarksView},
    };
    return ui::bindAction(*this, name, actions);
}
